// An OBJ mesh read for the Vyx writer: everything the Vyx file holds, in file order.
#pragma once

#include <cstdint>

#include "base/chunked_array.h"

namespace tessaryn {

struct Position {
    float x, y, z;
};
struct TexturePoint {
    float u, v;
};
// 0-based indices of a face's first four corners; kNoCorner for those it lacks.
struct FaceCorners {
    std::int32_t corner[4];
};
// Blue, green, red, 0: a vertex colour as the file stores it.
struct Colour {
    std::uint8_t bytes[4];
};

constexpr std::int32_t kNoCorner = -1;

struct VyxMesh {
    ChunkedArray<Position> positions;
    ChunkedArray<TexturePoint> textureTable;
    ChunkedArray<FaceCorners> faces;
    // For each face with texture indices, in face order: its first four texture indices
    // (0-based), kNoCorner where it has fewer; such a corner is written as (0, 0).
    ChunkedArray<FaceCorners> faceTextures;
    ChunkedArray<std::uint16_t> faceGroupValues;      // low 16 bits of 33 x group id
    ChunkedArray<std::uint16_t> faceSmoothingValues;  // low 16 bits of 33 x smoothing id
    ChunkedArray<Colour> colours;
    ChunkedArray<std::uint8_t> masks;
    ChunkedArray<std::uint8_t> creaseFlags;  // one byte per face
    std::size_t groupNames = 0;
    std::size_t smoothingNames = 0;
    std::int32_t sourceCount = 0;  // names of the crease source
    bool badIndex = false;         // a face names a vertex or texture entry the file lacks
};

}  // namespace tessaryn
