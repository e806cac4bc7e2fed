// A file read in order on a lent thread, a few blocks ahead of the thread that takes the
// bytes: the system's copy of each block into memory goes on beside the taker's work on
// the blocks before it. For a scanner that goes through a whole large file once, on a
// road that has a thread to spare before its own work begins.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>

#include "base/byte_source.h"
#include "base/second_thread.h"

namespace tessaryn {

class ReadAhead {
public:
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
    // True when a read of the file failed; known once read() gave 0.
    bool failed() const { return failed_; }
    // Lets the lent thread go, once it ends the block it reads; the source is the caller's
    // again, its position somewhere past what read() gave. Nothing when none was started.
    void stop();
    bool running() const { return work_.running(); }

private:
    static constexpr std::size_t kBlocks = 4;
    static constexpr std::size_t kBlockSize = std::size_t{1} << 20;
    struct Block {
        std::unique_ptr<char[]> bytes;
        std::size_t size = 0;
    };

    static void run(void* self);

    ByteSource* source_ = nullptr;
    Block blocks_[kBlocks];
    std::size_t takenFrom_ = 0;  // bytes of the oldest read block already given
    // Shared with the lent thread.
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t read_ = 0;   // blocks read so far; block n lies in blocks_[n % kBlocks]
    std::size_t taken_ = 0;  // blocks given whole
    bool ended_ = false;     // the lent thread reads no more: the end, or a failed read
    bool stopping_ = false;
    bool failed_ = false;
    LentWork work_;  // last: joined before the rest goes
};

}  // namespace tessaryn
