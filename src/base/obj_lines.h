// Classifying OBJ lines by their first characters, shared by every OBJ reader.
#pragma once

#include <string_view>

namespace tessaryn {

// The character at `i`, or NUL past the end of the line: an empty line starts with NUL
// and a line of one character has NUL as its second.
inline char charAt(std::string_view line, std::size_t i) {
    return i < line.size() ? line[i] : '\0';
}

// A vertex-position line: "v" and a blank.
inline bool isPositionLine(std::string_view line) {
    return charAt(line, 0) == 'v' && charAt(line, 1) == ' ';
}

}  // namespace tessaryn
