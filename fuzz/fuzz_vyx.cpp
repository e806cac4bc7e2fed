// GetCreasesVyx on arbitrary OBJ text, through files as the host does it. Every file
// written reads back as a well-formed Vyx file (each block's size and count agree,
// corners name vertices of the file), with one crease byte and one group value per
// face, crease flags only in whole bit pairs and only on edges the face has, and group
// values that are 33 times an id; a refused mesh writes nothing. The two reads of the
// conversion must agree: the only failure on a file nobody changes is a bad index.
#include <cstdint>
#include <string>
#include <vector>

#include "commands/command_frame.h"
#include "vyx/vyx_format.h"
#include "vyx/vyx_writer.h"
#include "fuzz_files.h"
#include "tessaryn.h"
#include "tools/vyx_reader.h"

using namespace fuzzing;
namespace vyx = tessaryn::vyx;

namespace {

// A group value is the low 16 bits of 33 x an id from 1 on. 33 is odd, so the id is
// found again by multiplying with its inverse modulo 2^16.
bool isGroupValue(std::uint16_t value, std::size_t faces) {
    std::uint32_t inverse = 33;  // Newton's step doubles the correct low bits each time
    for (int i = 0; i < 4; ++i) inverse *= 2u - 33u * inverse;
    const std::uint32_t id = (value * inverse) & 0xFFFFu;
    // Ids are handed out by first appearance: there are at most as many as lines, and
    // every face's id is at least 1.
    return id >= 1 && (faces > 0xFFFF || id <= faces + 0xFFFF);
}

void checkFaces(const vyx::File& file) {
    const vyx::Block* faces = file.find(vyx::kFaceTag);
    const vyx::Block* creases = file.find(vyx::kCreaseTag);
    const vyx::Block* groups = file.find(vyx::kFaceGroupTag);
    check(faces != nullptr && file.find(vyx::kVertexTag) != nullptr, "vertex and face blocks");
    if (faces->count == 0) return;
    check(creases != nullptr && creases->count == faces->count, "a crease byte per face");
    check(groups != nullptr && groups->count == faces->count, "a group value per face");
    const auto corners = vyx::records<std::int32_t>(*faces);
    const auto flags = vyx::records<std::uint8_t>(*creases);
    const auto values = vyx::records<std::uint16_t>(*groups);
    for (std::size_t i = 0; i < flags.size(); ++i) {
        check(corners[4 * i] != -1, "a face has a first corner");
        for (int edge = 0; edge < 4; ++edge) {
            const int bits = (flags[i] >> (2 * edge)) & 3;
            check(bits == 0 || bits == 3, "an edge is creased with both of its bits");
        }
        if (corners[4 * i + 3] == -1) check((flags[i] & 0xC0) == 0, "no fourth edge");
        check(isGroupValue(values[i], flags.size()), "a group value is 33 times an id");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const bool smoothing = size % 2 == 1;
    const std::string obj = path("mesh.obj");
    const std::string vyxPath = path("mesh.vyx");
    writeBytes(obj, text);
    std::filesystem::remove(vyxPath);
    const float code =
        tessaryn::resultCode(tessaryn::ConvertObjToVyx(obj.c_str(), vyxPath.c_str(), smoothing));
    if (code < 0.0f) {
        check(code == TESSARYN_BAD_INDEX, "the only failure is a missing vertex or uv");
        check(!exists(vyxPath), "a refused mesh writes nothing");
        check(entryCount() == 1, "no temporary file is left");
        return 0;
    }
    const std::string bytes = readBytes(vyxPath);
    vyx::File file;
    check(vyx::parse(bytes, file).empty(), "a well-formed Vyx file");
    checkFaces(file);
    if (code == 0.0f) {
        const vyx::Block* creases = file.find(vyx::kCreaseTag);
        for (std::size_t i = 0; creases != nullptr && i < creases->payload.size(); ++i)
            check(creases->payload[i] == 0, "no name of the crease source, no crease");
    }
    check(entryCount() == 2, "no temporary file is left");
    return 0;
}
