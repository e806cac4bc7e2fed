// A thread the caller lends a road. The library starts no thread of its own: a caller that
// has a second core to spare (the tool) hands one over, and the road runs part of its work
// there; the host's commands lend none and run on its thread alone.
#pragma once

namespace tessaryn {

// `start` runs work(context) on the lent thread (false when no thread can be had: the road
// then does the work itself), `join` waits for it to end.
struct SecondThread {
    bool (*start)(void* self, void (*work)(void* context), void* context);
    void (*join)(void* self);
    void* self;
};

// One piece of work on a lent thread, joined once: by join(), or when the handle goes, so
// that a road that ends early (by an exception too) never leaves the thread at work on
// what it is about to let go. A record that holds what the work uses holds this last.
class LentWork {
public:
    LentWork() = default;
    LentWork(const LentWork&) = delete;
    LentWork& operator=(const LentWork&) = delete;
    ~LentWork() { join(); }

    // Starts work(context) on `thread`; false when none is lent or it can lend none.
    bool start(const SecondThread* thread, void (*work)(void* context), void* context) {
        if (thread == nullptr || !thread->start(thread->self, work, context)) return false;
        thread_ = thread;
        return true;
    }
    // Waits for the work, once; nothing when none runs.
    void join() {
        if (thread_ == nullptr) return;
        thread_->join(thread_->self);
        thread_ = nullptr;
    }
    bool running() const { return thread_ != nullptr; }

private:
    const SecondThread* thread_ = nullptr;
};

}  // namespace tessaryn
