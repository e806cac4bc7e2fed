// A file read in order on a lent thread, a few blocks ahead of the thread that takes the
// bytes: the system's copy of each block into memory goes on beside the taker's work on
// the blocks before it. For a scanner that goes through a whole large file once, on a
// road that has a thread to spare before its own work begins.
//
// The taker copies the bytes out (read), or takes a whole block's buffer in exchange for
// one it is done with (takeBlock, giveBack): then nothing is copied, and the room before
// the bytes lets it join what it kept of the block before.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string_view>

#include "base/byte_source.h"
#include "base/second_thread.h"

namespace tessaryn {

class ReadAhead {
public:
    // A block's buffer: kHeadroom bytes of room, then up to kBlockSize bytes read.
    static constexpr std::size_t kHeadroom = std::size_t{64} << 10;
    static constexpr std::size_t kBlockSize = std::size_t{1} << 20;
    static constexpr std::size_t kBufferBytes = kHeadroom + kBlockSize;

    ReadAhead() = default;
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;
    ~ReadAhead() { stop(); }

    // Reads `source` from its position on, on `thread`; the source is the lent thread's
    // until stop(). False, nothing started, when no thread is lent or it lends none.
    bool start(ByteSource& source, const SecondThread* thread);
    // As ByteSource::read: up to `count` bytes in order, waiting only while none is read
    // yet; 0 at the end, or once a read failed (failed() tells).
    std::size_t read(void* into, std::size_t count);
    // The bytes of the next block not yet given, as `bytes`, in `buffer` (of `capacity`
    // bytes), which is the caller's now: at least kHeadroom bytes before them are free.
    // Waits for it; false at the end, or once a read failed. giveBack() must follow.
    bool takeBlock(std::unique_ptr<char[]>& buffer, std::size_t& capacity, std::string_view& bytes);
    // A buffer of at least kBufferBytes the caller is done with, for the lent thread to
    // read into in place of the one takeBlock gave.
    void giveBack(std::unique_ptr<char[]> buffer, std::size_t capacity);
    // True when a read of the file failed; known once read() gave 0.
    bool failed() const { return failed_; }
    // Lets the lent thread go, once it ends the block it reads; the source is the caller's
    // again, its position somewhere past what was given. Nothing when none was started.
    void stop();
    bool running() const { return work_.running(); }

private:
    static constexpr std::size_t kBlocks = 4;
    struct Block {
        std::unique_ptr<char[]> bytes;  // null while the taker has it
        std::size_t capacity = 0;
        std::size_t size = 0;  // bytes read, after kHeadroom
    };

    static void run(void* self);

    ByteSource* source_ = nullptr;
    std::size_t takenFrom_ = 0;  // bytes of the oldest read block already given
    // Shared with the lent thread.
    std::mutex mutex_;
    std::condition_variable changed_;
    Block blocks_[kBlocks];
    std::size_t read_ = 0;   // blocks read so far; block n lies in blocks_[n % kBlocks]
    std::size_t taken_ = 0;  // blocks given whole
    bool ended_ = false;     // the lent thread reads no more: the end, or a failed read
    bool stopping_ = false;
    bool failed_ = false;
    LentWork work_;  // last: joined before the rest goes
};

}  // namespace tessaryn
