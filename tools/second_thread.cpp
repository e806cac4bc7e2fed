#include "tools/second_thread.h"

#include <string>
#include <system_error>

namespace tool {

LentThread::LentThread() : handle_{start, join, this} {}

LentThread::~LentThread() {
    join(this);
}

bool LentThread::start(void* self, void (*work)(void*), void* context) {
    auto* lent = static_cast<LentThread*>(self);
    if (lent->thread_.joinable()) return false;
    try {
        lent->thread_ = std::thread(work, context);
    } catch (const std::system_error&) {
        return false;  // no thread to be had: the road does the work itself
    }
    return true;
}

void LentThread::join(void* self) {
    auto* lent = static_cast<LentThread*>(self);
    if (lent->thread_.joinable()) lent->thread_.join();
}

bool roadThreads(const std::string& option, const char* environment, int& threads) {
    if (!option.empty()) {
        if (option != "1" && option != "2") return false;
        threads = option == "1" ? 1 : 2;
        return true;
    }
    threads = environment != nullptr && std::string(environment) == "1" ? 1 : 2;
    return true;
}

}  // namespace tool
