#include "base/numbers.h"

#include <charconv>
#include <limits>

namespace tessaryn {

bool isStreamSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

void skipSpace(TextCursor& cursor) {
    while (cursor.position != cursor.end && isStreamSpace(*cursor.position)) ++cursor.position;
}

namespace {

// Digits with an optional sign; the magnitude is checked against [minimum, maximum]
// while it is accumulated, so that thousands of digits cannot overflow.
bool readBoundedInteger(TextCursor& cursor, std::int64_t minimum, std::int64_t maximum,
                        std::int64_t& value) {
    TextCursor at = cursor;
    skipSpace(at);
    bool negative = false;
    if (at.position != at.end && (*at.position == '-' || *at.position == '+')) {
        negative = *at.position == '-';
        ++at.position;
    }
    const std::uint64_t limit = negative ? static_cast<std::uint64_t>(-(minimum + 1)) + 1
                                         : static_cast<std::uint64_t>(maximum);
    std::uint64_t magnitude = 0;
    const char* digits = at.position;
    while (at.position != at.end && *at.position >= '0' && *at.position <= '9') {
        const auto digit = static_cast<std::uint64_t>(*at.position - '0');
        if (magnitude > (limit - digit) / 10) return false;
        magnitude = magnitude * 10 + digit;
        ++at.position;
    }
    if (at.position == digits) return false;
    value = negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
    cursor = at;
    return true;
}

}  // namespace

bool readInt32(TextCursor& cursor, std::int32_t& value) {
    std::int64_t wide = 0;
    if (!readBoundedInteger(cursor, std::numeric_limits<std::int32_t>::min(),
                            std::numeric_limits<std::int32_t>::max(), wide)) {
        return false;
    }
    value = static_cast<std::int32_t>(wide);
    return true;
}

bool readInt64(TextCursor& cursor, std::int64_t& value) {
    return readBoundedInteger(cursor, std::numeric_limits<std::int64_t>::min(),
                              std::numeric_limits<std::int64_t>::max(), value);
}

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
    bool startsNumber = (*first >= '0' && *first <= '9') ||
                        (*first == '.' && first + 1 != at.end && first[1] >= '0' && first[1] <= '9');
    if (!startsNumber) return false;
    float parsed = 0.0f;
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

}  // namespace tessaryn
