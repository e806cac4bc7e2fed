#include "scene/scan_copy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "base/line_reader.h"
#include "crease/crease_edges.h"
#include "scene/crease_plan.h"
#include "scene/scene_creases.h"
#include "scene/usd/usd_crease_statements.h"
#include "scene/usd/usd_layer_scanner.h"
#include "both_ways.h"
#include "support.h"

using tessaryn::ByteRange;
using tessaryn::SceneNode;
using tessaryn::SceneRefusal;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

namespace {

// The scene with `text` in place of the first range and the others left out.
std::string spliced(const std::string& scene, const std::vector<ByteRange>& ranges,
                    const std::string& text) {
    std::string out;
    std::size_t at = 0;
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        out += scene.substr(at, ranges[i].start - at);
        if (i == 0) out += text;
        at = ranges[i].end;
    }
    return out + scene.substr(at);
}

// The copy is fed as a scanner feeds it: the scene in passes of `step` bytes, the node
// A guess whose statements are `text` and change the node's creases.
std::function<tessaryn::GuessedStatements(const SceneNode&)> changing(const char* text) {
    return [text](const SceneNode&) { return tessaryn::GuessedStatements{text, false}; };
}

// opened and placed at the passes that reach them, the rest left to finish().
TEST(ScanCopy, CopiesTheScanWithTheStatementsWhereTheNodeIsPlaced) {
    const std::string scene = "#head\ndef N {\n  a\n  b\n  c\n}\ntail\n";
    const std::uint64_t nodeStart = scene.find("def");
    const std::uint64_t a = scene.find("  a"), b = scene.find("  b"), c = scene.find("  c");
    struct Row {
        const char* what;
        std::vector<ByteRange> ranges;
    } const rows[] = {
        {"insert", {{b, b}}},
        {"replace one", {{a, b}}},
        {"replace two", {{a, b}, {c, c + 4}}},
        {"insert at the end", {{scene.size(), scene.size()}}},
        {"replace the last bytes", {{c, scene.size()}}},
    };
    for (const Row& row : rows) {
        for (const std::size_t step : {1u, 2u, 5u, 13u, 1000u}) {
            SCOPED_TRACE(std::string(row.what) + ", passes of " + std::to_string(step));
            TempFolder folder;
            writeFile(folder / "scene", scene);
            tessaryn::ScanCopy copy(folder / "scene", "", false, changing("NEW\n"));
            ASSERT_TRUE(copy.open(folder / "out"));
            // The node is placed once the scan has passed its place, as a scanner learns it.
            const std::uint64_t placedAt = std::min<std::uint64_t>(
                scene.size(), std::max(row.ranges.front().start, row.ranges.back().end) + 1);
            bool opened = false, placed = false;
            for (std::uint64_t at = 0; at < scene.size();) {
                const std::uint64_t end = std::min<std::uint64_t>(at + step, scene.size());
                if (!opened && end > nodeStart) {
                    copy.nodeOpened("/N", "N", nodeStart);
                    opened = true;
                }
                if (!placed && end >= placedAt) {
                    SceneNode node;
                    node.path = "/N";
                    node.creaseStatements = row.ranges;
                    if (row.ranges.front().start == row.ranges.front().end) {
                        node.creaseStatements.clear();
                        node.insertAt = row.ranges.front().start;
                    }
                    copy.nodePlaced(node);
                    placed = true;
                }
                copy.passed(end, std::string_view(scene).substr(at, end - at));
                at = end;
            }
            ASSERT_TRUE(copy.guessed("/N", row.ranges, "NEW\n"));
            EXPECT_FALSE(copy.guessed("/M", row.ranges, "NEW\n"));
            EXPECT_FALSE(copy.guessed("/N", row.ranges, "OLD\n"));
            tessaryn::SceneStamp stamp = tessaryn::stampScene(folder / "scene");
            stamp.size = scene.size();
            int error = 0;
            ASSERT_EQ(copy.finish(stamp, error), SceneRefusal::None);
            EXPECT_EQ(readFile(folder / "out"), spliced(scene, row.ranges, "NEW\n"));
        }
    }
}

// Nothing is written before the node is placed: a node placed after the scan has let go
// of its place is copied from the scene read again. A node never placed cannot be guessed.
TEST(ScanCopy, AGuessThatCannotHoldIsDropped) {
    TempFolder folder;
    const std::string scene = "0123456789abcdef";
    writeFile(folder / "scene", scene);
    tessaryn::ScanCopy late(folder / "scene", "", false, changing("X"));
    ASSERT_TRUE(late.open(folder / "out"));
    late.passed(8, std::string_view(scene).substr(0, 8));
    EXPECT_FALSE(testing_support::fileExists(folder / "out"));
    late.nodeOpened("/N", "N", 2);
    SceneNode node;
    node.path = "/N";
    node.insertAt = 4;
    late.nodePlaced(node);
    late.passed(16, std::string_view(scene).substr(8));
    EXPECT_TRUE(late.guessed("/N", {{4, 4}}, "X"));
    tessaryn::SceneStamp stamp = tessaryn::stampScene(folder / "scene");
    stamp.size = scene.size();
    int error = 0;
    ASSERT_EQ(late.finish(stamp, error), SceneRefusal::None);
    EXPECT_EQ(readFile(folder / "out"), "0123X456789abcdef");

    tessaryn::ScanCopy unplaced(folder / "scene", "M", false, changing("X"));
    ASSERT_TRUE(unplaced.open(folder / "unplaced"));
    unplaced.nodeOpened("/N", "N", 2);  // not the node asked for
    unplaced.nodePlaced(node);
    EXPECT_FALSE(unplaced.guessed("/N", {{4, 4}}, "X"));
    EXPECT_FALSE(testing_support::fileExists(folder / "unplaced"));
}

