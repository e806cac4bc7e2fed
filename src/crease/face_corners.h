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

// An index as most files write it: an optional minus and up to 18 digits, which cannot
// overflow. Gives the character behind it, or null when `p` holds no such index.
inline const char* readPlainIndex(const char* p, const char* end, std::int64_t& value) {
    const bool negative = p != end && *p == '-';
    if (negative) ++p;
    const char* const digits = p;
    const char* const last = end - p > 18 ? p + 18 : end;
    std::int64_t magnitude = 0;
    for (; p != last && static_cast<unsigned char>(*p - '0') < 10; ++p) {
        magnitude = magnitude * 10 + (*p - '0');
    }
    if (p == digits) return nullptr;
    value = negative ? -magnitude : magnitude;
    return p;
}

inline bool endsToken(const char* p, const char* end) {
    return p == end || *p == ' ';
}

// Reads a corner token of the common forms "7", "7/3", "7/3/2", "7//2" and "7/" at `p`
// in one scan and moves `p` behind it. False, with `p` unmoved, for any other token:
// those take the general reading.
template <typename OnVertex, typename OnTexture>
bool readPlainCorner(const char*& p, const char* end, bool& readingVertices, bool& readingTextures,
                     OnVertex& onVertex, OnTexture& onTexture) {
    std::int64_t vertex = 0;
    const char* q = readPlainIndex(p, end, vertex);
    if (q == nullptr) return false;
    bool hasTexture = false;
    std::int64_t texture = 0;
    if (q != end && *q == '/') {
        ++q;
        if (q != end && *q == '/') {  // "7//2": no texture, whatever follows
            while (!endsToken(q, end)) ++q;
        } else if (!endsToken(q, end)) {
            q = readPlainIndex(q, end, texture);
            if (q == nullptr) return false;
            if (q != end && *q == '/') {
                // "7/3/2" gives its texture unless a "//" further on says otherwise.
                for (; !endsToken(q, end); ++q) {
                    if (*q == '/' && q + 1 != end && q[1] == '/') return false;
                }
            }
            if (!endsToken(q, end)) return false;
            hasTexture = true;
        }
    } else if (!endsToken(q, end)) {
        return false;
    }
    if (readingVertices) readingVertices = onVertex(vertex);
    if (readingTextures && hasTexture) readingTextures = onTexture(texture);
    p = q;
    return true;
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
        if (readPlainCorner(p, end, readingVertices, readingTextures, onVertex, onTexture)) {
            continue;
        }
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
