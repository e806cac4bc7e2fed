// Golden cases: every build (Linux x86-64 and x86, Windows x86-64) runs the same inputs
// through the exported commands and must give the same result codes and byte for byte
// the outputs committed in tests/golden/. TESSARYN_UPDATE_GOLDEN=1 rewrites those files
// after a deliberate change of output.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support.h"

using testing_support::readFile;
using testing_support::toCrlf;
using testing_support::writeFile;

namespace {

std::string examples(const char* name) {
    return readFile(testing_support::examplePath(name));
}

struct GoldenCase {
    const char* name;
    const char* command;
    std::string text;    // content of the file passed in `text`
    std::string buffer;  // content of the file passed in `buffer`, if any
    double number;
    float code;
    const char* output;  // golden file compared with the `buffer` file afterwards, or null
};

std::vector<GoldenCase> cases() {
    const std::string cube = examples("cube.obj");
    const std::string scene = examples("cube.ma");
    const std::string odd =
        "v 1e-7 -0 3.4e38\nv 0.1 0.2 0.3\nv -1.5e-3 +2 7\nv 1 1 1\nvt 0.333333 1e-40\nvt .5 2\n"
        "#MRGB ff102030807f0001aBcDeF0100000000\ng a\ns 1\nf -4/-2 -3/-1 -2/-2\r\ng b\ns off\n"
        "f 2/1/7 4/2/7 3/1/7 1/2/7\nf 1 2 4\n";
    const std::string moved =
        "v 9 9 9\nv 8 8 8\nv 7 7 7\nv 6 6 6\nv 5 5 5\nv 4 4 4\nv 3 3 3\nv 2 2 2\n";
    return {
        {"creases-groups", "GetCreases", cube, scene, 0, 2, "creases-groups.ma"},
        {"creases-smoothing", "GetCreases", cube, scene, 1, 2, "creases-smoothing.ma"},
        {"creases-crlf", "GetCreases", toCrlf(cube), toCrlf(scene), 0, 2, "creases-crlf.ma"},
        {"creases-no-placeholder", "GetCreases", cube, "x\r\n", 0, TESSARYN_NO_PLACEHOLDER,
         nullptr},
        {"creases-no-crease", "GetCreases", "f 1 2 3\n", scene, 0, TESSARYN_NO_CREASE_EDGES,
         nullptr},
        {"vyx-groups", "GetCreasesVyx", cube, "", 0, 2, "vyx-groups.vyx"},
        {"vyx-smoothing", "GetCreasesVyx", cube, "", 1, 2, "vyx-smoothing.vyx"},
        {"vyx-odd-numbers", "GetCreasesVyx", odd, "", 0, 2, "vyx-odd-numbers.vyx"},
        {"vyx-bad-index", "GetCreasesVyx", "v 0 0 0\nf 1 2 3\n", "", 0, TESSARYN_BAD_INDEX,
         nullptr},
        {"smooth-to-groups", "SmoothtoGroupOBJ", cube + "s\rx\n", "", 0, 0, "smooth-to-groups.obj"},
        {"swap-vertices", "SwapVertices", moved, cube, 0, 0, "swap-vertices.obj"},
    };
}

TEST(Golden, EveryBuildGivesTheSameCodesAndBytes) {
    const bool update = std::getenv("TESSARYN_UPDATE_GOLDEN") != nullptr;
    const std::string golden = testing_support::hostPath(TESSARYN_GOLDEN);
    for (const GoldenCase& c : cases()) {
        SCOPED_TRACE(c.name);
        testing_support::FileCall done = testing_support::callOnFiles(
            c.command, c.text, testing_support::unlessEmpty(c.buffer), c.number);
        EXPECT_EQ(done.code, c.code);
        if (c.output == nullptr) {
            EXPECT_EQ(done.buffer, c.buffer);
            continue;
        }
        const std::string path = golden + "/" + c.output;
        if (update) writeFile(path, done.buffer);
        EXPECT_EQ(done.buffer, readFile(path));
    }
}

}  // namespace
