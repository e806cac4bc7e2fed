// The second thread the tool lends a scene road (`creases` reads the OBJ on it beside the
// scan, `obj` formats half the points there): a std::thread started on request and joined
// when the road asks (or when it goes).
#pragma once

#include <thread>

#include "base/second_thread.h"

namespace tool {

class LentThread {
public:
    LentThread();
    LentThread(const LentThread&) = delete;
    LentThread& operator=(const LentThread&) = delete;
    ~LentThread();

    const tessaryn::SecondThread& lend() const { return handle_; }

private:
    static bool start(void* self, void (*work)(void*), void* context);
    static void join(void* self);

    std::thread thread_;
    tessaryn::SecondThread handle_;
};

// How many threads a `creases` or `obj` run uses: `--threads` when given (1 or 2), else 1 where
// the environment's TESSARYN_THREADS is 1 (farms that run many processes side by side),
// else 2. False for a value that is neither.
bool roadThreads(const std::string& option, const char* environment, int& threads);

}  // namespace tool