// A guess that changes none of the node's creases starts no copy in place: a rerun
// writes nothing, not even a temporary file. A copy elsewhere is written all the same.
TEST(ScanCopy, AnUnchangedGuessWritesNothingInPlace) {
    const std::string scene = "#head\ndef N {\n  a\n}\n";
    for (const bool elsewhere : {false, true}) {
        SCOPED_TRACE(elsewhere ? "elsewhere" : "in place");
        TempFolder folder;
        writeFile(folder / "scene", scene);
        tessaryn::ScanCopy copy(folder / "scene", "", elsewhere, [](const SceneNode&) {
            return tessaryn::GuessedStatements{"  a\n", true};
        });
        ASSERT_TRUE(copy.open(folder / (elsewhere ? "out" : "scene")));
        copy.nodeOpened("/N", "N", 6);
        SceneNode node;
        node.path = "/N";
        node.creaseStatements = {{14, 18}};
        copy.nodePlaced(node);
        copy.passed(scene.size(), scene);
        if (!elsewhere) {
            EXPECT_EQ(folder.entries().size(), 1u);  // no temporary file
            EXPECT_FALSE(copy.guessed("/N", {{14, 18}}, "  a\n"));
            continue;
        }
        ASSERT_TRUE(copy.guessed("/N", {{14, 18}}, "  a\n"));
        tessaryn::SceneStamp stamp = tessaryn::stampScene(folder / "scene");
        stamp.size = scene.size();
        int error = 0;
        ASSERT_EQ(copy.finish(stamp, error), SceneRefusal::None);
        EXPECT_EQ(readFile(folder / "out"), scene);
    }
}

// A scene that grew after it was read is not replaced by the copy.
TEST(ScanCopy, ASceneChangedSinceTheScanIsLeftAlone) {
    TempFolder folder;
    const std::string scene = "abcdef\n";
    writeFile(folder / "scene", scene);
    tessaryn::ScanCopy copy(folder / "scene", "", false, changing("X\n"));
    ASSERT_TRUE(copy.open(folder / "scene"));
    copy.nodeOpened("/N", "N", 0);
    SceneNode node;
    node.path = "/N";
    node.insertAt = 3;
    copy.nodePlaced(node);
    tessaryn::SceneStamp stamp;  // no time known: the size alone tells
    stamp.size = scene.size();
    writeFile(folder / "scene", scene + "more\n");
    int error = 0;
    EXPECT_EQ(copy.finish(stamp, error), SceneRefusal::SceneChanged);
    EXPECT_EQ(readFile(folder / "scene"), scene + "more\n");
}

// ---- The road, on layers larger than the scan's blocks.

// A strip of `quads` quads: points 0..quads along the bottom, quads+1.. along the top.
struct Strip {
    std::string counts, indices, points, obj;
};

Strip strip(int quads, const std::string& eol) {
    Strip s;
    std::string v;
    for (int row = 0; row < 2; ++row)
        for (int i = 0; i <= quads; ++i) {
            s.points += std::string(s.points.empty() ? "" : ", ") + "(" + std::to_string(i) + ", " +
                        std::to_string(row) + ", 0)";
            v += "v " + std::to_string(i) + " " + std::to_string(row) + " 0" + eol;
        }
    std::string faces;
    for (int i = 0; i < quads; ++i) {
        const int corners[4] = {i, i + 1, i + quads + 2, i + quads + 1};
        s.counts += std::string(i == 0 ? "" : ", ") + "4";
        if (i == 0 || i == quads / 2) faces += std::string(i == 0 ? "g left" : "g right") + eol;
        faces += "f";
        for (const int corner : corners) {
            s.indices += std::string(s.indices.empty() ? "" : ", ") + std::to_string(corner);
            faces += " " + std::to_string(corner + 1);
        }
        faces += eol;
    }
    s.obj = v + faces;
    return s;
}

std::string meshPrim(const std::string& name, const Strip& s, const std::string& before,
                     const std::string& after, const std::string& eol) {
    return "def Mesh \"" + name + "\"" + eol + "{" + eol + before +
           "    int[] faceVertexCounts = [" + s.counts + "]" + eol +
           "    int[] faceVertexIndices = [" + s.indices + "]" + eol + after +
           "    point3f[] points = [" + s.points + "]" + eol + "}" + eol;
}

