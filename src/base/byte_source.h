// The bytes of a file, or of memory, for every reader of the library: read at any offset,
// for a reader that jumps about a binary file (a table of contents at its end, sections
// anywhere), or in order from a position, for the text readers that stream a file in
// large blocks. Memory is what tests and fuzz targets hand a reader; a reader that can
// take the bytes where they lie does, without a copy. A source may be narrowed to a part
// of it, a layer stored inside a package, and offsets then count from that part's first
// byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace tessaryn {

class ByteSource {
public:
    ByteSource() = default;
    ByteSource(const ByteSource&) = delete;
    ByteSource& operator=(const ByteSource&) = delete;
    ~ByteSource();

    // False, with the C library's error number set, when the file cannot be opened or
    // its size cannot be told (a folder, a pipe).
    bool openFile(const char* path);
    // A file read in order only, to its end whatever its size was at opening: a pipe or
    // a device too. False, with the C library's error number set, when it cannot be
    // opened; a folder opens, and its first read fails. size() and readAt() do not apply.
    bool openStream(const char* path);
    // Reads `bytes` where they lie; they must outlive the source.
    void openMemory(std::string_view bytes);
    // Opens what `other` holds a second time, narrowed alike, for another thread to read
    // beside it: the same memory, or its file again by the path it was opened by. False
    // for a stream, or a file that cannot be opened again, is another file now (one
    // renamed into its place) or is shorter.
    bool openAgain(const ByteSource& other);
    // Closes the file, if any; the source then holds nothing.
    void close();

    // The bytes the source holds (after narrow, the part's).
    std::uint64_t size() const { return size_; }
    // Copies `count` bytes from `offset` into `into`. False when they reach past the end
    // or the file cannot be read (then failed() tells).
    bool readAt(std::uint64_t offset, void* into, std::size_t count);
    // Moves the position that read() starts from; false when it lies past the end, or
    // the file cannot seek there.
    bool seek(std::uint64_t offset);
    // Copies up to `count` bytes from the position into `into` and moves the position on:
    // how many, fewer only at the end. 0 at the end, or when the read failed (failed()).
    std::size_t read(void* into, std::size_t count);
    // For a memory source, the bytes from the position to the end, to be read where they
    // lie, and the position moves to the end. False for a file, and nothing moves.
    bool takeInPlace(std::string_view& bytes);
    // Narrows the source to `count` bytes from `offset`; false when they reach past the end.
    bool narrow(std::uint64_t offset, std::uint64_t count);
    // True when a read of the file failed: what was read is not to be trusted.
    bool failed() const { return failed_; }
    // True for a file the system holds whole, ever ready to read: not memory, nor a pipe
    // or a device, whose next read may wait on a writer.
    bool regularFile() const;

private:
    bool openUnbuffered(const char* path);
    std::size_t readFile(std::uint64_t at, void* into, std::size_t count);

    std::FILE* file_ = nullptr;
    std::string path_;  // the file's, when opened by openFile
    std::string_view memory_;
    std::uint64_t base_ = 0;  // where offset 0 lies in the file or the memory
    std::uint64_t size_ = 0;
    std::uint64_t position_ = UINT64_MAX;  // the file's position, when known
    std::uint64_t next_ = 0;               // where read() goes on, from offset 0
    bool sized_ = true;                    // false for a stream: read() goes on to its end
    bool failed_ = false;
};

}  // namespace tessaryn
