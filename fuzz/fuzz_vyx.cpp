// GetCreasesVyx on arbitrary OBJ text. First the mesh as read in memory must hold
// together: one crease byte, one group value and one smoothing value per face, corners
// that name entries the file has (unless it is refused for a bad index), crease flags
// only on edges the face has. Then every file written reads back as a well-formed Vyx
// file (each block's size and count agree, one crease byte and one group value per
// face); a refused mesh writes nothing.
#include <cstdint>
#include <string>

#include "base/line_reader.h"
#include "commands/command_frame.h"
#include "vyx/obj_mesh_reader.h"
#include "vyx/vyx_format.h"
#include "vyx/vyx_mesh.h"
#include "vyx/vyx_writer.h"
#include "fuzz_files.h"
#include "tessaryn.h"
#include "tools/vyx_reader.h"

using namespace fuzzing;
using tessaryn::ChunkedArray;
using tessaryn::FaceCorners;
using tessaryn::kNoCorner;

namespace {

// Corners name entries below `entries`, present ones first: a face has at least one
// corner and any it lacks come last.
void checkCorners(const FaceCorners& face, std::size_t entries, const char* what) {
    check(face.corner[0] != kNoCorner, what);
    bool present = true;
    for (std::int32_t corner : face.corner) {
        if (corner == kNoCorner) {
            present = false;
            continue;
        }
        check(present && corner >= 0 && static_cast<std::size_t>(corner) < entries, what);
    }
}

// A group value is the low 16 bits of 33 x the face's group id, an id from 1 to the
// number of names (1 when there is none). 33 is odd, so the id is found again by
// multiplying with its inverse modulo 2^16.
bool isGroupValue(std::uint16_t value, std::size_t names) {
    std::uint32_t inverse = 33;  // Newton's step doubles the correct low bits each time
    for (int i = 0; i < 4; ++i) inverse *= 2u - 33u * inverse;
    const std::uint32_t id = (value * inverse) & 0xFFFFu;
    return id >= 1 && id <= (names == 0 ? 1 : names);
}

void checkGroupValues(const ChunkedArray<std::uint16_t>& values, std::size_t names,
                      const char* what) {
    for (std::size_t i = 0; i < values.size(); ++i) check(isGroupValue(values[i], names), what);
}

void checkMesh(const tessaryn::VyxMesh& mesh, bool smoothing) {
    const std::size_t faces = mesh.faces.size();
    check(mesh.creaseFlags.size() == faces, "a crease byte per face");
    check(mesh.faceGroupValues.size() == faces, "a group value per face");
    check(mesh.faceSmoothingValues.size() == faces, "a smoothing value per face");
    check(mesh.faceTextures.size() <= faces, "texture corners for some faces at most");
    check(mesh.colours.size() == mesh.masks.size(), "a mask per colour");
    check(static_cast<std::size_t>(mesh.sourceCount) ==
              (smoothing ? mesh.smoothingNames : mesh.groupNames),
          "the crease source's names are counted");
    checkGroupValues(mesh.faceGroupValues, mesh.groupNames, "a group value names a group");
    checkGroupValues(mesh.faceSmoothingValues, mesh.smoothingNames,
                     "a smoothing value names a smoothing group");
    for (std::size_t i = 0; i < faces; ++i) {
        const std::uint8_t flags = mesh.creaseFlags[i];
        for (int edge = 0; edge < 4; ++edge) {
            const int bits = (flags >> (2 * edge)) & 3;
            check(bits == 0 || bits == 3, "an edge is creased with both of its bits");
        }
        if (mesh.sourceCount == 0) check(flags == 0, "no group, no crease");
        if (mesh.faces[i].corner[3] == kNoCorner) check((flags & 0xC0) == 0, "no fourth edge");
        if (!mesh.badIndex)
            checkCorners(mesh.faces[i], mesh.positions.size(), "corners name vertices");
    }
    if (mesh.badIndex) return;
    for (std::size_t i = 0; i < mesh.faceTextures.size(); ++i)
        checkCorners(mesh.faceTextures[i], mesh.textureTable.size(),
                     "texture corners name entries");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const bool smoothing = size % 2 == 1;
    tessaryn::LineReader reader;
    reader.openText(text);
    tessaryn::VyxMesh mesh;
    check(tessaryn::readObjMesh(reader, smoothing, mesh), "text in memory always reads");
    checkMesh(mesh, smoothing);

    // Through the files, as the host does it.
    const std::string obj = path("mesh.obj");
    const std::string vyxPath = path("mesh.vyx");
    writeBytes(obj, text);
    std::filesystem::remove(vyxPath);
    const float code =
        tessaryn::resultCode(tessaryn::ConvertObjToVyx(obj.c_str(), vyxPath.c_str(), smoothing));
    check((code == TESSARYN_BAD_INDEX) == mesh.badIndex, "a bad index, and only that, is refused");
    if (code < 0.0f) {
        check(code == TESSARYN_BAD_INDEX, "the only failure is a missing vertex or uv");
        check(!exists(vyxPath), "a refused mesh writes nothing");
        check(entryCount() == 1, "no temporary file is left");
        return 0;
    }
    const std::string bytes = readBytes(vyxPath);
    tessaryn::vyx::File file;
    check(tessaryn::vyx::parse(bytes, file).empty(), "a well-formed Vyx file");
    const auto* faces = file.find(tessaryn::vyx::kFaceTag);
    const auto* creases = file.find(tessaryn::vyx::kCreaseTag);
    const auto* groups = file.find(tessaryn::vyx::kFaceGroupTag);
    check(faces != nullptr && file.find(tessaryn::vyx::kVertexTag) != nullptr,
          "vertex and face blocks");
    if (faces->count > 0) {
        check(creases != nullptr && creases->count == faces->count, "a crease byte per face");
        check(groups != nullptr && groups->count == faces->count, "a group value per face");
    }
    check(entryCount() == 2, "no temporary file is left");
    return 0;
}
