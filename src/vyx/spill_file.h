// Records set aside by the first read of the Vyx conversion for its second: the faces
// and colours as read, so that the second pass copies them back instead of reading and
// parsing the OBJ's text again. It is the system's temporary file (std::tmpfile: no
// name, or deleted when closed), which lives in the file cache rather than in the
// process's memory, and leaves nothing behind.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>

namespace tessaryn {

class SpillFile {
public:
    SpillFile() = default;
    SpillFile(const SpillFile&) = delete;
    SpillFile& operator=(const SpillFile&) = delete;
    ~SpillFile();

    // False when the system gives no temporary file.
    bool open();
    bool isOpen() const { return file_ != nullptr; }
    // Adds a record; a failure shows in rewind().
    template <typename T>
    void append(const T& record) {
        if (sizeof(T) > kCapacity - used_) flushAppended();
        std::memcpy(buffer_.get() + used_, &record, sizeof(T));
        used_ += sizeof(T);
    }
    // Ends the appending and goes back to the first record. False when a write failed.
    bool rewind();
    // The next record, in the order appended. False at the end or on a read failure.
    template <typename T>
    bool take(T& record) {
        if (sizeof(T) > used_ - taken_ && !refill(sizeof(T))) return false;
        std::memcpy(&record, buffer_.get() + taken_, sizeof(T));
        taken_ += sizeof(T);
        return true;
    }

private:
    static constexpr std::size_t kCapacity = std::size_t{256} << 10;

    void flushAppended();
    bool refill(std::size_t wanted);

    std::FILE* file_ = nullptr;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;   // appending: bytes waiting; taking: bytes in the buffer
    std::size_t taken_ = 0;  // taking: bytes of the buffer already given out
    bool failed_ = false;
};

}  // namespace tessaryn
