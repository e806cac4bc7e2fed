#include "base/numbers.h"

#include <charconv>
#include <limits>

namespace tessaryn {

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
