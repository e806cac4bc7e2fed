#include "base/numbers.h"

#include <charconv>
#include <cstdint>
#include <limits>

namespace tessaryn {

namespace {

// Powers of ten up to 10^10 are exact in a float: 5^10 is below 2^24.
constexpr float kPowersOfTen[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f,
                                  1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
constexpr int kMostFastDecimals = 10;
constexpr std::uint32_t kFastMantissaLimit = std::uint32_t{1} << 24;

// Plain decimals ("-12.375", "0.000001"): digits, at most 10 of them behind the point,
// that together stay below 2^24. Then both the digits and the power of ten are exact
// floats, and one division rounds their quotient exactly as a full conversion would.
// Anything else (an exponent, longer digits) answers false and takes the full way.
bool readPlainDecimal(const char* first, const char* end, float& value, const char*& stop) {
    const char* p = first;
    const bool negative = *p == '-';
    if (negative) ++p;
    std::uint32_t mantissa = 0;
    for (; p != end && static_cast<unsigned char>(*p - '0') < 10; ++p) {
        mantissa = mantissa * 10 + static_cast<std::uint32_t>(*p - '0');
        if (mantissa >= kFastMantissaLimit) return false;
    }
    int decimals = 0;
    if (p != end && *p == '.') {
        for (++p; p != end && static_cast<unsigned char>(*p - '0') < 10; ++p) {
            mantissa = mantissa * 10 + static_cast<std::uint32_t>(*p - '0');
            if (mantissa >= kFastMantissaLimit || ++decimals > kMostFastDecimals) return false;
        }
    }
    if (p != end && (*p == 'e' || *p == 'E')) return false;
    const float magnitude = static_cast<float>(mantissa) / kPowersOfTen[decimals];
    value = negative ? -magnitude : magnitude;
    stop = p;
    return true;
}

}  // namespace

bool readFloat(TextCursor& cursor, float& value) {
    TextCursor at = cursor;
    skipSpace(at);
    // A leading plus is accepted by streams but not by from_chars; a second sign is not.
    if (at.position != at.end && *at.position == '+') {
        ++at.position;
        if (at.position != at.end && (*at.position == '-' || *at.position == '+')) return false;
    }
    // Streams read no "inf" or "nan": only digits, or a point followed by digits, start a number.
    const char* first = at.position;
    if (first != at.end && *first == '-') ++first;
    if (first == at.end) return false;
    bool startsNumber = (*first >= '0' && *first <= '9') || (*first == '.' && first + 1 != at.end &&
                                                             first[1] >= '0' && first[1] <= '9');
    if (!startsNumber) return false;
    float parsed = 0.0f;
    const char* stop = nullptr;
    if (readPlainDecimal(at.position, at.end, parsed, stop)) {
        value = parsed;
        cursor.position = stop;
        return true;
    }
    auto result = std::from_chars(at.position, at.end, parsed, std::chars_format::general);
    if (result.ec != std::errc()) return false;
    value = parsed;
    cursor.position = result.ptr;
    return true;
}

void appendDecimal(std::string& out, std::int64_t value) {
    char digits[24];
    auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

namespace {

template <typename Number>
std::string shortestText(Number value) {
    char digits[64];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    return std::string(digits, result.ptr);
}

}  // namespace

std::string shortestDecimal(double value) {
    return shortestText(value);
}

std::string shortestDecimal(float value) {
    return shortestText(value);
}

char* putShortestDecimal(char* at, float value) {
    return std::to_chars(at, at + kShortestFloatBytes, value).ptr;
}

}  // namespace tessaryn
