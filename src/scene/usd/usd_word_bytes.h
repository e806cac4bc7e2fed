// Eight bytes of a layer looked at together, or sixteen (numberTextBlock): the arrays of a
// large mesh are hundreds of megabytes of digits, blanks, commas and parentheses, and a
// word that holds nothing else can be passed, or have its parentheses counted, in a few
// operations instead of eight trips through a loop. Words are loaded little-endian
// (little_endian.h); the numbers in them are read by leadingDigits (numbers.h).
#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/byte_search.h"
#include "base/little_endian.h"

namespace tessaryn {

using byte_search::bitsSet;
using byte_search::bytesAtLeast;
using byte_search::bytesEqual;
using byte_search::kHighBits;
using byte_search::markedBytes;

// The high bit of each byte that can stand in a numeric array between its brackets: a
// blank, a digit, or one of ( ) * + , - . (and no '/', which may start a comment).
inline std::uint64_t numberTextBytes(std::uint64_t word) {
    const std::uint64_t inRange = bytesAtLeast(word, 0x28) & ~bytesAtLeast(word, 0x3A);
    return (inRange & ~bytesEqual(word, '/')) | bytesEqual(word, ' ');
}

// Sixteen bytes looked at together: whether all are number text as above, and how many
// are '(' and ')'. Where the processor compares sixteen bytes at once (SSE2, every 64-bit
// x86) that is a few instructions; elsewhere two words as above.
struct NumberTextBlock {
    bool numberText = false;
    unsigned opens = 0;
    unsigned closes = 0;
};

inline NumberTextBlock numberTextBlock(const char* p) {
    NumberTextBlock block;
#if defined(__SSE2__)
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    // A byte from 0x28 to 0x39 is one that 0x28 taken from leaves at most 0x11.
    const __m128i above = _mm_sub_epi8(bytes, _mm_set1_epi8(0x28));
    const __m128i inRange = _mm_cmpeq_epi8(_mm_min_epu8(above, _mm_set1_epi8(0x11)), above);
    const __m128i slash = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('/'));
    const __m128i blank = _mm_cmpeq_epi8(bytes, _mm_set1_epi8(' '));
    const __m128i number = _mm_or_si128(_mm_andnot_si128(slash, inRange), blank);
    if (_mm_movemask_epi8(number) != 0xFFFF) return block;
    const auto opens =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('('))));
    const auto closes =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(')'))));
    // Counted only where there are any: most blocks of an integer array hold none.
    if ((opens | closes) != 0) {
        block.opens = bitsSet(opens);
        block.closes = bitsSet(closes);
    }
#else
    const std::uint64_t first = loadWord(p);
    const std::uint64_t second = loadWord(p + 8);
    if ((numberTextBytes(first) & numberTextBytes(second)) != kHighBits) return block;
    block.opens = markedBytes(bytesEqual(first, '(')) + markedBytes(bytesEqual(second, '('));
    block.closes = markedBytes(bytesEqual(first, ')')) + markedBytes(bytesEqual(second, ')'));
#endif
    block.numberText = true;
    return block;
}

// Whether the 64 bytes at `p` are all number text as above but for parentheses: the long
// runs of an integer array (a mesh's face indices), passed whole without counting.
inline bool plainNumberText64(const char* p) {
#if defined(__SSE2__)
    __m128i all = _mm_set1_epi8(-1);
    for (int at = 0; at < 64; at += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at));
        // A byte from 0x2A ('*') to 0x39 is one that 0x2A taken from leaves at most 0x0F.
        const __m128i above = _mm_sub_epi8(bytes, _mm_set1_epi8(0x2A));
        const __m128i inRange = _mm_cmpeq_epi8(_mm_min_epu8(above, _mm_set1_epi8(0x0F)), above);
        const __m128i slash = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('/'));
        const __m128i blank = _mm_cmpeq_epi8(bytes, _mm_set1_epi8(' '));
        all = _mm_and_si128(all, _mm_or_si128(_mm_andnot_si128(slash, inRange), blank));
    }
    return _mm_movemask_epi8(all) == 0xFFFF;
#else
    std::uint64_t all = kHighBits;
    for (int at = 0; at < 64; at += 8) {
        const std::uint64_t word = loadWord(p + at);
        all &= numberTextBytes(word) & ~bytesEqual(word, '(') & ~bytesEqual(word, ')');
    }
    return all == kHighBits;
#endif
}

}  // namespace tessaryn
