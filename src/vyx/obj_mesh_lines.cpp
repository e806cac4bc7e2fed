#include "vyx/obj_mesh_lines.h"

namespace tessaryn {

namespace {

// The value of each character as a hexadecimal digit, or -1.
struct HexDigits {
    std::int8_t value[256];
    constexpr HexDigits() : value() {
        for (int c = 0; c < 256; ++c) {
            value[c] = c >= '0' && c <= '9'   ? static_cast<std::int8_t>(c - '0')
                       : c >= 'a' && c <= 'f' ? static_cast<std::int8_t>(c - 'a' + 10)
                       : c >= 'A' && c <= 'F' ? static_cast<std::int8_t>(c - 'A' + 10)
                                              : std::int8_t{-1};
        }
    }
    int operator()(char c) const { return value[static_cast<unsigned char>(c)]; }
};
constexpr HexDigits kHexDigit;

}  // namespace

std::uint8_t hexPair(const char* pair) {
    const int high = kHexDigit(pair[0]);
    const int low = kHexDigit(pair[1]);
    if (high >= 0 && low >= 0) return static_cast<std::uint8_t>(high * 16 + low);
    int i = 0;
    while (i < 2 && isStreamSpace(pair[i])) ++i;
    unsigned value = 0;
    for (; i < 2 && kHexDigit(pair[i]) >= 0; ++i)
        value = value * 16 + static_cast<unsigned>(kHexDigit(pair[i]));
    return static_cast<std::uint8_t>(value);
}

}  // namespace tessaryn
