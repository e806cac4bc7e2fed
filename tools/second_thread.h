// The second thread the tool lends the scene road for reading the OBJ beside the scan:
// a std::thread started on request and joined when the road asks (or when it goes).
#pragma once

#include <thread>

#include "crease/crease_edges_ahead.h"

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

// How many threads a `creases` run uses: `--threads` when given (1 or 2), else 1 where
// the environment's TESSARYN_THREADS is 1 (farms that run many processes side by side),
// else 2. False for a value that is neither.
bool creaseThreads(const std::string& option, const char* environment, int& threads);

}  // namespace tool
