// A Maya mesh node's geometry as the OBJ writer gets it: every mesh node of the real
// scenes read whole, with corners that walk the node's own edges; the forms Maya gives
// tweaks, holes, UV sets and face lists in; and the nodes whose mesh is their history.
#include "scene/maya/maya_mesh_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "base/numbers.h"
#include "crease/crease_edge_set.h"
#include "scene/maya/maya_plain_faces.h"
#include "scene/maya/maya_scene_scanner.h"
#include "scene/node_choice.h"
#include "scene/scene_creases.h"
#include "support.h"
#include "tools/second_thread.h"

namespace {

using tessaryn::MeshHead;
using tessaryn::NodeProblem;
using tessaryn::SceneRefusal;
using testing_support::readFile;
using testing_support::realDataPath;
using testing_support::writeFile;

// What a reader hands over, as the OBJ writer would take it.
class RecordingSink : public tessaryn::MeshSink {
public:
    explicit RecordingSink(long facesBeforeStop = -1) : facesBeforeStop_(facesBeforeStop) {}
    bool begin(const MeshHead& given) override {
        ++begins;
        head = given;
        return facesBeforeStop_ != 0;
    }
    bool face(const std::uint32_t* vertices, const std::uint32_t* uvs,
              std::size_t corners) override {
        EXPECT_EQ(begins, 1);
        EXPECT_EQ(uvs != nullptr, !head.uvs.empty());
        faces.emplace_back(vertices, vertices + corners);
        faceUvs.push_back(uvs == nullptr ? std::vector<std::uint32_t>()
                                         : std::vector<std::uint32_t>(uvs, uvs + corners));
        return facesBeforeStop_ < 0 || static_cast<long>(faces.size()) < facesBeforeStop_;
    }

    const tessaryn::SecondThread* readerThread() const override { return thread; }
    long facesBeforeStop() const { return facesBeforeStop_; }

    int begins = 0;
    MeshHead head;
    std::vector<std::vector<std::uint32_t>> faces;
    std::vector<std::vector<std::uint32_t>> faceUvs;
    const tessaryn::SecondThread* thread = nullptr;  // lent to the reader: edges read beside

private:
    long facesBeforeStop_;
};

tessaryn::SceneFacts scan(const std::string& text) {
    static const tessaryn::CreaseEdgeSet none;
    testing_support::InMemory scene(text);
    return tessaryn::scanMayaScene(scene.lines, none);
}

const tessaryn::SceneNode* findNode(const tessaryn::SceneFacts& facts, const std::string& name) {
    for (const tessaryn::SceneNode& node : facts.nodes) {
        if (node.name == name) return &node;
    }
    return nullptr;
}

struct Read {
    explicit Read(long facesBeforeStop = -1) : sink(facesBeforeStop) {}
    tessaryn::MeshReadResult result;
    RecordingSink sink;
};

// Scans `text`, then reads node `name` from it, as the road does: from memory, or
// without the scanner's start (by its line); with `passEdges`, after a scan that passes
// the edges over, as the OBJ road's does, leaving them to the reader to refuse.
void readNode(const std::string& text, const std::string& name, Read& read, bool byLine = false,
              bool passEdges = false) {
    testing_support::InMemory scanned(text);
    const tessaryn::SceneFacts facts =
        passEdges ? tessaryn::scanMayaScenePassingEdges(scanned.lines) : scan(text);
    ASSERT_EQ(facts.problem, SceneRefusal::None);
    const tessaryn::SceneNode* found = findNode(facts, name);
    ASSERT_NE(found, nullptr) << name;
    tessaryn::SceneNode node = *found;
    if (byLine) node.start = 0;
    testing_support::InMemory scene(text);
    read.result = tessaryn::readMayaMesh(scene.source, node, read.sink);
    // Read again with a lent thread, which reads the node's edges beside: the same read
    // in every way, whatever the scene holds.
    static const tool::LentThread lent;
    Read beside(read.sink.facesBeforeStop());
    beside.sink.thread = &lent.lend();
    testing_support::InMemory again(text);
    beside.result = tessaryn::readMayaMesh(again.source, node, beside.sink);
    EXPECT_EQ(beside.result.problem, read.result.problem);
    EXPECT_EQ(beside.result.nodeProblem, read.result.nodeProblem);
    EXPECT_EQ(beside.result.line, read.result.line);
    EXPECT_EQ(beside.result.detail, read.result.detail);
    EXPECT_EQ(beside.result.stopped, read.result.stopped);
    EXPECT_EQ(beside.result.faces, read.result.faces);
    EXPECT_EQ(beside.result.holedFaces, read.result.holedFaces);
    EXPECT_EQ(beside.sink.begins, read.sink.begins);
    EXPECT_EQ(beside.sink.head.points.size(), read.sink.head.points.size());
    EXPECT_TRUE(std::equal(beside.sink.head.points.begin(), beside.sink.head.points.end(),
                           read.sink.head.points.begin(), read.sink.head.points.end(),
                           [](float x, float y) { return x == y || (x != x && y != y); }));
    EXPECT_EQ(beside.sink.head.uvs, read.sink.head.uvs);
    EXPECT_EQ(beside.sink.head.uvSet, read.sink.head.uvSet);
    EXPECT_EQ(beside.result.warnings, read.result.warnings);
    EXPECT_EQ(beside.sink.faces, read.sink.faces);
    EXPECT_EQ(beside.sink.faceUvs, read.sink.faceUvs);
}

// The edges of node `name` as its .ed statements list them, read plainly from the text.
std::set<std::pair<std::uint32_t, std::uint32_t>> edgeList(const std::string& text,
                                                           const std::string& name) {
    std::set<std::pair<std::uint32_t, std::uint32_t>> edges;
    const std::size_t node = text.find("createNode mesh -n \"" + name + "\"");
    const std::size_t end = text.find("\ncreateNode", node + 1);
    std::size_t at = node;
    while ((at = text.find("\".ed[", at)) < end) {
        const std::size_t close = text.find(';', at);
        std::istringstream numbers(text.substr(text.find('"', at + 1) + 1, close - at));
        std::uint32_t a = 0, b = 0, flag = 0;
        while (numbers >> a >> b >> flag) {
            edges.insert({a, b});
            edges.insert({b, a});
        }
        at = close;
    }
    return edges;
}

std::vector<float> firstPoint(const MeshHead& head) {
    return {head.points[0], head.points[1], head.points[2]};
}

// Every mesh node of every real scene: as many points as the scanner counts, every face's
// sides (the last corner to the first too) edges of the node, each corner one texture
// coordinate of the set, and what a few of them are.
TEST(MayaMeshReader, EveryRealMeshNode) {
    struct Row {
        const char* file;
        const char* node;
        std::size_t faces;
        std::size_t uvs;  // 0: none
        std::vector<float> firstPoint;
        std::vector<std::uint32_t> firstFace;
        std::vector<std::uint32_t> firstFaceUvs;
    };
    const Row rows[] = {
        // Its first vertex has a tweak of its own (.pt[0]), which Maya adds.
        {"cgkit__objects.ma",
         "meshShape",
         6,
         14,
         {-0.5f + 0.24999999f, 0.5f, 0.5f - 0.25f},
         {0, 1, 3, 2},
         {0, 1, 3, 2}},
        {"maya2gltf__FlatTetrahedron.ma",
         "pPyramidShape1",
         4,
         8,
         {-0.2886751f, -0.40824831f, -0.50000006f},
         {0, 2, 1},
         {0, 2, 1}},
        {"maya2gltf__CubeToSphere.ma", "pCubeShape1Orig", 96, 125, {-0.5f, -0.5f, 0.5f}, {}, {}},
        {"mayausd__UsdExportMeshTest.ma",
         "polyShape",
         6,
         14,
         {-0.5f, -0.5f, -0.5f},
         {0, 1, 3, 2},
         {0, 1, 3, 2}},
        {"mayausd__UsdExportMeshTest.ma",
         "polyNoNormalsShape",
         6,
         14,
         {-0.5f, -0.5f, -0.5f},
         {},
         {}},
        {"mayausd__UsdExportMeshTest.ma", "subdivShape", 6, 14, {-0.5f, -0.5f, -0.5f}, {}, {}},
        // Every vertex tweaked (.pt[0:7]), four faces of a box with no lid.
        {"mayausd__UsdExportMeshTest.ma",
         "TestNormalsMeshShape",
         4,
         14,
         {-0.60149187f + 5765.2817f, -0.51270145f + 641.37012f, 0.045243949f + -1464.6793f},
         {2, 3, 5, 4},
         {2, 3, 5, 4}},
        {"mayausd__UsdExportMeshTest.ma",
         "creasedShape",
         6,
         0,
         {-0.5f, -0.5f, 0.5f},
         {0, 1, 3, 2},
         {}},
    };
    std::set<std::string> covered;
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.file) + " " + row.node);
        const std::string text = readFile(realDataPath(row.file));
        const tessaryn::SceneFacts facts = scan(text);
        const tessaryn::SceneNode* node = findNode(facts, row.node);
        ASSERT_NE(node, nullptr);
        ASSERT_TRUE(node->holdsMesh());
        covered.insert(std::string(row.file) + " " + row.node);
        // From the file, as the road opens it.
        tessaryn::ByteSource file;
        ASSERT_TRUE(file.openFile(testing_support::hostPath(realDataPath(row.file)).c_str()));
        RecordingSink sink;
        const tessaryn::MeshReadResult result = tessaryn::readMayaMesh(file, *node, sink);
        ASSERT_EQ(result.problem, SceneRefusal::None) << result.detail << " line " << result.line;
        EXPECT_FALSE(result.stopped);
        EXPECT_EQ(result.holedFaces, 0);
        EXPECT_TRUE(result.warnings.empty());
        ASSERT_EQ(sink.begins, 1);
        EXPECT_EQ(sink.head.points.size(), 3 * static_cast<std::size_t>(node->vertexCount));
        EXPECT_EQ(sink.head.uvs.size(), 2 * row.uvs);
        EXPECT_EQ(sink.head.uvSet, row.uvs > 0 ? "map1" : "");
        EXPECT_EQ(sink.faces.size(), row.faces);
        EXPECT_EQ(result.faces, static_cast<std::int64_t>(row.faces));
        EXPECT_EQ(firstPoint(sink.head), row.firstPoint);
        if (!row.firstFace.empty()) {
            EXPECT_EQ(sink.faces[0], row.firstFace);
        }
        if (!row.firstFaceUvs.empty()) {
            EXPECT_EQ(sink.faceUvs[0], row.firstFaceUvs);
        }

        const auto edges = edgeList(text, row.node);
        for (std::size_t f = 0; f < sink.faces.size(); ++f) {
            const std::vector<std::uint32_t>& corners = sink.faces[f];
            ASSERT_GE(corners.size(), 3u);
            for (std::size_t c = 0; c < corners.size(); ++c) {
                const std::uint32_t next = corners[(c + 1) % corners.size()];
                EXPECT_EQ(edges.count({corners[c], next}), 1u) << "face " << f << " corner " << c;
            }
            for (std::uint32_t uv : sink.faceUvs[f]) EXPECT_LT(uv, row.uvs);
        }
    }
    // Every node of every real scene that holds a mesh is a row above.
    for (const char* file : {"cgkit__objects.ma", "maya2gltf__FlatTetrahedron.ma",
                             "maya2gltf__CubeToSphere.ma", "mayausd__UsdExportMeshTest.ma"}) {
        for (const tessaryn::SceneNode& node : scan(readFile(realDataPath(file))).nodes) {
            if (node.holdsMesh()) {
                EXPECT_EQ(covered.count(std::string(file) + " " + node.name), 1u)
                    << file << " " << node.name;
            }
        }
    }
}

