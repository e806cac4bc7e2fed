#include "base/line_reader.h"

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <new>

#include "base/byte_search.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tessaryn {

namespace {
constexpr std::size_t kBlockSize = std::size_t{1} << 20;
}

LineReader::~LineReader() {
    close();
}

void LineReader::close() {
    if (ahead_ != nullptr) ahead_->stop();  // before the file it reads goes
    file_.close();
    source_ = nullptr;
}

namespace {

// The first LF in [p, end), or null. Most lines of a mesh are a few dozen bytes long;
// for those, eight bytes at a time beat a call to memchr, which takes over for longer
// runs.
const char* findLineFeed(const char* p, const char* end) {
    using namespace byte_search;
    for (int word = 0; word < 8 && end - p >= 8; ++word, p += 8) {
        const std::uint64_t flags = flagsOf(loadWord(p), '\n');
        if (flags != 0) return p + firstFlagged(flags);
    }
    return static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
}

// The first of the bytes `a`, `b` and `c` in text[from, to), or text + to; `lineFeeds`
// counts the LFs before it, and `nextLine` is the place after the last of them (left as it
// was when none).
const char* findMarkCountingLines(const char* text, std::size_t from, std::size_t to, char a,
                                  char b, char c, std::uint64_t& lineFeeds, std::size_t& nextLine) {
    using namespace byte_search;
    const char* p = text + from;
    const char* const end = text + to;
    const auto after = [text](const char* lineFeed) {
        return static_cast<std::size_t>(lineFeed - text) + 1;
    };
#if defined(__SSE2__)
    const __m128i as = _mm_set1_epi8(a);
    const __m128i bs = _mm_set1_epi8(b);
    const __m128i cs = _mm_set1_epi8(c);
    const __m128i lfs = _mm_set1_epi8('\n');
    for (; end - p >= 16; p += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i marked =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, as), _mm_cmpeq_epi8(bytes, bs)),
                         _mm_cmpeq_epi8(bytes, cs));
        const auto marks = static_cast<unsigned>(_mm_movemask_epi8(marked));
        auto feeds = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, lfs)));
        const unsigned firstMark = marks != 0 ? static_cast<unsigned>(__builtin_ctz(marks)) : 16;
        feeds &= (1u << firstMark) - 1;
        if (feeds != 0) {
            lineFeeds += bitsSet(feeds);
            nextLine = after(p + (31 - __builtin_clz(feeds)));
        }
        if (marks != 0) return p + firstMark;
    }
#endif
    for (; end - p >= 8; p += 8) {
        const std::uint64_t word = loadWord(p);
        const std::uint64_t marks = bytesEqual(word, static_cast<unsigned char>(a)) |
                                    bytesEqual(word, static_cast<unsigned char>(b)) |
                                    bytesEqual(word, static_cast<unsigned char>(c));
        std::uint64_t feeds = bytesEqual(word, '\n');
        if (marks != 0) feeds &= (std::uint64_t{1} << __builtin_ctzll(marks)) - 1;
        if (feeds != 0) {
            lineFeeds += markedBytes(feeds);
            nextLine = after(p + ((63 - __builtin_clzll(feeds)) >> 3));
        }
        if (marks != 0) return p + firstFlagged(marks);
    }
    for (; p != end; ++p) {
        if (*p == a || *p == b || *p == c) return p;
        if (*p == '\n') {
            ++lineFeeds;
            nextLine = after(p);
        }
    }
    return end;
}

}  // namespace

bool LineReader::open(const char* path, std::uint64_t offset) {
    close();
    // Exhausted memory is not an unreadable file: it must reach the caller as such.
    if (!file_.openStream(path)) {
        if (errno == ENOMEM) throw std::bad_alloc();
        return false;
    }
    return open(file_, offset);
}

