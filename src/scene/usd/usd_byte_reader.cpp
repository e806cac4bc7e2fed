#include "scene/usd/usd_byte_reader.h"

#include <algorithm>
#include <cstring>

namespace tessaryn {

namespace {
constexpr std::size_t kBlockSize = std::size_t{1} << 20;
}

void UsdByteReader::openBlocks(LineReader& blocks) {
    std::string_view all;
    if (blocks.allAtHand()) {
        if (!blocks.nextBlock(all)) all = std::string_view("");
        cursor = blockStart_ = counted_ = all.data();
        limit = all.data() + all.size();
        return;  // atEnd_: fill() never runs, and the watcher is never told
    }
    blocks_ = &blocks;
    cursor = limit = blockStart_ = counted_ = "";
    atEnd_ = false;
}

bool UsdByteReader::fill(std::size_t count) {
    if (atEnd_) return false;
    // The bytes passed leave, their lines counted; those not yet passed are kept.
    countLinesUpTo(cursor);
    if (watcher_ != nullptr && cursor > blockStart_)
        watcher_->passed(
            offset(),
            std::string_view(blockStart_, static_cast<std::size_t>(cursor - blockStart_)));
    const auto kept = static_cast<std::size_t>(limit - cursor);
    blockOffset_ += static_cast<std::uint64_t>(cursor - blockStart_);
    if (pending_.empty() && kept <= LineReader::kKeepRoom) {
        // The line reader's next block where it lies, the bytes kept joined before it.
        std::string_view block;
        if (!blocks_->nextBlockAfter(std::string_view(cursor, kept), block)) {
            failed_ = blocks_->failed();
            atEnd_ = true;
        }
        cursor = blockStart_ = counted_ = block.data();
        limit = cursor + block.size();
        if (static_cast<std::size_t>(limit - cursor) >= count || atEnd_)
            return static_cast<std::size_t>(limit - cursor) >= count;
    }
    // A block too short for `count`: the bytes at hand and those of the blocks after it
    // are joined in a buffer of the reader's own.
    if (buffer_ == nullptr) buffer_.reset(new char[kBlockSize]);
    const auto held = static_cast<std::size_t>(limit - cursor);
    std::memmove(buffer_.get(), cursor, held);
    cursor = blockStart_ = counted_ = buffer_.get();
    limit = cursor + held;
    while (static_cast<std::size_t>(limit - cursor) < count && !atEnd_) {
        const std::size_t room = kBlockSize - static_cast<std::size_t>(limit - buffer_.get());
        char* const into = buffer_.get() + (limit - buffer_.get());
        if (pending_.empty() && !blocks_->nextBlock(pending_)) {
            failed_ = blocks_->failed();
            atEnd_ = true;
            break;
        }
        const std::size_t got = std::min(room, pending_.size());
        std::memcpy(into, pending_.data(), got);
        pending_.remove_prefix(got);
        limit += got;
    }
    return static_cast<std::size_t>(limit - cursor) >= count;
}

void UsdByteReader::countLinesUpTo(const char* end) {
    if (end <= counted_) return;
    // memchr leaps over the long lines of arrays far faster than a byte-by-byte count.
    for (const char* p = counted_;; ++p) {
        p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        if (p == nullptr) break;
        ++linesBefore_;
    }
    counted_ = end;
}

std::int64_t UsdByteReader::line() {
    countLinesUpTo(cursor);
    return linesBefore_ + 1;
}

}  // namespace tessaryn