// creasedShape is the cube of tinyobj's OBJ, vertex for vertex.
TEST(MayaMeshReader, PointsAreThoseOfTheObjCounterpart) {
    Read read;
    readNode(readFile(realDataPath("mayausd__UsdExportMeshTest.ma")), "creasedShape", read);
    std::istringstream obj(readFile(realDataPath("tinyobj__issue-162-smoothing-group.obj")));
    std::vector<float> points;
    std::string word;
    while (obj >> word) {
        if (word != "v") continue;
        float x = 0, y = 0, z = 0;
        obj >> x >> y >> z;
        points.insert(points.end(), {x, y, z});
    }
    EXPECT_EQ(read.sink.head.points, points);
}

const std::string kHeader = "//Maya ASCII 2022 scene\ncreateNode transform -n \"t\";\n";
// A square 0 1 2 3, its four sides (the last two written larger vertex first) and the
// diagonal 0 2 as edge 4: "f 3 0 1 -5" is the triangle 0 1 2, "f 3 4 -3 -4" 0 2 3.
const std::string kEdges = "\tsetAttr -s 5 \".ed[0:4]\" 0 1 0 1 2 0 3 2 0 0 3 0 0 2 0;\n";
const std::string kSquare =
    "createNode mesh -n \"sq\" -p \"t\";\n"
    "\tsetAttr -s 4 \".vt[0:3]\" 0 0 0 1 0 0 1 1 0 0 1 0;\n" +
    kEdges;
const std::vector<std::vector<std::uint32_t>> kTriangles = {{0, 1, 2}, {0, 2, 3}};

