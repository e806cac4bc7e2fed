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

}  // namespace byte_search
}  // namespace tessaryn
