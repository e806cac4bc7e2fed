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

}  // namespace tessaryn