// The forms of a node's points, edges, faces and texture coordinates, each read as a
// writer should get it.
TEST(MayaMeshReader, HandMadeNodes) {
    struct Row {
        const char* what;
        std::string text;
        std::vector<float> points;  // empty: the square's
        std::vector<std::vector<std::uint32_t>> faces;
        std::vector<float> uvs;
        std::vector<std::vector<std::uint32_t>> faceUvs;
        std::string uvSet;
        std::int64_t holed = 0;
    };
    const std::vector<float> square = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
    const Row rows[] = {
        {"edges walked both ways",
         kSquare + "\tsetAttr \".fc[0]\" -type \"polyFaces\" f 4 0 1 -3 -4;\n",
         {},
         {{0, 1, 2, 3}},
         {},
         {},
         ""},
        {"the other way round",
         kSquare + "\tsetAttr \".fc[0]\" -type \"polyFaces\" f 4 3 2 -2 -1;\n",
         {},
         {{0, 3, 2, 1}},
         {},
         {},
         ""},
        // Tweaks in each form Maya gives them, before and after the vertices.
        {"tweaks",
         "createNode mesh -n \"sq\";\n"
         "\tsetAttr -s 3 \".pt\";\n"
         "\tsetAttr \".pt[0]\" -type \"float3\" 0.5 0 0 ;\n"
         "\tsetAttr \".pt[1:2]\" -type \"float3\" 0 0.25 0 0 0 -1;\n"
         "\tsetAttr \".vt[0:3]\" 0 0 0 1 0 0 1 1 0 0 1 0;\n"
         "\tsetAttr \".pt[3].py\" 2;\n"
         "\tsetAttr \".pt[9]\" -type \"float3\" 5 5 5;\n"  // beyond the vertices: no vertex's
             + kEdges + "\tsetAttr \".fc[0]\" -type \"polyFaces\" f 4 0 1 -3 -4;\n",
         {0.5f, 0, 0, 1, 0.25f, 0, 1, 1, -1, 0, 3, 0},
         {{0, 1, 2, 3}},
         {},
         {},
         ""},
        // A hole is dropped, its corners' texture coordinates with it; the colour
        // elements between are passed over.
        {"a hole",
         "createNode mesh -n \"sq\";\n"
         "\tsetAttr \".uvst[0].uvsn\" -type \"string\" \"map1\";\n"
         "\tsetAttr \".uvst[0].uvsp[0:3]\" -type \"float2\" 0 0 1 0 1 1 0 1;\n"
         "\tsetAttr \".vt[0:6]\" 0 0 0 1 0 0 1 1 0 0 1 0 0.2 0.2 0 0.8 0.2 0 0.5 0.8 0;\n"
         "\tsetAttr \".ed[0:6]\" 0 1 0 1 2 0 2 3 0 3 0 0 4 5 0 5 6 0 6 4 0;\n"
         "\tsetAttr \".fc[0]\" -type \"polyFaces\"\n"
         "\t\tf 4 0 1 2 3\n\t\th 3 -7 -6 -5\n\t\tmu 0 4 0 1 2 3\n\t\tmu 0 3 0 1 2\n"
         "\t\tmc 0 4 0 0 0 0\n\t\tfc 4 1 1 1 1;\n",
         {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0.2f, 0.2f, 0, 0.8f, 0.2f, 0, 0.5f, 0.8f, 0},
         {{0, 1, 2, 3}},
         {0, 0, 1, 0, 1, 1, 0, 1},
         {{0, 1, 2, 3}},
         "map1",
         1},
        // Two UV sets, .cuvs naming the second: its values and its mu elements.
        {"the current UV set",
         kSquare + "\tsetAttr -s 2 \".uvst\";\n"
                   "\tsetAttr \".uvst[0].uvsn\" -type \"string\" \"map1\";\n"
                   "\tsetAttr -s 4 \".uvst[0].uvsp[0:3]\" -type \"float2\" 0 0 1 0 1 1 0 1;\n"
                   "\tsetAttr \".uvst[1].uvsn\" -type \"string\" \"second\";\n"
                   "\tsetAttr -s 2 \".uvst[1].uvsp\";\n"
                   "\tsetAttr \".uvst[1].uvsp[0:1]\" -type \"float2\" 0.5 0.25 0.75 1;\n"
                   "\tsetAttr \".cuvs\" -type \"string\" \"second\";\n"
                   "\tsetAttr \".fc[0:1]\" -type \"polyFaces\"\n"
                   "\t\tf 3 0 1 -5 mu 0 3 0 1 2 mu 1 3 1 0 1\n"
                   "\t\tf 3 4 -3 -4 mu 1 3 0 0 1 mu 0 3 2 3 0;\n",
         {},
         kTriangles,
         {0.5f, 0.25f, 0.75f, 1},
         {{1, 0, 1}, {0, 0, 1}},
         "second"},
        // No .cuvs: the first set. A set whose faces have no mu: no texture coordinates.
        {"the first UV set",
         kSquare +
             "\tsetAttr \".uvst[1].uvsn\" -type \"string\" \"second\";\n"
             "\tsetAttr \".uvst[0].uvsp[0:0]\" -type \"float2\" 0.5 0.5;\n"
             "\tsetAttr \".uvst[1].uvsp[0:1]\" -type \"float2\" 0 0 1 1;\n"
             "\tsetAttr \".fc[0]\" -type \"polyFaces\" f 3 0 1 -5 mu 1 3 0 1 1 mu 0 3 0 0 0;\n",
         {},
         {{0, 1, 2}},
         {0.5f, 0.5f},
         {{0, 0, 0}},
         "uvst[0]"},
        // A face of no corners (the writer refuses it) comes with texture corners all the
        // same: none of them, but not none at all.
        {"a face of no corners first",
         kSquare +
             "\tsetAttr \".uvst[0].uvsp[0:2]\" -type \"float2\" 0 0 1 0 1 1;\n"
             "\tsetAttr \".fc[0:1]\" -type \"polyFaces\" f 0 mu 0 0 f 3 0 1 -5 mu 0 3 0 1 2;\n",
         {},
         {{}, {0, 1, 2}},
         {0, 0, 1, 0, 1, 1},
         {{}, {0, 1, 2}},
         "uvst[0]"},
        {"a face of no corners in a set of none",
         kSquare + "\tsetAttr \".fc[0]\" -type \"polyFaces\" f 0 mu 0 0;\n",
         {},
         {{}},
         {},
         {},
         "uvst[0]"},
        {"a set no face uses",
         kSquare + "\tsetAttr \".uvst[0].uvsp[0:0]\" -type \"float2\" 0.5 0.5;\n"
                   "\tsetAttr \".fc[0]\" -type \"polyFaces\" f 3 0 1 -5;\n",
         {},
         {{0, 1, 2}},
         {},
         {},
         ""},
        // Faces before the points and edges (a hand-written file): held to the node's end.
        {"faces first",
         "createNode mesh -n \"sq\";\n"
         "\tsetAttr \".fc[0:1]\" -type \"polyFaces\" f 3 0 1 -5 mu 0 3 0 1 2 f 3 4 -3 -4\n"
         "\t\tmu 0 3 2 3 0;\n" +
             kEdges +
             "\tsetAttr \".vt[0:3]\" 0 0 0 1 0 0 1 1 0 0 1 0;\n"
             "\tsetAttr \".uvst[0].uvsp[0:3]\" -type \"float2\" 0 0 1 0 1 1 0 1;\n",
         {},
         kTriangles,
         {0, 0, 1, 0, 1, 1, 0, 1},
         {{0, 1, 2}, {2, 3, 0}},
         "uvst[0]"},
        // Faces split over statements, numbers on lines of their own, the node's end at
        // the next statement that starts a line (another mesh node's faces are not its).
        {"split face lists",
         kSquare + "\tsetAttr -s 2 \".fc\";\n"
                   "\tsetAttr \".fc[0]\" -type \"polyFaces\"\n\t\tf\n\t\t3\n\t\t0 1\n\t\t-5;\n"
                   "\tsetAttr \".fc[1]\" -type \"polyFaces\" f 3 4 -3 -4;\n"
                   "createNode mesh -n \"other\";\n"
                   "\tsetAttr \".fc[0]\" -type \"polyFaces\" f 3 0 1 2;\n",
         {},
         kTriangles,
         {},
         {},
         ""},
    };
    for (const Row& row : rows) {
        for (int form = 0; form < 3; ++form) {
            // As written; the node found by its line instead of its start; CR LF lines.
            const bool byLine = form == 1;
            SCOPED_TRACE(std::string(row.what) + " form " + std::to_string(form));
            const std::string text = kHeader + row.text;
            Read read;
            readNode(form == 2 ? testing_support::toCrlf(text) : text, "sq", read, byLine);
            ASSERT_EQ(read.result.problem, SceneRefusal::None)
                << read.result.detail << " line " << read.result.line;
            EXPECT_EQ(read.sink.head.points, row.points.empty() ? square : row.points);
            EXPECT_EQ(read.sink.faces, row.faces);
            EXPECT_EQ(read.sink.head.uvs, row.uvs);
            EXPECT_EQ(read.sink.head.uvSet, row.uvSet);
            if (!row.uvs.empty()) {
                EXPECT_EQ(read.sink.faceUvs, row.faceUvs);
            }
            EXPECT_EQ(read.result.holedFaces, row.holed);
            EXPECT_EQ(read.result.warnings.size(), row.holed > 0 ? 1u : 0u);
        }
    }
}

