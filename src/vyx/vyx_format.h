// The Vyx binary mesh file: a 32-byte header ("Vyxb 1.0" and 24 zero bytes), blocks,
// and an end marker of 16 zero bytes. Each block starts with four little-endian int32:
// tag, size of the whole block (header included), element count, 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tessaryn::vyx {

constexpr std::string_view kMagic = "Vyxb 1.0";
constexpr std::size_t kFileHeaderSize = 32;
constexpr std::size_t kBlockHeaderSize = 16;

enum Tag : std::int32_t {
    kVertexTag = 10001,     // x, y, z float per vertex
    kFaceTag = 20001,       // 4 int32 corners per face, -1 for a missing corner
    kTextureTag = 25001,    // 4 (u, v) float pairs per face that has texture indices
    kMaskTag = 30001,       // 1 byte per vertex
    kColourTag = 35001,     // blue, green, red, 0 per vertex
    kFaceGroupTag = 40001,  // uint16 per face
    kCreaseTag = 40002,     // crease flag byte per face: 2 bits per edge
};

// Bytes per element of each block, or 0 for an unknown tag.
constexpr std::size_t elementSize(std::int32_t tag) {
    switch (tag) {
        case kVertexTag:
            return 12;
        case kFaceTag:
            return 16;
        case kTextureTag:
            return 32;
        case kMaskTag:
            return 1;
        case kColourTag:
            return 4;
        case kFaceGroupTag:
            return 2;
        case kCreaseTag:
            return 1;
        default:
            return 0;
    }
}

constexpr const char* tagName(std::int32_t tag) {
    switch (tag) {
        case kVertexTag:
            return "vertices";
        case kFaceTag:
            return "faces";
        case kTextureTag:
            return "texture corners";
        case kMaskTag:
            return "masks";
        case kColourTag:
            return "colours";
        case kFaceGroupTag:
            return "face groups";
        case kCreaseTag:
            return "crease flags";
        default:
            return "unknown";
    }
}

}  // namespace tessaryn::vyx
