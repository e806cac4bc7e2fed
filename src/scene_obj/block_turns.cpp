#include "scene_obj/block_turns.h"

namespace tessaryn {

void BlockTurns::write(std::size_t block, std::string_view text) {
    std::unique_lock<std::mutex> lock(mutex_);
    written_.wait(lock, [&] { return next_ == block; });
    lock.unlock();
    // The other thread writes only once the turn has moved on. Each thread copies its own
    // blocks into the file: were they gathered in the writer's buffer, the thread whose
    // block found it full would write out the other's blocks too.
    out_.writeThrough(text);
    lock.lock();
    next_ = block + 1;
    lock.unlock();
    written_.notify_all();
}

}  // namespace tessaryn