// What does not hold together is refused, naming what and the line; a coordinate that is
// no number goes to the writer, which refuses it.
TEST(MayaMeshReader, NodesThatDoNotHoldTogether) {
    const std::string uvs = "\tsetAttr \".uvst[0].uvsp[0:2]\" -type \"float2\" 0 0 1 0 1 1;\n";
    const std::string faces = "\tsetAttr \".fc[0:1]\" -type \"polyFaces\" ";
    struct Row {
        std::string text;
        std::string detail;
        std::int64_t line;
    } rows[] = {
        {kSquare + faces + "f 3 0 1 5 f 3 4 -3 -4;\n",
         "has face 0 naming edge 5, beyond its 5 edges", 6},
        {kSquare + faces + "f 3 0 1 -5 f 3 4 -3 -7;\n",
         "has face 1 naming edge 6, beyond its 5 edges", 6},
        {kSquare + "\tsetAttr \".ed[7]\" 0 2 0;\n" + faces + "f 3 0 1 -5\n\t\tf 3 6 -3 -4;\n",
         "has face 1 naming edge 6, which its edge statements do not give", 8},
        // Edges that do not join: one walked the wrong way, one that does not come back,
        // one in faces held until the edges come.
        {kSquare + faces + "f 3 0 1 4 f 3 4 -3 -4;\n",
         "has face 0 whose edge 4 does not start where the edge before it ends", 6},
        {kSquare + faces + "f 3 0 1 -5\n\t\tf 3 4 2 -4;\n",
         "has face 1 whose edge 2 does not start where the edge before it ends", 7},
        {kSquare + faces + "f 3 0 1 -2 f 3 4 -3 -4;\n",
         "has face 0 whose last edge does not end where its first starts", 6},
        {"createNode mesh -n \"sq\" -p \"t\";\n" + faces + "f 3 0 1 -5 f 3 4 2 -4;\n" +
             "\tsetAttr -s 4 \".vt[0:3]\" 0 0 0 1 0 0 1 1 0 0 1 0;\n" + kEdges,
         "has face 1 whose edge 2 does not start where the edge before it ends", 4},
        {kSquare + "\tsetAttr \".ed[5]\" 0 4 0;\n",
         "has edge 5 joining vertex 4, beyond its 4 vertices", 6},
        {kSquare + uvs + faces + "f 3 0 1 -5 mu 0 3 0 1 2\n\t\tf 3 4 -3 -4 mu 0 3 2 3 0;\n",
         "has face 1 naming texture coordinate 3, beyond the 3 of its UV set uvst[0]", 8},
        {kSquare + uvs + faces + "f 3 0 1 -5 mu 0 3 0 1 2\n\t\tf 3 4 -3 -4;\n",
         "has face 1 without texture coordinates in its UV set uvst[0], while face 0 has them", 8},
        {kSquare + uvs + faces + "f 3 0 1 -5\n\t\tf 3 4 -3 -4 mu 0 3 0 1 2;\n",
         "has face 1 with texture coordinates in its UV set uvst[0], while face 0 has none", 8},
        {kSquare + uvs + faces + "f 3 0 1 -5 mu 0 2 0 1 f 3 4 -3 -4;\n",
         "has face 0 giving 2 texture coordinates for its 3 corners", 7},
        {kSquare + faces + "f 3 0 1 -5;\n", "has a face statement of 1 faces for a range of 2", 6},
        {kSquare + faces + "f 3 0 1 f 3 4 -3 -4;\n", "has a face list that does not read as faces",
         6},
        {kSquare + faces + "mu 0 3 0 1 2 f 3 0 1 -5 f 3 4 -3 -4;\n",
         "has a face list that does not read as faces", 6},
        {kSquare + faces + "f 3 0 1 -5 2.5 f 3 4 -3 -4;\n", "has a face statement holding '2.5'",
         6},
        {kSquare + "\tsetAttr \".fc[1]\" -type \"polyFaces\" f 3 0 1 -5;\n",
         "gives face 1 where face 0 comes next", 6},
        {kSquare + "\tsetAttr \".fc[0]\" -type \"polyFaces\" f 3 0 1 -5;\n"
                   "\tsetAttr \".pt[0]\" -type \"float3\" 1 1 1;\n",
         "gives tweaks after faces already read", 7},
        {"createNode mesh -n \"sq\";\n\tsetAttr \".vt[0:3]\" 0 0 0 1 0 0 1 1 0 0 1;\n",
         "has a vertex statement whose values do not fill its range", 4},
        {kSquare + "\tsetAttr \".vt[4].vy\" 1;\n", "gives vertex 4 beyond its 4 vertices", 6},
        {kSquare + "\tsetAttr \".uvst[0].uvsp[0]\" -type \"float2\" 0 0 1;\n",
         "has a texture coordinate statement holding more values than its range", 6},
        {kSquare + "\tsetAttr \".uvst[0].uvsp[0:90000000]\" -type \"float2\" 0 0;\n",
         "has a texture coordinate statement of entries up to 90000000, more than its file could "
         "hold",
         6},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        Read read;
        readNode(kHeader + row.text, "sq", read);
        EXPECT_EQ(read.result.problem, SceneRefusal::NodeHoldsNoMesh);
        EXPECT_EQ(read.result.detail, row.detail);
        EXPECT_EQ(read.result.line, row.line);
    }

    Read notANumber;
    readNode(kHeader +
                 "createNode mesh -n \"sq\";\n\tsetAttr \".vt[0:2]\" 0 0 0 1 nan 0 1 1 0;\n"
                 "\tsetAttr \".ed[0:2]\" 0 1 0 1 2 0 2 0 0;\n"
                 "\tsetAttr \".fc[0]\" -type \"polyFaces\" f 3 0 1 2;\n",
             "sq", notANumber);
    ASSERT_EQ(notANumber.result.problem, SceneRefusal::None);
    EXPECT_TRUE(std::isnan(notANumber.sink.head.points[4]));
}

