// GetCreases's OBJ reading on arbitrary OBJ text, in both group modes, against a fixed
// scene. Results are a group count, -4 or -16; a failure leaves the scene unchanged.
#include <cstdint>
#include <string>

#include "crease/scene_creases.h"
#include "fuzz_files.h"
#include "tessaryn.h"

using namespace fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string obj = path("mesh.obj");
    const std::string scene = path("scene.ma");
    const std::string sceneText =
        "setAttr -s 6 \".ed[0:5]\"\n0 1 0 1 2 0 2 3 0 0 3 0 0 2 0 1 3 0\n  \tsetAttr \".cd\"\n;\n";
    writeBytes(obj, std::string(reinterpret_cast<const char*>(data), size));
    for (char prefix : {'g', 's'}) {
        writeBytes(scene, sceneText);
        const float code = tessaryn::TransferGroupCreases(obj.c_str(), scene.c_str(), prefix);
        check(entryCount() == 2, "no temporary file is left");
        if (code >= 1.0f) {
            check(code <= 8191.0f && code == static_cast<float>(static_cast<int>(code)),
                  "a group count");
            check(readBytes(scene).find("Index_Data Edge ") != std::string::npos,
                  "the crease statement");
        } else {
            check(code == TESSARYN_NO_CREASE_EDGES || code == TESSARYN_TOO_MANY_GROUPS,
                  "a defined failure");
            check(readBytes(scene) == sceneText, "a failed call leaves the scene as it was");
        }
    }
    return 0;
}
