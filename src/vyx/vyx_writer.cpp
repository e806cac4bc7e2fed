#include "vyx/vyx_writer.h"

#include <cstdint>
#include <cstring>
#include <limits>

#include "base/safe_writer.h"
#include "vyx/obj_mesh_reader.h"
#include "vyx/vyx_format.h"

// Records are written as they lie in memory: the file is little-endian, and so are both
// processors the library is built for.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "the Vyx writer needs a little-endian host");

namespace tessaryn {

namespace {

template <typename T>
void writeRecords(SafeWriter& out, const ChunkedArray<T>& records) {
    records.forEachRun([&](const T* run, std::size_t count) {
        out.write(std::string_view(reinterpret_cast<const char*>(run), count * sizeof(T)));
    });
}

void writeBlockHeader(SafeWriter& out, std::int32_t tag, std::size_t payloadBytes,
                      std::size_t count) {
    const std::int32_t header[4] = {tag,
                                    static_cast<std::int32_t>(payloadBytes + vyx::kBlockHeaderSize),
                                    static_cast<std::int32_t>(count), 0};
    out.write(std::string_view(reinterpret_cast<const char*>(header), sizeof header));
}

template <typename T>
void writeBlock(SafeWriter& out, std::int32_t tag, const ChunkedArray<T>& records) {
    writeBlockHeader(out, tag, records.size() * sizeof(T), records.size());
    writeRecords(out, records);
}

// Each face with texture indices gives four (u, v) pairs: its texture corners, padded
// with (0, 0).
void writeTextureBlock(SafeWriter& out, const VyxMesh& mesh) {
    const std::size_t faces = mesh.faceTextures.size();
    writeBlockHeader(out, vyx::kTextureTag, faces * vyx::elementSize(vyx::kTextureTag), faces);
    mesh.faceTextures.forEachRun([&](const FaceCorners* run, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            TexturePoint points[4];
            for (int k = 0; k < 4; ++k) {
                std::int32_t index = run[i].corner[k];
                points[k] = index == kNoCorner ? TexturePoint{0, 0}
                                               : mesh.textureTable[static_cast<std::size_t>(index)];
            }
            out.write(std::string_view(reinterpret_cast<const char*>(points), sizeof points));
        }
    });
}

// Block sizes and counts are int32 in the file; a mesh too large for them cannot be
// written as Vyx.
bool fitsTheFormat(const VyxMesh& mesh) {
    constexpr std::size_t kLargest =
        std::numeric_limits<std::int32_t>::max() - vyx::kBlockHeaderSize;
    return mesh.positions.size() <= kLargest / vyx::elementSize(vyx::kVertexTag) &&
           mesh.faces.size() <= kLargest / vyx::elementSize(vyx::kFaceTag) &&
           mesh.faceTextures.size() <= kLargest / vyx::elementSize(vyx::kTextureTag);
}

}  // namespace

WorkResult ConvertObjToVyx(const char* objPath, const char* vyxPath, bool smoothingSource) {
    VyxMesh mesh;
    if (!readObjMesh(objPath, smoothingSource, mesh)) return Outcome::Unreadable;
    if (mesh.badIndex) return Outcome::BadIndex;
    if (!fitsTheFormat(mesh)) return Outcome::VyxUnwritable;

    SafeWriter out;
    if (!out.open(vyxPath)) return Outcome::VyxUnwritable;
    char header[vyx::kFileHeaderSize] = {};
    std::memcpy(header, vyx::kMagic.data(), vyx::kMagic.size());
    out.write(std::string_view(header, sizeof header));

    writeBlock(out, vyx::kVertexTag, mesh.positions);
    writeBlock(out, vyx::kFaceTag, mesh.faces);
    if (!mesh.faceTextures.empty()) writeTextureBlock(out, mesh);
    // Masks and colours go in only when there is one for every vertex.
    if (!mesh.masks.empty() && mesh.masks.size() == mesh.positions.size()) {
        writeBlock(out, vyx::kMaskTag, mesh.masks);
    }
    if (!mesh.colours.empty() && mesh.colours.size() == mesh.positions.size()) {
        writeBlock(out, vyx::kColourTag, mesh.colours);
    }
    if (!mesh.faces.empty()) {
        // Group values when the file has at least two group names, whatever the source.
        writeBlock(out, vyx::kFaceGroupTag,
                   mesh.groupNames >= 2 ? mesh.faceGroupValues : mesh.faceSmoothingValues);
        writeBlock(out, vyx::kCreaseTag, mesh.creaseFlags);
    }
    const char endMarker[vyx::kBlockHeaderSize] = {};
    out.write(std::string_view(endMarker, sizeof endMarker));
    if (!out.commit()) return Outcome::VyxUnwritable;
    return {Outcome::Done, mesh.sourceCount};
}

}  // namespace tessaryn