// The runs of edge statements a lent thread may read beside, and what is read the same
// way on one thread or two (readNode reads each both ways): edges split in two runs, a
// run whose end shares a line, faces before the edges, a node without edges before one
// with them, a refusal in the run, and a run that reaches the node's end.
TEST(MayaMeshReader, EdgeRunsReadBesideAsOnOneThread) {
    const std::string vertices = "createNode mesh -n \"sq\" -p \"t\";\n"
                                 "\tsetAttr -s 4 \".vt[0:3]\" 0 0 0 1 0 0 1 1 0 0 1 0;\n";
    const std::string faces = "\tsetAttr \".fc[0:1]\" -type \"polyFaces\" f 3 0 1 -5 f 3 4 -3 -4;\n";
    struct Row {
        const char* what;
        std::string text;
        bool read;  // else refused
        std::size_t faces;
    } rows[] = {
        {"one run", vertices + kEdges + faces, true, 2},
        {"two runs",
         vertices +
             "\tsetAttr \".ed[0:1]\" 0 1 0 1 2 0;\n\tsetAttr \".pt[0]\" 0 0 0;\n"
             "\tsetAttr \".ed[2:4]\" 3 2 0 0 3 0 0 2 0;\n" +
             faces,
         true, 2},
        {"a run ending on a shared line",
         vertices + "\tsetAttr \".ed[0:4]\" 0 1 0 1 2 0 3 2 0 0 3 0 0 2 0; " + faces, true, 2},
        {"faces first", vertices + faces + kEdges, true, 2},
        {"edges first",
         "createNode mesh -n \"sq\" -p \"t\";\n" + kEdges +
             "\tsetAttr -s 4 \".vt[0:3]\" 0 0 0 1 0 0 1 1 0 0 1 0;\n" + faces,
         true, 2},
        {"edges counted on a line of their own",
         vertices + "\tsetAttr -s 5 \".ed\";\n" + kEdges + faces, true, 2},
        {"edges after a statement on their line",
         vertices +
             "\tsetAttr \".pt[0]\" 0 0 0; setAttr \".ed[0:1]\" 0 1 0 1 2 0;\n"
             "\tsetAttr \".ed[2:4]\" 3 2 0 0 3 0 0 2 0;\n" +
             faces,
         true, 2},
        {"a refusal in the run",
         vertices +
             "\tsetAttr \".ed[0:1]\" 0 1 0 1 2 0;\n"
             "\tsetAttr \".ed[2]\" 3 9 0;\n" +
             faces,
         false, 0},
        {"the run ends the node", vertices + kEdges + "createNode transform -n \"u\";\n", true, 0},
        {"the next node's edges",
         vertices + "createNode mesh -n \"sq2\" -p \"t\";\n" +
             "\tsetAttr -s 4 \".vt[0:3]\" 0 0 0 1 0 0 1 1 0 0 1 0;\n" + kEdges + faces,
         true, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Read read;
        readNode(kHeader + row.text, "sq", read);
        EXPECT_EQ(read.result.problem == SceneRefusal::None, row.read);
        EXPECT_EQ(read.sink.faces.size(), row.faces);
        if (row.faces > 0) {
            EXPECT_EQ(read.sink.faces, kTriangles);
        }
    }
}

// `text` with each blank from `from` on doubled: a layout the readers' quick roads leave
// to their number-by-number reading.
std::string withTwoBlanks(const std::string& text, std::size_t from = 0) {
    std::string doubled = text.substr(0, from);
    for (std::size_t i = from; i < text.size(); ++i)
        doubled += text[i] == ' ' ? std::string("  ") : std::string(1, text[i]);
    return doubled;
}

// A quick road's read and the number-by-number one: the same refusal, line and faces.
void expectReadAlike(const Read& quick, const Read& oneByOne) {
    EXPECT_EQ(quick.result.problem, oneByOne.result.problem);
    EXPECT_EQ(quick.result.detail, oneByOne.result.detail);
    EXPECT_EQ(quick.result.line, oneByOne.result.line);
    EXPECT_EQ(quick.sink.faces, oneByOne.sink.faces);
}

// Edges read three numbers at a time where they come as Maya writes them, and one by one
// otherwise: the same edges, refusals and lines either way. Each row's triples are written
// with one blank between numbers (as Maya does) and again with two (read one by one).
TEST(MayaMeshReader, EdgeTriplesReadAsOneByOne) {
    const std::string vertices =
        "createNode mesh -n \"sq\" -p \"t\";\n"
        "\tsetAttr -s 4 \".vt[0:3]\" 0 0 0 1 0 0 1 1 0 0 1 0;\n";
    const std::string faces =
        "\tsetAttr \".fc[0:1]\" -type \"polyFaces\" f 3 0 1 -5 f 3 4 -3 -4;\n";
    const auto padded = [](std::size_t width) {
        std::string numbers;
        for (const char* n :
             {"0", "1", "0", "1", "2", "0", "3", "2", "1", "0", "3", "0", "0", "2", "0"})
            numbers += std::string(width - 1, '0') + n + ' ';
        return numbers;
    };
    // Five more edges after the square's five, so that damage in its first triples lies
    // within a line long enough to be read three numbers at a time.
    const std::string more = " 0 1 0 1 2 0 0 1 0 1 2 0 0 1 0";
    struct Row {
        const char* what;
        std::string range;
        std::string numbers;  // separated by single blanks
        bool read;
    } rows[] = {
        {"one digit", "0:9", padded(1) + more, true},
        {"seven digits", "0:4", padded(7), true},
        {"eight digits", "0:4", padded(8), true},
        {"nineteen digits", "0:4", padded(19), true},
        {"a number beyond 64 bits", "0:9",
         "0 1 99999999999999999999 1 2 0 3 2 0 0 3 0 0 2 0" + more, false},
        {"a vertex beyond the points", "0:9", "0 4 0 1 2 0 3 2 0 0 3 0 0 2 0" + more, false},
        {"a vertex far beyond", "0:9", "1234567 1 0 1 2 0 3 2 0 0 3 0 0 2 0" + more, false},
        {"a negative vertex", "0:9", "0 -1 0 1 2 0 3 2 0 0 3 0 0 2 0" + more, false},
        {"a negative flag", "0:9", "0 1 -1 1 2 0 3 2 0 0 3 0 0 2 -7" + more, true},
        {"more triples than the range", "0:4", padded(1) + more, false},
        {"fewer triples than the range", "0:10", padded(1) + more, false},
        {"a word among them", "0:9", "0 1x2 0 1 2 0 3 2 0 0 3 0 0 2 0" + more, false},
        {"a tab among them", "0:9", "0 1\t0 1 2 0 3 2 0 0 3 0 0 2 0" + more, true},
        {"triples across lines", "0:9", "0 1 0 1 2\n\t\t0 3 2 0 0 3 0\n\t\t0 2 0" + more, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string twoBlanks = withTwoBlanks(row.numbers);
        Read triples;
        Read oneByOne;
        for (auto& [numbers, read] : {std::pair<const std::string&, Read&>{row.numbers, triples},
                                      std::pair<const std::string&, Read&>{twoBlanks, oneByOne}}) {
            readNode(kHeader + vertices + "\tsetAttr \".ed[" + row.range + "]\" " + numbers +
                         ";\n" + faces,
                     "sq", read, false, true);
        }
        EXPECT_EQ(triples.result.problem == SceneRefusal::None, row.read);
        expectReadAlike(triples, oneByOne);
        if (row.read) {
            EXPECT_EQ(triples.sink.faces, kTriangles);
        }
    }
}

// A face's count and edges read at once where they follow its f as Maya writes them, and
// one by one otherwise: the same faces, refusals and lines either way. Each row's face
// list is written with single blanks (as Maya does) and again with two (read one by one).
TEST(MayaMeshReader, FaceEdgesReadAsOneByOne) {
    // A polygon of `n` corners: n vertices, n edges around it, one face over them.
    const auto polygon = [](int n, const std::string& faceList) {
        std::string text =
            "createNode mesh -n \"sq\" -p \"t\";\n\tsetAttr \".vt[0:" + std::to_string(n - 1) +
            "]\"";
        for (int i = 0; i < n; ++i)
            text += " " + std::to_string(i) + " " + std::to_string(i % 3) + " 0";
        text += ";\n\tsetAttr \".ed[0:" + std::to_string(n - 1) + "]\"";
        for (int i = 0; i < n; ++i)
            text += " " + std::to_string(i) + " " + std::to_string((i + 1) % n) + " 0";
        return text + ";\n\tsetAttr \".fc[0]\" -type \"polyFaces\" " + faceList + ";\n";
    };
    const auto around = [](int n) {
        std::string list = "f " + std::to_string(n);
        for (int i = 0; i < n; ++i) list += " " + std::to_string(i);
        return list;
    };
    const std::string square = kSquare + "\tsetAttr \".uvst[0].uvsp[0:3]\" 0 0 1 0 1 1 0 1;\n";
    struct Row {
        const char* what;
        std::string scene;  // with single blanks in its face list
        std::size_t faces;  // read, else refused
    } rows[] = {
        {"triangles",
         kSquare + "\tsetAttr \".fc[0:1]\" -type \"polyFaces\" f 3 0 1 -5 f 3 4 -3 -4;\n", 2},
        {"a line each",
         kSquare + "\tsetAttr \".fc[0:1]\" -type \"polyFaces\"\n\t\tf 3 0 1 -5\n\t\tf 3 4 -3 -4;\n",
         2},
        {"texture coordinates",
         square + "\tsetAttr \".fc[0:1]\" -type \"polyFaces\"\n\t\tf 3 0 1 -5\n\t\tmu 0 3 0 1 "
                  "2\n\t\tf 3 4 -3 -4\n\t\tmu 0 3 0 2 3;\n",
         2},
        {"a hole",
         kSquare +
             "\tsetAttr \".fc[0:1]\" -type \"polyFaces\" f 3 0 1 -5 h 3 4 -3 -4 f 3 4 -3 -4;\n",
         2},
        {"sixteen corners", polygon(16, around(16)), 1},
        {"seventeen corners", polygon(17, around(17)), 1},
        {"a long edge number", polygon(3, "f 3 00000000 1 2"), 1},
        {"an edge beyond the edges", polygon(3, "f 3 0 1 3"), 0},
        {"an edge far beyond", polygon(3, "f 3 0 1 -1234567"), 0},
        {"fewer edges than the count", polygon(3, "f 3 0 1"), 0},
        {"more edges than the count", polygon(3, "f 2 0 1 2"), 0},
        {"a negative count", polygon(3, "f -3 0 1 2"), 0},
        {"no count", polygon(3, "f"), 0},
        {"a word for an edge", polygon(3, "f 3 0 1x 2"), 0},
        {"a statement's end right after", polygon(3, "f 3 0 1 2;"), 1},
        {"a tab among them", polygon(3, "f 3 0\t1 2"), 1},
        {"a sign alone", polygon(3, "f 3 0 - 2"), 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string twoBlanks = withTwoBlanks(row.scene, row.scene.find("\"polyFaces\""));
        Read atOnce;
        Read oneByOne;
        readNode(kHeader + row.scene, "sq", atOnce, false, true);
        readNode(kHeader + twoBlanks, "sq", oneByOne, false, true);
        EXPECT_EQ(atOnce.sink.faces.size(), row.faces);
        EXPECT_EQ(atOnce.result.problem == SceneRefusal::None, row.faces > 0);
        expectReadAlike(atOnce, oneByOne);
        EXPECT_EQ(atOnce.result.holedFaces, oneByOne.result.holedFaces);
        EXPECT_EQ(atOnce.sink.faceUvs, oneByOne.sink.faceUvs);
    }
}

// A face line read by both roads: with more lines after it (its blanks and LF found 48
// bytes at a time) and at the end of the text (a byte at a time). Empty edges: not a plain
// face line, for the reader's own road.
TEST(MayaPlainFaces, BothRoadsReadALineAlike) {
    std::string sixteen = "\t\tf 16";
    std::string seventeen = "\t\tf 17";
    std::vector<std::int64_t> edges16;
    for (int i = 0; i < 17; ++i) {
        if (i < 16) {
            sixteen += " " + std::to_string(1000000 + i);
            edges16.push_back(1000000 + i);
        }
        seventeen += " " + std::to_string(i);
    }
    struct Row {
        std::string line;
        std::vector<std::int64_t> edges;
    } rows[] = {
        {"\t\tf 4 1450034 -1450038 -1454131 1450035\n", {1450034, -1450038, -1454131, 1450035}},
        {"f 3 0 1 -5\r\n", {0, 1, -5}},
        {"  \t f 3 0 1 2\n", {0, 1, 2}},
        {sixteen + "\n", edges16},
        {seventeen + "\n", {}},
        {"\t\tf 2 0 1\n", {}},
        {"\t\tf 4 0 1 2\n", {}},
        {"\t\tf 3 0 1 2 3\n", {}},
        {"\t\tf 03 00000001 2 -99999999\n", {1, 2, -99999999}},
        {"\t\tf 3 1 2 -9999999999\n", {1, 2, -9999999999}},
        {"\t\tf 3 1 2 12345678901\n", {}},
        {"\t\tf 3 0  1 2\n", {}},
        {"\t\tf  3 0 1 2\n", {}},
        {"\t\tf 3 0\t1 2\n", {}},
        {"\t\tf 3 0 1 2 \n", {}},
        {"\t\tf 3 0 1 2\r\r\n", {}},
        {"\t\tf 3 0 1 2;\n", {}},
        {"\t\tf 3 0 1 - 2\n", {}},
        {"\t\tf 3 0 1 --2\n", {}},
        {"\t\tf 3 0 1 2x\n", {}},
        {"\t\tf -3 0 1 2\n", {}},
        {"\t\tf\n", {}},
        {"\t\tfc 3 0 1 2\n", {}},
        {"\t\tmu 0 3 0 1 2\n", {}},
        {"\t\tf 3 0 1 2 mu 0 3 0 1 2\n", {}},
        {"\t\tf 3 0 1 2", {}},
    };
    std::string more;
    while (more.size() < 64) more += "\t\tf 4 0 1 2 3\n";
    for (const Row& row : rows) {
        for (const std::string& text : {row.line, row.line + more}) {
            SCOPED_TRACE(testing::PrintToString(text));
            tessaryn::PlainFace face;
            const char* const next =
                tessaryn::readPlainFaceLine(text.data(), text.data() + text.size(), face);
            if (row.edges.empty()) {
                EXPECT_EQ(next, nullptr);
                continue;
            }
            EXPECT_EQ(next, text.data() + row.line.size());
            EXPECT_EQ(std::vector<std::int64_t>(face.edges(), face.edges() + face.count),
                      row.edges);
        }
    }
    // mu lines, for a face of four corners: the set, then its coordinates.
    struct UvRow {
        std::string line;
        std::vector<std::int64_t> numbers;
    } uvRows[] = {
        {"\t\tmu 0 4 1450034 1450035 1454131 1454130\n", {0, 1450034, 1450035, 1454131, 1454130}},
        {"mu 2 4 0 1 2 3\r\n", {2, 0, 1, 2, 3}},
        {"\t\tmu 0 4 0 1 2 -3\n", {0, 0, 1, 2, -3}},
        {"\t\tmu 0 3 0 1 2\n", {}},
        {"\t\tmu 0 4 0 1 2\n", {}},
        {"\t\tmu 0 4 0 1 2 3 4\n", {}},
        {"\t\tmu 0 4 0 1 2 3 \n", {}},
        {"\t\tmu  0 4 0 1 2 3\n", {}},
        {"\t\tmc 0 4 0 1 2 3\n", {}},
        {"\t\tm 0 4 0 1 2 3\n", {}},
        {"\t\tf 4 0 1 2 3\n", {}},
    };
    for (const UvRow& row : uvRows) {
        for (const std::string& text : {row.line, row.line + more}) {
            SCOPED_TRACE(testing::PrintToString(text));
            tessaryn::PlainUvs uvs;
            const char* const next =
                tessaryn::readPlainUvLine(text.data(), text.data() + text.size(), 4, uvs);
            if (row.numbers.empty()) {
                EXPECT_EQ(next, nullptr);
                continue;
            }
            EXPECT_EQ(next, text.data() + row.line.size());
            std::vector<std::int64_t> numbers = {uvs.set()};
            numbers.insert(numbers.end(), uvs.uvs(), uvs.uvs() + uvs.count);
            EXPECT_EQ(numbers, row.numbers);
        }
    }
}

// The faces of a face list with each one's blanks doubled: left to the reader's own road.
std::string withFaceLinesDoubled(const std::string& text) {
    std::istringstream lines(text);
    std::string doubled;
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t word = line.find_first_not_of(" \t");
        if (word != std::string::npos && line.compare(word, 2, "f ") == 0)
            line = line.substr(0, word) + withTwoBlanks(line.substr(word));
        doubled += line + "\n";
    }
    return doubled;
}

// Faces a line each, as Maya writes a mesh without texture coordinates, read many lines
// at a time, and the same lists with their blanks doubled (read one by one): the same
// faces, refusals and lines. A strip of 40 quads, damaged at face 20 in most rows.
TEST(MayaMeshReader, PlainFaceLinesReadAsOneByOne) {
    // A strip of `quads`: vertices 0..quads along the bottom, then as many along the top;
    // edges: those below, those above, then the uprights. Face i walks bottom i, upright
    // i + 1, top i backwards, upright i backwards.
    const auto strip = [](int quads) {
        const auto pairs = [](int from, int step, int count, int other) {
            std::string text;
            for (int i = 0; i < count; ++i)
                text +=
                    " " + std::to_string(from + i * step) + " " + std::to_string(other + i) + " 0";
            return text;
        };
        std::string text = "createNode mesh -n \"sq\" -p \"t\";\n\tsetAttr \".vt[0:" +
                           std::to_string(2 * quads + 1) + "]\"";
        for (int i = 0; i < 2 * (quads + 1); ++i)
            text += " " + std::to_string(i % (quads + 1)) + " " + std::to_string(i / (quads + 1)) +
                    " 0";
        text += ";\n\tsetAttr \".ed[0:" + std::to_string(3 * quads) + "]\"" +
                pairs(0, 1, quads, 1) + pairs(quads + 1, 1, quads, quads + 2) +
                pairs(0, 1, quads + 1, quads + 1);
        return text + ";\n\tsetAttr \".uvst[0].uvsp[0:3]\" 0 0 1 0 1 1 0 1;\n";
    };
    const auto stripFace = [](int quads, int i, const std::string& first = "") {
        return "\t\tf 4 " + (first.empty() ? std::to_string(i) : first) + " " +
               std::to_string(2 * quads + i + 1) + " " + std::to_string(-(quads + i) - 1) + " " +
               std::to_string(-(2 * quads + i) - 1) + "\n";
    };
    constexpr int n = 40;
    const std::string node = strip(n);
    const auto face = [&](int i, const std::string& first = "") { return stripFace(n, i, first); };
    // The face list, in one statement of `range`; `at20` stands for face 20, `after` comes
    // after it.
    const auto faces = [&](const std::string& at20, const std::string& after = "",
                           const std::string& range = "0:39") {
        std::string list = "\tsetAttr \".fc[" + range + "]\" -type \"polyFaces\" \n";
        for (int i = 0; i < n; ++i) list += (i == 20 ? at20 : face(i)) + (i == 20 ? after : "");
        return list + "\t\t;\n";
    };
    // The same with texture coordinates a line below each face, `mu20` below face 20.
    const auto mapped = [&](const std::string& mu20, const std::string& after = "") {
        std::string list = "\tsetAttr \".fc[0:39]\" -type \"polyFaces\" \n";
        for (int i = 0; i < n; ++i)
            list += face(i) + (i == 20 ? mu20 : "\t\tmu 0 4 0 1 2 3\n") + (i == 20 ? after : "");
        return list + "\t\t;\n";
    };
    const std::string mu = "\t\tmu 0 4 0 1 2 3\n";
    std::string twoStatements = faces(face(20));
    twoStatements.replace(twoStatements.find(face(20)), 0,
                          "\t\t;\n\tsetAttr \".fc[20:39]\" -type \"polyFaces\" \n");
    twoStatements.replace(twoStatements.find("0:39"), 4, "0:19");
    std::string lineEndsCrLf;
    for (const char c : node + faces(face(20)))
        lineEndsCrLf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    std::string longNumbers;
    for (int i = 0; i < n; ++i) longNumbers += face(i, "0000000" + std::to_string(i));
    struct Row {
        const char* what;
        std::string scene;  // the node and its face list
        bool read;          // else refused
        std::size_t faces;  // handed over, before the refusal if any
    } rows[] = {
        {"as Maya writes them", node + faces(face(20)), true, n},
        {"CR LF line ends", lineEndsCrLf, true, n},
        {"an edge beyond the edges", node + faces(face(20, "999")), false, 20},
        {"an edge far beyond", node + faces(face(20, "-12345678")), false, 20},
        {"a face that does not close", node + faces(face(20, "21")), false, 20},
        {"a face of two edges", node + faces("\t\tf 2 20 101\n"), true, n},
        {"edge numbers of eight digits and more",
         node + "\tsetAttr \".fc[0:39]\" -type \"polyFaces\" \n" + longNumbers + "\t\t;\n", true,
         n},
        {"an edge number of eleven digits", node + faces(face(20, "00000000020")), true, n},
        {"a hole after face 20", node + faces(face(20), "\t\th 3 0 81 -42\n"), true, n},
        {"texture coordinates for face 20 alone", node + faces(face(20), "\t\tmu 0 4 0 1 2 3\n"),
         false, 20},
        {"texture coordinates for every face", node + mapped(mu), true, n},
        {"texture coordinates of another set for face 20", node + mapped("\t\tmu 1 4 0 1 2 3\n"),
         false, 20},
        {"two sets for face 20", node + mapped(mu, "\t\tmu 1 4 0 1 2 3\n"), true, n},
        {"a texture coordinate beyond the set", node + mapped("\t\tmu 0 4 0 1 2 4\n"), false, 20},
        {"a negative texture coordinate", node + mapped("\t\tmu 0 4 0 1 -2 3\n"), false, 20},
        {"fewer texture coordinates than corners", node + mapped("\t\tmu 0 3 0 1 2\n"), false, 20},
        {"no texture coordinates for face 20", node + mapped(""), false, 20},
        {"colours below face 20", node + mapped(mu, "\t\tmc 0 4 0 1 2 3\n"), true, n},
        {"a comment after face 20", node + faces(face(20), "\t\t// face 20\n"), true, n},
        {"a trailing blank", node + faces(face(20).insert(face(20).size() - 1, " ")), true, n},
        {"two statements", node + twoStatements, true, n},
        {"fewer faces than the range", node + faces(face(20), "", "0:40"), false, n},
        {"more faces than the range", node + faces(face(20), "", "0:38"), false, n},
        {"the statement ends on face 20", node + faces(face(20).insert(face(20).size() - 1, ";")),
         false, 21},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Read manyAtOnce;
        Read oneByOne;
        readNode(kHeader + row.scene, "sq", manyAtOnce, false, true);
        readNode(withFaceLinesDoubled(kHeader + row.scene), "sq", oneByOne, false, true);
        EXPECT_EQ(manyAtOnce.result.problem == SceneRefusal::None, row.read);
        EXPECT_EQ(manyAtOnce.sink.faces.size(), row.faces);
        expectReadAlike(manyAtOnce, oneByOne);
        EXPECT_EQ(manyAtOnce.result.faces, oneByOne.result.faces);
        EXPECT_EQ(manyAtOnce.result.holedFaces, oneByOne.result.holedFaces);
        EXPECT_EQ(manyAtOnce.sink.faceUvs, oneByOne.sink.faceUvs);
    }
    // A sink that stops the read within a run of faces stops it there; runs that fill up
    // (4096 faces) on a strip of 4100, with texture coordinates and without, the sink
    // stopping within the first run, at its last face and at the next one's first.
    const auto longStrip = [&](const std::string& below) {
        constexpr int quads = 4100;
        std::string text = strip(quads) + "\tsetAttr \".fc[0:4099]\" -type \"polyFaces\" \n";
        for (int i = 0; i < quads; ++i) text += stripFace(quads, i) + below;
        return text + "\t\t;\n";
    };
    const std::pair<std::string, long> stopped[] = {
        {node + faces(face(20)), n}, {longStrip(""), 4100}, {longStrip(mu), 4100}};
    for (const auto& [scene, faceCount] : stopped) {
        for (long stopAfter : {1L, 2L, 25L, 4096L, 4097L}) {
            SCOPED_TRACE(std::to_string(faceCount) + " faces, stopping after " +
                         std::to_string(stopAfter));
            Read manyAtOnce(stopAfter);
            Read oneByOne(stopAfter);
            readNode(kHeader + scene, "sq", manyAtOnce);
            readNode(withFaceLinesDoubled(kHeader + scene), "sq", oneByOne);
            const long handed = std::min(stopAfter, faceCount);
            EXPECT_EQ(manyAtOnce.result.stopped, stopAfter < faceCount);
            EXPECT_EQ(manyAtOnce.sink.faces.size(), static_cast<std::size_t>(handed));
            EXPECT_EQ(manyAtOnce.result.faces, handed);
            expectReadAlike(manyAtOnce, oneByOne);
            EXPECT_EQ(manyAtOnce.result.stopped, oneByOne.result.stopped);
            EXPECT_EQ(manyAtOnce.result.faces, oneByOne.result.faces);
            EXPECT_EQ(manyAtOnce.sink.faceUvs, oneByOne.sink.faceUvs);
        }
    }
}

// The real scenes' meshes as they are, with their texture coordinates dropped, and without
// trailing blanks, each read many face lines at a time where it can be and again with its
// face lines' blanks doubled (one by one): the same faces as the scenes themselves give.
TEST(MayaMeshReader, RealFaceListsReadAsOneByOne) {
    for (const char* file : {"cgkit__objects.ma", "maya2gltf__FlatTetrahedron.ma",
                             "maya2gltf__CubeToSphere.ma", "mayausd__UsdExportMeshTest.ma"}) {
        const std::string text = readFile(realDataPath(file));
        std::istringstream lines(text);
        std::string unmapped;
        std::string trimmed;  // and without trailing blanks
        std::string line;
        while (std::getline(lines, line)) {
            const std::size_t word = line.find_first_not_of(" \t");
            // An mu that ends the statement leaves its ';'.
            if (word != std::string::npos && line.compare(word, 3, "mu ") == 0)
                line = line.find(';') != std::string::npos ? "\t\t;" : "";
            if (line.empty()) continue;
            unmapped += line + "\n";
            while (!line.empty() && line.back() == ' ') line.pop_back();
            trimmed += line + "\n";
        }
        for (const tessaryn::SceneNode& node : scan(text).nodes) {
            if (!node.holdsMesh()) continue;
            SCOPED_TRACE(std::string(file) + " " + node.name);
            Read mapped;
            readNode(text, node.name, mapped);
            for (const std::string& scene : {text, unmapped, trimmed}) {
                Read manyAtOnce;
                Read oneByOne;
                readNode(scene, node.name, manyAtOnce, false, true);
                readNode(withFaceLinesDoubled(scene), node.name, oneByOne, false, true);
                expectReadAlike(manyAtOnce, oneByOne);
                EXPECT_EQ(manyAtOnce.sink.faceUvs, oneByOne.sink.faceUvs);
                EXPECT_EQ(manyAtOnce.sink.faces, mapped.sink.faces);
            }
        }
    }
}

// A sink that stops the read stops it at once.
TEST(MayaMeshReader, TheSinkStopsTheRead) {
    const std::string text =
        kHeader + kSquare + "\tsetAttr \".fc[0:1]\" -type \"polyFaces\" f 3 0 1 -5 f 3 4 -3 -4;\n";
    for (long stopAfter : {0L, 1L}) {
        Read read(stopAfter);
        readNode(text, "sq", read);
        EXPECT_EQ(read.result.problem, SceneRefusal::None);
        EXPECT_TRUE(read.result.stopped);
        EXPECT_EQ(read.sink.faces.size(), static_cast<std::size_t>(stopAfter));
        EXPECT_EQ(read.result.faces, stopAfter);
    }
}

// A scene that changed after its scan has the node elsewhere: the reader says so, by
// the node's start or by its line.
TEST(MayaMeshReader, ANodeMovedSinceTheScan) {
    const std::string text =
        kHeader + kSquare + "\tsetAttr \".fc[0]\" -type \"polyFaces\" f 3 0 1 -5;\n";
    const tessaryn::SceneFacts facts = scan(text);
    const std::string moved = kHeader + "select -ne :time1;\n" + kSquare;
    for (bool byLine : {false, true}) {
        tessaryn::SceneNode node = *findNode(facts, "sq");
        if (byLine) node.start = 0;
        testing_support::InMemory scene(moved);
        RecordingSink sink;
        const tessaryn::MeshReadResult result = tessaryn::readMayaMesh(scene.source, node, sink);
        EXPECT_EQ(result.problem, SceneRefusal::SceneChanged);
        EXPECT_EQ(result.line, 3);
        EXPECT_EQ(sink.begins, 0);
    }
}

// The real scenes' mesh nodes whose mesh is their history, and only those, are marked so;
// naming one is refused for that node, and without a name they are the candidates.
TEST(MayaMeshReader, NodesWhoseMeshIsTheirHistory) {
    struct Row {
        const char* file;
        const char* node;
        std::int64_t line;  // of the connection that feeds it
    };
    const Row rows[] = {
        {"cgkit__objects.ma", "pCubeShape1", 88},
        {"maya2gltf__CubeToSphere.ma", "pCubeShape1", 962},  // a blend shape's output
        {"mayausd__UsdExportMeshTest.ma", "unspecifiedShape", 480},
    };
    std::set<std::string> marked;
    for (const char* file : {"cgkit__objects.ma", "maya2gltf__FlatTetrahedron.ma",
                             "maya2gltf__CubeToSphere.ma", "mayausd__UsdExportMeshTest.ma"}) {
        for (const tessaryn::SceneNode& node : scan(readFile(realDataPath(file))).nodes) {
            if (node.problem == NodeProblem::HistoryOnly)
                marked.insert(std::string(file) + " " + node.name);
        }
    }
    std::set<std::string> expected;
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.file) + " " + row.node);
        expected.insert(std::string(row.file) + " " + row.node);
        const tessaryn::SceneFacts facts = scan(readFile(realDataPath(row.file)));
        const tessaryn::NodeChoice named = tessaryn::chooseSceneNode(facts, row.node, 8);
        EXPECT_EQ(named.problem, SceneRefusal::NodeHoldsNoMesh);
        ASSERT_NE(named.node, nullptr);
        EXPECT_EQ(named.node->name, row.node);
        EXPECT_EQ(named.node->problemLine, row.line);
        // No node of 5 vertices: the history node is among the candidates.
        const tessaryn::NodeChoice unnamed = tessaryn::chooseSceneNode(facts, "", 5);
        EXPECT_EQ(unnamed.problem, SceneRefusal::NoFittingNode);
        std::set<std::string> history;
        for (const tessaryn::SceneNode* candidate : unnamed.candidates) {
            if (candidate->problem == NodeProblem::HistoryOnly) history.insert(candidate->name);
        }
        EXPECT_EQ(history, (std::set<std::string>{row.node}));
    }
    EXPECT_EQ(marked, expected);
}

