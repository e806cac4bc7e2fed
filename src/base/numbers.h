// Number reading with the rules of a C++ input stream, without the stream: white
// space skipped, an optional sign, then the number. A value out of range, or a token
// that does not start a number, is a failed read. The next read starts right where
// the previous one ended, so "3-4" reads 3 and then -4, and "5.0" reads 5 and then
// fails on ".0".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/byte_search.h"

namespace tessaryn {

// A cursor over one line of text; reading past its end reads as failure.
struct TextCursor {
    const char* position;
    const char* end;

    explicit TextCursor(std::string_view text)
        : position(text.data()), end(text.data() + text.size()) {}
    bool atEnd() const { return position == end; }
};

// The white space a stream skips: blank, tab, LF, vertical tab, form feed, CR.
inline bool isStreamSpace(char c) {
    return c == ' ' || static_cast<unsigned char>(c - '\t') <= '\r' - '\t';
}

inline void skipSpace(TextCursor& cursor) {
    while (cursor.position != cursor.end && isStreamSpace(*cursor.position)) ++cursor.position;
}

// Digits with an optional sign, the magnitude checked against [minimum, maximum]. The
// first 18 digits cannot overflow 64 bits and take the short loop; only longer numbers,
// thousands of digits among them, are checked digit by digit.
inline bool readBoundedInteger(TextCursor& cursor, std::int64_t minimum, std::int64_t maximum,
                               std::int64_t& value) {
    const char* p = cursor.position;
    const char* const end = cursor.end;
    while (p != end && isStreamSpace(*p)) ++p;
    bool negative = false;
    if (p != end && (*p == '-' || *p == '+')) {
        negative = *p == '-';
        ++p;
    }
    const std::uint64_t limit = negative ? static_cast<std::uint64_t>(-(minimum + 1)) + 1
                                         : static_cast<std::uint64_t>(maximum);
    const char* const digits = p;
    const char* const fastEnd = end - digits > 18 ? digits + 18 : end;
    std::uint64_t magnitude = 0;
    unsigned digit = 0;
    while (p != fastEnd && (digit = static_cast<unsigned char>(*p - '0')) < 10) {
        magnitude = magnitude * 10 + digit;
        ++p;
    }
    while (p != end && (digit = static_cast<unsigned char>(*p - '0')) < 10) {
        if (magnitude > (limit - digit) / 10) return false;
        magnitude = magnitude * 10 + digit;
        ++p;
    }
    if (p == digits || magnitude > limit) return false;
    value =
        negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
    cursor.position = p;
    return true;
}

// On failure the cursor is left where it was and `value` unchanged.
inline bool readInt32(TextCursor& cursor, std::int32_t& value) {
    std::int64_t wide = 0;
    if (!readBoundedInteger(cursor, INT32_MIN, INT32_MAX, wide)) return false;
    value = static_cast<std::int32_t>(wide);
    return true;
}

inline bool readInt64(TextCursor& cursor, std::int64_t& value) {
    return readBoundedInteger(cursor, INT64_MIN, INT64_MAX, value);
}

bool readFloat(TextCursor& cursor, float& value);

// Appends the decimal text of `value`: a minus sign when negative, no leading zeros.
void appendDecimal(std::string& out, std::int64_t value);

// The one formatter of numbers that have no source text (values a binary file holds):
// the shortest decimal that reads back as the same value, the same bytes on every build
// (the C library's printf differs between systems). A float is given as the shortest
// text that reads back as that float, not as the double it widens to ("0.1", not
// "0.10000000149011612").
std::string shortestDecimal(double value);
std::string shortestDecimal(float value);
// The same text written at `at`, which has room for kShortestFloatBytes; gives its end. For
// writers of millions of numbers, which format into a buffer of their own.
constexpr std::size_t kShortestFloatBytes = 24;
char* putShortestDecimal(char* at, float value);

// The same text for the float that the decimal at `p` reads as, taken from its own digits
// where they give it: "-0.012270" is "-0.01227". The decimal is a '-' or not, one to seven
// digits, a point, one to seven digits, with at most seven from its first digit that is
// not 0 to its last, and below 10^5 and from 10^-3 on, or 0; then no float lies within
// half a step of seven such digits of another, and no shorter text reads back as the same
// float. Gives the text's end, and in `stop` the byte after the decimal; null for anything
// else, which the float's own formatting serves. 24 bytes from `p` on are looked at, and
// 17 from `at` on may be written.
char* putShortestOfDecimal(char* at, const char* p, const char*& stop);

// 10^0 to 10^19: every power of ten a 64-bit number reaches, for readers and writers of
// digits.
inline constexpr std::uint64_t kPowersOfTen[] = {1,
                                                 10,
                                                 100,
                                                 1000,
                                                 10000,
                                                 100000,
                                                 1000000,
                                                 10000000,
                                                 100000000,
                                                 1000000000,
                                                 10000000000,
                                                 100000000000,
                                                 1000000000000,
                                                 10000000000000,
                                                 100000000000000,
                                                 1000000000000000,
                                                 10000000000000000,
                                                 100000000000000000,
                                                 1000000000000000000,
                                                 10000000000000000000u};

// The value of eight digits given as the bytes 0 to 9 of `digits`, first digit in the
// lowest byte, combined pairwise: two digits, four, eight.
inline std::uint64_t digitBytesValue(std::uint64_t digits) {
    std::uint64_t v = digits * 10 + (digits >> 8);
    v = ((v & 0x000000FF000000FFULL) * (100 + (1000000ULL << 32)) +
         ((v >> 16) & 0x000000FF000000FFULL) * (1 + (10000ULL << 32))) >>
        32;
    return v & 0xFFFFFFFFULL;
}

// The value of `word`'s eight bytes when all are digits.
inline std::uint64_t eightDigitsValue(std::uint64_t word) {
    return digitBytesValue(word ^ (byte_search::kOnes * '0'));
}

// The plain digits at the start of `word`, eight bytes of text as loadWord gives them:
// how many there are (8 when all eight are digits), and when fewer than eight, their value
// in `value`. The arrays and edge lists of scenes are mostly numbers of one to seven
// digits, whose varying length a byte loop keeps mispredicting.
inline unsigned leadingDigits(std::uint64_t word, std::uint64_t& value) {
    using byte_search::kOnes;
    // Digits become 0 to 9; then neither they nor they plus 6 have a high nibble. A carry
    // out of a byte of 0xFA or more only flags bytes after that non-digit.
    const std::uint64_t digits = word ^ (kOnes * '0');
    const std::uint64_t others = (digits | (digits + kOnes * 6)) & (kOnes * 0xF0);
    if (others == 0) return 8;
    const unsigned count = static_cast<unsigned>(byte_search::firstFlagged(others));
    if (count == 0) return 0;
    // The digits moved to the top with zeros before them, then combined as eight.
    value = digitBytesValue(digits << (8 * (8 - count)));
    return count;
}

}  // namespace tessaryn
