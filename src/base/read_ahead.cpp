#include "base/read_ahead.h"

#include <algorithm>
#include <cstring>

namespace tessaryn {

bool ReadAhead::start(ByteSource& source, const SecondThread* thread) {
    stop();
    if (thread == nullptr) return false;
    for (Block& block : blocks_) {
        if (block.bytes == nullptr) block.bytes.reset(new char[kBlockSize]);
    }
    source_ = &source;
    takenFrom_ = read_ = taken_ = 0;
    ended_ = stopping_ = failed_ = false;
    return work_.start(thread, run, this);
}

void ReadAhead::run(void* self) {
    auto& ahead = *static_cast<ReadAhead*>(self);
    std::unique_lock<std::mutex> lock(ahead.mutex_);
    for (;;) {
        ahead.changed_.wait(
            lock, [&] { return ahead.stopping_ || ahead.read_ - ahead.taken_ < kBlocks; });
        if (ahead.stopping_) break;
        // The taker never looks at a block until it is counted read.
        Block& block = ahead.blocks_[ahead.read_ % kBlocks];
        lock.unlock();
        block.size = ahead.source_->read(block.bytes.get(), kBlockSize);
        const bool failed = block.size == 0 && ahead.source_->failed();
        lock.lock();
        if (block.size == 0) {
            ahead.ended_ = true;
            ahead.failed_ = failed;
        } else {
            ++ahead.read_;
        }
        ahead.changed_.notify_all();
        if (ahead.ended_) break;
    }
}

std::size_t ReadAhead::read(void* into, std::size_t count) {
    auto* const to = static_cast<char*>(into);
    std::size_t given = 0;
    std::unique_lock<std::mutex> lock(mutex_);
    while (given < count) {
        if (taken_ == read_) {
            if (given > 0 || ended_ || !work_.running()) break;
            changed_.wait(lock, [&] { return taken_ != read_ || ended_; });
            continue;
        }
        const Block& block = blocks_[taken_ % kBlocks];
        const std::size_t part = std::min(count - given, block.size - takenFrom_);
        lock.unlock();
        std::memcpy(to + given, block.bytes.get() + takenFrom_, part);
        lock.lock();
        given += part;
        takenFrom_ += part;
        if (takenFrom_ == block.size) {
            takenFrom_ = 0;
            ++taken_;
            changed_.notify_all();
        }
    }
    return given;
}

void ReadAhead::stop() {
    if (!work_.running()) return;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    work_.join();
}

}  // namespace tessaryn