bool LineReader::open(ByteSource& source, std::uint64_t offset) {
    if (ahead_ != nullptr) ahead_->stop();  // the source moves: nothing may read it beside
    if (&source != &file_) close();
    begin_ = scan_ = end_ = 0;
    linesEndKnown_ = false;
    bufferOffset_ = lineOffset_ = offset;
    atEnd_ = inPlace_ = failed_ = false;
    if (!source.seek(offset)) {
        close();
        return false;
    }
    std::string_view bytes;
    if (source.takeInPlace(bytes)) {
        text_ = bytes.data() != nullptr ? bytes.data() : "";
        end_ = bytes.size();
        atEnd_ = inPlace_ = true;
        return true;
    }
    source_ = &source;
    if (capacity_ == 0) {
        buffer_.reset(new char[kKeepRoom + kBlockSize]);
        capacity_ = kKeepRoom + kBlockSize;
    }
    text_ = buffer_.get();
    // The text starts after the room kept before it. Offsets count modulo 2^64: the
    // buffer's first byte may lie "before" the file's.
    begin_ = scan_ = end_ = kKeepRoom;
    bufferOffset_ = offset - kKeepRoom;
    // The first read tells a folder (which opens but cannot be read) from a file.
    fill();
    if (!failed_) return true;
    close();
    return false;
}

// Moves the unread text to the front, after the room kept there, and reads more behind
// it; grows the buffer only when one line fills it. Read ahead, a block read is taken
// whole, the unread text put before it.
bool LineReader::fill() {
    if (atEnd_) return false;
    linesEndKnown_ = false;
    const bool ahead = ahead_ != nullptr && ahead_->running();
    if (ahead && end_ - begin_ + kKeepRoom <= ReadAhead::kHeadroom) return takeBlockAhead();
    if (begin_ != kKeepRoom) {
        std::memmove(buffer_.get() + kKeepRoom, text_ + begin_, end_ - begin_);
        bufferOffset_ += begin_ - kKeepRoom;
        end_ = kKeepRoom + (end_ - begin_);
        scan_ = kKeepRoom + (std::max(scan_, begin_) - begin_);
        begin_ = kKeepRoom;
    }
    if (end_ == capacity_) growBuffer(capacity_ * 2);
    char* const into = buffer_.get() + end_;
    const std::size_t got =
        ahead ? ahead_->read(into, capacity_ - end_) : source_->read(into, capacity_ - end_);
    end_ += got;
    if (got == 0) {
        atEnd_ = true;
        failed_ = ahead ? ahead_->failed() : source_->failed();
        close();
        return false;
    }
    return true;
}

void LineReader::growBuffer(std::size_t capacity) {
    std::unique_ptr<char[]> larger(new char[capacity]);
    std::memcpy(larger.get(), buffer_.get(), end_);
    buffer_ = std::move(larger);
    text_ = buffer_.get();
    capacity_ = capacity;
}

bool LineReader::takeBlockAhead() {
    std::unique_ptr<char[]> block;
    std::size_t capacity = 0;
    std::string_view bytes;
    if (!ahead_->takeBlock(block, capacity, bytes)) {
        atEnd_ = true;
        failed_ = ahead_->failed();
        close();
        return false;
    }
    const std::size_t tail = end_ - begin_;
    const std::size_t scanned = std::max(scan_, begin_) - begin_;
    const std::uint64_t tailOffset = bufferOffset_ + begin_;
    const auto at = static_cast<std::size_t>(bytes.data() - block.get()) - tail;
    std::memcpy(block.get() + at, text_ + begin_, tail);
    ahead_->giveBack(std::move(buffer_), capacity_);
    buffer_ = std::move(block);
    capacity_ = capacity;
    text_ = buffer_.get();
    begin_ = at;
    scan_ = at + scanned;
    end_ = at + tail + bytes.size();
    bufferOffset_ = tailOffset - at;
    return true;
}

