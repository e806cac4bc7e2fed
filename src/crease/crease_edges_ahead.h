// The OBJ's crease-edge set as a scanner meets it: complete, or still being collected on
// a second thread that the caller lent the road. A scanner asks ready() where it can put
// off what needs the set (hold face indices, tell a placement later), and await() where
// it cannot; both are cheap once the set is complete. The library starts no thread of
// its own: the thread and the way to wait for it come from the caller (SecondThread).
#pragma once

#include <atomic>

#include "base/second_thread.h"
#include "crease/crease_edge_set.h"

namespace tessaryn {

class CreaseEdgesAhead {
public:
    // A set already complete (implicit: a scanner may be handed a plain set).
    // cppcheck-suppress noExplicitConstructor
    CreaseEdgesAhead(const CreaseEdgeSet& set)  // NOLINT(google-explicit-constructor)
        : set_(set), ready_(true) {}
    // A set that `thread` fills; it calls markReady() when done.
    CreaseEdgesAhead(const CreaseEdgeSet& set, const SecondThread& thread)
        : set_(set), thread_(&thread), ready_(false) {}
    CreaseEdgesAhead(const CreaseEdgesAhead&) = delete;
    CreaseEdgesAhead& operator=(const CreaseEdgesAhead&) = delete;

    bool ready() const { return ready_.load(std::memory_order_acquire); }
    // The set, once complete: waits for the second thread when it is not yet.
    const CreaseEdgeSet& await() const {
        if (!ready()) thread_->join(thread_->self);
        return set_;
    }
    // Called on the second thread, after the set is filled.
    void markReady() { ready_.store(true, std::memory_order_release); }

private:
    const CreaseEdgeSet& set_;
    const SecondThread* thread_ = nullptr;
    std::atomic<bool> ready_;
};

}  // namespace tessaryn
