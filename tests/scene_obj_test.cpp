#include "scene_obj/scene_obj.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "base/byte_source.h"
#include "base/line_reader.h"
#include "base/safe_writer.h"
#include "crease/crease_edge_set.h"
#include "scene/scene_formats.h"
#include "scene/scene_scan.h"
#include "base/numbers.h"
#include "scene_obj/float_text_cache.h"
#include "scene_obj/obj_face_lines.h"
#include "scene_obj/obj_head_lines.h"
#include "scene_obj/obj_mesh_writer.h"
#include "obj_test_reader.h"
#include "support.h"
#include "tools/second_thread.h"

using obj_testing::ReadObj;
using tessaryn::MeshWarning;
using tessaryn::NodeProblem;
using tessaryn::SceneRefusal;
using testing_support::fileExists;
using testing_support::readFile;
using testing_support::realDataPath;
using testing_support::TempFolder;
using testing_support::writeFile;

namespace {

using EdgeSet = std::set<std::pair<std::int64_t, std::int64_t>>;

// The scan of a scene as the roads run it, with no crease edges.
tessaryn::SceneFacts scanned(const std::string& path, const tessaryn::CreaseEdgeSet& creases,
                             const tessaryn::SceneFormatEntry*& format) {
    tessaryn::LineReader lines;
    format = nullptr;
    if (!lines.open(path.c_str())) return {};
    format = tessaryn::sniffSceneFormat(lines.unread());
    if (format == nullptr || format->refused != SceneRefusal::None) return {};
    int error = 0;
    return tessaryn::scanOpenedScene(*format, lines, path, creases, nullptr, error);
}

tessaryn::SceneObjReport extract(const std::string& scene, const std::string& out,
                                 const std::string& node = "",
                                 const tessaryn::SecondThread* thread = nullptr) {
    tessaryn::SceneObjRequest request;
    request.scenePath = scene;
    request.outPath = out;
    request.node = node;
    request.secondThread = thread;
    return tessaryn::writeSceneObj(request);
}

// Every scene file of tests/real that a scene road reads.
std::vector<std::string> realScenes() {
    std::vector<std::string> scenes;
    for (const char* folder : {"", "usd", "usdc"}) {
        for (const auto& entry : std::filesystem::directory_iterator(realDataPath(folder))) {
            const std::string name = entry.path().filename().string();
            const std::string extension = entry.path().extension().string();
            if (extension == ".ma" || extension == ".usda" || extension == ".usd" ||
                extension == ".usdc" || extension == ".usdz")
                scenes.push_back(entry.path().string());
        }
    }
    std::sort(scenes.begin(), scenes.end());
    return scenes;
}

// The crease edges of `node` in a scene (or, for a binary layer, in its override layer):
// (smaller, larger) pairs among `expected`, and how many creases lie elsewhere.
EdgeSet creasesWritten(const std::string& scene, const std::string& nodePath,
                       std::int64_t vertices, const EdgeSet& expected, std::size_t& elsewhere) {
    std::vector<tessaryn::EdgeKey> keys;
    for (const auto& edge : expected)
        keys.push_back(tessaryn::orderedEdgeKey(static_cast<std::int32_t>(edge.first),
                                                static_cast<std::int32_t>(edge.second)));
    const tessaryn::CreaseEdgeSet set(keys, static_cast<std::uint32_t>(vertices));
    const tessaryn::SceneFormatEntry* format = nullptr;
    const tessaryn::SceneFacts facts = scanned(scene, set, format);
    EdgeSet found;
    elsewhere = 0;
    for (const tessaryn::SceneNode& node : facts.nodes) {
        if (node.path != nodePath) continue;
        for (const tessaryn::NodeCrease& crease : node.creases) {
            if (crease.value <= 0) continue;
            if (crease.creaseEdge == tessaryn::CreaseEdgeSet::kNotACreaseEdge) {
                ++elsewhere;
                continue;
            }
            const tessaryn::EdgeKey key = set.edge(crease.creaseEdge);
            found.insert({static_cast<std::int64_t>(key >> 32),
                          static_cast<std::int64_t>(key & 0xFFFFFFFFu)});
        }
    }
    return found;
}

// The chains of two points an override layer writes: "int[] creaseIndices = [0, 1, 0, 2]".
EdgeSet overrideCreases(const std::string& layer) {
    EdgeSet edges;
    const std::size_t at = layer.find("creaseIndices = [");
    if (at == std::string::npos) return edges;
    std::istringstream in(layer.substr(at + 17, layer.find(']', at) - at - 17));
    std::int64_t a = 0;
    std::int64_t b = 0;
    char comma = 0;
    while (in >> a) {
        in >> comma >> b;
        edges.insert({std::min(a, b), std::max(a, b)});
        in >> comma;
    }
    return edges;
}

// Every mesh of every real scene whose format has a mesh reader: out as an OBJ that the
// tests' reader reads back whole, then, split into groups, back into a copy of the scene
// as exactly its group-border edges.
TEST(SceneObj, EveryRealMeshOutAndItsGroupsBackIn) {
    std::size_t meshes = 0;
    for (const std::string& scene : realScenes()) {
        const tessaryn::SceneFormatEntry* format = nullptr;
        const tessaryn::SceneFacts facts = scanned(scene, tessaryn::CreaseEdgeSet(), format);
        if (format == nullptr || format->readMesh == nullptr || facts.problem != SceneRefusal::None)
            continue;  // another reader's file, or one the scan refuses
        for (const tessaryn::SceneNode& node : facts.nodes) {
            if (!node.holdsMesh()) continue;
            SCOPED_TRACE(scene + " " + node.path);
            ++meshes;
            TempFolder folder;
            const std::string obj = folder / "mesh.obj";
            const tessaryn::SceneObjReport report = extract(scene, obj, node.path);
            ASSERT_EQ(report.outcome, SceneRefusal::None) << report.detail;
            EXPECT_EQ(report.node.path, node.path);
            const std::string text = readFile(obj);
            // With a second thread formatting, the same bytes.
            tool::LentThread thread;
            const tessaryn::SceneObjReport lent =
                extract(scene, folder / "lent.obj", node.path, &thread.lend());
            EXPECT_EQ(lent.outcome, SceneRefusal::None) << lent.detail;
            EXPECT_TRUE(readFile(folder / "lent.obj") == text);
            const ReadObj read = obj_testing::readObj(text);
            EXPECT_TRUE(read.problems.empty()) << read.problems.front();
            EXPECT_EQ(static_cast<std::int64_t>(read.positions.size() / 3), node.vertexCount);
            EXPECT_EQ(static_cast<std::int64_t>(read.faces.size()), report.faces);
            EXPECT_EQ(static_cast<std::int64_t>(read.uvs.size() / 2), report.uvs);
            EXPECT_EQ(read.groupLines, 0u);
            ASSERT_GT(read.faces.size(), 0u);

            const std::size_t parts = read.faces.size() >= 3 ? 3 : read.faces.size();
            const EdgeSet expected = obj_testing::groupBorderEdges(read.faces, parts);
            if (expected.empty()) continue;  // a closed mesh of one face cannot be split
            const std::string grouped = folder / "grouped.obj";
            writeFile(grouped, obj_testing::withGroups(text, parts));
            const std::string extension = std::filesystem::path(scene).extension().string();
            const std::string copy = folder / ("scene" + extension);
            std::filesystem::copy_file(scene, copy);
            tessaryn::SceneCreaseRequest request;
            request.objPath = grouped;
            request.scenePath = copy;
            request.node = node.path;
            const bool binary = !format->rewritesInPlace;
            if (binary) request.overPath = folder / "over.usda";
            const tessaryn::SceneCreaseReport back = tessaryn::writeSceneCreases(request);
            ASSERT_EQ(back.outcome, SceneRefusal::None) << back.missing << " missing";
            EXPECT_EQ(back.written, static_cast<std::int64_t>(expected.size()));
            std::size_t elsewhere = 0;
            const EdgeSet written =
                binary ? overrideCreases(readFile(request.overPath))
                       : creasesWritten(copy, node.path, node.vertexCount, expected, elsewhere);
            EXPECT_EQ(written, expected);
            EXPECT_EQ(elsewhere, 0u);
        }
    }
    EXPECT_EQ(meshes, 53u);  // every mesh of the Maya scenes, text layers, binary layers, packages
}

// A layer of one mesh prim, with what the case gives it.
std::string layer(const std::string& properties, const std::string& name = "m") {
    return "#usda 1.0\n\ndef Mesh \"" + name + "\"\n{\n" + properties + "}\n";
}

const std::string kSquare =
    "    int[] faceVertexCounts = [4]\n"
    "    int[] faceVertexIndices = [0, 1, 2, 3]\n"
    "    point3f[] points = [(0, 0, 0), (1, 0, 0), (1, 1, 0), (0, 1, 0)]\n";

struct Extracted {
    tessaryn::SceneObjReport report;
    ReadObj obj;
    std::string text;
};

Extracted extractLayer(const std::string& text, const tessaryn::SecondThread* thread = nullptr) {
    TempFolder folder;
    writeFile(folder / "s.usda", text);
    Extracted got;
    got.report = extract(folder / "s.usda", folder / "out.obj", "", thread);
    if (fileExists(folder / "out.obj")) got.text = readFile(folder / "out.obj");
    got.obj = obj_testing::readObj(got.text);
    return got;
}

// Texture coordinates by interpolation and indexing; corners reversed by orientation.
TEST(SceneObj, UsdFacesAndTextureCoordinates) {
    const std::string uvs4 = "[(0, 0), (1, 0), (1, 1), (0, 1)]";
    struct Case {
        const char* what;
        std::string properties;
        std::vector<std::int64_t> face;
        std::vector<std::int64_t> faceUvs;
        std::size_t uvs;
        bool warned;
    } cases[] = {
        {"no uvs", kSquare, {1, 2, 3, 4}, {}, 0, false},
        {"leftHanded", kSquare + "    uniform token orientation = \"leftHanded\"\n",
         {4, 3, 2, 1}, {}, 0, false},
        {"faceVarying", kSquare + "    texCoord2f[] primvars:st = " + uvs4 +
             " (\n        interpolation = \"faceVarying\"\n    )\n",
         {1, 2, 3, 4}, {1, 2, 3, 4}, 4, false},
        {"faceVarying indexed",
         kSquare + "    texCoord2f[] primvars:st = [(0, 0), (1, 1)] (\n"
                   "        interpolation = \"faceVarying\"\n    )\n"
                   "    int[] primvars:st:indices = [1, 0, 1, 0]\n",
         {1, 2, 3, 4}, {2, 1, 2, 1}, 2, false},
        {"vertex indexed, leftHanded",
         kSquare + "    uniform token orientation = \"leftHanded\"\n"
                   "    float2[] primvars:st = [(0, 0), (1, 1), (2, 2)] (interpolation = \"vertex\")\n"
                   "    int[] primvars:st:indices = [2, 1, 0, 1]\n",
         {4, 3, 2, 1}, {2, 1, 2, 3}, 3, false},
        {"first texCoord2f, not st",
         kSquare + "    texCoord2f[] primvars:map1 = " + uvs4 + " (interpolation = \"vertex\")\n",
         {1, 2, 3, 4}, {1, 2, 3, 4}, 4, false},
        {"indices before counts, a subset inside",
         "    int[] faceVertexIndices = [0, 1, 2, 3]\n"
         "    def GeomSubset \"half\"\n    {\n        int[] indices = [0]\n    }\n"
         "    int[] faceVertexCounts = [4]\n"
         "    point3f[] points = [(0, 0, 0), (1, 0, 0), (1, 1, 0), (0, 1, 0)]\n",
         {1, 2, 3, 4}, {}, 0, false},
        {"uniform", kSquare + "    texCoord2f[] primvars:st = [(0, 0)] (interpolation = \"uniform\")\n",
         {1, 2, 3, 4}, {}, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Extracted got = extractLayer(layer(c.properties));
        ASSERT_EQ(got.report.outcome, SceneRefusal::None);
        ASSERT_EQ(got.obj.faces.size(), 1u);
        EXPECT_TRUE(got.obj.problems.empty());
        EXPECT_EQ(got.obj.faces[0], c.face);
        EXPECT_EQ(got.obj.faceUvs[0], c.faceUvs);
        EXPECT_EQ(got.obj.uvs.size() / 2, c.uvs);
        EXPECT_EQ(got.report.uvs, static_cast<std::int64_t>(c.uvs));
        const bool warned = std::find(got.report.warnings.begin(), got.report.warnings.end(),
                                      MeshWarning::UvsNotPerCorner) != got.report.warnings.end();
        EXPECT_EQ(warned, c.warned);
    }
}

TEST(SceneObj, PointsFromTheFirstTimeSampleWithoutADefault) {
    const Extracted got = extractLayer(layer(
        "    int[] faceVertexCounts = [3]\n    int[] faceVertexIndices = [0, 1, 2]\n"
        "    point3f[] points.timeSamples = {\n        1: [(0, 0, 0), (0.1, 0, 0), (0, 0.3, 0)],\n"
        "        2: [(5, 5, 5), (6, 6, 6), (7, 7, 7)],\n    }\n"));
    ASSERT_EQ(got.report.outcome, SceneRefusal::None);
    EXPECT_TRUE(got.report.pointsFromTimeSample);
    EXPECT_NE(got.text.find("\nv 0.1 0 0\r\n"), std::string::npos) << got.text;
    EXPECT_EQ(got.text.find("\nv 5"), std::string::npos);
}

// A text layer's first float array read beside on a lent thread: the OBJ, or the refusal,
// is the one a read on one thread gives, whatever the arrays hold (a ']' in a comment, an
// array given twice, time samples, damage), on a layer of a few blocks too.
TEST(SceneObj, UsdArraysReadBesideAsOnOneThread) {
    const std::string faces =
        "    int[] faceVertexCounts = [3]\n    int[] faceVertexIndices = [0, 1, 2]\n";
    const std::string points = "    point3f[] points = [(0, 0, 0), (1, 0, 0), (0, 1, 0)]\n";
    const std::string st =
        "    texCoord2f[] primvars:st = [(0, 0), (1, 0), (0, 1)] (interpolation = \"vertex\")\n";
    const std::string samples =
        "    point3f[] points.timeSamples = {\n        1: [(1, 1, 1), (2, 2, 2), (3, 3, 3)],\n    }\n";
    std::string many = "    int[] faceVertexCounts = [" ;
    std::string manyIndices = "    int[] faceVertexIndices = [";
    std::string manyPoints = "    point3f[] points = [";
    std::string manyUvs = "    texCoord2f[] primvars:st = [";
    for (int face = 0; face < 40000; ++face) {
        const std::string sep = face == 0 ? "" : ", ";
        many += sep + "3";
        manyIndices += sep + std::to_string(3 * face) + ", " + std::to_string(3 * face + 1) +
                       ", " + std::to_string(3 * face + 2);
        for (int corner = 0; corner < 3; ++corner) {
            const std::string value = std::to_string(face) + "." + std::to_string(corner);
            manyPoints += (face == 0 && corner == 0 ? "(" : ", (") + value + ", -" + value + ", 0.5)";
            manyUvs += (face == 0 && corner == 0 ? "(" : ", (") + value + ", 1)";
        }
    }
    const std::string large = many + "]\n" + manyIndices + "]\n" + manyPoints + "]\n" + manyUvs +
                              "] (interpolation = \"vertex\")\n";
    const std::vector<std::string> cases = {
        faces + points + st,
        faces + st + points,
        points + faces + st,
        faces + points + "    point3f[] points = [(5, 5, 5), (6, 6, 6), (7, 7, 7)]\n",
        faces + samples + points,
        faces + points + samples,
        faces + "    point3f[] points = [(0, 0, 0), # a ] in a comment\n (1, 0, 0), (0, 1, 0)]\n",
        faces + "    point3f[] points = [(0, 0, 0), (1, 0), (0, 1, 0)]\n",
        faces + "    point3f[] points = [(0, 0, 0), (1, 0, 0), (0, nan, 0)]\n",
        faces + "    point3f[] points = [(0, 0, 0), (1, 0, 0), (0, 1, 0)\n",
        faces + "    texCoord2f[] primvars:st = [(0, 0), (1, 0)] (interpolation = \"vertex\")\n" +
            points,
        large,
    };
    const tool::LentThread thread;
    for (std::size_t at = 0; at < cases.size(); ++at) {
        SCOPED_TRACE("case " + std::to_string(at));
        const Extracted one = extractLayer(layer(cases[at]));
        const Extracted beside = extractLayer(layer(cases[at]), &thread.lend());
        EXPECT_EQ(beside.report.outcome, one.report.outcome);
        EXPECT_EQ(beside.report.nodeProblem, one.report.nodeProblem);
        EXPECT_EQ(beside.report.line, one.report.line);
        EXPECT_EQ(beside.report.detail, one.report.detail);
        EXPECT_EQ(beside.report.pointsFromTimeSample, one.report.pointsFromTimeSample);
        // Past the header line, which names each run's own folder.
        const auto body = [](const std::string& text) { return text.substr(text.find('\n') + 1); };
        EXPECT_TRUE(body(beside.text) == body(one.text));
    }
    EXPECT_EQ(extractLayer(layer(large), &thread.lend()).report.faces, 40000);
}

// Counts the faces a reader hands over.
struct CountingSink : tessaryn::MeshSink {
    bool begin(const tessaryn::MeshHead&) override { return true; }
    bool face(const std::uint32_t*, const std::uint32_t*, std::size_t) override {
        return ++faces > 0;
    }
    int faces = 0;
};

// The reader passes over the face indices on its way to the points, as the scan that
// chose the prim found them; read as faces, indices that are not those (the layer changed
// since) are told as a changed scene, never handed over as a mesh.
TEST(SceneObj, UsdFaceIndicesChangedSinceTheScan) {
    const auto withIndices = [](const std::string& indices) {
        return layer("    int[] faceVertexCounts = [4]\n    int[] faceVertexIndices = " + indices +
                     "\n    point3f[] points = [(0, 0, 0), (1, 0, 0), (1, 1, 0), (0, 1, 0)]\n");
    };
    TempFolder folder;
    writeFile(folder / "s.usda", withIndices("[0, 1, 2, 3]"));
    const tessaryn::SceneFormatEntry* format = nullptr;
    const tessaryn::SceneFacts facts =
        scanned(folder / "s.usda", tessaryn::CreaseEdgeSet(), format);
    ASSERT_EQ(facts.nodes.size(), 1u);
    // The indices as the reader finds them, and whether they are those the scan found.
    const std::vector<std::pair<std::string, bool>> cases = {
        {"[0, 1, 2, 3]", true},   {"[0, 1, # ]\n 2, 3]", true}, {"[0, 1, 2, 4]", false},
        {"[0, 1, 2, -1]", false}, {"[0, 1, 2]", false},         {"[0, 1, 2, 3, 0]", false},
        {"[0, 1, x, 3]", false}};
    for (const auto& [indices, asScanned] : cases) {
        SCOPED_TRACE(indices);
        testing_support::InMemory scene(withIndices(indices));
        CountingSink sink;
        const tessaryn::MeshReadResult result =
            format->readMesh(scene.source, facts.nodes[0], sink);
        EXPECT_EQ(result.problem, asScanned ? SceneRefusal::None : SceneRefusal::SceneChanged);
        if (asScanned) {
            EXPECT_EQ(sink.faces, 1);
        }
    }
}

// A text layer is scanned first with its faces passed over: the faces of the prim written
// are checked as they are read, and every refusal on that way is told as the whole scan
// tells it. Each layer holds a prim "a" and a prim "b"; a's faces are the row's.
TEST(SceneObj, FaceProblemsToldAsTheWholeScanTellsThem) {
    const std::string b = layer(kSquare, "b");
    const auto withA = [&b](const std::string& faces) {
        return layer(faces + "    point3f[] points = [(0, 0, 0), (1, 0, 0), (1, 1, 0)]\n", "a") +
               b.substr(b.find("def"));
    };
    const std::string aFine =
        "    int[] faceVertexCounts = [3]\n    int[] faceVertexIndices = [0, 1, 2]\n";
    const std::string aShort =
        "    int[] faceVertexCounts = [4]\n    int[] faceVertexIndices = [0, 1, 2]\n";
    const std::string aBeyond =
        "    int[] faceVertexCounts = [3]\n    int[] faceVertexIndices = [0, 1, 3]\n";
    const std::string aNotWhole =
        "    int[] faceVertexCounts = [3]\n    int[] faceVertexIndices = [0, 1, 2.5]\n";
    const std::string aZero =
        "    int[] faceVertexCounts = [0, 3]\n    int[] faceVertexIndices = [0, 1, 2]\n";
    struct Row {
        const char* what;
        std::string scene;
        std::string node;
        SceneRefusal refusal;
        NodeProblem problem;
        std::int64_t line;
        std::string written;  // the prim written, when one is
    } rows[] = {
        {"both fine, none named", withA(aFine), "", SceneRefusal::SeveralMeshNodes,
         NodeProblem::None, 0, ""},
        {"both fine, a named", withA(aFine), "a", SceneRefusal::None, NodeProblem::None, 0, "/a"},
        {"a's counts short, none named", withA(aShort), "", SceneRefusal::None, NodeProblem::None,
         0, "/b"},
        {"a's counts short, a named", withA(aShort), "a", SceneRefusal::NodeHoldsNoMesh,
         NodeProblem::FaceCountsMismatch, 6, ""},
        {"a's index beyond, b named", withA(aBeyond), "b", SceneRefusal::None, NodeProblem::None, 0,
         "/b"},
        {"a's index beyond, none named", withA(aBeyond), "", SceneRefusal::None, NodeProblem::None,
         0, "/b"},
        {"a's face not whole, a named", withA(aNotWhole), "a", SceneRefusal::NodeHoldsNoMesh,
         NodeProblem::NoFaces, 6, ""},
        {"a's face of no corners, none named", withA(aZero), "", SceneRefusal::None,
         NodeProblem::None, 0, "/b"},
        {"a alone, counts short",
         layer(aShort + "    point3f[] points = [(0, 0, 0), (1, 0, 0), "
                        "(1, 1, 0)]\n",
               "a"),
         "", SceneRefusal::NoMeshNode, NodeProblem::FaceCountsMismatch, 6, ""},
        {"a alone, index beyond",
         layer(aBeyond + "    point3f[] points = [(0, 0, 0), (1, 0, 0), "
                         "(1, 1, 0)]\n",
               "a"),
         "", SceneRefusal::NoMeshNode, NodeProblem::IndexBeyondPoints, 6, ""},
        {"a alone, face not whole",
         layer(aNotWhole + "    point3f[] points = [(0, 0, 0), "
                           "(1, 0, 0), (1, 1, 0)]\n",
               "a"),
         "", SceneRefusal::NoMeshNode, NodeProblem::NoFaces, 6, ""},
        // Given twice: the scan checks the indices against the counts in hand and keeps a
        // malformed array's mark, and counts the points of the last time samples, where the
        // reader takes the last counts and indices and the first time samples.
        {"a alone, counts again after the indices",
         layer(aShort + "    int[] faceVertexCounts = [3]\n    point3f[] points = [(0, 0, 0), "
                        "(1, 0, 0), (1, 1, 0)]\n",
               "a"),
         "", SceneRefusal::NoMeshNode, NodeProblem::FaceCountsMismatch, 6, ""},
        {"a alone, indices again after ones not whole",
         layer(aNotWhole + "    int[] faceVertexIndices = [0, 1, 2]\n    point3f[] points = "
                           "[(0, 0, 0), (1, 0, 0), (1, 1, 0)]\n",
               "a"),
         "", SceneRefusal::NoMeshNode, NodeProblem::NoFaces, 6, ""},
        {"a alone, points over time twice",
         layer("    int[] faceVertexCounts = [4]\n    int[] faceVertexIndices = [0, 1, 2, 3]\n"
               "    point3f[] points.timeSamples = {0: [(0, 0, 0), (1, 0, 0), (0, 1, 0), "
               "(1, 1, 0)]}\n    point3f[] points.timeSamples = {0: [(0, 0, 0), (1, 0, 0), "
               "(0, 1, 0)]}\n",
               "a"),
         "", SceneRefusal::NoMeshNode, NodeProblem::IndexBeyondPoints, 6, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        for (const bool lent : {false, true}) {
            TempFolder folder;
            writeFile(folder / "s.usda", row.scene);
            tool::LentThread thread;
            const tessaryn::SceneObjReport report = extract(
                folder / "s.usda", folder / "out.obj", row.node, lent ? &thread.lend() : nullptr);
            EXPECT_EQ(report.outcome, row.refusal) << report.detail;
            EXPECT_EQ(report.nodeProblem, row.problem);
            EXPECT_EQ(report.line, row.line);
            EXPECT_EQ(fileExists(folder / "out.obj"), !row.written.empty());
            if (!row.written.empty()) {
                EXPECT_EQ(report.node.path, row.written);
                EXPECT_EQ(obj_testing::readObj(readFile(folder / "out.obj")).faces.size(), 1u);
            }
        }
    }
}

// A Maya scene is scanned first with its edge numbers passed over, where only the node
// written has edges: an edge statement whose numbers are damaged, in any node, is refused
// as the whole scan refuses it.
TEST(SceneObj, MayaEdgesPassedOverRefusedAsTheWholeScanRefusesThem) {
    const auto node = [](const std::string& name, const std::string& edges) {
        return "createNode mesh -n \"" + name +
               "\";\n\tsetAttr -s 3 \".vt[0:2]\" 0 0 0 1 0 0 0 1 0;\n\tsetAttr -s 3 \".ed[0:2]\" " +
               edges + ";\n\tsetAttr -s 1 \".fc[0]\" -type \"polyFaces\" f 3 0 1 2;\n";
    };
    const std::string header = "//Maya ASCII 2022 scene\n";
    const std::string fine = "0 1 0 1 2 0 2 0 0";
    const std::string tooFew = "0 1 0 1 2 0 2 0";
    const std::string notANumber = "0 1 0 1 2 0 2 0 x";
    struct Row {
        const char* what;
        std::string scene;
        std::string node;
        SceneRefusal refusal;
        std::int64_t line;
        std::string written;  // the node written, when one is
    } rows[] = {
        {"one node", header + node("a", fine), "", SceneRefusal::None, 0, "a"},
        {"one node, a number too few", header + node("a", tooFew), "",
         SceneRefusal::BadEdgeStatement, 4, ""},
        {"one node, a word", header + node("a", notANumber), "a", SceneRefusal::BadEdgeStatement, 4,
         ""},
        {"two nodes, the other's numbers too few", header + node("a", tooFew) + node("b", fine),
         "b", SceneRefusal::BadEdgeStatement, 4, ""},
        {"two nodes, the other's word", header + node("a", fine) + node("b", notANumber), "a",
         SceneRefusal::BadEdgeStatement, 8, ""},
        {"two nodes", header + node("a", fine) + node("b", fine), "b", SceneRefusal::None, 0, "b"},
        // A flag's word among edge numbers is no number, for the reader as for the scan.
        {"one node, a flag", header + node("a", fine + " -k"), "", SceneRefusal::BadEdgeStatement,
         4, ""},
        {"one node, -inf", header + node("a", "0 1 0 1 2 0 -inf 2 0 0"), "",
         SceneRefusal::BadEdgeStatement, 4, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TempFolder folder;
        writeFile(folder / "s.ma", row.scene);
        const tessaryn::SceneObjReport report =
            extract(folder / "s.ma", folder / "out.obj", row.node);
        EXPECT_EQ(report.outcome, row.refusal) << report.detail;
        EXPECT_EQ(report.line, row.line);
        EXPECT_EQ(fileExists(folder / "out.obj"), !row.written.empty());
        if (!row.written.empty()) {
            EXPECT_EQ(report.node.name, row.written);
            EXPECT_EQ(obj_testing::readObj(readFile(folder / "out.obj")).faces.size(), 1u);
        }
    }
}

// The refusals leave no OUT behind, and an OUT that was there as it was.
TEST(SceneObj, RefusalsLeaveNoObj) {
    struct Case {
        const char* what;
        std::string scene;
        std::string node;
        SceneRefusal refusal;
        NodeProblem problem;
    } cases[] = {
        {"no mesh", "#usda 1.0\ndef Xform \"x\"\n{\n}\n", "", SceneRefusal::NoMeshNode,
         NodeProblem::None},
        {"no such node", layer(kSquare), "other", SceneRefusal::NoSuchNode, NodeProblem::None},
        {"damaged", "#usda 1.0\ndef Mesh \"m\"\n{\n" + kSquare, "", SceneRefusal::UnterminatedBlock,
         NodeProblem::None},
        {"not finite",
         layer("    int[] faceVertexCounts = [3]\n    int[] faceVertexIndices = [0, 1, 2]\n"
               "    point3f[] points = [(0, 0, 0), (1, 0, 0), (0, -inf, 0)]\n"),
         "", SceneRefusal::PointNotFinite, NodeProblem::None},
        {"two corners",
         layer("    int[] faceVertexCounts = [3, 2]\n    int[] faceVertexIndices = [0, 1, 2, 0, 1]\n"
               "    point3f[] points = [(0, 0, 0), (1, 0, 0), (0, 1, 0)]\n"),
         "", SceneRefusal::FaceTooFewCorners, NodeProblem::None},
        {"uvs beyond their values",
         layer(kSquare + "    texCoord2f[] primvars:st = [(0, 0)] (interpolation = \"vertex\")\n"),
         "", SceneRefusal::NodeHoldsNoMesh, NodeProblem::UvsMismatch},
        {"counts do not add up",
         layer("    int[] faceVertexCounts = [4]\n    int[] faceVertexIndices = [0, 1, 2]\n"
               "    point3f[] points = [(0, 0, 0), (1, 0, 0), (0, 1, 0)]\n"),
         "m", SceneRefusal::NoMeshNode, NodeProblem::FaceCountsMismatch},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const bool existing : {false, true}) {
            TempFolder folder;
            writeFile(folder / "s.usda", c.scene);
            if (existing) writeFile(folder / "out.obj", "kept");
            const tessaryn::SceneObjReport report = extract(folder / "s.usda", folder / "out.obj", c.node);
            EXPECT_EQ(report.outcome, c.refusal);
            EXPECT_EQ(report.nodeProblem, c.problem);
            const std::vector<std::string> left =
                existing ? std::vector<std::string>{"out.obj", "s.usda"}
                         : std::vector<std::string>{"s.usda"};
            EXPECT_EQ(folder.entries(), left);
            if (existing) {
                EXPECT_EQ(readFile(folder / "out.obj"), "kept");
            }
        }
    }
    TempFolder folder;
    writeFile(folder / "s.usda", layer(kSquare));
    EXPECT_EQ(extract(folder / "s.usda", folder / "s.usda").outcome, SceneRefusal::OutputIsInput);
    EXPECT_EQ(readFile(folder / "s.usda"), layer(kSquare));
    EXPECT_EQ(extract(folder / "s.usda", folder / "no/out.obj").outcome,
              SceneRefusal::Unwritable);
}

// A name holding a line break starts no line of the OBJ.
TEST(SceneObj, HeaderEscapesControlCharacters) {
    EXPECT_EQ(tessaryn::escapedForComment("a\nb\r\tc\\d\x01"), "a\\nb\\r\\tc\\\\d\\x01");
    // A triple-quoted name may hold a line break.
    const Extracted got =
        extractLayer("#usda 1.0\ndef Mesh \"\"\"line\nbreak\"\"\"\n{\n" + kSquare + "}\n");
    ASSERT_EQ(got.report.outcome, SceneRefusal::None);
    ASSERT_FALSE(got.obj.comments.empty());
    EXPECT_NE(got.obj.comments[0].find("/line\\nbreak of "), std::string::npos) << got.text;
    EXPECT_TRUE(got.obj.problems.empty());
    EXPECT_EQ(got.obj.comments.size(), 1u);
}

}  // namespace

namespace {

// A layer of several 1 MiB blocks, its arrays each on one line as USD writes them: block
// boundaries fall inside numbers and tuples, and every position and face comes back.
TEST(SceneObj, ALayerOfManyBlocksComesBackWhole) {
    const int side = 230;  // 52,900 points, 52,441 quads: a layer of over 2 MiB
    std::string counts;
    std::string indices;
    std::string points;
    std::vector<double> expected;
    for (int j = 0; j < side; ++j) {
        for (int i = 0; i < side; ++i) {
            const double x = i * 0.001953125 - 1.1;
            const double y = j / 3.0;
            const float fx = static_cast<float>(x);
            const float fy = static_cast<float>(y);
            points += (points.empty() ? "(" : ", (") + tessaryn::shortestDecimal(fx) + ", " +
                      tessaryn::shortestDecimal(fy) + ", -0.5)";
            expected.insert(expected.end(), {fx, fy, -0.5});
            if (i + 1 == side || j + 1 == side) continue;
            const int v = j * side + i;
            counts += counts.empty() ? "4" : ", 4";
            indices += (indices.empty() ? "" : ", ") + std::to_string(v) + ", " +
                       std::to_string(v + 1) + ", " + std::to_string(v + side + 1) + ", " +
                       std::to_string(v + side);
        }
    }
    const std::string text = layer("    int[] faceVertexCounts = [" + counts +
                                   "]\n    int[] faceVertexIndices = [" + indices +
                                   "]\n    point3f[] points = [" + points + "]\n");
    ASSERT_GT(text.size(), std::size_t{2} << 20);
    const Extracted got = extractLayer(text);
    ASSERT_EQ(got.report.outcome, SceneRefusal::None);
    EXPECT_TRUE(got.obj.problems.empty());
    ASSERT_EQ(got.obj.positions.size(), expected.size());
    for (std::size_t k = 0; k < expected.size(); ++k)
        ASSERT_EQ(static_cast<float>(got.obj.positions[k]), static_cast<float>(expected[k])) << k;
    ASSERT_EQ(got.obj.faces.size(), static_cast<std::size_t>((side - 1) * (side - 1)));
    const std::vector<std::int64_t> last = {(side - 1) * side - 1, (side - 1) * side,
                                            side * side, side * side - 1};
    EXPECT_EQ(got.obj.faces.back(), last);
}

}  // namespace

namespace {

// Faces handed over in runs: of three to six corners, one of more corners than a run
// holds, per-corner texture coordinates through indices, all reversed for a leftHanded
// mesh, as written one by one; and a face of two corners far into the faces refused by
// its number.
TEST(SceneObj, UsdFacesInRunsAsOneByOne) {
    const std::uint32_t points = 2000;
    std::vector<std::uint32_t> counts;
    for (std::uint32_t f = 0; f < 25000; ++f) counts.push_back(f == 12000 ? 70000 : 3 + f % 4);
    std::string pointText, countText, indexText, uvIndexText;
    for (std::uint32_t v = 0; v < points; ++v)
        pointText += (v == 0 ? "(" : ", (") + std::to_string(v) + ", 0, 1)";
    std::vector<std::vector<std::int64_t>> faces, faceUvs;
    std::uint32_t corner = 0;
    for (const std::uint32_t count : counts) {
        countText += (countText.empty() ? "" : ", ") + std::to_string(count);
        std::vector<std::int64_t> face, uvs;
        for (std::uint32_t k = 0; k < count; ++k, ++corner) {
            const std::uint32_t vertex = (corner * 7 + k) % points;
            indexText += (corner == 0 ? "" : ", ") + std::to_string(vertex);
            uvIndexText += (corner == 0 ? "" : ", ") + std::to_string(corner % 5);
            face.insert(face.begin(), vertex + 1);
            uvs.insert(uvs.begin(), corner % 5 + 1);
        }
        faces.push_back(face);
        faceUvs.push_back(uvs);
    }
    const auto text = [&](const std::string& countsGiven) {
        return layer(
            "    uniform token orientation = \"leftHanded\"\n"
            "    int[] faceVertexCounts = [" +
            countsGiven +
            "]\n"
            "    int[] faceVertexIndices = [" +
            indexText +
            "]\n"
            "    point3f[] points = [" +
            pointText +
            "]\n"
            "    texCoord2f[] primvars:st = [(0, 0), (1, 0), (1, 1), (0, 1), (0.5, 0.5)] (\n"
            "        interpolation = \"faceVarying\"\n    )\n"
            "    int[] primvars:st:indices = [" +
            uvIndexText + "]\n");
    };
    // Faces 14999 to 15001 have 6, 3 and 4 corners; the same corners counted 6, 2, 5, or
    // 9, 0, 4 leave the faces after them as they were.
    std::size_t at = 0;
    for (std::uint32_t f = 0; f < 14999; ++f) at = countText.find(", ", at) + 2;
    ASSERT_EQ(countText.compare(at, 9, "6, 3, 4, "), 0);
    std::string twoCorners = countText, noCorners = countText;
    twoCorners.replace(at, 7, "6, 2, 5");
    noCorners.replace(at, 7, "9, 0, 4");
    for (const bool lent : {false, true}) {
        SCOPED_TRACE(lent ? "two threads" : "one thread");
        tool::LentThread thread;
        const Extracted got = extractLayer(text(countText), lent ? &thread.lend() : nullptr);
        ASSERT_EQ(got.report.outcome, SceneRefusal::None) << got.report.detail;
        EXPECT_TRUE(got.obj.problems.empty());
        EXPECT_TRUE(got.obj.faces == faces);
        EXPECT_TRUE(got.obj.faceUvs == faceUvs);
        // A face of none is no mesh to the scan that reads the faces.
        const struct {
            const std::string& counts;
            SceneRefusal refusal;
            const char* detail;
        } refused[] = {{twoCorners, SceneRefusal::FaceTooFewCorners,
                        "face 15000, counted from 0, has 2 corners"},
                       {noCorners, SceneRefusal::NoMeshNode, ""}};
        for (const auto& r : refused) {
            const Extracted bad = extractLayer(text(r.counts), lent ? &thread.lend() : nullptr);
            EXPECT_EQ(bad.report.outcome, r.refusal);
            EXPECT_EQ(bad.report.detail, r.detail);
            EXPECT_TRUE(bad.text.empty());
        }
    }
}

// The points' and texture coordinates' lines, in blocks of any size, on one thread or with
// a second formatting every other block: the same text as lines written one by one.
TEST(SceneObj, HeadLinesInOrderOnOneThreadOrTwo) {
    std::mt19937 random(26);
    const auto anyFiniteFloat = [&random] {
        for (;;) {
            const std::uint32_t bits = random();
            float value = 0.0f;
            std::memcpy(&value, &bits, sizeof value);
            if (std::isfinite(value)) return value;
        }
    };
    tessaryn::MeshHead withUvs;
    for (int i = 0; i < 3 * 1001; ++i) withUvs.points.push_back(anyFiniteFloat());
    for (int i = 0; i < 2 * 777; ++i) withUvs.uvs.push_back(anyFiniteFloat());
    tessaryn::MeshHead pointsOnly;
    pointsOnly.points = withUvs.points;
    // Values that repeat within a block and across blocks, on both threads: a grid's
    // coordinates and their mirrors.
    tessaryn::MeshHead repeating;
    for (int i = 0; i < 3 * 1001; ++i)
        repeating.points.push_back(static_cast<float>(i % 7 - 3) / 8);
    for (int i = 0; i < 2 * 777; ++i) repeating.uvs.push_back(static_cast<float>(i % 65) / 64);
    tessaryn::MeshHead empty;
    const TempFolder folder;
    const std::string path = folder.path() + "/head.obj";
    for (const tessaryn::MeshHead* head : {&withUvs, &pointsOnly, &repeating, &empty}) {
        std::string expected;
        for (std::size_t i = 0; i < head->points.size(); i += 3)
            expected += "v " + tessaryn::shortestDecimal(head->points[i]) + " " +
                        tessaryn::shortestDecimal(head->points[i + 1]) + " " +
                        tessaryn::shortestDecimal(head->points[i + 2]) + "\r\n";
        for (std::size_t i = 0; i < head->uvs.size(); i += 2)
            expected += "vt " + tessaryn::shortestDecimal(head->uvs[i]) + " " +
                        tessaryn::shortestDecimal(head->uvs[i + 1]) + "\r\n";
        // One line a block, blocks that end on the points' last line or just past it,
        // one block for all.
        for (const std::size_t blockLines : {1, 2, 7, 1001, 1002, 1778, 16384}) {
            for (const bool lent : {false, true}) {
                SCOPED_TRACE(std::to_string(head->points.size()) + " floats of points, " +
                             std::to_string(blockLines) + " lines a block" +
                             (lent ? ", two threads" : ""));
                tool::LentThread thread;
                tessaryn::SafeWriter out;
                ASSERT_TRUE(out.open(path.c_str()));
                tessaryn::writeHeadLines(*head, out, lent ? &thread.lend() : nullptr, blockLines);
                ASSERT_TRUE(out.commit());
                EXPECT_TRUE(readFile(path) == expected);
            }
        }
    }
}

// A float's text from the cache is the formatter's, whether the value was met before, its
// mirror was, or another value took its place: values of a grid, values that outnumber
// the entries (and so share them), and the values with a text of their own.
TEST(SceneObj, FloatTextsFromTheCacheAsFormatted) {
    const auto floatOf = [](std::uint32_t bits) {
        float value = 0.0f;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    };
    std::vector<float> grid;
    for (int i = 0; i < 3 * 4100; ++i) grid.push_back(static_cast<float>(i % 4100) / 2048);
    std::vector<float> mirrors;
    for (int i = 1; i < 3000; ++i) {
        mirrors.push_back(1.0f / static_cast<float>(i));
        mirrors.push_back(-1.0f / static_cast<float>(i));
    }
    std::mt19937 random(4096);
    std::vector<float> crowded;
    for (int i = 0; i < 20000; ++i) crowded.push_back(floatOf(random()));
    for (int i = 0; i < 40000; ++i) crowded.push_back(crowded[static_cast<std::size_t>(i)]);
    const float infinity = std::numeric_limits<float>::infinity();
    const float largest = std::numeric_limits<float>::max();
    std::vector<float> special = {0.0f,
                                  -0.0f,
                                  infinity,
                                  -infinity,
                                  largest,
                                  -largest,
                                  1.00000005e-38f,
                                  1e-5f,
                                  0.1f,
                                  123456790.0f,
                                  floatOf(1u),
                                  floatOf(0x80000001u),
                                  floatOf(0x7FC00000u),
                                  floatOf(0xFFC00000u)};
    const std::vector<float> twice = special;
    special.insert(special.end(), twice.begin(), twice.end());
    const struct {
        const char* name;
        const std::vector<float>& values;
    } rows[] = {{"grid", grid}, {"mirrors", mirrors}, {"crowded", crowded}, {"special", special}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto texts = std::make_unique<tessaryn::FloatTextCache>();
        int wrong = 0;
        for (const float value : row.values) {
            char text[tessaryn::kShortestFloatBytes];
            const std::string given(text, texts->put(text, value));
            if (given != tessaryn::shortestDecimal(value) && ++wrong < 5)
                ADD_FAILURE() << tessaryn::shortestDecimal(value) << " came as " << given;
        }
    }
}

// Face numbers on each side of every change of their digit count, up to the largest a
// 32-bit vertex number gives, as the standard library writes them.
TEST(SceneObj, FaceNumbersOfEveryLength) {
    std::vector<std::uint32_t> vertices;
    for (std::uint64_t power = 10; power <= 1000000000; power *= 10) {
        vertices.push_back(static_cast<std::uint32_t>(power - 2));  // power - 1 once written
        vertices.push_back(static_cast<std::uint32_t>(power - 1));
    }
    vertices.push_back(0);
    vertices.push_back(4294967294u);
    vertices.push_back(4294967295u);
    std::string expected = "f";
    for (const std::uint32_t vertex : vertices)
        expected += " " + std::to_string(std::uint64_t{vertex} + 1) + "/" +
                    std::to_string(std::uint64_t{vertex} + 1);
    expected += "\r\n";
    std::vector<char> text(3 + vertices.size() * tessaryn::kFaceCornerBytes);
    const char* const start = text.data();
    const char* end =
        tessaryn::putFaceLine(text.data(), vertices.data(), vertices.data(), vertices.size());
    EXPECT_EQ(std::string(start, end), expected);
}

// Every vertex number below 10^5 (and so every four digits a number's last four can be),
// and a spread of larger ones up to the largest, in faces of four corners whose texture
// coordinate numbers differ from their vertices': each written as the standard library
// writes it.
TEST(SceneObj, FaceNumbersAsTheStandardLibraryWritesThem) {
    std::vector<std::uint32_t> vertices;
    for (std::uint32_t vertex = 0; vertex < 100000; ++vertex) vertices.push_back(vertex);
    std::uint32_t spread = 12345;
    for (int i = 0; i < 100000; ++i) {
        spread = spread * 1664525u + 1013904223u;
        vertices.push_back(spread >> (i % 32));
    }
    vertices.push_back(99999999);  // 10^8 once written
    std::vector<std::uint32_t> uvs;
    for (const std::uint32_t vertex : vertices) uvs.push_back(vertex * 2654435761u);
    std::vector<char> text(3 + 4 * tessaryn::kFaceCornerBytes);
    int wrong = 0;
    for (std::size_t face = 0; face + 4 <= vertices.size(); face += 4) {
        std::string expected = "f";
        for (std::size_t corner = face; corner < face + 4; ++corner)
            expected += " " + std::to_string(std::uint64_t{vertices[corner]} + 1) + "/" +
                        std::to_string(std::uint64_t{uvs[corner]} + 1);
        expected += "\r\n";
        const char* const start = text.data();
        const char* end = tessaryn::putFaceLine(text.data(), &vertices[face], &uvs[face], 4);
        if (std::string(start, end) != expected && ++wrong < 5)
            ADD_FAILURE() << expected << " came as " << std::string(start, end);
    }
}

// A face refused after many batches went to the second thread: the refusal names it, and
// the writer lets the thread go without the rest written.
TEST(SceneObj, AFaceRefusedWhileTheSecondThreadWrites) {
    tessaryn::MeshHead head;
    head.points.assign(3 * 1000, 1.0f);
    const TempFolder folder;
    const std::string path = folder.path() + "/out.obj";
    tool::LentThread thread;
    tessaryn::SafeWriter out;
    ASSERT_TRUE(out.open(path.c_str()));
    tessaryn::ObjMeshWriter writer(out, "s", "n", &thread.lend());
    ASSERT_TRUE(writer.begin(head));
    const std::uint32_t quad[] = {0, 1, 2, 999};
    for (int face = 0; face < 70000; ++face) ASSERT_TRUE(writer.face(quad, nullptr, 4));
    const std::uint32_t beyond[] = {0, 1, 1000};
    EXPECT_FALSE(writer.face(beyond, nullptr, 3));
    EXPECT_EQ(writer.refusal(), SceneRefusal::NodeHoldsNoMesh);
    EXPECT_EQ(writer.nodeProblem(), NodeProblem::IndexBeyondPoints);
    EXPECT_EQ(writer.detail(), "face 70000");
}

// A run of faces with one the writer refuses: the faces before it are taken, and the
// refusal names it as for a face handed alone; a run whose texture corners are its
// vertex numbers is checked against the texture coordinates too.
TEST(SceneObj, AFaceRefusedInARun) {
    tessaryn::MeshHead head;
    head.points.assign(3 * 1000, 1.0f);
    head.uvs.assign(2 * 10, 0.5f);
    struct Case {
        const char* what;
        std::uint32_t count;   // the corners of face 5000
        std::uint32_t vertex;  // its first vertex number, which is also its first uv's
        bool uvsAreVertices;
        SceneRefusal refusal;
        NodeProblem problem;
        std::string detail;
    } cases[] = {
        {"two corners", 2, 0, false, SceneRefusal::FaceTooFewCorners, NodeProblem::None,
         "face 5000, counted from 0, has 2 corners"},
        {"none", 0, 0, false, SceneRefusal::FaceTooFewCorners, NodeProblem::None,
         "face 5000, counted from 0, has 0 corners"},
        {"beyond the points", 3, 1000, false, SceneRefusal::NodeHoldsNoMesh,
         NodeProblem::IndexBeyondPoints, "face 5000"},
        {"uvs, the vertices, beyond the uvs", 3, 10, true, SceneRefusal::NodeHoldsNoMesh,
         NodeProblem::UvsMismatch, "face 5000"},
    };
    for (const Case& c : cases) {
        for (const bool lent : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (lent ? ", two threads" : ", one thread"));
            std::vector<std::uint32_t> counts(7000, 3);
            counts[5000] = c.count;
            std::vector<std::uint32_t> vertices;
            for (const std::uint32_t count : counts)
                for (std::uint32_t k = 0; k < count; ++k) vertices.push_back(k);
            vertices[3 * 5000] = c.vertex;
            std::vector<std::uint32_t> uvs(vertices.size(), 0);
            const TempFolder folder;
            const std::string path = folder.path() + "/out.obj";
            tool::LentThread thread;
            tessaryn::SafeWriter out;
            ASSERT_TRUE(out.open(path.c_str()));
            tessaryn::ObjMeshWriter writer(out, "s", "n", lent ? &thread.lend() : nullptr);
            ASSERT_TRUE(writer.begin(head));
            ASSERT_EQ(writer.faces(counts.data(), 1000, vertices.data(), uvs.data()), 1000u);
            EXPECT_EQ(writer.faces(counts.data() + 1000, 6000, vertices.data() + 3000,
                                   c.uvsAreVertices ? vertices.data() + 3000 : uvs.data()),
                      4000u);
            EXPECT_EQ(writer.refusal(), c.refusal);
            EXPECT_EQ(writer.nodeProblem(), c.problem);
            EXPECT_EQ(writer.detail(), c.detail);
            EXPECT_EQ(writer.faces(), 5000);
        }
    }
}

// The writer's own text, byte for byte, on one thread and with a second: numbers at every
// change of their digit count, in faces with and without texture corners, a face too long
// for the writer's 2 MiB buffer, and enough faces after it for many batches.
TEST(SceneObj, WriterNumbersAndALongFaceExactly) {
    const std::uint32_t points = 100001;
    tessaryn::MeshHead head;
    head.points.assign(std::size_t{3} * points, 0.5f);
    head.points[0] = -0.1f;
    head.points[1] = 1e-7f;
    head.points[2] = 3e38f;
    head.uvs = {0.25f, 1.0f, 0.0f, 0.1f};
    struct Face {
        std::vector<std::uint32_t> vertices;
        std::vector<std::uint32_t> uvs;
        std::string line;
    };
    std::vector<Face> faces = {
        {{0, 8, 9}, {}, "f 1 9 10"},
        {{98, 99, 998}, {0, 1, 1}, "f 99/1 100/2 999/2"},
        {{999, 9998, 9999}, {}, "f 1000 9999 10000"},
        {{99999, 100000, 12345, 54321}, {1, 0, 1, 0}, "f 100000/2 100001/1 12346/2 54322/1"},
    };
    Face ring{{}, {}, "f"};
    for (std::uint32_t k = 0; k < 90000; ++k) {
        ring.vertices.push_back(points - 1 - k);
        ring.uvs.push_back(k % 2);
        ring.line += " " + std::to_string(points - k) + "/" + std::to_string(k % 2 + 1);
    }
    faces.push_back(ring);
    for (std::uint32_t k = 0; k < 60000; ++k) {
        const std::uint32_t a = k, b = (k * 7) % points, c = points - 1 - k;
        faces.push_back({{a, b, c}, {}, "f " + std::to_string(a + 1) + " " +
                                            std::to_string(b + 1) + " " + std::to_string(c + 1)});
    }
    // Faces whose texture coordinate numbers are their vertex numbers, a hundred at a
    // time between a hundred whose are not.
    for (std::uint32_t k = 0; k < 3000; ++k) {
        if (k / 100 % 2 == 0)
            faces.push_back({{1, 0, 1}, {1, 0, 1}, "f 2/2 1/1 2/2"});
        else
            faces.push_back({{0, 1, 0}, {1, 1, 0}, "f 1/2 2/2 1/1"});
    }
    std::string expected;
    for (const Face& face : faces) expected += face.line + "\r\n";
    const TempFolder folder;
    const std::string path = folder.path() + "/out.obj";
    // Faces one by one, or in runs of up to 777 faces alike in having texture corners, and
    // in theirs being the vertex numbers, then handed as those.
    for (const bool lent : {false, true})
        for (const bool runs : {false, true}) {
            SCOPED_TRACE(std::string(lent ? "two threads" : "one thread") + (runs ? ", runs" : ""));
            tool::LentThread thread;
            tessaryn::SafeWriter out;
            ASSERT_TRUE(out.open(path.c_str()));
            tessaryn::ObjMeshWriter writer(out, "s", "n", lent ? &thread.lend() : nullptr);
            ASSERT_TRUE(writer.begin(head));
            for (std::size_t first = 0; first < faces.size();) {
                std::size_t last = first + 1;
                const auto kind = [&faces](std::size_t f) {
                    return faces[f].uvs.empty() ? 0 : faces[f].uvs == faces[f].vertices ? 2 : 1;
                };
                while (runs && last < faces.size() && last - first < 777 &&
                       kind(last) == kind(first))
                    ++last;
                std::vector<std::uint32_t> counts, vertices, uvs;
                for (std::size_t f = first; f < last; ++f) {
                    counts.push_back(static_cast<std::uint32_t>(faces[f].vertices.size()));
                    vertices.insert(vertices.end(), faces[f].vertices.begin(),
                                    faces[f].vertices.end());
                    uvs.insert(uvs.end(), faces[f].uvs.begin(), faces[f].uvs.end());
                }
                const std::uint32_t* given = kind(first) == 0   ? nullptr
                                             : kind(first) == 2 ? vertices.data()
                                                                : uvs.data();
                ASSERT_EQ(writer.faces(counts.data(), counts.size(), vertices.data(), given),
                          counts.size());
                first = last;
            }
            writer.finish();
            ASSERT_TRUE(out.commit());
            EXPECT_EQ(writer.faces(), static_cast<std::int64_t>(faces.size()));
            const std::string text = readFile(path);
            const std::string head3 = "v -0.1 1e-07 3e+38\r\nv 0.5 0.5 0.5\r\n";
            ASSERT_NE(text.find(head3), std::string::npos);
            EXPECT_NE(text.find("vt 0.25 1\r\nvt 0 0.1\r\nf "), std::string::npos);
            const std::size_t facesAt = text.find("\r\nf ") + 2;
            ASSERT_GT(text.size(), expected.size());
            EXPECT_TRUE(text.compare(facesAt, std::string::npos, expected) == 0)
                << text.substr(facesAt, 200);
        }
}

}  // namespace

namespace {

// A Maya scene of one mesh node, a grid of `width` x `height` quads, its vertices given by
// statements of at most `perStatement` vertices, `perLine` to a line (Maya writes four),
// each coordinate `coordinate(vertex, axis)`'s text; `before` and `after` go before and
// after the vertex statements.
std::string mayaGrid(int width, int height, int perStatement,
                     const std::function<std::string(int, int)>& coordinate,
                     const std::string& before = "", const std::string& after = "",
                     const std::string& lineEnd = "\n", int perLine = 4) {
    const int vertices = (width + 1) * (height + 1);
    const int across = width * (height + 1);  // edges along a row, then up a column
    const int edges = across + (width + 1) * height;
    std::string text =
        "//Maya ASCII 2022 scene" + lineEnd + "createNode mesh -n \"grid\";" + lineEnd + before;
    for (int first = 0; first < vertices; first += perStatement) {
        const int last = std::min(first + perStatement, vertices) - 1;
        text += "\tsetAttr -s " + std::to_string(last - first + 1) + " \".vt[" +
                std::to_string(first) + ":" + std::to_string(last) + "]\" ";
        for (int vertex = first; vertex <= last; ++vertex) {
            if (vertex != first && (vertex - first) % perLine == 0) text += lineEnd + "\t\t";
            for (int axis = 0; axis < 3; ++axis) text += " " + coordinate(vertex, axis);
        }
        text += ";" + lineEnd;
    }
    text += after + "\tsetAttr -s " + std::to_string(edges) +
            " \".ed[0:" + std::to_string(edges - 1) + "]\"";
    for (int row = 0; row <= height; ++row) {
        for (int i = 0; i < width; ++i) {
            const int from = row * (width + 1) + i;
            text += " " + std::to_string(from) + " " + std::to_string(from + 1) + " 0";
        }
    }
    for (int row = 0; row < height; ++row) {
        for (int i = 0; i <= width; ++i) {
            const int from = row * (width + 1) + i;
            text += " " + std::to_string(from) + " " + std::to_string(from + width + 1) + " 0";
        }
    }
    text += ";" + lineEnd + "\tsetAttr -s " + std::to_string(width * height) +
            " \".fc[0:" + std::to_string(width * height - 1) + "]\" -type \"polyFaces\"";
    for (int row = 0; row < height; ++row) {
        for (int i = 0; i < width; ++i) {
            const int bottom = row * width + i;
            const int top = bottom + width;
            const int right = across + row * (width + 1) + i + 1;
            text += lineEnd + "\t\tf 4 " + std::to_string(bottom) + " " + std::to_string(right) +
                    " " + std::to_string(-top - 1) + " " + std::to_string(-(right - 1) - 1);
        }
    }
    return text + ";" + lineEnd;
}

// The OBJ of the scene's one node as a writer that takes no point lines has it written:
// from the points the reader holds.
std::string objFromPointsHeld(const std::string& scene, const std::string& out) {
    const tessaryn::SceneFormatEntry* format = nullptr;
    const tessaryn::SceneFacts facts = scanned(scene, tessaryn::CreaseEdgeSet(), format);
    if (format == nullptr || facts.nodes.empty()) return "no scan";
    tessaryn::ByteSource source;
    tessaryn::SafeWriter writer;
    if (!source.openFile(scene.c_str()) || !writer.open(out.c_str())) return "not opened";
    tessaryn::ObjMeshWriter obj(writer, scene, facts.nodes.front().path, nullptr, false);
    const tessaryn::MeshReadResult read = format->readMesh(source, facts.nodes.front(), obj);
    if (read.problem != SceneRefusal::None || read.stopped) return "refused";
    obj.finish();
    return writer.commit() ? readFile(out) : "not committed";
}

std::string sixDecimals(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%f", value);
    return text;
}

}  // namespace

// The points' lines a Maya reader makes as it reads, straight from the scene's digits
// where they give the text: the OBJ a reader holding the points writes, whatever the
// coordinates (shorter and longer than seven digits, -0, at every edge of the digits
// taken as they are), on one thread or two; and where the lines cannot be made as the
// vertices come (tweaks, vertices out of order or a coordinate at a time, some never
// given), the OBJ all the same, from a second read holding them.
TEST(SceneObj, MayaPointLinesAsThePointsHeld) {
    const auto wave = [](int vertex, int axis) {
        return sixDecimals(4.5 * std::sin(vertex * 0.37 + axis * 1.3));
    };
    const auto large = [](int vertex, int axis) {
        return sixDecimals(1234.5 * std::cos(vertex * 0.11 + axis));
    };
    const char* const edges[] = {
        "-0.000000", "0.000000",  "100000.000000", "99999.500000", "0.000100",
        "0.001000",  "-0.000999", "12.345670",     "1.2345678",    "0.1234567",
        "-7",        "3.5e-2",    "0012.500000"};
    const auto mixed = [&edges](int vertex, int axis) {
        return edges[(vertex * 3 + axis) % (sizeof edges / sizeof *edges)];
    };
    const auto spaced = [](int vertex, int axis) {
        return (axis == 0 ? "\t" : "  ") + sixDecimals(vertex % 7 - 3.25);
    };
    const std::string tweaks = "\tsetAttr -s 2 \".pt[0:1]\" -type \"float3\" 0.5 0 0 0 0.25 0;\n";
    struct Row {
        const char* what;
        std::string scene;
    } rows[] = {
        {"many blocks of plain coordinates", mayaGrid(300, 200, 1000, wave)},
        {"coordinates of more than seven digits", mayaGrid(20, 10, 100, large)},
        {"coordinates at the edges of the digits taken", mayaGrid(12, 12, 50, mixed)},
        {"blanks and tabs between", mayaGrid(8, 8, 30, spaced)},
        {"lines ending in CR LF", mayaGrid(8, 8, 30, wave, "", "", "\r\n")},
        {"one statement", mayaGrid(30, 1, 10000, wave)},
        // 48 coordinates are the most a line read many at once holds.
        {"16 vertices to a line", mayaGrid(30, 2, 10000, wave, "", "", "\n", 16)},
        {"17 vertices to a line", mayaGrid(30, 2, 10000, wave, "", "", "\n", 17)},
        {"tweaks before the vertices", mayaGrid(6, 6, 10, wave, tweaks)},
        {"tweaks after the vertices", mayaGrid(6, 6, 10, wave, "", tweaks)},
        {"a vertex a coordinate at a time",
         mayaGrid(6, 6, 10, wave, "", "\tsetAttr \".vt[3].vy\" 2.5;\n")},
        {"vertices out of order",
         mayaGrid(6, 6, 10, wave, "\tsetAttr \".vt[40:41]\" 1 2 3 4 5 6;\n")},
        {"vertices never given", mayaGrid(6, 6, 40, wave, "\tsetAttr -s 52 \".vt\";\n")},
    };
    tool::LentThread thread;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TempFolder folder;
        writeFile(folder / "s.ma", row.scene);
        const std::string held = objFromPointsHeld(folder / "s.ma", folder / "held.obj");
        const tessaryn::SecondThread* const none = nullptr;
        for (const tessaryn::SecondThread* lent : {none, &thread.lend()}) {
            const tessaryn::SceneObjReport report =
                extract(folder / "s.ma", folder / "out.obj", "", lent);
            ASSERT_EQ(report.outcome, SceneRefusal::None) << report.detail;
            EXPECT_TRUE(readFile(folder / "out.obj") == held);
            EXPECT_EQ(report.vertices,
                      static_cast<std::int64_t>(obj_testing::readObj(held).positions.size() / 3));
        }
    }
    // A coordinate that is no finite number refuses the run as the points held refuse it.
    TempFolder folder;
    writeFile(folder / "s.ma", mayaGrid(4, 4, 10, [](int vertex, int axis) {
                  return vertex == 13 && axis == 1 ? std::string("nan") : sixDecimals(vertex);
              }));
    const tessaryn::SceneObjReport report = extract(folder / "s.ma", folder / "out.obj");
    EXPECT_EQ(report.outcome, SceneRefusal::PointNotFinite);
    EXPECT_EQ(report.detail, "vertex 13, counted from 0");
    EXPECT_FALSE(fileExists(folder / "out.obj"));
}
