// Eight bytes of a layer looked at together: the arrays of a large mesh are hundreds of
// megabytes of digits, blanks, commas and parentheses, and a word that holds nothing else
// can be passed, or have its parentheses counted, in a few operations instead of eight
// trips through a loop. Words are loaded little-endian (little_endian.h); the numbers in
// them are read by leadingDigits (numbers.h).
#pragma once

#include <cstdint>

#include "base/byte_search.h"

namespace tessaryn {

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

}  // namespace tessaryn
