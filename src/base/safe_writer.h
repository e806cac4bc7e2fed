// Writes a new version of a file so that the old one is never lost: everything goes to
// a temporary file beside the destination, which replaces the destination only when
// every write and the close have succeeded and the contents are on the disk. Until
// then, and on any failure, the destination stays exactly as it was and the temporary
// file is removed. Where the system allows (Linux), the temporary file has no name
// until it is complete, so that a killed process leaves nothing behind.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <memory>
#include <string_view>

#include "base/file_system.h"

namespace tessaryn {

class SafeWriter {
public:
    SafeWriter() = default;
    SafeWriter(const SafeWriter&) = delete;
    SafeWriter& operator=(const SafeWriter&) = delete;
    ~SafeWriter();

    // False when the destination cannot be written; nothing has been changed then, and
    // errno holds the system's reason (0 for a destination refused by its kind or
    // permission bits alone: a folder, a read-only file).
    bool open(const char* destination);
    void write(std::string_view bytes);
    // Writes `bytes` to the file at once, after what write() has buffered, without copying
    // them into the buffer: for blocks of text made elsewhere, so that the thread that made
    // a block also pays for its copy into the file.
    void writeThrough(std::string_view bytes);
    // The line followed by CR LF, the line break of every text file written.
    void writeLine(std::string_view line);
    // Writes `bytes` at `offset` of the file, after what write() has buffered; a later
    // write() goes on behind them. A writer that fills several parts of a file at once
    // uses only this one.
    void writeAt(std::uint64_t offset, std::string_view bytes);
    // Moves the finished file into place. False on any earlier or present failure,
    // and then the destination is untouched and errno holds the reason the first failing
    // call gave (a full disk's ENOSPC from a write or the sync), not what the clean-up met.
    bool commit();

private:
    void flush();
    void written(std::size_t bytes);
    void abandon();
    void fail();

    Destination destination_;
    std::string temporaryPath_;  // empty while the file has no name
    std::FILE* file_ = nullptr;
    std::unique_ptr<char[]> buffer_;  // left uninitialised: only used_ bytes count
    std::size_t used_ = 0;
    std::uint64_t unstarted_ = 0;  // bytes written since the last startWriteOut
    bool failed_ = false;
    int error_ = 0;  // errno of the first failing call
};

}  // namespace tessaryn
