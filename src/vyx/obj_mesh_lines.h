// The lines of an OBJ mesh as the Vyx conversion reads them. Both of its passes over
// the file read each kind of line through these, so that they agree on every value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

#include "base/name_table.h"
#include "base/numbers.h"
#include "crease/face_corners.h"
#include "vyx/vyx_records.h"

namespace tessaryn {

// Skips the line's first word (the v or vt) and reads up to `count` floats; the first
// that does not read, and every one after it, stays 0.
inline void readCoordinates(std::string_view line, float* values, int count) {
    TextCursor cursor(line);
    skipSpace(cursor);
    while (!cursor.atEnd() && !isStreamSpace(*cursor.position)) ++cursor.position;
    for (int i = 0; i < count; ++i) {
        if (!readFloat(cursor, values[i])) return;
    }
}

inline bool isColourLine(std::string_view line) {
    return line.compare(0, 5, "#MRGB") == 0;
}

// "#MRGB" and one more character, then chunks of 8 characters: mask, red, green, blue.
// A shorter remainder is no chunk.
constexpr std::size_t kColourChunkStart = 6;
constexpr std::size_t kColourChunkSize = 8;
inline std::size_t colourChunkCount(std::string_view line) {
    return line.size() < kColourChunkStart ? 0
                                           : (line.size() - kColourChunkStart) / kColourChunkSize;
}

// A pair of characters read as a hexadecimal number: leading white space skipped, the
// digits up to the first character that is not one; no digit reads as 0.
std::uint8_t hexPair(const char* pair);

inline Colour chunkColour(const char* chunk) {
    return Colour{{hexPair(chunk + 6), hexPair(chunk + 4), hexPair(chunk + 2), 0}};
}
inline std::uint8_t chunkMask(const char* chunk) {
    return hexPair(chunk);
}

// The name of a group or smoothing-group line: everything from its third character on.
inline std::string_view groupNameOf(std::string_view line) {
    return line.size() > 2 ? line.substr(2) : std::string_view();
}

// The value a face stores for its group: the low 16 bits of 33 x the group's id.
inline std::uint16_t groupValue(std::uint32_t id) {
    return static_cast<std::uint16_t>(33u * id);
}

// Resolves an OBJ index against the entries read so far: k > 0 is entry k, k < 0 counts
// back from the last. Gives -1 for an index that cannot name an entry of the file;
// indices beyond the entries read so far can only be checked once the whole file is read.
inline std::int64_t resolveIndex(std::int64_t written, std::uint64_t readSoFar) {
    const std::int64_t index =
        written > 0 ? written - 1 : static_cast<std::int64_t>(readSoFar) + written;
    if (written == 0 || index < 0 || index > std::numeric_limits<std::int32_t>::max()) return -1;
    return index;
}

// One face line as read: its first four corners and texture corners, resolved.
struct MeshFace {
    FaceCorners corners{{kNoCorner, kNoCorner, kNoCorner, kNoCorner}};
    FaceCorners textures{{kNoCorner, kNoCorner, kNoCorner, kNoCorner}};
    int cornerCount = 0;
    int textureCount = 0;
    std::int64_t largestVertex = -1;
    std::int64_t largestTexture = -1;
    bool badIndex = false;  // an index that names no entry whatever follows
};

// Reads a face line given the v and vt lines before it; onVertex(int32) sees every
// corner, the fifth and later ones too, in order (-1 for one that names nothing).
template <typename OnVertex>
void readMeshFace(std::string_view line, std::uint64_t positionsSoFar, std::uint64_t texturesSoFar,
                  MeshFace& face, OnVertex&& onVertex) {
    face = MeshFace{};
    auto vertex = [&](std::int64_t written) {
        const std::int64_t index = resolveIndex(written, positionsSoFar);
        if (index < 0) face.badIndex = true;
        if (index > face.largestVertex) face.largestVertex = index;
        const auto corner = static_cast<std::int32_t>(index);
        if (face.cornerCount < 4) face.corners.corner[face.cornerCount] = corner;
        ++face.cornerCount;
        onVertex(corner);
        return true;
    };
    auto texture = [&](std::int64_t written) {
        const std::int64_t index = resolveIndex(written, texturesSoFar);
        if (index < 0) face.badIndex = true;
        if (index > face.largestTexture) face.largestTexture = index;
        if (face.textureCount < 4)
            face.textures.corner[face.textureCount] = static_cast<std::int32_t>(index);
        ++face.textureCount;
        return true;
    };
    readFaceCorners(line.size() > 2 ? line.substr(2) : std::string_view(), vertex, texture);
}

// One kind of group lines while the file is read: the id faces now belong to. Faces
// before the first line carry id 1, the first name's.
struct GroupState {
    std::uint32_t current = 1;
    std::uint16_t value() const { return groupValue(current); }
};

}  // namespace tessaryn
