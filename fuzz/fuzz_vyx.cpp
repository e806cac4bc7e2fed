// GetCreasesVyx on arbitrary OBJ text: every file written reads back as a well-formed
// Vyx file (each block's size and count agree, every face corner names a vertex, one
// crease byte and one group value per face); a refused mesh writes nothing.
#include <cstdint>
#include <string>

#include "commands/command_frame.h"
#include "crease/vyx_format.h"
#include "tools/vyx_reader.h"
#include "crease/vyx_writer.h"
#include "fuzz_files.h"
#include "tessaryn.h"

using namespace fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string obj = path("mesh.obj");
    const std::string vyxPath = path("mesh.vyx");
    writeBytes(obj, std::string(reinterpret_cast<const char*>(data), size));
    std::filesystem::remove(vyxPath);
    const float code = tessaryn::resultCode(
        tessaryn::ConvertObjToVyx(obj.c_str(), vyxPath.c_str(), size % 2 == 1));
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
