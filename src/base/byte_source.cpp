#include "base/byte_source.h"

#include <cerrno>
#include <cstring>

#include "base/file_system.h"

namespace tessaryn {

ByteSource::~ByteSource() {
    if (file_ != nullptr) std::fclose(file_);
}

bool ByteSource::openFile(const char* path) {
    errno = 0;
    file_ = std::fopen(path, "rb");
    if (file_ == nullptr) return false;
    std::setvbuf(file_, nullptr, _IONBF, 0);
    if (!fileSize(file_, size_)) {
        if (errno == 0) errno = EISDIR;
        return false;
    }
    base_ = 0;
    position_ = UINT64_MAX;
    return true;
}

void ByteSource::openMemory(std::string_view bytes) {
    memory_ = bytes;
    base_ = 0;
    size_ = bytes.size();
}

bool ByteSource::readAt(std::uint64_t offset, void* into, std::size_t count) {
    if (offset > size_ || count > size_ - offset) return false;
    if (count == 0) return true;
    if (file_ == nullptr) {
        std::memcpy(into, memory_.data() + static_cast<std::size_t>(base_ + offset), count);
        return true;
    }
    const std::uint64_t at = base_ + offset;
    // Reads that follow each other need no seek.
    if (position_ != at && !seekFile(file_, at)) {
        position_ = UINT64_MAX;
        failed_ = true;
        return false;
    }
    const std::size_t got = std::fread(into, 1, count, file_);
    position_ = at + got;
    if (got == count) return true;
    // Fewer bytes than the size promised: the file shrank, or the disk failed.
    failed_ = true;
    return false;
}

bool ByteSource::narrow(std::uint64_t offset, std::uint64_t count) {
    if (offset > size_ || count > size_ - offset) return false;
    base_ += offset;
    size_ = count;
    return true;
}

}  // namespace tessaryn