// What the road must write, found without it: the layer scanned from memory, planned,
// and its statements spliced in.
std::string expectedLayer(const std::string& layer, const std::string& obj,
                          const std::string& path) {
    testing_support::InMemory objText(obj);
    tessaryn::CreaseEdges edges;
    EXPECT_EQ(tessaryn::CollectCreaseEdges(objText.lines, 'g', edges), tessaryn::Outcome::Done);
    const tessaryn::CreaseEdgeSet set =
        tessaryn::CreaseEdgeSet::fromObjNumbers(edges.edges, edges.vertexPositions);
    testing_support::InMemory layerText(layer);
    const tessaryn::SceneFacts facts = tessaryn::scanUsdLayer(layerText.lines, set);
    for (const SceneNode& node : facts.nodes) {
        if (node.path != path) continue;
        const tessaryn::CreasePlan plan = tessaryn::planCreases(node, set, "", false);
        std::vector<ByteRange> ranges = node.creaseStatements;
        if (ranges.empty()) ranges.push_back({node.insertAt, node.insertAt});
        return spliced(layer, ranges, tessaryn::usdCreaseStatements(node, plan.creases));
    }
    ADD_FAILURE() << "no node " << path;
    return "";
}

// Whether the copy is made during the scan or again after it (a first mesh that is not
// the one chosen, crease statements after the place chosen), the layer comes out the
// same, wherever the scan's block boundaries fall.
// The road on layers larger than the scan's blocks, one case per row so that the rows
// run side by side.
struct ManyBlocksRow {
    const char* name;
    std::size_t mesh;  // where the mesh prim starts, about
    std::string eol;
    std::string before, after;  // properties around the face arrays
    bool otherMeshFirst;
    std::string prim;  // --prim
};

std::vector<ManyBlocksRow> manyBlocksRows() {
    constexpr std::size_t kBlock = std::size_t{1} << 20;
    const std::string creases =
        "    int[] creaseIndices = [0, 1]\n    int[] creaseLengths = [2]\n"
        "    float[] creaseSharpnesses = [3]\n";
    return {
        {"MeshAtTheStart", 0, "\n", "", "", false, ""},
        {"HeadAcrossABoundary", kBlock - 12, "\n", "", "", false, ""},
        {"PlaceJustPastABoundary", kBlock - 20, "\n", "", "", false, ""},
        {"ThirdBlock", 2 * kBlock + 100, "\n", "", "", false, ""},
        {"CrLf", kBlock - 12, "\r\n", "", "", false, ""},
        {"CreasesReplaced", kBlock - 40, "\n", creases, "", false, ""},
        {"CreasesAfterTheFaces", 100, "\n", "", creases, false, ""},
        {"AnotherMeshFirst", kBlock - 12, "\n", "", "", true, ""},
        {"ThePrimAskedFor", kBlock - 12, "\n", "", "", true, "/strip"},
    };
}

class LayersOfManyBlocks : public testing::TestWithParam<ManyBlocksRow> {};

TEST_P(LayersOfManyBlocks, ComeOutAsSplicedInMemory) {
    const ManyBlocksRow& row = GetParam();
    const Strip mesh = strip(20000, "\n");  // arrays of about 0.4 MB, across the blocks
    const Strip other = strip(3, "\n");
    const std::string eol = row.eol;
    std::string layer = "#usda 1.0" + eol;
    if (row.otherMeshFirst) layer += meshPrim("other", other, "", "", eol);
    const std::string padHead = "def \"pad\"" + eol + "{" + eol + "    custom string note = \"";
    const std::string padTail = "\"" + eol + "}" + eol;
    const std::size_t fill = layer.size() + padHead.size() + padTail.size();
    if (row.mesh > fill) layer += padHead + std::string(row.mesh - fill, 'x') + padTail;
    std::string before = row.before, after = row.after;
    if (eol != "\n") {
        before = testing_support::toCrlf(before);
        after = testing_support::toCrlf(after);
    }
    layer += meshPrim("strip", mesh, before, after, eol);

    TempFolder folder;
    writeFile(folder / "strip.obj", mesh.obj);
    writeFile(folder / "layer.usda", layer);
    tessaryn::SceneCreaseRequest request;
    request.objPath = folder / "strip.obj";
    request.scenePath = folder / "layer.usda";
    request.node = row.prim;
    const tessaryn::SceneCreaseReport report =
        testing_support::writeSceneCreasesBothWays(request, {request.scenePath});
    ASSERT_EQ(report.outcome, tessaryn::SceneRefusal::None);
    EXPECT_EQ(report.node.path, "/strip");
    const std::string written = readFile(folder / "layer.usda");
    const std::string expected = expectedLayer(layer, mesh.obj, "/strip");
    ASSERT_EQ(written.size(), expected.size());
    EXPECT_TRUE(written == expected);
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"layer.usda", "strip.obj"}));
}

INSTANTIATE_TEST_SUITE_P(ScanCopy, LayersOfManyBlocks, testing::ValuesIn(manyBlocksRows()),
                         [](const testing::TestParamInfo<ManyBlocksRow>& row) {
                             return std::string(row.param.name);
                         });

}  // namespace
