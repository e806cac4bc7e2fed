// Little-endian loads and a bounded cursor over bytes already read from a crate file, and
// the one way bytes are read from the file into memory. Every count and offset the file
// gives is a std::uint64_t and is checked against what is there before it is used, so
// that damaged data cannot make a read pass an end nor an allocation outgrow the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "base/byte_source.h"
#include "base/little_endian.h"

namespace tessaryn {

// Hands out bytes without zeroing them first: every buffer here is filled by a read or a
// decoder right away, and the untouched tail of a generous decode buffer then costs no
// pages at all.
template <typename T>
struct UnzeroedAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = UnzeroedAllocator<U>;
    };
    UnzeroedAllocator() = default;
    template <typename U>
    explicit UnzeroedAllocator(const UnzeroedAllocator<U>&) noexcept {}
    template <typename U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

using Bytes = std::vector<unsigned char, UnzeroedAllocator<unsigned char>>;

template <typename Word>
Word loadLittle(const unsigned char* p) {
    Word word = 0;
    std::memcpy(&word, p, sizeof word);  // little-endian, as base/little_endian.h holds
    return word;
}

// Reads forward through [data, data + size); a failed take leaves the position as it was.
struct ByteCursor {
    const unsigned char* data = nullptr;
    std::uint64_t size = 0;
    std::uint64_t at = 0;

    std::uint64_t remaining() const { return size - at; }
    const unsigned char* here() const { return data + at; }

    bool skip(std::uint64_t count) {
        if (count > remaining()) return false;
        at += count;
        return true;
    }
    template <typename Word>
    bool take(Word& word) {
        if (remaining() < sizeof(Word)) return false;
        word = loadLittle<Word>(data + at);
        at += sizeof(Word);
        return true;
    }
};

inline ByteCursor cursorOver(const Bytes& bytes) {
    return ByteCursor{bytes.data(), bytes.size(), 0};
}

// Reads `count` bytes at `offset` into `into`, refusing before it allocates anything a
// count the source cannot hold (or the address space cannot: 32-bit builds).
inline bool readBytes(ByteSource& source, std::uint64_t offset, std::uint64_t count, Bytes& into) {
    if (offset > source.size() || count > source.size() - offset) return false;
    if (count > SIZE_MAX / 2) return false;
    into.resize(static_cast<std::size_t>(count));
    return source.readAt(offset, into.data(), into.size());
}

template <typename Word>
bool readWord(ByteSource& source, std::uint64_t offset, Word& word) {
    unsigned char bytes[sizeof(Word)];
    if (!source.readAt(offset, bytes, sizeof bytes)) return false;
    word = loadLittle<Word>(bytes);
    return true;
}

}  // namespace tessaryn