// A scene whose only mesh node is its history: named, that node is refused as such (not
// "no mesh node"); unnamed, it is the candidate. A node without data and without a
// connection, or with another input connected, stays a node without faces.
TEST(MayaMeshReader, ASceneOfHistoryOnly) {
    testing_support::TempFolder folder;
    const std::string scene = folder / "scene.ma";
    const std::string obj = folder / "mesh.obj";
    writeFile(obj, "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\ng a\nf 1 2 3 4\n");
    const std::string text =
        "//Maya ASCII 2022 scene\ncreateNode transform -n \"pCube1\";\n"
        "createNode mesh -n \"pCubeShape1\" -p \"pCube1\";\n"
        "\tsetAttr \".uvst[0].uvsn\" -type \"string\" \"map1\";\n"
        "createNode mesh -n \"empty\";\n"
        "createNode mesh -n \"other\";\n"
        "createNode polyCube -n \"polyCube1\";\n"
        "connectAttr \"polyCube1.out\" \"|pCube1|pCubeShape1.i\";\n"
        "connectAttr \"polyCube1.msg\" \"other.ix\";\n";
    writeFile(scene, text);
    const tessaryn::SceneFacts facts = scan(text);
    ASSERT_EQ(facts.nodes.size(), 3u);
    EXPECT_EQ(facts.nodes[0].problem, NodeProblem::HistoryOnly);
    EXPECT_EQ(facts.nodes[0].problemLine, 8);
    EXPECT_EQ(facts.nodes[1].problem, NodeProblem::NoFaces);
    EXPECT_EQ(facts.nodes[2].problem, NodeProblem::NoFaces);

    struct Row {
        std::string node;
        SceneRefusal outcome;
        std::string reportedNode;
        std::size_t historyCandidates;
    } rows[] = {
        {"pCubeShape1", SceneRefusal::NodeHoldsNoMesh, "pCubeShape1", 0},
        {"pCube1|pCubeShape1", SceneRefusal::NodeHoldsNoMesh, "pCubeShape1", 0},
        {"", SceneRefusal::NoMeshNode, "pCubeShape1", 1},
        {"empty", SceneRefusal::NoMeshNode, "pCubeShape1", 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.node);
        tessaryn::SceneCreaseRequest request;
        request.objPath = obj;
        request.scenePath = scene;
        request.node = row.node;
        const tessaryn::SceneCreaseReport report = tessaryn::writeSceneCreases(request);
        EXPECT_EQ(report.outcome, row.outcome);
        EXPECT_EQ(report.node.name, row.reportedNode);
        EXPECT_EQ(report.nodeProblem, NodeProblem::HistoryOnly);
        EXPECT_EQ(report.line, 8);
        ASSERT_EQ(report.candidates.size(), row.historyCandidates);
        for (const tessaryn::NodeSummary& candidate : report.candidates) {
            EXPECT_EQ(candidate.name, "pCubeShape1");
            EXPECT_TRUE(candidate.historyOnly);
        }
    }
    EXPECT_EQ(readFile(scene), text);
}

}  // namespace

