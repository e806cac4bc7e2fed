// The road into an override layer that exists already: the prim's creases join it, every
// other byte stays, and a file that is no override layer of the asset is refused.
#include "scene/usd/usd_override_merge.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "both_ways.h"
#include "scene/scene_creases.h"
#include "support.h"

using tessaryn::ForeignOverLayer;
using tessaryn::SceneCreaseReport;
using tessaryn::SceneCreaseRequest;
using tessaryn::SceneRefusal;
using testing_support::readFile;
using testing_support::realDataPath;
using testing_support::TempFolder;
using testing_support::writeFile;

namespace {

// The multi_variants cube numbering (CubeC and ExtraCube alike); the top face is a group
// apart, so its four edges are the crease edges.
const std::string kCubeObj =
    "v 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\n"
    "g rest\nf 1 2 4 3\ng top\nf 3 4 6 5\ng rest\nf 5 6 8 7\nf 7 8 2 1\nf 2 8 6 4\nf 7 1 3 5\n";

const std::string kCubeC = "/RootPrim/PrimWithVariant{modelingVariant=C}ModelC/CubeC";
const std::string kExtraCube =
    "/RootPrim/PrimWithVariant{modelingVariant=A}ModelA/ConeA{extraStuff=Cube}ExtraCube";

// The crease statements of the top face's edges at `indent`, each line ending `end`.
std::string topCreases(const std::string& indent, const std::string& end = "\n",
                       const std::string& values = "10, 10, 10, 10") {
    return indent + "int[] creaseIndices = [2, 3, 2, 4, 3, 5, 4, 5]" + end + indent +
           "int[] creaseLengths = [2, 2, 2, 2]" + end + indent + "float[] creaseSharpnesses = [" +
           values + "]" + end;
}

const std::string kSublayers =
    "#usda 1.0\n(\n    subLayers = [\n        @../assets/scene.usda@\n    ]\n)\n";

// What the tool writes for CubeC when shot/shot.usda does not exist yet.
const std::string kCubeCLayer =
    "#usda 1.0\n(\n    defaultPrim = \"RootPrim\"\n    upAxis = \"Z\"\n    subLayers = [\n"
    "        @../assets/scene.usda@\n    ]\n)\n\n"
    "over \"RootPrim\"\n{\n    over \"PrimWithVariant\"\n    {\n"
    "        variantSet \"modelingVariant\" = {\n            \"C\" {\n"
    "                over \"ModelC\"\n                {\n                    over \"CubeC\"\n"
    "                    {\n" +
    topCreases(std::string(24, ' ')) +
    "                    }\n                }\n            }\n        }\n    }\n}\n";

// ExtraCube's blocks below ConeA, ConeA's body one unit in from `indent`.
std::string extraStuffBlocks(const std::string& indent) {
    const std::string i = indent;
    return i + "variantSet \"extraStuff\" = {\n" + i + "    \"Cube\" {\n" + i +
           "        over \"ExtraCube\"\n" + i + "        {\n" + topCreases(i + "            ") + i +
           "        }\n" + i + "    }\n" + i + "}\n";
}

// Every line of `text` with `indent` before it.
std::string indented(const std::string& text, const std::string& indent) {
    std::string out;
    bool lineStart = true;
    for (const char c : text) {
        if (lineStart) out += indent;
        out += c;
        lineStart = c == '\n';
    }
    return out;
}

std::vector<std::string> entriesOf(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

// An asset (the text layer, or any other given), the cube OBJ and the override layer's
// place, one folder apart.
struct OverFolder {
    TempFolder folder;
    std::string asset = folder / "assets/scene.usda";
    std::string obj = folder / "cube.obj";
    std::string over = folder / "shot/shot.usda";

    OverFolder() {
        testing_support::makeFolder(folder / "assets");
        testing_support::makeFolder(folder / "shot");
        writeFile(asset, readFile(realDataPath("usd/mayausd__multi_variants.usda")));
        writeFile(obj, kCubeObj);
    }
    // On one thread and on two; `once`: on one, as a plain run (which touches no file
    // that it does not write).
    SceneCreaseReport run(const std::string& prim, const std::string& value = std::string(),
                          bool once = false) {
        SceneCreaseRequest request;
        request.objPath = obj;
        request.scenePath = asset;
        request.overPath = over;
        request.node = prim;
        request.value = value;
        if (once) return tessaryn::writeSceneCreases(request);
        return testing_support::writeSceneCreasesBothWays(request, {over, asset});
    }
};

// Each row: the override layer before, the prim given its creases, the layer after.
TEST(UsdOverrideMerge, APrimJoinsTheLayerAndEveryOtherByteStays) {
    const std::string cubeCBlocks =
        "over \"ModelC\"\n{\n    over \"CubeC\"\n    {\n" + topCreases("        ") + "    }\n}\n";
    // Indented by tabs, lines ended CR LF, other prims and comments, the asset named by a
    // path that goes round, beside a sublayer that is not there.
    const std::string shot = testing_support::toCrlf(
        "#usda 1.0\n(\n\tdoc = \"lighting\" # keep\n"
        "\tsubLayers = [@lights.usda@, @./../assets/../assets/scene.usda@ (offset = 2)]\n)\n\n"
        "def Xform \"Lights\" {\n\tdef SphereLight \"Key\" (\n\t\tkind = \"light\"\n\t)\n\t{\n"
        "\t\tfloat inputs:intensity = 5 // bright\n\t}\n}\n\n"
        "over \"RootPrim\" (\n\tactive = true\n)\n{\n\tdouble3 xformOp:translate = (0, 1, 0)\n}\n");
    const std::string shotJoined = replaced(
        shot,
        "\t}\r\n}\r\n\r\nover \"RootPrim\" (\r\n\tactive = true\r\n)\r\n{\r\n\tdouble3 "
        "xformOp:translate = (0, 1, 0)\r\n}\r\n",
        "\t}\r\n}\r\n\r\nover \"RootPrim\" (\r\n\tactive = true\r\n)\r\n{\r\n\tdouble3 "
        "xformOp:translate = (0, 1, 0)\r\n" +
            testing_support::toCrlf(
                "\tover \"PrimWithVariant\"\n\t{\n\t\tvariantSet \"modelingVariant\" = {\n"
                "\t\t\t\"C\" {\n\t\t\t\tover \"ModelC\"\n\t\t\t\t{\n\t\t\t\t\tover \"CubeC\"\n"
                "\t\t\t\t\t{\n" +
                topCreases("\t\t\t\t\t\t") + "\t\t\t\t\t}\n\t\t\t\t}\n\t\t\t}\n\t\t}\n\t}\n}\n"));
    // The variant and the prims down to ConeA are there, with an opinion of their own.
    const std::string coneA = kSublayers +
                              "\nover \"RootPrim\"\n{\n    over \"PrimWithVariant\"\n    {\n"
                              "        variantSet \"modelingVariant\" = {\n"
                              "            \"A\" {\n                over \"ModelA\"\n"
                              "                {\n                    over \"ConeA\"\n"
                              "                    {\n                        color3f[] "
                              "primvars:displayColor = [(1, 0, 0)]\n"
                              "                    }\n                }\n            }\n"
                              "        }\n    }\n}\n";
    // The prim is there, a typed `def`, without crease statements: they go where USD's
    // writer puts them, before the first property that sorts after them.
    const std::string typed = kSublayers +
                              "def \"RootPrim\" {\n  over \"PrimWithVariant\" {\n"
                              "    variantSet \"modelingVariant\" = {\n      \"C\" {\n"
                              "        over \"ModelC\" {\n          def Mesh \"CubeC\" {\n"
                              "            uniform bool doubleSided = 0\n"
                              "            double3 xformOp:translate = (0, 0, 1)\n"
                              "          }\n        }\n      }\n    }\n  }\n}\n";
    // A body on the line that opens it.
    const std::string oneLine = kSublayers +
                                "over \"RootPrim\" { over \"PrimWithVariant\" {\n"
                                "    variantSet \"modelingVariant\" = { \"C\" { } }\n} }\n";
    struct Row {
        const char* what;
        std::string before;  // empty: no layer yet
        std::string prim;
        std::string after;
    } const rows[] = {
        {"a new layer", "", kCubeC, kCubeCLayer},
        {"a second prim, in another variant of the set the layer has", kCubeCLayer, kExtraCube,
         replaced(kCubeCLayer, "        }\n    }\n}\n",
                  "            \"A\" {\n                over \"ModelA\"\n                {\n"
                  "                    over \"ConeA\"\n                    {\n" +
                      extraStuffBlocks(std::string(24, ' ')) +
                      "                    }\n                }\n            }\n"
                      "        }\n    }\n}\n")},
        {"a prim below the variant the layer has", coneA, kExtraCube,
         replaced(
             coneA, "primvars:displayColor = [(1, 0, 0)]\n",
             "primvars:displayColor = [(1, 0, 0)]\n" + extraStuffBlocks(std::string(24, ' ')))},
        {"other opinions, tabs and CR LF", shot, kCubeC, shotJoined},
        {"the prim there without creases", typed, kCubeC,
         replaced(typed, "            uniform bool doubleSided = 0\n",
                  topCreases(std::string(12, ' ')) + "            uniform bool doubleSided = 0\n")},
        {"bodies on one line", oneLine, kCubeC,
         replaced(oneLine, "\"C\" { } }",
                  "\"C\" { \n" + indented(cubeCBlocks, std::string(12, ' ')) + "        } }")},
        {"no prims and no last line break", kSublayers.substr(0, kSublayers.size() - 1), kCubeC,
         kSublayers +
             "over \"RootPrim\"\n{\n    over \"PrimWithVariant\"\n    {\n"
             "        variantSet \"modelingVariant\" = {\n            \"C\" {\n"
             "                over \"ModelC\"\n                {\n"
             "                    over \"CubeC\"\n                    {\n" +
             topCreases(std::string(24, ' ')) +
             "                    }\n                }\n            }\n        }\n    }\n}\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        OverFolder files;
        const std::string asset = readFile(files.asset);
        if (!row.before.empty()) writeFile(files.over, row.before);
        const SceneCreaseReport report = files.run(row.prim);
        ASSERT_EQ(report.outcome, SceneRefusal::None) << report.file;
        EXPECT_EQ(report.node.path, row.prim);
        EXPECT_EQ(report.written, 4);
        EXPECT_EQ(report.replaced, 0);
        EXPECT_TRUE(report.changed);
        EXPECT_EQ(report.output, files.over);
        EXPECT_EQ(readFile(files.over), row.after);
        EXPECT_EQ(readFile(files.asset), asset);
        EXPECT_EQ(files.folder.entries(), (std::vector<std::string>{"assets", "cube.obj", "shot"}));
        EXPECT_EQ(entriesOf(files.folder / "shot"), std::vector<std::string>{"shot.usda"});
    }
}

// The prim's creases in the layer are the ones the stage composes: they are what a run
// keeps, replaces and counts, in whatever form the layer gives them; a run that changes
// nothing writes nothing.
TEST(UsdOverrideMerge, TheLayersCreasesAreThePrimsCreases) {
    // One of the top face's edges at 3, and a crease on an edge that is no crease edge,
    // the arrays wrapped and given over time.
    const std::string creased =
        replaced(kCubeCLayer, topCreases(std::string(24, ' ')),
                 "                        int[] creaseIndices = [2, 3,\n"
                 "                            0, 1, 2, 4, 3, 5, 4, 5]\n"
                 "                        int[] creaseLengths.timeSamples = {\n"
                 "                            1: [2, 2, 2, 2, 2],\n                        }\n"
                 "                        float[] creaseSharpnesses = [3, 10, 10, 10, 10]\n");
    struct Row {
        const char* what;
        std::string before;
        std::string value;
        std::int64_t replaced, kept, dropped;
        bool changed;
        std::string after;  // empty: the layer as it was, not written again
    } const rows[] = {
        {"a rerun", kCubeCLayer, "", 4, 4, 0, false, ""},
        {"a rerun at the same value", kCubeCLayer, "10.0", 4, 4, 0, false, ""},
        {"a new value", kCubeCLayer, "2", 4, 0, 0, true,
         replaced(kCubeCLayer, "[10, 10, 10, 10]", "[2, 2, 2, 2]")},
        {"the layer's own creases in another form", creased, "", 5, 4, 1, true,
         replaced(kCubeCLayer, "[10, 10, 10, 10]", "[3, 10, 10, 10]")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        OverFolder files;
        writeFile(files.over, row.before);
        const SceneCreaseReport report = files.run(kCubeC, row.value);
        ASSERT_EQ(report.outcome, SceneRefusal::None) << report.file;
        EXPECT_EQ(report.written, 4);
        EXPECT_EQ(report.replaced, row.replaced);
        EXPECT_EQ(report.kept, row.kept);
        EXPECT_EQ(report.dropped, row.dropped);
        EXPECT_EQ(report.changed, row.changed);
        EXPECT_EQ(readFile(files.over), row.after.empty() ? row.before : row.after);
        EXPECT_EQ(report.output, row.after.empty() ? std::string() : files.over);
        EXPECT_EQ(entriesOf(files.folder / "shot"), std::vector<std::string>{"shot.usda"});
        // Run again, it changes nothing and writes nothing: the layer keeps its time of an
        // hour ago.
        const std::string written = readFile(files.over);
        const auto hourAgo = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
        std::filesystem::last_write_time(files.over, hourAgo);
        // As the file system keeps it (Windows keeps 100 ns steps).
        const auto stamped = std::filesystem::last_write_time(files.over);
        const SceneCreaseReport again = files.run(kCubeC, row.value, true);
        EXPECT_EQ(again.outcome, SceneRefusal::None);
        EXPECT_FALSE(again.changed);
        EXPECT_EQ(again.replaced, 4);
        EXPECT_EQ(again.output, std::string());
        EXPECT_EQ(readFile(files.over), written);
        EXPECT_EQ(std::filesystem::last_write_time(files.over), stamped);
    }
}

// A file that is no override layer of the asset is refused and left as it was; so is
// every other file.
TEST(UsdOverrideMerge, AFileThatIsNoOverrideLayerOfTheAssetIsRefused) {
    const std::string otherSublayers =
        "#usda 1.0\n(\n    subLayers = [@./scene.usda@, @../assets/other.usda@]\n)\n";
    struct Row {
        const char* what;
        std::string bytes;
        ForeignOverLayer foreign;
        std::int64_t line;
    } const rows[] = {
        {"a Maya scene", readFile(realDataPath("cgkit__objects.ma")), ForeignOverLayer::MayaScene,
         0},
        {"a binary USD layer", readFile(realDataPath("usdc/mayausd__Table.maya.usd")),
         ForeignOverLayer::UsdBinary, 0},
        {"a package", std::string("PK\x03\x04\0\0\0\0", 8), ForeignOverLayer::UsdPackage, 0},
        {"plain text", "over \"RootPrim\" {}\n", ForeignOverLayer::NotUsd, 0},
        {"an empty file", "", ForeignOverLayer::NotUsd, 0},
        {"a layer with no sublayers", readFile(realDataPath("usd/arnoldusd__test_0046_scene.usda")),
         ForeignOverLayer::NoSublayers, 0},
        {"a layer with other sublayers", otherSublayers, ForeignOverLayer::OtherSublayers, 0},
        {"a damaged layer", kSublayers + "over \"RootPrim\"\n{\n    over \"A\"\n    {\n}\n",
         ForeignOverLayer::Damaged, 7},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        OverFolder files;
        writeFile(files.folder / "shot/scene.usda", "#usda 1.0\n");  // another layer by the name
        writeFile(files.over, row.bytes);
        const std::string asset = readFile(files.asset);
        const SceneCreaseReport report = files.run(kCubeC);
        EXPECT_EQ(report.outcome, SceneRefusal::OverLayerForeign);
        EXPECT_EQ(report.foreignOverLayer, row.foreign);
        EXPECT_EQ(report.file, files.over);
        EXPECT_EQ(report.line, row.line);
        EXPECT_EQ(readFile(files.over), row.bytes);
        EXPECT_EQ(readFile(files.asset), asset);
        EXPECT_EQ(entriesOf(files.folder / "shot").size(), 2u);
    }
}

// The sublayer is the asset whatever way it is named: by its absolute path, or through
// a link to its folder.
TEST(UsdOverrideMerge, TheAssetIsFoundByAnyPath) {
    OverFolder files;
    std::vector<std::string> names = {std::filesystem::absolute(files.asset).string()};
#ifndef _WIN32
    std::filesystem::create_directory_symlink(files.folder / "assets", files.folder / "shot/link");
    names.push_back("link/scene.usda");
#endif
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::string before = "#usda 1.0\n(\n    subLayers = [@" + name + "@]\n)\n";
        writeFile(files.over, before);
        EXPECT_EQ(files.run(kCubeC).outcome, SceneRefusal::None);
        EXPECT_EQ(readFile(files.over).compare(0, before.size(), before), 0);
    }
}

}  // namespace
