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
#include <cstring>
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
    if (corners.empty()) return;  // its data may be null, which memchr must not see
    if (std::memchr(corners.data(), '/', corners.size()) == nullptr) {
        readIntegers(corners, onVertex);
        return;
    }
    bool readingVertices = true;
    bool readingTextures = true;
    const char* p = corners.data();
    const char* const end = p + corners.size();
    while (readingVertices || readingTextures) {
        while (p != end && *p == ' ') ++p;
        if (p == end) return;
        // One token: up to the next blank, noting its first slash and a "//".
        const char* const token = p;
        const char* slash = nullptr;
        bool doubleSlash = false;
        for (; p != end && *p != ' '; ++p) {
            if (*p != '/') continue;
            if (slash == nullptr) slash = p;
            if (p + 1 != end && p[1] == '/') doubleSlash = true;
        }
        const char* const vertexEnd = slash != nullptr ? slash : p;
        if (readingVertices) {
            readingVertices = readIntegers(
                std::string_view(token, static_cast<std::size_t>(vertexEnd - token)), onVertex);
        }
        if (!readingTextures || slash == nullptr || doubleSlash || slash + 1 == p) continue;
        const char* const texture = slash + 1;
        const char* textureEnd = texture;
        while (textureEnd != p && *textureEnd != '/') ++textureEnd;
        readingTextures = readIntegers(
            std::string_view(texture, static_cast<std::size_t>(textureEnd - texture)), onTexture);
    }
}

}  // namespace tessaryn
