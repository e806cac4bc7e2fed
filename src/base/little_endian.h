// The one place that holds the library to little-endian processors, the x86 and x64 it
// is built for: the Vyx writer writes its records as they lie in memory, and the text
// readers that look at eight bytes at a time take a word's lowest byte as the first of
// the text. A build for any other byte order stops here.
#pragma once

#include <cstdint>
#include <cstring>

#if !defined(_WIN32) && !(defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__)
#error "TessarynDLL needs a little-endian processor"
#endif

namespace tessaryn {

// Eight bytes of text, the first in the lowest byte; `p` needs no alignment.
inline std::uint64_t loadWord(const char* p) {
    std::uint64_t bytes = 0;
    std::memcpy(&bytes, p, sizeof bytes);
    return bytes;
}

}  // namespace tessaryn
