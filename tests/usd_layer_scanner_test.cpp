#include "scene/usd/usd_layer_scanner.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/line_reader.h"
#include "crease/crease_edges.h"
#include "scene/usd/usd_crease_statements.h"
#include "scene/usd/usd_name_order.h"
#include "support.h"

using tessaryn::CreaseEdgeSet;
using tessaryn::NodeProblem;
using tessaryn::SceneFacts;
using tessaryn::SceneNode;
using tessaryn::SceneRefusal;
using testing_support::readFile;
using testing_support::realDataPath;

namespace {

using Edge = std::pair<int, int>;  // 0-based, smaller first

// The layer's metadata as the override layer writes each entry.
std::vector<std::string> metadataLines(const SceneFacts& facts) {
    std::vector<std::string> lines;
    for (const tessaryn::LayerMetadatum& entry : facts.rootMetadata)
        lines.push_back(entry.name + " = " + entry.value);
    return lines;
}

CreaseEdgeSet creaseSet(const std::set<Edge>& edges) {
    std::vector<tessaryn::EdgeKey> keys;
    for (const Edge& edge : edges) keys.push_back(tessaryn::edgeKey(edge.first, edge.second));
    return CreaseEdgeSet(keys, 1u << 20);
}

const SceneNode* findNode(const SceneFacts& facts, const std::string& path) {
    for (const SceneNode& node : facts.nodes)
        if (node.path == path) return &node;
    return nullptr;
}

std::set<Edge> hitEdges(const SceneNode& node, const CreaseEdgeSet& set) {
    std::set<Edge> edges;
    for (const tessaryn::CreaseHit& hit : node.hits) {
        const tessaryn::EdgeKey key = set.edge(hit.creaseEdge);
        edges.insert({static_cast<int>(key >> 32), static_cast<int>(key & 0xFFFFFFFFu)});
    }
    return edges;
}

// What the shared rewrite does with a node's facts: the first statement range takes the
// new statements, the others go; with none, the statements go in at insertAt.
std::string rewrite(const std::string& text, const SceneNode& node, const std::string& statements) {
    if (node.creaseStatements.empty())
        return text.substr(0, node.insertAt) + statements + text.substr(node.insertAt);
    std::string out = text.substr(0, node.creaseStatements[0].start) + statements;
    for (std::size_t i = 0; i < node.creaseStatements.size(); ++i) {
        const std::uint64_t end =
            i + 1 < node.creaseStatements.size() ? node.creaseStatements[i + 1].start : text.size();
        out += text.substr(node.creaseStatements[i].end, end - node.creaseStatements[i].end);
    }
    return out;
}

std::vector<tessaryn::PlannedCrease> planned(const std::set<Edge>& edges,
                                             const std::string& value) {
    std::vector<tessaryn::PlannedCrease> creases;
    for (const Edge& edge : edges) creases.push_back({edge.first, edge.second, 0, value});
    return creases;
}

// The creases a node carries, as edges with their values.
std::map<Edge, double> carried(const SceneNode& node, const CreaseEdgeSet& set) {
    std::map<Edge, double> creases;
    for (const tessaryn::NodeCrease& crease : node.creases) {
        EXPECT_GE(crease.creaseEdge, 0) << node.path;
        if (crease.creaseEdge < 0) continue;
        const tessaryn::EdgeKey key = set.edge(crease.creaseEdge);
        creases[{static_cast<int>(key >> 32), static_cast<int>(key & 0xFFFFFFFFu)}] = crease.value;
    }
    return creases;
}

// ---- The test's own reading of a mesh, apart from the scanner: the first arrays of each
// name after the prim's line.

std::size_t lineOffset(const std::string& text, std::int64_t line) {
    std::size_t at = 0;
    for (std::int64_t i = 1; i < line; ++i) at = text.find('\n', at) + 1;
    return at;
}

std::vector<int> integersAfter(const std::string& text, std::size_t from, const char* name) {
    const std::size_t at = text.find('[', text.find(name, from));
    const std::size_t end = text.find(']', at);
    std::vector<int> values;
    for (const char* p = text.c_str() + at + 1; p < text.c_str() + end;) {
        char* next = nullptr;
        const long value = std::strtol(p, &next, 10);
        if (next == p) {
            ++p;
            continue;
        }
        values.push_back(static_cast<int>(value));
        p = next;
    }
    return values;
}

std::vector<std::array<double, 3>> pointsAfter(const std::string& text, std::size_t from) {
    std::size_t at = text.find(" points", from);
    at = text.find('[', at);
    const std::size_t end = text.find(']', at);
    std::vector<std::array<double, 3>> points;
    for (std::size_t open = text.find('(', at); open < end; open = text.find('(', open + 1)) {
        std::array<double, 3> point{};
        const char* p = text.c_str() + open + 1;
        for (double& coordinate : point) {
            char* next = nullptr;
            coordinate = std::strtod(p, &next);
            p = next + 1;
        }
        points.push_back(point);
    }
    return points;
}

// One group per face by the axis its normal leans to most: the borders between them are
// the mesh's sharp turns, a real crease set on any real mesh.
std::vector<int> normalGroups(const std::vector<int>& counts, const std::vector<int>& indices,
                              const std::vector<std::array<double, 3>>& points) {
    std::vector<int> groups;
    std::size_t at = 0;
    for (const int count : counts) {
        double normal[3] = {0, 0, 0};
        for (int k = 0; k < count; ++k) {
            const auto& a = points[static_cast<std::size_t>(indices[at + k])];
            const auto& b = points[static_cast<std::size_t>(indices[at + (k + 1) % count])];
            normal[0] += (a[1] - b[1]) * (a[2] + b[2]);
            normal[1] += (a[2] - b[2]) * (a[0] + b[0]);
            normal[2] += (a[0] - b[0]) * (a[1] + b[1]);
        }
        int axis = 0;
        for (int i = 1; i < 3; ++i)
            if (std::fabs(normal[i]) > std::fabs(normal[axis])) axis = i;
        groups.push_back(axis * 2 + (normal[axis] < 0 ? 1 : 0));
        at += static_cast<std::size_t>(count);
    }
    return groups;
}

// The edges an odd number of faces of one group use, counted here face by face.
std::set<Edge> groupBorders(const std::vector<int>& counts, const std::vector<int>& indices,
                            const std::vector<int>& groups) {
    std::map<std::pair<Edge, int>, int> uses;
    std::size_t at = 0;
    for (std::size_t face = 0; face < counts.size(); ++face) {
        for (int k = 0; k < counts[face]; ++k) {
            const int a = indices[at + k];
            const int b = indices[at + (k + 1) % counts[face]];
            ++uses[{{std::min(a, b), std::max(a, b)}, groups[face]}];
        }
        at += static_cast<std::size_t>(counts[face]);
    }
    std::set<Edge> borders;
    for (const auto& use : uses)
        if (use.second % 2 == 1) borders.insert(use.first.first);
    return borders;
}

std::string objText(const std::vector<int>& counts, const std::vector<int>& indices,
                    const std::vector<std::array<double, 3>>& points,
                    const std::vector<int>& groups) {
    std::string obj;
    for (const auto& point : points)
        obj += "v " + std::to_string(point[0]) + " " + std::to_string(point[1]) + " " +
               std::to_string(point[2]) + "\n";
    std::size_t at = 0;
    for (std::size_t face = 0; face < counts.size(); ++face) {
        obj += "g axis" + std::to_string(groups[face]) + "\nf";
        for (int k = 0; k < counts[face]; ++k) obj += " " + std::to_string(indices[at + k] + 1);
        obj += "\n";
        at += static_cast<std::size_t>(counts[face]);
    }
    return obj;
}

// ---- The real layers.

struct RealMesh {
    const char* file;
    const char* path;
    std::int64_t vertices;
    bool subdivisionNone;
    std::size_t creases;  // edges creased before
};

const RealMesh kRealMeshes[] = {
    {"arnoldusd__test_0169_scene.usda", "/pCube1/pCubeShape1", 8, false, 4},
    {"arnoldusd__test_0135_test.usda", "/testgeometry_rubbertoy1/mesh_0", 12874, true, 0},
    {"arnoldusd__test_0243_test.usda", "/root/Teapot001", 2082, true, 0},
    {"arnoldusd__test_0221_test.usda", "/asset_A{model=cube}geo/cube/mesh_0", 56, true, 0},
    {"arnoldusd__test_0221_test.usda", "/asset_A{model=sphere}geo/sphere/mesh_0", 266, true, 0},
    {"arnoldusd__test_0221_test.usda", "/asset_B{model=teapot}geo/sphere/mesh_0", 2112, true, 0},
    {"arnoldusd__test_0221_test.usda", "/asset_B{model=torus}geo/torus/mesh_0", 288, true, 0},
    {"arnoldusd__test_0046_scene.usda", "/pSphere1/pSphereShape1", 382, true, 0},
    {"mayausd__UsdImportUVSetsTestWithCreases.usda",
     "/UsdImportUVSetsTestWithCreases/Geom/CubeMeshes/CreasedCube", 8, false, 8},
    {"mayausd__DeformingCube.usda", "/DeformingCube/Geom/Cube", 8, true, 0},
    {"mayausd__two_mesh_spheres.usda", "/group/Sphere1", 382, false, 0},
    {"mayausd__two_mesh_spheres.usda", "/group/Sphere2", 382, false, 0},
    {"mayausd__multi_variants.usda", "/RootPrim/PrimWithVariant{modelingVariant=A}ModelA/ConeA", 21,
     false, 0},
    {"mayausd__multi_variants.usda",
     "/RootPrim/PrimWithVariant{modelingVariant=A}ModelA/ConeA{extraStuff=Cube}ExtraCube", 8, false,
     0},
    {"mayausd__multi_variants.usda",
     "/RootPrim/PrimWithVariant{modelingVariant=A}ModelA/ConeA{extraStuff=Cylinder}ExtraCylinder",
     42, false, 0},
    {"mayausd__multi_variants.usda", "/RootPrim/PrimWithVariant{modelingVariant=B}ModelB/CylinderB",
     42, false, 0},
    {"mayausd__multi_variants.usda", "/RootPrim/PrimWithVariant{modelingVariant=C}ModelC/CubeC", 8,
     false, 0},
    {"mayausd__appleBite_asset_flattened.usda", "/Flattened_Master_1/geo/skin", 952, true, 0},
    {"mayausd__appleBite_asset_flattened.usda", "/Flattened_Master_1/geo/stem", 60, true, 0},
    {"mayausd__appleBite_asset_flattened.usda", "/Flattened_Master_1/geo/pulp", 1642, true, 0},
    {"usdwg__bolt.usda", "/World/Geometry/bolt", 154, false, 0},
};

std::string realLayer(const char* file) {
    return readFile(realDataPath(std::string("usd/") + file));
}

// The layer in a heap block of its own size, read where it lies.
SceneFacts scanInMemory(std::string_view layer, const CreaseEdgeSet& creaseEdges) {
    testing_support::InMemory bytes(layer);
    return tessaryn::scanUsdLayer(bytes.lines, creaseEdges);
}

TEST(UsdLayerScanner, RealLayersListEveryMeshPrimInOrder) {
    std::map<std::string, std::vector<const RealMesh*>> byFile;
    for (const RealMesh& mesh : kRealMeshes) byFile[mesh.file].push_back(&mesh);
    for (const auto& file : byFile) {
        SCOPED_TRACE(file.first);
        tessaryn::LineReader layer;
        ASSERT_TRUE(layer.open(realDataPath("usd/" + file.first).c_str()));
        const SceneFacts facts = tessaryn::scanUsdLayer(layer, CreaseEdgeSet());
        ASSERT_EQ(facts.problem, SceneRefusal::None);
        EXPECT_EQ(facts.format, tessaryn::SceneFormat::Usd);
        EXPECT_EQ(facts.size, realLayer(file.first.c_str()).size());
        ASSERT_EQ(facts.nodes.size(), file.second.size());
        for (std::size_t i = 0; i < facts.nodes.size(); ++i) {
            const SceneNode& node = facts.nodes[i];
            const RealMesh& mesh = *file.second[i];
            EXPECT_EQ(node.path, mesh.path);
            EXPECT_EQ(node.path.substr(node.path.size() - node.name.size()), node.name);
            EXPECT_EQ(node.vertexCount, mesh.vertices) << node.path;
            EXPECT_EQ(node.problem, NodeProblem::None) << node.path;
            EXPECT_EQ(node.warnings.size(), mesh.subdivisionNone ? 1u : 0u) << node.path;
            EXPECT_EQ(node.creases.size(), mesh.creases) << node.path;
            EXPECT_EQ(node.creaseStatements.size(), mesh.creases > 0 ? 3u : 0u) << node.path;
            EXPECT_EQ(node.lineEnding, "\n");
        }
    }
}

TEST(UsdLayerScanner, RealLayersMetadataAsWritten) {
    const SceneFacts facts =
        scanInMemory(realLayer("arnoldusd__test_0169_scene.usda"), CreaseEdgeSet());
    EXPECT_EQ(metadataLines(facts),
              (std::vector<std::string>{"defaultPrim = \"pCube1\"", "endTimeCode = 80.25",
                                        "framesPerSecond = 24", "metersPerUnit = 0.01",
                                        "startTimeCode = 1.25", "timeCodesPerSecond = 24",
                                        "upAxis = \"Y\""}));
    // doc and customLayerData are not among them.
    const SceneFacts apple =
        scanInMemory(realLayer("mayausd__appleBite_asset_flattened.usda"), CreaseEdgeSet());
    EXPECT_EQ(metadataLines(apple),
              (std::vector<std::string>{"defaultPrim = \"apple\"", "metersPerUnit = 1",
                                        "upAxis = \"Y\""}));
}

// Each real mesh, grouped by face normal: the scan finds every group border among the
// prim's face edges, and the layer given those creases reads back with exactly them,
// whatever creases it carried before, and with every other mesh as it was.
TEST(UsdLayerScanner, RealMeshesTakeTheirGroupBorders) {
    for (const bool crlf : {false, true}) {
        for (const RealMesh& mesh : kRealMeshes) {
            SCOPED_TRACE(std::string(mesh.path) + (crlf ? " (CR LF)" : ""));
            const std::string lf = realLayer(mesh.file);
            const std::string layer = crlf ? testing_support::toCrlf(lf) : lf;
            const SceneFacts plainFacts = scanInMemory(lf, CreaseEdgeSet());
            const SceneNode* plain = findNode(plainFacts, mesh.path);
            ASSERT_NE(plain, nullptr);
            const std::size_t from = lineOffset(lf, plain->line);
            const std::vector<int> counts = integersAfter(lf, from, "faceVertexCounts");
            const std::vector<int> indices = integersAfter(lf, from, "faceVertexIndices");
            const auto points = pointsAfter(lf, from);
            ASSERT_EQ(static_cast<std::int64_t>(points.size()), mesh.vertices);
            const std::vector<int> groups = normalGroups(counts, indices, points);
            const std::set<Edge> borders = groupBorders(counts, indices, groups);

            testing_support::InMemory obj(objText(counts, indices, points, groups));
            tessaryn::CreaseEdges collected;
            ASSERT_EQ(tessaryn::CollectCreaseEdges(obj.lines, 'g', collected),
                      tessaryn::Outcome::Done);
            const CreaseEdgeSet set =
                CreaseEdgeSet::fromObjNumbers(collected.edges, collected.vertexPositions);

            const SceneFacts facts = scanInMemory(layer, set);
            ASSERT_EQ(facts.problem, SceneRefusal::None);
            const SceneNode* node = findNode(facts, mesh.path);
            ASSERT_NE(node, nullptr);
            EXPECT_EQ(node->lineEnding, crlf ? "\r\n" : "\n");
            EXPECT_EQ(hitEdges(*node, set), borders);
            ASSERT_FALSE(borders.empty());

            const std::string written =
                rewrite(layer, *node, tessaryn::usdCreaseStatements(*node, planned(borders, "10")));
            const SceneFacts after = scanInMemory(written, set);
            ASSERT_EQ(after.problem, SceneRefusal::None);
            ASSERT_EQ(after.nodes.size(), facts.nodes.size());
            for (std::size_t i = 0; i < facts.nodes.size(); ++i) {
                EXPECT_EQ(after.nodes[i].path, facts.nodes[i].path);
                EXPECT_EQ(after.nodes[i].vertexCount, facts.nodes[i].vertexCount);
                if (after.nodes[i].path != mesh.path) {
                    EXPECT_EQ(after.nodes[i].creases.size(), facts.nodes[i].creases.size());
                }
            }
            const SceneNode* rewritten = findNode(after, mesh.path);
            std::map<Edge, double> expected;
            for (const Edge& edge : borders) expected[edge] = 10.0;
            EXPECT_EQ(carried(*rewritten, set), expected);
            ASSERT_EQ(rewritten->creaseStatements.size(), 3u);
            // The statements stand as whole lines, in the layer's line ending, and a second
            // rewrite over the first changes nothing.
            for (const tessaryn::ByteRange& range : rewritten->creaseStatements) {
                EXPECT_TRUE(range.start == 0 || written[range.start - 1] == '\n');
                EXPECT_EQ(
                    written.compare(range.end - (crlf ? 2 : 1), crlf ? 2 : 1, crlf ? "\r\n" : "\n"),
                    0);
            }
            EXPECT_EQ(rewrite(written, *rewritten,
                              tessaryn::usdCreaseStatements(*rewritten, planned(borders, "10"))),
                      written);
        }
    }
}

// The road opens the layer as lines to tell its format, then the scan takes it in blocks:
// a layer of several blocks, whose arrays cross their boundaries, reads as from memory.
TEST(UsdLayerScanner, ReadFromBlocksAsFromMemory) {
    const char* const file = "arnoldusd__test_0135_test.usda";
    const CreaseEdgeSet set = creaseSet({{0, 1}, {5, 6}, {100, 101}});
    tessaryn::LineReader lines;
    ASSERT_TRUE(lines.open(realDataPath(std::string("usd/") + file).c_str()));
    ASSERT_EQ(lines.unread().substr(0, 5), "#usda");
    const SceneFacts blocks = tessaryn::scanUsdLayer(lines, set);
    const SceneFacts memory = scanInMemory(realLayer(file), set);
    ASSERT_EQ(blocks.problem, SceneRefusal::None);
    EXPECT_EQ(blocks.size, memory.size);
    ASSERT_EQ(blocks.nodes.size(), memory.nodes.size());
    for (std::size_t i = 0; i < blocks.nodes.size(); ++i) {
        EXPECT_EQ(blocks.nodes[i].path, memory.nodes[i].path);
        EXPECT_EQ(blocks.nodes[i].line, memory.nodes[i].line);
        EXPECT_EQ(blocks.nodes[i].vertexCount, memory.nodes[i].vertexCount);
        EXPECT_EQ(blocks.nodes[i].insertAt, memory.nodes[i].insertAt);
        EXPECT_EQ(hitEdges(blocks.nodes[i], set), hitEdges(memory.nodes[i], set));
    }
}

// ---- Hand-written layers.

std::string meshLayer(const std::string& body) {
    return "#usda 1.0\n\ndef Xform \"root\"\n{\n    def Mesh \"m\"\n    {\n" + body + "    }\n}\n";
}

// A quad and a triangle: 0 1 2 3 and 3 2 4.
const std::string kFaces =
    "        int[] faceVertexCounts = [4, 3]\n"
    "        int[] faceVertexIndices = [0, 1, 2, 3, 3, 2, 4]\n";
const std::string kPoints =
    "        point3f[] points = [(0, 0, 0), (1, 0, 0), (1, 1, 0), (0, 1, 0), (0, 2, 0)]\n";

TEST(UsdLayerScanner, FaceEdgesFoundAsTheIndicesPass) {
    const CreaseEdgeSet set = creaseSet({{0, 1}, {2, 3}, {2, 4}, {0, 4}, {1, 3}});
    // In USD's order, and with the indices before their counts (held until the counts come).
    const std::string reordered =
        "        int[] faceVertexIndices = [0, 1, 2, 3, 3, 2, 4]\n"
        "        int[] faceVertexCounts = [4, 3]\n";
    for (const std::string& faces : {kFaces, reordered}) {
        const SceneFacts facts = scanInMemory(meshLayer(faces + kPoints), set);
        ASSERT_EQ(facts.nodes.size(), 1u);
        EXPECT_EQ(facts.nodes[0].problem, NodeProblem::None);
        EXPECT_EQ(facts.nodes[0].vertexCount, 5);
        EXPECT_EQ(hitEdges(facts.nodes[0], set), (std::set<Edge>{{0, 1}, {2, 3}, {2, 4}}));
    }
}

struct ProblemRow {
    const char* name;
    std::string layer;
    SceneRefusal problem;
    std::int64_t line;
};

TEST(UsdLayerScanner, LayerProblemsNameTheirLine) {
    const ProblemRow rows[] = {
        {"string", meshLayer("        string s = \"open\n"), SceneRefusal::UnterminatedString, 7},
        {"single quotes", meshLayer("        string s = 'open\n"), SceneRefusal::UnterminatedString,
         7},
        {"triple quotes", meshLayer("        string s = \"\"\"open\n\n"),
         SceneRefusal::UnterminatedString, 7},
        {"asset", meshLayer("        asset a = @a.usd\n"), SceneRefusal::UnterminatedString, 7},
        {"path", meshLayer("        rel r = </a\n"), SceneRefusal::UnterminatedString, 7},
        {"array", "#usda 1.0\ndef Mesh \"m\"\n{\n    int[] faceVertexCounts = [4,\n",
         SceneRefusal::UnterminatedBlock, 4},
        {"points", "#usda 1.0\ndef Mesh \"m\"\n{\n    point3f[] points = [(0, 0, 0)\n",
         SceneRefusal::UnterminatedBlock, 4},
        {"metadata", "#usda 1.0\n(\n  upAxis = \"Y\"\n", SceneRefusal::UnterminatedBlock, 2},
        {"wrong closer", meshLayer("        float2 f = (1, 2]\n"), SceneRefusal::UnterminatedBlock,
         7},
        {"prim", "#usda 1.0\ndef Xform \"a\"\n{\n    def Mesh \"m\"\n    {\n",
         SceneRefusal::UnterminatedBlock, 4},
        {"prim without body",
         "#usda 1.0\ndef Xform \"a\" ( kind = \"x\" )\ndef Xform \"b\"\n{\n}\n",
         SceneRefusal::UnterminatedBlock, 2},
        {"variant set",
         "#usda 1.0\ndef \"a\"\n{\n    variantSet \"v\" = {\n        \"x\" {\n        }\n",
         SceneRefusal::UnterminatedBlock, 4},
        {"comment", "#usda 1.0\n/* open\n\n", SceneRefusal::UnterminatedBlock, 2},
    };
    for (const ProblemRow& row : rows) {
        SCOPED_TRACE(row.name);
        const SceneFacts facts = scanInMemory(row.layer, CreaseEdgeSet());
        EXPECT_EQ(facts.problem, row.problem);
        EXPECT_EQ(facts.problemLine, row.line);
        EXPECT_TRUE(facts.nodes.empty());
    }
}

struct NodeProblemRow {
    const char* name;
    std::string body;
    NodeProblem problem;
    std::int64_t line;  // in the layer, whose mesh opens on line 5
};

TEST(UsdLayerScanner, MeshProblemsLeaveTheLayerReadable) {
    const NodeProblemRow rows[] = {
        {"no faces", kPoints, NodeProblem::NoFaces, 5},
        {"no indices", "        int[] faceVertexCounts = [3]\n" + kPoints, NodeProblem::NoFaces, 5},
        {"faces not integers",
         "        int[] faceVertexCounts = [4, 3.5]\n        int[] faceVertexIndices = [0]\n" +
             kPoints,
         NodeProblem::NoFaces, 7},
        {"counts short",
         "        int[] faceVertexCounts = [4]\n        int[] faceVertexIndices = [0, 1, 2, 3, "
         "4]\n" +
             kPoints,
         NodeProblem::FaceCountsMismatch, 8},
        {"counts long",
         "        int[] faceVertexCounts = [4, 3]\n        int[] faceVertexIndices = [0, 1, 2, "
         "3]\n" +
             kPoints,
         NodeProblem::FaceCountsMismatch, 8},
        {"count of zero",
         "        int[] faceVertexCounts = [0, 3]\n        int[] faceVertexIndices = [0, 1, 2]\n" +
             kPoints,
         NodeProblem::FaceCountsMismatch, 8},
        {"index beyond",
         "        int[] faceVertexCounts = [3]\n        int[] faceVertexIndices = [0, 1, 5]\n" +
             kPoints,
         NodeProblem::IndexBeyondPoints, 8},
        {"negative index",
         "        int[] faceVertexCounts = [3]\n        int[] faceVertexIndices = [0, -1, 2]\n" +
             kPoints,
         NodeProblem::IndexBeyondPoints, 8},
        {"time-sampled",
         "        int[] faceVertexCounts.timeSamples = {\n            1: [3],\n        }\n"
         "        int[] faceVertexIndices = [0, 1, 2]\n" +
             kPoints,
         NodeProblem::TimeSampledTopology, 7},
    };
    for (const NodeProblemRow& row : rows) {
        SCOPED_TRACE(row.name);
        const SceneFacts facts = scanInMemory(meshLayer(row.body), CreaseEdgeSet());
        ASSERT_EQ(facts.problem, SceneRefusal::None);
        ASSERT_EQ(facts.nodes.size(), 1u);
        EXPECT_EQ(facts.nodes[0].problem, row.problem);
        EXPECT_EQ(facts.nodes[0].problemLine, row.line);
        EXPECT_FALSE(facts.nodes[0].holdsMesh());
    }
}

TEST(UsdLayerScanner, PointsOverTimeCountTheirFirstSample) {
    const SceneFacts facts = scanInMemory(
        meshLayer(kFaces +
                  "        point3f[] points.timeSamples = {\n"
                  "            1: [(0, 0, 0), (1, 0, 0), (1, 1, 0), (0, 1, 0), (0, 2, 0)],\n"
                  "            2: [(0, 0, 0)],\n        }\n"),
        CreaseEdgeSet());
    ASSERT_EQ(facts.nodes.size(), 1u);
    EXPECT_EQ(facts.nodes[0].vertexCount, 5);
    EXPECT_EQ(facts.nodes[0].problem, NodeProblem::None);
}

// Statements the scan does not need, in every form a layer may write them, are passed
// over by their strings and brackets; none of their brackets or quotes confuse it.
TEST(UsdLayerScanner, PassesOverWhatItDoesNotRead) {
    const std::string layer =
        "#usda 1.0\n"
        "(\n    doc = \"\"\"a ) } ] \" '' docstring\n over two lines\"\"\"\n"
        "    customLayerData = { string s = \"}\" dictionary d = { int i = 1 } }\n"
        "    subLayers = [@a.usda@, @@@b@c.usda@@@]\n    upAxis = 'Z'\n)\n"
        "# a comment with { and [\n"
        "class \"Base\" { int[] faceVertexCounts = [1] }\n"
        "def Xform \"root\" (\n    prepend references = @./x.usda@</a/b>\n    variants = { string "
        "v = \"a\" }\n)\n"
        "{\n"
        "    rel material:binding = </Looks/m> ( bindMaterialAs = \"strongerThanDescendants\" )\n"
        "    // another comment ]\n"
        "    reorder nameChildren = [\"m\", \"n\"]\n"
        "    /* block { [ ( comment */\n"
        "    def Mesh \"m\" ( kind = \"component\" ) {\n"
        "        color3f inputs:c.connect = </root/shader.outputs:out>\n"
        "        delete rel proxyPrim = [</a>, </b>]\n"
        "        custom string note = \"[ ( {\"\n"
        "        matrix4d xformOp:transform = ( (1, 0, 0, 0), (0, 1, 0, 0), (0, 0, 1, 0), (0, 0, "
        "0, 1) )\n"
        "        dictionary extra = { token t = \"x\"; double3 d = (1, 2, 3) }\n" +
        kFaces + "        int[] primvars:st:indices = [0, 1, # a comment in an array ]\n 2]\n" +
        kPoints +
        "        uniform token subdivisionScheme = \"none\"\n"
        "    }\n}\n";
    const CreaseEdgeSet set = creaseSet({{0, 1}});
    const SceneFacts facts = scanInMemory(layer, set);
    ASSERT_EQ(facts.problem, SceneRefusal::None) << facts.problemLine;
    ASSERT_EQ(facts.nodes.size(), 1u);
    const SceneNode& node = facts.nodes[0];
    EXPECT_EQ(node.path, "/root/m");
    EXPECT_EQ(node.line, 20);
    EXPECT_EQ(node.vertexCount, 5);
    EXPECT_EQ(node.problem, NodeProblem::None);
    EXPECT_EQ(node.hits.size(), 1u);
    EXPECT_EQ(node.warnings,
              std::vector<tessaryn::SceneWarning>{tessaryn::SceneWarning::SubdivisionNone});
    EXPECT_EQ(metadataLines(facts), std::vector<std::string>{"upAxis = 'Z'"});
}

// The crease statements in any form are found as whole lines, and their creases read:
// wrapped over lines, over time (the first sample), with metadata.
TEST(UsdLayerScanner, CreaseStatementsInEveryForm) {
    const std::string indices =
        "        int[] creaseIndices = [\n            0, 1, 2,\n            3, 2\n        ]\n";
    const std::string lengths =
        "        int[] creaseLengths.timeSamples = {\n            1: [3, 2],\n            2: "
        "[5],\n        }\n";
    const std::string sharpness =
        "        float[] creaseSharpnesses = [2.5, 10] (\n            doc = \"sharp\"\n        )\n";
    const std::string layer = meshLayer(indices + "        int[] cornerIndices = [1]\n" + lengths +
                                        sharpness + kFaces + kPoints);
    const CreaseEdgeSet set = creaseSet({{0, 1}, {1, 2}, {2, 3}});
    const SceneFacts facts = scanInMemory(layer, set);
    ASSERT_EQ(facts.nodes.size(), 1u);
    const SceneNode& node = facts.nodes[0];
    ASSERT_EQ(node.creaseStatements.size(), 3u);
    const auto text = [&](std::size_t i) {
        return layer.substr(node.creaseStatements[i].start,
                            node.creaseStatements[i].end - node.creaseStatements[i].start);
    };
    EXPECT_EQ(text(0), indices);
    EXPECT_EQ(text(1), lengths);
    EXPECT_EQ(text(2), sharpness);
    // One sharpness per chain: the chain 0 1 2 at 2.5, the chain 3 2 at 10.
    ASSERT_EQ(node.creases.size(), 3u);
    EXPECT_EQ(node.creases[0].text, "2.5");
    EXPECT_EQ(node.creases[1].text, "2.5");
    EXPECT_EQ(node.creases[2].text, "10");
    EXPECT_EQ(carried(node, set),
              (std::map<Edge, double>{{{0, 1}, 2.5}, {{1, 2}, 2.5}, {{2, 3}, 10}}));
}

TEST(UsdLayerScanner, CreaseValuesPerEdgeAndCreasesOffTheObj) {
    const CreaseEdgeSet set = creaseSet({{0, 1}});
    const SceneFacts facts = scanInMemory(
        meshLayer("        int[] creaseIndices = [0, 1, 2]\n        int[] creaseLengths = [3]\n"
                  "        float[] creaseSharpnesses = [1, 2]\n" +
                  kFaces + kPoints),
        set);
    ASSERT_EQ(facts.nodes.size(), 1u);
    const auto& creases = facts.nodes[0].creases;
    ASSERT_EQ(creases.size(), 2u);
    EXPECT_EQ(creases[0].creaseEdge, 0);
    EXPECT_EQ(creases[0].value, 1.0);
    EXPECT_EQ(creases[1].creaseEdge, CreaseEdgeSet::kNotACreaseEdge);
    EXPECT_EQ(creases[1].value, 2.0);
}

// Without crease statements, new ones go where USD's writer puts them: before the first
// property that sorts after creaseSharpnesses, else after the last property.
TEST(UsdLayerScanner, NewStatementsGoWhereTheWriterPutsThem) {
    struct Row {
        const char* name;
        std::string body;
        const char* before;  // what follows the insertion point
    } const rows[] = {
        {"sorted",
         "        int[] cornerIndices = [1]\n        uniform bool doubleSided = 1\n" + kFaces +
             kPoints,
         "        uniform bool doubleSided"},
        {"faces first", kFaces + kPoints, "        int[] faceVertexCounts"},
        {"rel",
         "        float[] cornerSharpnesses = [1]\n        rel material:binding = </m>\n" + kFaces +
             kPoints,
         "        rel material:binding"},
        {"none after",
         "        int[] cornerIndices = [1]\n        float[] cornerSharpnesses = [1]\n",
         "    }\n}\n"},
        {"no property", "", "    }\n}\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string layer = meshLayer(row.body);
        const SceneFacts facts = scanInMemory(layer, CreaseEdgeSet());
        ASSERT_EQ(facts.nodes.size(), 1u);
        EXPECT_EQ(layer.compare(facts.nodes[0].insertAt, std::strlen(row.before), row.before), 0)
            << layer.substr(facts.nodes[0].insertAt);
        EXPECT_EQ(facts.nodes[0].indent, "        ");
    }
}

// Prims that share a line keep the layer's order, the one they have once a rewrite puts
// statements between them.
TEST(UsdLayerScanner, PrimsOnOneLineInTheLayersOrder) {
    const std::string layer = "#usda 1.0\ndef Mesh \"a\" { def Mesh \"b\" {} } def Mesh \"c\" {}\n";
    const SceneFacts facts = scanInMemory(layer, CreaseEdgeSet());
    std::vector<std::string> paths;
    for (const SceneNode& node : facts.nodes) paths.push_back(node.path);
    EXPECT_EQ(paths, (std::vector<std::string>{"/a", "/a/b", "/c"}));
    const SceneFacts again = scanInMemory(
        rewrite(layer, facts.nodes[0], tessaryn::usdCreaseStatements(facts.nodes[0], {})),
        CreaseEdgeSet());
    ASSERT_EQ(again.nodes.size(), 3u);
    for (std::size_t i = 0; i < paths.size(); ++i) EXPECT_EQ(again.nodes[i].path, paths[i]);
}

// A name an override layer cannot carry, as the layer gave it: the path's text would read
// it as other steps (a '/' after a variant, braces) or hide it (an empty name).
TEST(UsdLayerScanner, NamesAnOverrideLayerCannotCarry) {
    const std::string variants = "def Xform \"root\" (variants = { string v = \"a\" }) {\n";
    struct Row {
        std::string body;
        const char* path;
        const char* unfit;
    } const rows[] = {
        {variants + "variantSet \"v\" = { \"a\" { def Mesh \"m\" {} } } }", "/root{v=a}m", ""},
        {variants + "variantSet \"v\" = { \"a\" { def Mesh \"/m\" {} } } }", "/root{v=a}/m", "/m"},
        {variants + "variantSet \"v\" = { \"a\" { def Mesh \"\" {} } } }", "/root{v=a}",
         "/root{v=a}"},
        {variants + "variantSet \"v\" = { \"a}{w=b\" { def Mesh \"m\" {} } } }", "/root{v=a}{w=b}m",
         "a}{w=b"},
        {variants + "variantSet \"2v\" = { \"a\" { def Mesh \"m\" {} } } }", "/root{2v=a}m", "2v"},
        {"def Xform \"x{s=v}\" { def Mesh \"m\" {} }", "/x{s=v}/m", "x{s=v}"},
        {"def Xform \"a b\" { def Xform \"c d\" { def Mesh \"m\" {} } }", "/a b/c d/m", "a b"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.body);
        const SceneFacts facts = scanInMemory("#usda 1.0\n" + row.body + "\n", CreaseEdgeSet());
        ASSERT_EQ(facts.problem, SceneRefusal::None);
        ASSERT_EQ(facts.nodes.size(), 1u);
        EXPECT_EQ(facts.nodes[0].path, row.path);
        EXPECT_EQ(facts.nodes[0].unfitName, row.unfit);
    }
}

TEST(UsdLayerScanner, DictionaryOrder) {
    const char* const ascending[] = {"cornerIndices",
                                     "cornerSharpnesses",
                                     "creaseIndices",
                                     "creaseLengths",
                                     "creaseSharpnesses",
                                     "doubleSided",
                                     "extent",
                                     "faceVertexCounts",
                                     "Points",
                                     "primvars:st",
                                     "uv2",
                                     "uv10"};
    for (std::size_t i = 0; i + 1 < std::size(ascending); ++i) {
        EXPECT_TRUE(tessaryn::dictionaryLess(ascending[i], ascending[i + 1])) << ascending[i];
        EXPECT_FALSE(tessaryn::dictionaryLess(ascending[i + 1], ascending[i])) << ascending[i];
    }
    EXPECT_FALSE(tessaryn::dictionaryLess("a", "a"));
}

// Every prefix of a layer, each in a heap block of its own size, so that the address
// sanitizer sees a read past its end: refused or read, never a crash, and whatever is read
// lies inside the prefix.
TEST(UsdLayerScanner, EveryTruncatedPrefix) {
    const CreaseEdgeSet set = creaseSet({{0, 1}, {2, 3}});
    for (const char* file :
         {"arnoldusd__test_0169_scene.usda", "mayausd__UsdImportUVSetsTestWithCreases.usda"}) {
        SCOPED_TRACE(file);
        const std::string layer = realLayer(file);
        int read = 0;
        for (std::size_t size = 0; size <= layer.size(); ++size) {
            const SceneFacts facts = scanInMemory(std::string_view(layer).substr(0, size), set);
            if (facts.problem != SceneRefusal::None) {
                EXPECT_GE(facts.problemLine, 1) << size;
                continue;
            }
            ++read;
            EXPECT_EQ(facts.size, size);
            for (const SceneNode& node : facts.nodes) {
                EXPECT_LE(node.insertAt, size);
                for (const tessaryn::ByteRange& range : node.creaseStatements)
                    EXPECT_TRUE(range.start < range.end && range.end <= size) << size;
            }
        }
        EXPECT_GT(read, 0);
    }
}

}  // namespace

namespace {

bool isFaceProblem(NodeProblem problem) {
    return problem == NodeProblem::NoFaces || problem == NodeProblem::FaceCountsMismatch ||
           problem == NodeProblem::IndexBeyondPoints;
}

// The scan that passes the faces over tells what the whole scan tells, but for the
// problems of the faces themselves; a layer one refuses the other refuses alike.
void expectAlikeButTheFaces(std::string_view layer) {
    testing_support::InMemory bytes(layer);
    const SceneFacts passing = tessaryn::scanUsdLayerPassingFaces(bytes.lines);
    const SceneFacts whole = scanInMemory(layer, CreaseEdgeSet());
    ASSERT_EQ(passing.problem, whole.problem);
    EXPECT_EQ(passing.problemLine, whole.problemLine);
    EXPECT_EQ(passing.size, whole.size);
    ASSERT_EQ(passing.nodes.size(), whole.nodes.size());
    for (std::size_t i = 0; i < whole.nodes.size(); ++i) {
        const SceneNode& a = passing.nodes[i];
        const SceneNode& b = whole.nodes[i];
        EXPECT_EQ(a.path, b.path);
        EXPECT_EQ(a.start, b.start);
        EXPECT_EQ(a.line, b.line);
        EXPECT_EQ(a.vertexCount, b.vertexCount);
        EXPECT_EQ(a.warnings.size(), b.warnings.size());
        if (isFaceProblem(b.problem) && b.problem != NodeProblem::NoFaces) {
            EXPECT_EQ(a.problem, NodeProblem::None) << b.path;
        } else if (b.problem == NodeProblem::NoFaces && a.problem == NodeProblem::None) {
            // Faces that are not whole numbers: only reading them tells.
            EXPECT_NE(b.problemLine, b.line) << b.path;
        } else {
            EXPECT_EQ(a.problem, b.problem) << b.path;
            EXPECT_EQ(a.problemLine, b.problemLine) << b.path;
        }
    }
}

TEST(UsdLayerScanner, FacesPassedOverTellAllElseAlike) {
    for (const RealMesh& mesh : kRealMeshes) {
        SCOPED_TRACE(mesh.file);
        expectAlikeButTheFaces(realLayer(mesh.file));
    }
    const std::pair<const char*, std::string> bodies[] = {
        {"no faces", kPoints},
        {"faces not integers",
         "        int[] faceVertexCounts = [4, 3.5]\n        int[] faceVertexIndices = [0]\n" +
             kPoints},
        {"counts short",
         "        int[] faceVertexCounts = [4]\n        int[] faceVertexIndices = [0, 1, 2]\n" +
             kPoints},
        {"index beyond, indices first",
         "        int[] faceVertexIndices = [0, 1, 5]\n        int[] faceVertexCounts = [3]\n" +
             kPoints},
        {"time-sampled",
         "        int[] faceVertexCounts.timeSamples = {\n            1: [3],\n        }\n"
         "        int[] faceVertexIndices = [0, 1, 2]\n" +
             kPoints},
        {"indices unclosed", "        int[] faceVertexIndices = [0, 1, (2]\n" + kPoints},
    };
    for (const auto& [name, body] : bodies) {
        SCOPED_TRACE(name);
        expectAlikeButTheFaces(meshLayer(body));
    }
    // What only the whole scan judges as it does, the passing scan says: an array of the
    // faces, or the points, given twice in a prim.
    const std::pair<std::string, bool> twice[] = {
        {kFaces + kPoints, false},
        {kFaces + "        int[] faceVertexCounts = [4]\n" + kPoints, true},
        {kFaces + "        int[] faceVertexIndices = [0, 1, 2, 3]\n" + kPoints, true},
        {kFaces + kPoints + kPoints, true},
        {kFaces + "        point3f[] points.timeSamples = {0: [(0, 0, 0)]}\n" + kPoints, true},
    };
    for (const auto& [body, needed] : twice) {
        SCOPED_TRACE(body);
        testing_support::InMemory bytes(meshLayer(body));
        EXPECT_EQ(tessaryn::scanUsdLayerPassingFaces(bytes.lines).wholeScanNeeded, needed);
        EXPECT_FALSE(scanInMemory(meshLayer(body), CreaseEdgeSet()).wholeScanNeeded);
    }
    // Cut anywhere, inside the face arrays too.
    for (const char* file :
         {"arnoldusd__test_0169_scene.usda", "mayausd__UsdImportUVSetsTestWithCreases.usda"}) {
        SCOPED_TRACE(file);
        const std::string layer = realLayer(file);
        for (std::size_t size = 0; size <= layer.size(); ++size) {
            SCOPED_TRACE(size);
            expectAlikeButTheFaces(std::string_view(layer).substr(0, size));
            if (HasFatalFailure()) return;
        }
    }
}

}  // namespace
