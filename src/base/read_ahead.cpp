#include "base/read_ahead.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tessaryn {

bool ReadAhead::start(ByteSource& source, const SecondThread* thread) {
    stop();
    if (thread == nullptr) return false;
    for (Block& block : blocks_) {
        if (block.bytes == nullptr) {
            block.bytes.reset(new char[kBufferBytes]);
            block.capacity = kBufferBytes;
        }
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
        // The next block's buffer must be free, and back from the taker.
        ahead.changed_.wait(lock, [&] {
            return ahead.stopping_ || (ahead.read_ - ahead.taken_ < kBlocks &&
                                       ahead.blocks_[ahead.read_ % kBlocks].bytes != nullptr);
        });
        if (ahead.stopping_) break;
        // The taker never looks at a block until it is counted read.
        Block& block = ahead.blocks_[ahead.read_ % kBlocks];
        lock.unlock();
        block.size = ahead.source_->read(block.bytes.get() + kHeadroom, kBlockSize);
        const bool readFailed = block.size == 0 && ahead.source_->failed();
        lock.lock();
        if (block.size == 0) {
            ahead.ended_ = true;
            ahead.failed_ = readFailed;
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
        std::memcpy(to + given, block.bytes.get() + kHeadroom + takenFrom_, part);
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

bool ReadAhead::takeBlock(std::unique_ptr<char[]>& buffer, std::size_t& capacity,
                          std::string_view& bytes) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (work_.running()) changed_.wait(lock, [&] { return taken_ != read_ || ended_; });
    if (taken_ == read_) return false;
    Block& block = blocks_[taken_ % kBlocks];
    buffer = std::move(block.bytes);
    capacity = block.capacity;
    bytes = std::string_view(buffer.get() + kHeadroom + takenFrom_, block.size - takenFrom_);
    takenFrom_ = 0;
    ++taken_;
    return true;
}

void ReadAhead::giveBack(std::unique_ptr<char[]> buffer, std::size_t capacity) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        // The block taken last is the one without a buffer.
        Block& block = blocks_[(taken_ - 1) % kBlocks];
        block.bytes = std::move(buffer);
        block.capacity = capacity;
    }
    changed_.notify_all();
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
