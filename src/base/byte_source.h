// The bytes of a file, or of memory, read at any offset: for a reader that jumps about a
// binary file (a table of contents at its end, sections anywhere) and for tests and fuzz
// targets that hand a reader bytes they hold. A source may be narrowed to a part of it,
// a layer stored inside a package, and offsets then count from that part's first byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

namespace tessaryn {

class ByteSource {
public:
    ByteSource() = default;
    ByteSource(const ByteSource&) = delete;
    ByteSource& operator=(const ByteSource&) = delete;
    ~ByteSource();

    // False, with the C library's error number set, when the file cannot be opened or
    // its size cannot be told (a folder).
    bool openFile(const char* path);
    // Reads `bytes` where they lie; they must outlive the source.
    void openMemory(std::string_view bytes);

    // The bytes the source holds (after narrow, the part's).
    std::uint64_t size() const { return size_; }
    // Copies `count` bytes from `offset` into `into`. False when they reach past the end
    // or the file cannot be read (then failed() tells).
    bool readAt(std::uint64_t offset, void* into, std::size_t count);
    // Narrows the source to `count` bytes from `offset`; false when they reach past the end.
    bool narrow(std::uint64_t offset, std::uint64_t count);
    // True when a read of the file failed: what was read is not to be trusted.
    bool failed() const { return failed_; }

private:
    std::FILE* file_ = nullptr;
    std::string_view memory_;
    std::uint64_t base_ = 0;  // where offset 0 lies in the file or the memory
    std::uint64_t size_ = 0;
    std::uint64_t position_ = UINT64_MAX;  // the file's position, when known
    bool failed_ = false;
};

}  // namespace tessaryn
