// One block's payload written at its own place in the file, through a buffer of its
// own: a pass over the OBJ fills several blocks at once, each where the file's layout
// puts it, and none of them is held in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "base/safe_writer.h"

namespace tessaryn {

class BlockStream {
public:
    BlockStream() = default;
    // Records go to `out` from `offset` on; without `out` they are only counted.
    BlockStream(SafeWriter* out, std::uint64_t offset);
    BlockStream(const BlockStream&) = delete;
    BlockStream& operator=(const BlockStream&) = delete;

    template <typename T>
    void put(const T& record) {
        ++count_;
        if (out_ == nullptr) return;
        if (sizeof(T) > kCapacity - used_) flush();
        std::memcpy(buffer_.get() + used_, &record, sizeof(T));
        used_ += sizeof(T);
    }
    // Writes what waits in the buffer.
    void flush();
    std::uint64_t count() const { return count_; }

private:
    // Large enough that a write costs little per byte, small enough that a pass with
    // six blocks open holds under 2 MiB.
    static constexpr std::size_t kCapacity = std::size_t{256} << 10;

    SafeWriter* out_ = nullptr;
    std::uint64_t offset_ = 0;  // where the buffer's first byte goes
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
    std::uint64_t count_ = 0;
};

}  // namespace tessaryn
