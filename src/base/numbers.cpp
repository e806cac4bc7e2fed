#include "base/numbers.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

namespace {

// Bit i of each: byte i of the sixteen at `p` is a digit, a '0', a '.'.
struct DecimalBits {
    unsigned digits;
    unsigned zeros;
    unsigned points;
};

DecimalBits decimalBits(const char* p) {
#if defined(__SSE2__)
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    // Bytes from 0x80 compare as negative, below '0'.
    const __m128i digits = _mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8('0' - 1)),
                                         _mm_cmplt_epi8(bytes, _mm_set1_epi8('9' + 1)));
    return {static_cast<unsigned>(_mm_movemask_epi8(digits)),
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('0')))),
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('.'))))};
#else
    DecimalBits bits{0, 0, 0};
    for (unsigned i = 0; i < 16; ++i) {
        bits.digits |= (p[i] >= '0' && p[i] <= '9' ? 1u : 0u) << i;
        bits.zeros |= (p[i] == '0' ? 1u : 0u) << i;
        bits.points |= (p[i] == '.' ? 1u : 0u) << i;
    }
    return bits;
#endif
}

}  // namespace

char* putShortestOfDecimal(char* at, const char* p, const char*& stop) {
    const bool negative = *p == '-';
    const char* const whole = p + (negative ? 1 : 0);
    const DecimalBits bits = decimalBits(whole);
    // One to seven digits, the point, one to seven digits.
    const auto wholeCount = static_cast<unsigned>(__builtin_ctz(~bits.digits));
    if (wholeCount == 0 || wholeCount > 7 || ((bits.points >> wholeCount) & 1) == 0) return nullptr;
    const unsigned fractionDigits = bits.digits >> (wholeCount + 1);
    const auto fractionCount = static_cast<unsigned>(__builtin_ctz(~fractionDigits));
    if (fractionCount == 0 || fractionCount > 7) return nullptr;
    // The text runs from the first whole digit that is not 0 (else the last whole digit,
    // a 0) to the last fraction digit that is not 0 (else to the point, which goes too).
    // Signs and lengths vary from one coordinate to the next: no branch follows them.
    const unsigned others = bits.digits & ~bits.zeros;
    const unsigned wholeSignificant = others & ((1u << wholeCount) - 1);
    const unsigned fractionSignificant = (others >> (wholeCount + 1)) & ((1u << fractionCount) - 1);
    const auto first =
        static_cast<unsigned>(__builtin_ctz(wholeSignificant | (1u << (wholeCount - 1))));
    const unsigned wholeLength = wholeCount - first;
    const auto fractionLength =
        static_cast<unsigned>(31 - __builtin_clz((fractionSignificant << 1) | 1));
    // Below 10^5, with at most seven digits; or below 1, from 10^-3 on (at most two zeros
    // after the point), or 0.
    const bool fits = wholeSignificant != 0
                          ? wholeLength <= 5 && wholeLength + fractionLength <= 7
                          : fractionSignificant == 0 || (fractionSignificant & 7u) != 0;
    if (!fits) return nullptr;
    stop = whole + wholeCount + 1 + fractionCount;
    *at = '-';
    at += negative ? 1 : 0;
    std::memcpy(at, whole + first, 16);
    return at + wholeLength + fractionLength + (fractionLength != 0 ? 1 : 0);
}

}  // namespace tessaryn
