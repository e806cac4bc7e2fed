// A USD layer's bytes, block by block, for a scanner that must never hold a whole line:
// USD's own writer puts each array on one line, hundreds of megabytes of it on a large
// mesh. The scanner works on [cursor, limit) directly and asks for more with ensure();
// a block boundary may fall anywhere, inside a number or a string, so whatever spans one
// is carried by the scanner's own state, never by the reader. The blocks are the line
// reader's, read where they lie: the few bytes not yet passed when the scanner asks for
// more are joined before the next one, and only a block too short for what is asked is
// copied.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "base/line_reader.h"
#include "scene/scan_watcher.h"

namespace tessaryn {

class UsdByteReader {
public:
    UsdByteReader() = default;
    UsdByteReader(const UsdByteReader&) = delete;
    UsdByteReader& operator=(const UsdByteReader&) = delete;

    // Reads on from a line reader just opened, block by block, never line by line. Text
    // the line reader has all at hand (a memory source's) is read where it lies, without
    // a copy: a test that gives each input its own heap block lets the address sanitizer
    // see any read past its end.
    void openBlocks(LineReader& blocks);
    // Tells `watcher` of the bytes the cursor has passed each time they leave the buffer;
    // those passed after the last refill are never told (a watcher reads them itself).
    void watch(ScanWatcher* watcher) { watcher_ = watcher; }

    // At least `count` bytes from the cursor on, unless the input ends first: false then.
    // Up to `count` bytes not yet passed are kept, so a short look ahead always works.
    bool ensure(std::size_t count = 1) {
        return static_cast<std::size_t>(limit - cursor) >= count || fill(count);
    }
    // The byte at the cursor, or -1 at the end of the input.
    int peek() { return ensure(1) ? static_cast<unsigned char>(*cursor) : -1; }
    // Where the cursor lies in the input, in bytes.
    std::uint64_t offset() const {
        return blockOffset_ + static_cast<std::uint64_t>(cursor - blockStart_);
    }
    // The line the cursor is on, from 1. Cheap when asked as the cursor moves on: only
    // the bytes passed since the last question are counted.
    std::int64_t line();
    // True when a read error ended the input early.
    bool failed() const { return failed_; }

    const char* cursor = nullptr;  // the next byte
    const char* limit = nullptr;   // the end of the bytes at hand

private:
    bool fill(std::size_t count);
    void countLinesUpTo(const char* end);

    LineReader* blocks_ = nullptr;
    ScanWatcher* watcher_ = nullptr;
    std::string_view pending_;  // of the line reader's last block, not yet taken
    std::unique_ptr<char[]> buffer_;    // for blocks joined by copying; made when first needed
    const char* blockStart_ = nullptr;  // the input's byte at blockOffset_
    std::uint64_t blockOffset_ = 0;
    const char* counted_ = nullptr;  // line feeds before it are in linesBefore_
    std::int64_t linesBefore_ = 0;
    bool atEnd_ = true;
    bool failed_ = false;
};

}  // namespace tessaryn
