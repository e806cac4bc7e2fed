#include "base/byte_source.h"

#include <cerrno>
#include <cstring>

#include "base/file_system.h"

namespace tessaryn {

ByteSource::~ByteSource() {
    close();
}

void ByteSource::close() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    path_.clear();
    memory_ = std::string_view();
    base_ = size_ = next_ = 0;
    position_ = UINT64_MAX;
    sized_ = true;
    failed_ = false;
}

// Blocks go straight into the reader's buffer; stdio's own would only add a copy.
bool ByteSource::openUnbuffered(const char* path) {
    close();
    errno = 0;
    file_ = std::fopen(path, "rb");
    if (file_ == nullptr) return false;
    std::setvbuf(file_, nullptr, _IONBF, 0);
    return true;
}

bool ByteSource::openFile(const char* path) {
    if (!openUnbuffered(path)) return false;
    path_ = path;
    if (fileSize(file_, size_)) return true;
    if (errno == 0) errno = EISDIR;
    return false;
}

bool ByteSource::openAgain(const ByteSource& other) {
    if (&other == this || !other.sized_) return false;
    if (other.file_ == nullptr) {
        openMemory(other.memory_);
    } else if (other.path_.empty() || !openFile(other.path_.c_str()) ||
               !sameOpenFile(file_, other.file_)) {
        close();  // not there, or another file in its place now
        return false;
    }
    if (size_ < other.base_ || size_ - other.base_ < other.size_) {
        close();
        return false;
    }
    base_ = other.base_;
    size_ = other.size_;
    return true;
}

bool ByteSource::openStream(const char* path) {
    if (!openUnbuffered(path)) return false;
    sized_ = false;
    position_ = 0;  // known without asking: a pipe could not be asked
    return true;
}

bool ByteSource::regularFile() const {
    std::uint64_t bytes = 0;
    return file_ != nullptr && fileSize(file_, bytes);
}

void ByteSource::openMemory(std::string_view bytes) {
    close();
    memory_ = bytes;
    size_ = bytes.size();
}

// Reads that follow each other need no seek, and a pipe, which cannot seek, only ever
// gets reads that follow each other.
std::size_t ByteSource::readFile(std::uint64_t at, void* into, std::size_t count) {
    if (position_ != at && !seekFile(file_, at)) {
        position_ = UINT64_MAX;
        failed_ = true;
        return 0;
    }
    const std::size_t got = std::fread(into, 1, count, file_);
    position_ = at + got;
    if (std::ferror(file_) != 0) failed_ = true;
    return got;
}

bool ByteSource::readAt(std::uint64_t offset, void* into, std::size_t count) {
    if (!sized_ || offset > size_ || count > size_ - offset) return false;
    if (count == 0) return true;
    if (file_ == nullptr) {
        std::memcpy(into, memory_.data() + static_cast<std::size_t>(base_ + offset), count);
        return true;
    }
    if (readFile(base_ + offset, into, count) == count) return true;
    // Fewer bytes than the size promised: the file shrank, or the disk failed.
    failed_ = true;
    return false;
}

bool ByteSource::seek(std::uint64_t offset) {
    if (sized_ && offset > size_) return false;
    if (file_ != nullptr && position_ != base_ + offset) {
        if (!seekFile(file_, base_ + offset)) return false;
        position_ = base_ + offset;
    }
    next_ = offset;
    return true;
}

std::size_t ByteSource::read(void* into, std::size_t count) {
    if (sized_ && count > size_ - next_) count = static_cast<std::size_t>(size_ - next_);
    if (count == 0) return 0;
    if (file_ == nullptr) {
        std::memcpy(into, memory_.data() + static_cast<std::size_t>(base_ + next_), count);
        next_ += count;
        return count;
    }
    const std::size_t got = readFile(base_ + next_, into, count);
    next_ += got;
    // A sized file that ends before its size shrank while it was read.
    if (got < count && sized_) failed_ = true;
    return got;
}

bool ByteSource::takeInPlace(std::string_view& bytes) {
    if (file_ != nullptr) return false;
    bytes = memory_.substr(static_cast<std::size_t>(base_ + next_),
                           static_cast<std::size_t>(size_ - next_));
    next_ = size_;
    return true;
}

bool ByteSource::narrow(std::uint64_t offset, std::uint64_t count) {
    if (!sized_ || offset > size_ || count > size_ - offset) return false;
    base_ += offset;
    size_ = count;
    next_ = 0;
    return true;
}

}  // namespace tessaryn
