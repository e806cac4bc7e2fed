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
    buffer_.reset(new char[kBlockSize]);
    cursor = limit = blockStart_ = counted_ = buffer_.get();
    atEnd_ = false;
}

bool UsdByteReader::fill(std::size_t count) {
    if (atEnd_) return false;
    // The bytes not yet passed move to the front; those passed leave, their lines counted.
    countLinesUpTo(cursor);
    if (watcher_ != nullptr && cursor > blockStart_)
        watcher_->passed(
            offset(),
            std::string_view(blockStart_, static_cast<std::size_t>(cursor - blockStart_)));
    const auto kept = static_cast<std::size_t>(limit - cursor);
    blockOffset_ += static_cast<std::uint64_t>(cursor - blockStart_);
    std::memmove(buffer_.get(), cursor, kept);
    cursor = blockStart_ = counted_ = buffer_.get();
    limit = cursor + kept;
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