bool LineReader::readAheadOn(const SecondThread* thread) {
    // Started again, the blocks read ahead and not yet taken would be lost.
    if (ahead_ != nullptr && ahead_->running()) return true;
    if (source_ == nullptr || atEnd_ || thread == nullptr || !source_->regularFile()) return false;
    if (ahead_ == nullptr) ahead_ = std::make_unique<ReadAhead>();
    // The buffer goes to the lent thread in exchange for a block: it must hold one.
    if (capacity_ < ReadAhead::kBufferBytes) growBuffer(ReadAhead::kBufferBytes);
    return ahead_->start(*source_, thread);
}

bool LineReader::nextBlockAfter(std::string_view kept, std::string_view& block) {
    // `kept` may lie where the next block goes.
    char keep[kKeepRoom];
    const std::size_t keptSize = std::min(kept.size(), kKeepRoom);
    if (keptSize != 0) std::memcpy(keep, kept.data(), keptSize);
    const bool more = begin_ != end_ || fill();
    // Before begin_ lie the room kept or text given already: either may be written.
    char* const front = buffer_.get() + begin_ - keptSize;
    if (keptSize != 0) std::memcpy(front, keep, keptSize);
    block = std::string_view(front, keptSize + (end_ - begin_));
    lineOffset_ = bufferOffset_ + begin_ - keptSize;
    begin_ = scan_ = end_;
    return more;
}

bool LineReader::nextBlock(std::string_view& block) {
    if (begin_ == end_ && !fill()) return false;
    block = std::string_view(text_ + begin_, end_ - begin_);
    lineOffset_ = bufferOffset_ + begin_;
    begin_ = scan_ = end_;
    return true;
}

bool LineReader::next(std::string_view& line) {
    for (;;) {
        const char* base = text_;
        const char* lf = findLineFeed(base + scan_, base + end_);
        if (lf != nullptr) {
            std::size_t stop = static_cast<std::size_t>(lf - base);
            std::size_t length = stop - begin_;
            if (length > 0 && base[stop - 1] == '\r') --length;
            ending_ = stop + 1 - begin_ - length;
            line = std::string_view(base + begin_, length);
            lineOffset_ = bufferOffset_ + begin_;
            begin_ = scan_ = stop + 1;
            return true;
        }
        scan_ = end_;
        if (fill()) continue;
        if (begin_ == end_) return false;
        line = std::string_view(text_ + begin_, end_ - begin_);
        ending_ = 0;
        lineOffset_ = bufferOffset_ + begin_;
        begin_ = scan_ = end_;
        return true;
    }
}

std::string_view LineReader::linesAtHand() {
    if (!linesEndKnown_) {
        // Back from the end to the last LF; none stands in [begin_, scan_), and the text
        // before begin_ was given already.
        const std::size_t from = std::max(begin_, scan_);
        std::size_t stop = end_;
        while (stop > from && text_[stop - 1] != '\n') --stop;
        linesEnd_ = stop > from ? stop : 0;
        linesEndKnown_ = true;
    }
    return std::string_view(text_ + begin_, linesEnd_ > begin_ ? linesEnd_ - begin_ : 0);
}

std::uint64_t LineReader::passLinesWithout(char a, char b, char c) {
    std::uint64_t passed = 0;
    for (;;) {
        const char* const base = text_;
        // The lines up to the last LF are passed; the one it opens is not, unless the
        // file ends in it. (With no LF, the next line starts where it did.)
        std::size_t nextLine = begin_;
        std::uint64_t lineFeeds = 0;
        const char* const mark =
            findMarkCountingLines(base, begin_, end_, a, b, c, lineFeeds, nextLine);
        passed += lineFeeds;
        begin_ = scan_ = nextLine;
        if (mark != base + end_) return passed;
        if (fill()) continue;
        if (begin_ != end_) {
            ++passed;  // the last line, without an LF, holds none either
            begin_ = scan_ = end_;
        }
        return passed;
    }
}

}  // namespace tessaryn
