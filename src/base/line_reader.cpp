#include "base/line_reader.h"

#include <cerrno>
#include <cstring>
#include <new>

#include "base/byte_search.h"

namespace tessaryn {

namespace {
constexpr std::size_t kBlockSize = std::size_t{1} << 20;
}

LineReader::~LineReader() {
    close();
}

void LineReader::close() {
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
    if (&source != &file_) close();
    begin_ = scan_ = end_ = 0;
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
        buffer_.reset(new char[kBlockSize]);
        capacity_ = kBlockSize;
    }
    text_ = buffer_.get();
    // The first read tells a folder (which opens but cannot be read) from a file.
    fill();
    if (!failed_) return true;
    close();
    return false;
}

// Moves the unread text to the front and reads more behind it; grows the buffer only
// when one line fills it.
bool LineReader::fill() {
    if (atEnd_) return false;
    if (begin_ > 0) {
        std::memmove(buffer_.get(), text_ + begin_, end_ - begin_);
        bufferOffset_ += begin_;
        end_ -= begin_;
        scan_ -= begin_;
        begin_ = 0;
    }
    if (end_ == capacity_) {
        std::unique_ptr<char[]> larger(new char[capacity_ * 2]);
        std::memcpy(larger.get(), buffer_.get(), end_);
        buffer_ = std::move(larger);
        text_ = buffer_.get();
        capacity_ *= 2;
    }
    const std::size_t got = source_->read(buffer_.get() + end_, capacity_ - end_);
    end_ += got;
    if (got == 0) {
        atEnd_ = true;
        failed_ = source_->failed();
        close();
        return false;
    }
    return true;
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

}  // namespace tessaryn
