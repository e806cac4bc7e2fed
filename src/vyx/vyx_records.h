// The records of a Vyx file's blocks, as the file stores them.
#pragma once

#include <cstdint>

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

}  // namespace tessaryn
