// Looking for a few byte values eight bytes at a time with plain arithmetic, for loops
// that see every byte of files of hundreds of megabytes: a call to memchr per short
// line, or a table lookup per byte, costs more.
//
// A zero byte of x = word ^ (the byte in every lane) marks a match: the lowest byte
// flagged by (x - 1s) & ~x & 80s is the first zero (a borrow only flags bytes above
// it, so flags above a true match may be false, never those below). Flags of several
// byte values may be or-ed: the lowest flag is still a true match. Words are loaded
// little-endian (little_endian.h), so that the lowest byte is the first in the text.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/little_endian.h"

namespace tessaryn {
namespace byte_search {

using tessaryn::loadWord;

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

// The high bit of each byte of `word` that may be `byte`; the lowest set one is.
constexpr std::uint64_t flagsOf(std::uint64_t word, unsigned char byte) {
    const std::uint64_t x = word ^ (kOnes * byte);
    return (x - kOnes) & ~x & kHighBits;
}

// The place of the first match among `flags`, which must not be 0.
inline std::size_t firstFlagged(std::uint64_t flags) {
    return static_cast<std::size_t>(__builtin_ctzll(flags) >> 3);
}

// The high bit of each byte of `word` that equals `c`, and no other bit: exact in every
// byte, where flagsOf is exact in the lowest match only.
constexpr std::uint64_t bytesEqual(std::uint64_t word, unsigned char c) {
    const std::uint64_t x = word ^ (kOnes * c);
    return ~(((x & ~kHighBits) + ~kHighBits) | x) & kHighBits;
}

// The high bit of each byte below 0x80 that is at least `low` (itself below 0x80).
constexpr std::uint64_t bytesAtLeast(std::uint64_t word, unsigned char low) {
    return ((word & ~kHighBits) + kOnes * (0x80u - low)) & ~word & kHighBits;
}

// The high bit of each decimal digit of `word`.
constexpr std::uint64_t digitBytes(std::uint64_t word) {
    return bytesAtLeast(word, '0') & ~bytesAtLeast(word, '9' + 1);
}

// The high bit of each byte of `word` that is white space as isStreamSpace tells it:
// blank, and tab to CR.
constexpr std::uint64_t spaceBytes(std::uint64_t word) {
    return bytesEqual(word, ' ') | (bytesAtLeast(word, '\t') & ~bytesAtLeast(word, '\r' + 1));
}

// How many bytes a mask of high bits marks.
constexpr unsigned markedBytes(std::uint64_t mask) {
    return static_cast<unsigned>(((mask >> 7) * kOnes) >> 56);
}

// How many of the low sixteen bits of `mask` are set, without the C library's call that
// a 64-bit x86 build without POPCNT makes of __builtin_popcount.
inline unsigned bitsSet(unsigned mask) {
    mask = mask - ((mask >> 1) & 0x5555u);
    mask = (mask & 0x3333u) + ((mask >> 2) & 0x3333u);
    mask = (mask + (mask >> 4)) & 0x0F0Fu;
    return (mask + (mask >> 8)) & 0x1Fu;
}

}  // namespace byte_search
}  // namespace tessaryn
