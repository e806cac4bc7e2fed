// Eight bytes of a layer looked at together: the arrays of a large mesh are hundreds of
// megabytes of digits, blanks, commas and parentheses, and a word that holds nothing else
// can be passed, or have its parentheses counted, in a few operations instead of eight
// trips through a loop. Only the counting is independent of byte order; the number reader
// that takes digits from a word is for little-endian machines, and byte loops stand in
// elsewhere.
#pragma once

#include <cstdint>

#include "base/byte_search.h"

namespace tessaryn {

#if defined(_WIN32) || (defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__)
constexpr bool kLittleEndian = true;
#else
constexpr bool kLittleEndian = false;
#endif

using byte_search::kHighBits;
using byte_search::loadWord;
constexpr std::uint64_t kEachByte = byte_search::kOnes;

// The high bit of each byte of `word` that equals `c`, and no other bit.
inline std::uint64_t bytesEqual(std::uint64_t word, unsigned char c) {
    const std::uint64_t x = word ^ (kEachByte * c);
    return ~(((x & ~kHighBits) + ~kHighBits) | x) & kHighBits;
}

// The high bit of each byte below 0x80 that is at least `low` (itself below 0x80).
inline std::uint64_t bytesAtLeast(std::uint64_t word, unsigned char low) {
    return ((word & ~kHighBits) + kEachByte * (0x80u - low)) & ~word & kHighBits;
}

// The high bit of each byte that can stand in a numeric array between its brackets: a
// blank, a digit, or one of ( ) * + , - . (and no '/', which may start a comment).
inline std::uint64_t numberTextBytes(std::uint64_t word) {
    const std::uint64_t inRange = bytesAtLeast(word, 0x28) & ~bytesAtLeast(word, 0x3A);
    return (inRange & ~bytesEqual(word, '/')) | bytesEqual(word, ' ');
}

// How many bytes a mask of high bits marks.
inline unsigned markedBytes(std::uint64_t mask) {
    return static_cast<unsigned>(((mask >> 7) * kEachByte) >> 56);
}

// The digits at `p` (eight bytes readable) read as a number, when fewer than eight stand
// there: their count goes to `length`, 0 when there are eight or more (or none) and a
// byte loop must read them. Little-endian machines only.
inline std::uint64_t readShortNumber(const char* p, unsigned& length) {
    const std::uint64_t digits = loadWord(p) ^ (kEachByte * '0');  // a digit's byte is its value
    // The high bit of every byte that is not a digit, and the bits below the first such.
    const std::uint64_t other =
        (((digits & ~kHighBits) + kEachByte * (0x80u - 10)) | digits) & kHighBits;
    length = markedBytes((other - 1) & ~other & kHighBits);
    if (other == 0 || length == 0) {
        length = 0;
        return 0;
    }
    // The digits moved to the top, zeros before them, then added up in pairs, fours and
    // eights: the first byte is the most significant digit.
    std::uint64_t value = digits << (64 - 8 * length);
    value = ((value & 0x0F0F0F0F0F0F0F0Fu) * 2561) >> 8;
    value = ((value & 0x00FF00FF00FF00FFu) * 6553601) >> 16;
    return ((value & 0x0000FFFF0000FFFFu) * 42949672960001u) >> 32;
}

}  // namespace tessaryn
