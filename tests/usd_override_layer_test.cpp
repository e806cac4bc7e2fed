#include "scene/usd/usd_override_layer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "scene/usd/usd_crease_statements.h"
#include "scene/usd/usd_layer_scanner.h"
#include "support.h"

using tessaryn::CreaseEdgeSet;
using tessaryn::PlannedCrease;
using tessaryn::SceneFacts;
using tessaryn::SceneNode;
using tessaryn::SceneRefusal;
using testing_support::readFile;
using testing_support::realDataPath;
using testing_support::TempFolder;
using testing_support::writeFile;

namespace {

TEST(UsdCreaseStatements, OneChainPerEdgeInAscendingOrder) {
    SceneNode node;
    node.indent = "\t\t";
    node.lineEnding = "\r\n";
    // Given in any order and either way round.
    const std::vector<PlannedCrease> creases = {{4, 2, 0, "10"}, {0, 1, 0, "0.5"}, {0, 3, 0, "10"}};
    EXPECT_EQ(tessaryn::usdCreaseStatements(node, creases),
              "\t\tint[] creaseIndices = [0, 1, 0, 3, 2, 4]\r\n"
              "\t\tint[] creaseLengths = [2, 2, 2]\r\n"
              "\t\tfloat[] creaseSharpnesses = [0.5, 10, 10]\r\n");
}

// The override layer's lines with their indentation taken off, for a reading by structure.
std::vector<std::string> trimmedLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t first = line.find_first_not_of(' ');
        if (first != std::string::npos) lines.push_back(line.substr(first));
    }
    return lines;
}

struct OverCase {
    TempFolder folder;
    std::string layer = folder / "assets/multi_variants.usda";
    std::string over = folder / "shots/over.usda";
    std::string original = readFile(realDataPath("usd/mayausd__multi_variants.usda"));
    SceneFacts facts;
    const SceneNode* node = nullptr;
    std::vector<PlannedCrease> creases = {{0, 1, 0, "10"}, {1, 3, 0, "10"}};

    explicit OverCase(const std::string& layerText) {
        testing_support::makeFolder(folder / "assets");
        testing_support::makeFolder(folder / "shots");
        writeFile(layer, layerText);
        tessaryn::LineReader reader;
        EXPECT_TRUE(reader.open(layer.c_str()));
        facts = tessaryn::scanUsdLayer(reader, CreaseEdgeSet());
        for (const SceneNode& each : facts.nodes)
            if (each.name == "ExtraCube") node = &each;
    }
    SceneRefusal write(const std::string& to) {
        std::string badName;
        return tessaryn::writeUsdOverrideLayer(layer.c_str(), to.c_str(), facts, *node, creases,
                                               badName);
    }
};

// A mesh two variant selections deep, in a layer one folder away.
TEST(UsdOverrideLayer, ReadsBackByStructure) {
    for (const bool crlf : {false, true}) {
        SCOPED_TRACE(crlf ? "CR LF" : "LF");
        OverCase c(crlf ? testing_support::toCrlf(
                              readFile(realDataPath("usd/mayausd__multi_variants.usda")))
                        : readFile(realDataPath("usd/mayausd__multi_variants.usda")));
        ASSERT_NE(c.node, nullptr);
        const std::string layerBefore = readFile(c.layer);
        ASSERT_EQ(c.write(c.over), SceneRefusal::None);
        EXPECT_EQ(readFile(c.layer), layerBefore);
        const std::string text = readFile(c.over);
        EXPECT_EQ(text.find(crlf ? "\n" : "\r"), crlf ? text.find("\r\n") + 1 : std::string::npos);
        EXPECT_EQ(trimmedLines(text),
                  (std::vector<std::string>{"#usda 1.0",
                                            "(",
                                            "defaultPrim = \"RootPrim\"",
                                            "upAxis = \"Z\"",
                                            "subLayers = [",
                                            "@../assets/multi_variants.usda@",
                                            "]",
                                            ")",
                                            "over \"RootPrim\"",
                                            "{",
                                            "over \"PrimWithVariant\"",
                                            "{",
                                            "variantSet \"modelingVariant\" = {",
                                            "\"A\" {",
                                            "over \"ModelA\"",
                                            "{",
                                            "over \"ConeA\"",
                                            "{",
                                            "variantSet \"extraStuff\" = {",
                                            "\"Cube\" {",
                                            "over \"ExtraCube\"",
                                            "{",
                                            "int[] creaseIndices = [0, 1, 1, 3]",
                                            "int[] creaseLengths = [2, 2]",
                                            "float[] creaseSharpnesses = [10, 10]",
                                            "}",
                                            "}",
                                            "}",
                                            "}",
                                            "}",
                                            "}",
                                            "}",
                                            "}",
                                            "}"}));
        // A layer the scanner reads whole; it defines no mesh of its own.
        testing_support::InMemory written(text);
        const SceneFacts reread = tessaryn::scanUsdLayer(written.lines, CreaseEdgeSet());
        EXPECT_EQ(reread.problem, tessaryn::SceneRefusal::None);
        EXPECT_EQ(reread.rootMetadata, c.facts.rootMetadata);
    }
}

TEST(UsdOverrideLayer, SublayerPathsAreRelative) {
    EXPECT_EQ(tessaryn::sublayerAssetPath("a/b/layer.usda", "a/b/over.usda"), "./layer.usda");
    EXPECT_EQ(tessaryn::sublayerAssetPath("a/b/layer.usda", "a/over.usda"), "./b/layer.usda");
    EXPECT_EQ(tessaryn::sublayerAssetPath("a/b/layer.usda", "a/c/d/over.usda"),
              "../../b/layer.usda");
    EXPECT_EQ(tessaryn::sublayerAssetPath("layer.usda", "x/../over.usda"), "./layer.usda");
}

TEST(UsdOverrideLayer, RefusesTheLayerItselfAndLeavesItAsItWas) {
    OverCase c(readFile(realDataPath("usd/mayausd__multi_variants.usda")));
    ASSERT_NE(c.node, nullptr);
    std::vector<std::string> same = {c.layer, c.folder / "shots/../assets/multi_variants.usda"};
#ifndef _WIN32
    std::filesystem::create_symlink(c.layer, c.folder / "link.usda");
    same.push_back(c.folder / "link.usda");
#endif
    for (const std::string& path : same) {
        SCOPED_TRACE(path);
        EXPECT_EQ(c.write(path), SceneRefusal::OverIsTheLayer);
        EXPECT_EQ(readFile(c.layer), c.original);
    }
    EXPECT_EQ(c.write(c.folder / "missing/over.usda"), SceneRefusal::Unwritable);
    EXPECT_FALSE(testing_support::fileExists(c.folder / "missing"));
    // The writer makes a whole new layer over whatever stands there: the road joins an
    // override layer that exists instead (usd_override_merge_test.cpp).
    writeFile(c.over, "old");
    EXPECT_EQ(c.write(c.over), SceneRefusal::None);
    EXPECT_EQ(readFile(c.over).compare(0, 9, "#usda 1.0"), 0);
}

}  // namespace
