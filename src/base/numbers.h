// Number reading with the rules of a C++ input stream, without the stream: white
// space skipped, an optional sign, then the number. A value out of range, or a token
// that does not start a number, is a failed read. The next read starts right where
// the previous one ended, so "3-4" reads 3 and then -4, and "5.0" reads 5 and then
// fails on ".0".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessaryn {

// A cursor over one line of text; reading past its end reads as failure.
struct TextCursor {
    const char* position;
    const char* end;

    explicit TextCursor(std::string_view text)
        : position(text.data()), end(text.data() + text.size()) {}
    bool atEnd() const { return position == end; }
};

bool isStreamSpace(char c);
void skipSpace(TextCursor& cursor);

// On failure the cursor is left where it was and `value` unchanged.
bool readInt32(TextCursor& cursor, std::int32_t& value);
bool readInt64(TextCursor& cursor, std::int64_t& value);
bool readFloat(TextCursor& cursor, float& value);

// Appends the decimal text of `value`: a minus sign when negative, no leading zeros.
void appendDecimal(std::string& out, std::int64_t value);

}  // namespace tessaryn
