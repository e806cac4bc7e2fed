// Blocks of an OBJ's text made on two threads, written in the order of their numbers: a
// thread with block n waits until blocks 0 to n - 1 are written, so the writer is used by
// one thread at a time and the file is the one the blocks make in order.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string_view>

#include "base/safe_writer.h"

namespace tessaryn {

class BlockTurns {
public:
    explicit BlockTurns(SafeWriter& out) : out_(out) {}
    BlockTurns(const BlockTurns&) = delete;
    BlockTurns& operator=(const BlockTurns&) = delete;

    // Writes `text`, block number `block`, once the blocks before it are written.
    void write(std::size_t block, std::string_view text);

private:
    SafeWriter& out_;
    std::mutex mutex_;
    std::condition_variable written_;
    std::size_t next_ = 0;  // the block written next
};

}  // namespace tessaryn
