// Reads the corners of an OBJ face line: the text behind its first two characters.
//
// Without a slash the corner text is read as it stands: integers separated by any white
// space, up to the end or the first token that does not read as one. With a slash, the
// text is split at blanks (the blank character only) and each token gives its vertex
// part, the text before its first slash; these parts are read in the same way, as if
// joined by blanks. A token vertex/texture or vertex/texture/normal also gives a texture
// part, the text between its first slash and the next; "5//3" and "5/" give none.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/numbers.h"

namespace tessaryn {

// Reads integers from `part` for as long as they read and onNumber(value) answers
// true; false once one of them fails.
template <typename OnNumber>
bool readIntegers(std::string_view part, OnNumber&& onNumber) {
    TextCursor cursor(part);
    for (;;) {
        skipSpace(cursor);
        if (cursor.atEnd()) return true;
        std::int64_t value = 0;
        if (!readInt64(cursor, value)) return false;
        if (!onNumber(value)) return false;
    }
}

// Calls onVertex(int64) for every vertex number read and onTexture(int64) for every
// texture number read, each list in corner order; a callback that answers false ends
// its list there, as a number that does not read does.
template <typename OnVertex, typename OnTexture>
void readFaceCorners(std::string_view corners, OnVertex&& onVertex, OnTexture&& onTexture) {
    if (corners.find('/') == std::string_view::npos) {
        readIntegers(corners, onVertex);
        return;
    }
    bool readingVertices = true;
    bool readingTextures = true;
    std::size_t start = 0;
    while (start < corners.size() && (readingVertices || readingTextures)) {
        std::size_t stop = corners.find(' ', start);
        if (stop == std::string_view::npos) stop = corners.size();
        std::string_view token = corners.substr(start, stop - start);
        start = stop + 1;
        if (token.empty()) continue;
        std::size_t slash = token.find('/');
        if (readingVertices) readingVertices = readIntegers(token.substr(0, slash), onVertex);
        if (!readingTextures || slash == std::string_view::npos) continue;
        if (slash + 1 == token.size() || token[slash + 1] == '/') continue;
        if (token.find("//") != std::string_view::npos) continue;
        std::string_view texture = token.substr(slash + 1);
        texture = texture.substr(0, texture.find('/'));
        readingTextures = readIntegers(texture, onTexture);
    }
}

}  // namespace tessaryn