namespace {

// Coordinates in every spelling a scene may give them come out as the library's readFloat
// reads each: Maya's "-3.999699" and its neighbours (eight digits on either side of the
// point, 2^24 and beyond, an exponent, no digits before or after the point), each at the
// end of its line too, where fewer than eight bytes are left.
TEST(MayaMeshReader, CoordinatesReadAsReadFloat) {
    const std::vector<std::string> spellings = {
        "4.000000",   "-3.999699", "0.049086",      "-0.000000",   "1677721.5",  "16777.216",
        "1.6777215",  "12345678.5", "0.12345678",   "9.9999999",   "1.5e2",      "-2.5E-1",
        ".5",         "5.",         "+0.25",        "7",           "-1234567.1", "0.0000001",
        "1234567.12", "3.4028235e38", "0.333333343", "99999999",   "-.75",       "1.0000001"};
    for (std::size_t at = 0; at + 12 <= spellings.size(); ++at) {
        std::string vertices;
        std::vector<float> expected;
        for (std::size_t i = 0; i < 12; ++i) {
            const std::string& text = spellings[at + i];
            vertices += (i % 3 == 0 ? "\n\t\t" : " ") + text;
            tessaryn::TextCursor cursor(text);
            float value = 0.0f;
            ASSERT_TRUE(tessaryn::readFloat(cursor, value)) << text;
            expected.push_back(value);
        }
        SCOPED_TRACE(vertices);
        Read read;
        readNode(kHeader + "createNode mesh -n \"sq\" -p \"t\";\n\tsetAttr -s 4 \".vt[0:3]\"" +
                     vertices + ";\n" + kEdges +
                     "\tsetAttr \".fc[0]\" -type \"polyFaces\" f 4 0 1 -3 -4;\n",
                 "sq", read);
        ASSERT_EQ(read.result.problem, SceneRefusal::None) << read.result.detail;
        EXPECT_EQ(read.sink.head.points, expected);
    }
}

}  // namespace
