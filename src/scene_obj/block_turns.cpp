#include "scene_obj/block_turns.h"

namespace tessaryn {

void BlockTurns::write(std::size_t block, std::string_view text) {
    std::unique_lock<std::mutex> lock(mutex_);
    written_.wait(lock, [&] { return next_ == block; });
    lock.unlock();
    // The other thread writes only once the turn has moved on.
    out_.write(text);
    lock.lock();
    next_ = block + 1;
    lock.unlock();
    written_.notify_all();
}

}  // namespace tessaryn
