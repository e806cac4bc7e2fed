#include "base/line_reader.h"

#include <cerrno>
#include <cstring>
#include <new>

#include "base/byte_search.h"
#include "base/file_system.h"

namespace tessaryn {

namespace {
constexpr std::size_t kBlockSize = std::size_t{1} << 20;
}

LineReader::~LineReader() {
    close();
}

void LineReader::close() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
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
    begin_ = scan_ = end_ = 0;
    bufferOffset_ = lineOffset_ = offset;
    atEnd_ = failed_ = false;
    errno = 0;
    file_ = std::fopen(path, "rb");
    // Exhausted memory is not an unreadable file: it must reach the caller as such.
    if (file_ == nullptr && errno == ENOMEM) throw std::bad_alloc();
    if (file_ == nullptr) return false;
    // Blocks go straight into our buffer; stdio's own buffer would only add a copy.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    if (offset > 0 && !seekFile(file_, offset)) {
        close();
        return false;
    }
    if (capacity_ == 0) {
        buffer_.reset(new char[kBlockSize]);
        capacity_ = kBlockSize;
    }
    // The first read tells a folder (which opens but cannot be read) from a file.
    fill();
    if (!failed_) return true;
    close();
    return false;
}

void LineReader::openText(std::string_view text) {
    close();
    capacity_ = text.empty() ? 1 : text.size();
    buffer_.reset(new char[capacity_]);
    if (!text.empty()) std::memcpy(buffer_.get(), text.data(), text.size());
    begin_ = scan_ = 0;
    bufferOffset_ = lineOffset_ = 0;
    end_ = text.size();
    atEnd_ = true;  // nothing more to read: fill() gives no more text
    failed_ = false;
}

// Moves the unread text to the front and reads more behind it; grows the buffer only
// when one line fills it.
bool LineReader::fill() {
    if (atEnd_) return false;
    if (begin_ > 0) {
        std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
        bufferOffset_ += begin_;
        end_ -= begin_;
        scan_ -= begin_;
        begin_ = 0;
    }
    if (end_ == capacity_) {
        std::unique_ptr<char[]> larger(new char[capacity_ * 2]);
        std::memcpy(larger.get(), buffer_.get(), end_);
        buffer_ = std::move(larger);
        capacity_ *= 2;
    }
    std::size_t got = std::fread(buffer_.get() + end_, 1, capacity_ - end_, file_);
    end_ += got;
    if (got == 0) {
        atEnd_ = true;
        failed_ = std::ferror(file_) != 0;
        close();
        return false;
    }
    return true;
}

bool LineReader::nextBlock(std::string_view& block) {
    if (begin_ == end_ && !fill()) return false;
    block = std::string_view(buffer_.get() + begin_, end_ - begin_);
    lineOffset_ = bufferOffset_ + begin_;
    begin_ = scan_ = end_;
    return true;
}

bool LineReader::next(std::string_view& line) {
    for (;;) {
        const char* base = buffer_.get();
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
        line = std::string_view(buffer_.get() + begin_, end_ - begin_);
        ending_ = 0;
        lineOffset_ = bufferOffset_ + begin_;
        begin_ = scan_ = end_;
        return true;
    }
}

}  // namespace tessaryn
