#include "scene/scene_creases.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/line_reader.h"
#include "crease/crease_edge_set.h"
#include "scene/crease_plan.h"
#include "scene/maya/maya_scene_scanner.h"
#include "scene/scene_rewrite.h"
#include "both_ways.h"
#include "support.h"

#if !defined(_WIN32)
#include <unistd.h>
#endif

using tessaryn::SceneRefusal;
using testing_support::readFile;
using testing_support::realDataPath;
using testing_support::TempFolder;
using testing_support::writeFile;

namespace {

// The polyCube numbering of cgkit's meshShape: faces by their Maya vertex numbers.
const char* const kCubeFaces[] = {"1 2 4 3", "3 4 6 5", "5 6 8 7", "7 8 2 1", "2 8 6 4", "7 1 3 5"};

// A cube OBJ in Maya's polyCube vertex order whose second face (vertices 2 3 5 4) is a
// group of its own: its crease edges are that face's four edges.
std::string cubeObjWithOneFaceApart() {
    std::string obj = "# cube\n";
    for (int i = 0; i < 8; ++i) obj += "v 0 0 0\n";
    obj += "g rest\n";
    for (int face = 0; face < 6; ++face) {
        if (face == 1) obj += "g apart\n";
        if (face == 2) obj += "g rest\n";
        obj += std::string("f ") + kCubeFaces[face] + "\n";
    }
    return obj;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

// A scene and an OBJ in a folder of their own, rewritten as the tool does it.
struct Rewrite {
    TempFolder folder;
    std::string obj = folder / "mesh.obj";
    std::string scene = folder / "scene.ma";
    tessaryn::SceneCreaseReport report;

    Rewrite(const std::string& objText, const std::string& sceneText, const std::string& node = "",
            bool smoothing = false, const std::string& value = "") {
        writeFile(obj, objText);
        writeFile(scene, sceneText);
        tessaryn::SceneCreaseRequest request;
        request.objPath = obj;
        request.scenePath = scene;
        request.smoothing = smoothing;
        request.node = node;
        request.value = value;
        report = testing_support::writeSceneCreasesBothWays(request, {scene});
    }
    bool ok() const { return report.outcome == SceneRefusal::None; }
    std::string output() const { return readFile(scene); }
};

// The square 0 1 2 3 (OBJ 1 2 3 4), whose four sides are its crease edges.
tessaryn::CreaseEdgeSet squareCreases() {
    return tessaryn::CreaseEdgeSet::fromObjNumbers(
        {tessaryn::edgeKey(1, 2), tessaryn::edgeKey(1, 4), tessaryn::edgeKey(2, 3),
         tessaryn::edgeKey(3, 4)},
        4);
}

tessaryn::SceneFacts scanText(const std::string& text, const tessaryn::CreaseEdgeSet& creases) {
    testing_support::InMemory scene(text);
    return tessaryn::scanMayaScene(scene.lines, creases);
}

// The node's edge numbers that are crease edges, ascending.
std::vector<std::int32_t> creaseElements(const tessaryn::SceneNode& node) {
    std::vector<std::int32_t> elements;
    for (const tessaryn::CreaseHit& hit : node.hits) elements.push_back(hit.element);
    std::sort(elements.begin(), elements.end());
    return elements;
}

std::string realScene(const std::string& name) {
    return readFile(realDataPath(name));
}

const char* const kEmptyCreases =
    "\tsetAttr \".cd\" -type \"dataPolyComponent\" Index_Data Edge 0 ;";

const std::string kSquareObj = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\ng a\nf 1 2 3 4\n";
const std::string kSquareNode =
    "createNode mesh -n \"sq\";\n\tsetAttr \".vt[0:3]\" 0 0 0 1 0 0 1 1 0 0 1 0;\n";
const std::string kSquareEdges = "\tsetAttr \".ed[0:3]\" 0 1 0 1 2 0 2 3 0 3 0 0;\n";
const std::string kMayaHeader = "//Maya ASCII 2022 scene\n";

// Maya's own scene, given the crease edges it already has: the file is not touched.
TEST(SceneCreases, CreasedShapeAlreadyHasItsCreases) {
    const std::string scene = realScene("mayausd__UsdExportMeshTest.ma");
    Rewrite run(realScene("tinyobj__issue-162-smoothing-group.obj"), scene, "creasedShape", true);
    ASSERT_TRUE(run.ok()) << static_cast<int>(run.report.outcome);
    EXPECT_EQ(run.output(), scene);
    EXPECT_FALSE(run.report.changed);
    EXPECT_EQ(run.report.output, "");
    EXPECT_EQ(run.report.node.path, "|UsdExportMeshTest|creased|creasedShape");
    EXPECT_EQ(run.report.written, 12);
    EXPECT_EQ(run.report.kept, 12);
    EXPECT_EQ(run.report.groups, 6);
    EXPECT_EQ(run.folder.entries(), (std::vector<std::string>{"mesh.obj", "scene.ma"}));
}

TEST(SceneCreases, GroupsOfTheSameObjReplaceTheTwelveCreases) {
    const std::string scene = realScene("mayausd__UsdExportMeshTest.ma");
    Rewrite run(realScene("tinyobj__issue-162-smoothing-group.obj"), scene, "creasedShape", false,
                "2.5");
    ASSERT_TRUE(run.ok());
    // The front face (vertices 0 1 3 2) is group test1; creasedShape lists its edges first.
    std::string old = "Index_Data Edge 12 \n";
    for (int i = 0; i < 11; ++i) old += "\t\t" + std::to_string(i) + " 10 \n";
    old += "\t\t11 10 ;";
    EXPECT_EQ(run.output(), replaced(scene, old,
                                     "Index_Data Edge 4 \n\t\t0 2.5 \n\t\t1 2.5 \n\t\t2 2.5 \n"
                                     "\t\t3 2.5 ;"));
    EXPECT_EQ(run.report.written, 4);
    EXPECT_EQ(run.report.replaced, 12);
    EXPECT_EQ(run.report.dropped, 8);
    EXPECT_EQ(run.report.kept, 0);
    EXPECT_TRUE(run.report.changed);
}

// Wrapped edge lines ending in a blank, a node without data, an empty crease statement.
TEST(SceneCreases, OldestLayoutWithAnEmptyCreaseStatement) {
    const std::string scene = realScene("cgkit__objects.ma");
    const std::string expected = replaced(scene, kEmptyCreases,
                                          "\tsetAttr \".cd\" -type \"dataPolyComponent\" "
                                          "Index_Data Edge 4 \n\t\t1 10 \n\t\t2 10 \n\t\t6 10 \n"
                                          "\t\t7 10 ;");
    Rewrite run(cubeObjWithOneFaceApart(), scene);
    ASSERT_TRUE(run.ok());
    EXPECT_EQ(run.output(), expected);
    EXPECT_EQ(run.report.node.name, "meshShape");
    EXPECT_EQ(run.report.written, 4);
    EXPECT_EQ(run.report.replaced, 0);

    // Without a crease statement it comes right after the face statement: the same bytes.
    Rewrite inserted(cubeObjWithOneFaceApart(),
                     replaced(scene, std::string(kEmptyCreases) + "\n", ""));
    ASSERT_TRUE(inserted.ok());
    EXPECT_EQ(inserted.output(), expected);

    // A CR LF scene stays CR LF, the new lines included.
    Rewrite crlf(cubeObjWithOneFaceApart(), testing_support::toCrlf(scene));
    ASSERT_TRUE(crlf.ok());
    EXPECT_EQ(crlf.output(), testing_support::toCrlf(expected));

    // A second run over the output changes no byte.
    Rewrite again(cubeObjWithOneFaceApart(), expected);
    ASSERT_TRUE(again.ok());
    EXPECT_FALSE(again.report.changed);
    EXPECT_EQ(again.output(), expected);
}

// The whole edge list on the statement line, an edge written larger vertex first.
TEST(SceneCreases, TetrahedronEdgesInEitherOrder) {
    const std::string scene = realScene("maya2gltf__FlatTetrahedron.ma");
    Rewrite run(
        "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\ng base\nf 1 2 3\ng sides\nf 1 2 4\nf 2 3 4\n"
        "f 3 1 4\n",
        scene);
    ASSERT_TRUE(run.ok());
    EXPECT_EQ(run.output(), replaced(scene, kEmptyCreases,
                                     "\tsetAttr \".cd\" -type \"dataPolyComponent\" Index_Data "
                                     "Edge 3 \n\t\t0 10 \n\t\t1 10 \n\t\t2 10 ;"));
}

// An intermediate object holds the data; the edge list is split over two statements; the
// existing crease statement lists every edge with value 0, which is no crease.
TEST(SceneCreases, IntermediateObjectWithSplitEdgeList) {
    const std::string scene = realScene("maya2gltf__CubeToSphere.ma");
    std::string obj;
    for (int i = 0; i < 98; ++i) obj += "v 0 0 0\n";
    Rewrite run(obj + "g a\nf 1 75 27 82\n", scene);
    ASSERT_TRUE(run.ok()) << static_cast<int>(run.report.outcome);
    EXPECT_EQ(run.report.node.name, "pCubeShape1Orig");
    EXPECT_EQ(run.report.replaced, 0);
    std::string old = "Index_Data Edge 192 \n";
    for (int i = 0; i < 191; ++i) old += "\t\t" + std::to_string(i) + " 0 \n";
    old += "\t\t191 0 ;";
    std::string creases = "Index_Data Edge 4 ";
    for (int number : {0, 16, 48, 49}) creases += "\n\t\t" + std::to_string(number) + " 10 ";
    EXPECT_EQ(run.output(), replaced(scene, old, creases + ";"));

    // One of the triangle's edges is not an edge of the node: all or nothing.
    Rewrite partial(obj + "g a\nf 1 75 27 82\ng b\nf 69 46 83\n", scene);
    EXPECT_EQ(partial.report.outcome, SceneRefusal::EdgesNotInNode);
    EXPECT_EQ(partial.report.missing, 1);
    EXPECT_EQ(partial.report.creaseEdges, 7);
    EXPECT_EQ(partial.output(), scene);
}

// Layouts Maya may write, on scenes small enough to read: the crease numbers each finds
// for the square 0 1 2 3 (OBJ 1 2 3 4), whose four sides are its crease edges.
TEST(MayaSceneScanner, LayoutsAndTheirCreaseEdges) {
    struct Row {
        const char* name;
        std::string scene;
        std::vector<std::int32_t> creases;
        std::int64_t vertices;
        bool edges;
        std::int64_t refusedLine = 0;  // of an edge statement that is refused
    } rows[] = {
        {"numbers on the statement line",
         "createNode mesh -n \"m\";\n\tsetAttr -s 4 \".vt[0:3]\" 0 0 0 1 0 0 1 1 0 0 1 0;\n"
         "\tsetAttr -s 5 \".ed[0:4]\" 0 1 0 1 2 0 2 3 0 3 0 0 0 2 0;\n",
         {0, 1, 2, 3},
         4,
         true},
        {"numbers on later lines, larger vertex first, one edge per statement",
         "createNode mesh -n \"m\";\n\tsetAttr \".vt[3]\" 0 1 0;\n\tsetAttr -s 5 \".ed\";\n"
         "\tsetAttr \".ed[0:1]\"\n\t\t 0 2 0\n\t\t 1 0 0;\n\tsetAttr \".ed[2]\"\n\t\t3 2 0 ;\n",
         {1, 2},
         4,
         true},
        {"tweaks are not vertices; a string with \\\" and ; is no end",
         "createNode mesh -n \"m\";\n\tsetAttr \".pt[0:9]\" -type \"float3\" 0 0 0;\n"
         "\tsetAttr \".vt[0:3]\" 0 0 0 1 0 0 1 1 0 0 1 0;\n"
         "\tsetAttr \".note\" -type \"string\" \"a \\\"; .ed[0:1] \\\\\";\n"
         "\tsetAttr \".ed[0:0]\" 2 3 1; // a comment; \"\n",
         {0},
         4,
         true},
        {"huge vertex numbers name no OBJ vertex",
         "createNode mesh -n \"m\";\n\tsetAttr \".vt[0:3]\" 0 0 0 1 0 0 1 1 0 0 1 0;\n"
         "\tsetAttr \".ed[0:2]\" 4294967297 4294967298 0 -1 0 0 9223372036854775807 1 0;\n",
         {},
         4,
         true},
        {"the node ends at a statement that starts a line",
         "createNode mesh -n \"m\";\n\tsetAttr \".vt[0:3]\" 0 0 0 1 0 0 1 1 0 0 1 0;\n"
         "select -ne m;\n\tsetAttr \".ed[0:0]\" 0 1 0;\n",
         {},
         4,
         false},
        {"an edge range given again, with other triples",
         "createNode mesh -n \"m\";\n\tsetAttr \".vt[0:3]\" 0 0 0 1 0 0 1 1 0 0 1 0;\n"
         "\tsetAttr \".ed[0:3]\" 0 1 0 1 2 0 2 3 0 3 0 0;\n"
         "\tsetAttr \".ed[0:3]\" 0 2 0 1 3 0 3 0 0 0 1 0;\n",
         {},
         0,
         false,
         5},
        {"edge ranges that overlap or go back",
         "createNode mesh -n \"m\";\n\tsetAttr \".vt[0:3]\" 0 0 0 1 0 0 1 1 0 0 1 0;\n"
         "\tsetAttr \".ed[2:3]\" 2 3 0 3 0 0;\n\tsetAttr \".ed[3:4]\"\n\t\t0 1 0 1 2 0;\n",
         {},
         0,
         false,
         5},
        {"an edge before the node's earlier ones",
         "createNode mesh -n \"m\";\n\tsetAttr \".vt[0:3]\" 0 0 0 1 0 0 1 1 0 0 1 0;\n"
         "\tsetAttr \".ed[2:3]\" 2 3 0 3 0 0;\n\tsetAttr \".ed[1]\" 1 2 0;\n",
         {},
         0,
         false,
         5},
    };
    const tessaryn::CreaseEdgeSet square = squareCreases();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const tessaryn::SceneFacts scene = scanText(kMayaHeader + row.scene, square);
        if (row.refusedLine != 0) {
            EXPECT_EQ(scene.problem, tessaryn::SceneRefusal::BadEdgeStatement);
            EXPECT_EQ(scene.problemLine, row.refusedLine);
            continue;
        }
        ASSERT_EQ(scene.problem, tessaryn::SceneRefusal::None) << scene.problemLine;
        ASSERT_EQ(scene.nodes.size(), 1u);
        EXPECT_EQ(scene.nodes[0].name, "m");
        EXPECT_EQ(scene.nodes[0].path, "|m");
        EXPECT_EQ(creaseElements(scene.nodes[0]), row.creases);
        EXPECT_EQ(scene.nodes[0].vertexCount, row.vertices);
        EXPECT_EQ(scene.nodes[0].holdsMesh(), row.edges);
    }
}

// Short names repeat under different parents; the paths tell the nodes apart, and the
// creases are found through each node's own edge numbers, whatever comes first.
TEST(MayaSceneScanner, DagPathsAndCreasesBeforeEdges) {
    const std::string scene = kMayaHeader +
                              "createNode transform -n \"group1\";\n"
                              "createNode transform -n \"pCube1\" -p \"group1\";\n"
                              "createNode mesh -n \"shape\" -p \"pCube1\";\n" +
                              kSquareNode.substr(kSquareNode.find('\n') + 1) +
                              "\tsetAttr \".cd\" -type \"dataPolyComponent\" Index_Data Edge 3 "
                              "3 7 9 2 1 0 ;\n" +
                              kSquareEdges +
                              "createNode transform -n \"pCube1\";\n"
                              "createNode mesh -n \"shape\" -p \"|pCube1\";\n" +
                              kSquareNode.substr(kSquareNode.find('\n') + 1) + kSquareEdges;
    const tessaryn::SceneFacts facts = scanText(scene, squareCreases());
    ASSERT_EQ(facts.problem, tessaryn::SceneRefusal::None);
    ASSERT_EQ(facts.nodes.size(), 2u);
    EXPECT_EQ(facts.nodes[0].path, "|group1|pCube1|shape");
    EXPECT_EQ(facts.nodes[1].path, "|pCube1|shape");
    // Edge 3 (3 0) is the crease edge OBJ 1 4 at 7; edge 9 is no edge of the node; the
    // pair at 0 is no crease.
    ASSERT_EQ(facts.nodes[0].creases.size(), 2u);
    EXPECT_EQ(facts.nodes[0].creases[0].element, 3);
    EXPECT_EQ(facts.nodes[0].creases[0].creaseEdge, 1);
    EXPECT_EQ(facts.nodes[0].creases[0].text, "7");
    EXPECT_EQ(facts.nodes[0].creases[1].creaseEdge, tessaryn::CreaseEdgeSet::kNotACreaseEdge);
    EXPECT_TRUE(facts.nodes[1].creases.empty());
    // Edge 3 is written larger vertex first: the host's export would not match it.
    ASSERT_EQ(facts.nodes[1].hits.size(), 4u);
    EXPECT_FALSE(facts.nodes[1].hits[1].smallerFirst);

    for (const char* wanted : {"|pCube1|shape", "group1|pCube1|shape"}) {
        Rewrite run(kSquareObj, scene, wanted, false, "2");
        ASSERT_TRUE(run.ok()) << wanted;
        EXPECT_EQ(run.report.node.path,
                  wanted[0] == '|' ? "|pCube1|shape" : "|group1|pCube1|shape");
    }
    Rewrite several(kSquareObj, scene, "shape");
    EXPECT_EQ(several.report.outcome, SceneRefusal::SeveralNamed);
    ASSERT_EQ(several.report.candidates.size(), 2u);
    EXPECT_EQ(several.report.candidates[1].path, "|pCube1|shape");
    EXPECT_EQ(several.output(), scene);

    // Without a value, the crease edge keeps its 7 and the others get 10; the crease on
    // edge 9 is dropped.
    Rewrite kept(kSquareObj, scene, "|group1|pCube1|shape");
    ASSERT_TRUE(kept.ok());
    EXPECT_EQ(kept.report.kept, 1);
    EXPECT_EQ(kept.report.dropped, 1);
    EXPECT_EQ(kept.report.replaced, 2);
    EXPECT_NE(kept.output().find("Index_Data Edge 4 \n\t\t0 10 \n\t\t1 10 \n\t\t2 10 \n\t\t3 7 ;"),
              std::string::npos);
}

// Every cut of a real scene reads, or is refused naming a line it has; never more.
TEST(MayaSceneScanner, EveryPrefixOfARealScene) {
    const std::string scene = realScene("cgkit__objects.ma");
    const tessaryn::CreaseEdgeSet creases =
        tessaryn::CreaseEdgeSet::fromObjNumbers({tessaryn::edgeKey(3, 4)}, 8);
    for (std::size_t size = 0; size <= scene.size(); ++size) {
        const std::string prefix = scene.substr(0, size);
        const tessaryn::SceneFacts read = scanText(prefix, creases);
        const auto lines = std::count(prefix.begin(), prefix.end(), '\n') + 1;
        ASSERT_LE(read.problemLine, lines) << size;
        if (read.problem != tessaryn::SceneRefusal::None) continue;
        ASSERT_EQ(read.size, size);
        ASSERT_LE(read.nodes.size(), 2u);
        for (const tessaryn::SceneNode& node : read.nodes) {
            ASSERT_LE(node.vertexCount, 8);
            ASSERT_LE(node.hits.size(), 1u);
        }
    }
}

// A mesh node without a face statement gets its crease statement after its last setAttr.
TEST(SceneCreases, NodeWithoutFacesAndSeveralNodes) {
    const std::string head =
        "//Maya ASCII 2022 scene\ncreateNode mesh -n \"other\";\n"
        "\tsetAttr \".vt[0:2]\" 0 0 0 1 0 0 1 1 0;\n"
        "\tsetAttr \".ed[0:0]\" 0 1 0;\n"
        "createNode mesh -n \"square\";\n"
        "\tsetAttr \".vt[0:3]\" 0 0 0 1 0 0 1 1 0 0 1 0;\n"
        "\tsetAttr \".ed[0:4]\" 0 1 0 1 2 0 0 2 0 2 3 0 3 0 0;\n";
    const std::string tail = "\tsetAttr \".ds\" no;\nselect -ne :time1;\n";
    Rewrite run(kSquareObj, head + tail);
    ASSERT_TRUE(run.ok());
    EXPECT_EQ(run.output(),
              head + tail.substr(0, tail.find('\n')) +
                  "\n\tsetAttr \".cd\" -type \"dataPolyComponent\" Index_Data Edge "
                  "4 \n\t\t0 10 \n\t\t1 10 \n\t\t3 10 \n\t\t4 10 ;\nselect -ne :time1;\n");
}

// Every refusal leaves the scene byte for byte as it was and no file behind.
TEST(SceneCreases, RefusalsChangeNothing) {
    const std::string mesh = kMayaHeader + kSquareNode;
    const std::string& edges = kSquareEdges;
    // The square's vertices in another order: the same mesh, shuffled.
    const std::string shuffled = "v 0 0 0\nv 1 1 0\nv 1 0 0\nv 0 1 0\ng a\nf 1 3 2 4\n";
    struct Row {
        std::string obj;
        std::string scene;
        std::string node;
        SceneRefusal outcome;
        std::int64_t line = 0;
    } rows[] = {
        {kSquareObj, std::string("FOR4\0\0\x01\0Maya", 12), "", SceneRefusal::MayaBinary, 1},
        {"v 0 0 0\nf 1 1 1\n", std::string("FOR8\0\0\0\0\0\0\0\x10", 12), "",
         SceneRefusal::MayaBinary, 1},
        // Binary layers are never rewritten: only an override layer takes their creases.
        {kSquareObj, "PXR-USDC", "", SceneRefusal::BinaryNeedsOver, 0},
        {kSquareObj, std::string("PK\x03\x04\0\0", 6), "", SceneRefusal::BinaryNeedsOver, 0},
        // A binary file that holds the host's placeholder text is no scene all the same.
        {kSquareObj,
         std::string("\x7f"
                     "ELF\2\1\1\0  \tsetAttr \".cd\"\nx\n",
                     27),
         "", SceneRefusal::NotAScene, 1},
        {kSquareObj, "createNode mesh;\n", "", SceneRefusal::NotAScene, 1},
        {kSquareObj, "", "", SceneRefusal::NotAScene, 1},
        {kSquareObj, mesh + edges + "\tsetAttr \".a\" -type \"string\" \"open;\n;\n", "",
         SceneRefusal::UnterminatedString, 5},
        {kSquareObj, mesh + edges + "createNode transform -n \"t\"\n", "",
         SceneRefusal::UnterminatedStatement, 5},
        {kSquareObj, mesh + "\tsetAttr \".ed[0:3]\" 0 1 0 1 2 0\n\t\t2 3 0;\n", "",
         SceneRefusal::BadEdgeStatement, 4},
        {kSquareObj, mesh + "\tsetAttr \".ed[0:1]\" 0 1 0 1 2 0.5;\n", "",
         SceneRefusal::BadEdgeStatement, 4},
        {kSquareObj, mesh, "", SceneRefusal::NoMeshNode},
        {"v 0 0 0\n" + kSquareObj, mesh + edges, "", SceneRefusal::NoFittingNode},
        {"v 0 0 0\n" + kSquareObj, mesh + edges, "sq", SceneRefusal::VertexCountDiffers},
        {kSquareObj, mesh + edges, "nope", SceneRefusal::NoSuchNode},
        {kSquareObj, mesh + edges + kSquareNode + edges, "", SceneRefusal::SeveralFittingNodes},
        {"v 0 0 0\nf 1 1 1\n", mesh + edges, "", SceneRefusal::NoCreaseEdges},
        {shuffled, mesh + edges, "", SceneRefusal::EdgesNotInNode},
        {mesh + edges, mesh + edges, "", SceneRefusal::ArgumentsSwapped},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scene.substr(0, 40) + " / " + row.obj.substr(0, 20));
        Rewrite run(row.obj, row.scene, row.node);
        EXPECT_EQ(run.report.outcome, row.outcome);
        EXPECT_EQ(run.report.line, row.line);
        EXPECT_EQ(run.output(), row.scene);
        EXPECT_EQ(run.folder.entries(), (std::vector<std::string>{"mesh.obj", "scene.ma"}));
    }
    Rewrite shuffledRun(shuffled, mesh + edges);
    EXPECT_EQ(shuffledRun.report.missing, 2);
    EXPECT_EQ(shuffledRun.report.missingEdge[0], 1);
    EXPECT_EQ(shuffledRun.report.missingEdge[1], 3);
}

// Maya never breaks a string across lines: a scene whose closing quotes were lost is
// damaged, refused at the line of the first such string.
TEST(SceneCreases, DamagedStringsAreRefused) {
    std::string scene = realScene("mayausd__UsdExportMeshTest.ma");
    const std::size_t at = scene.find("\"creasedShape\"");
    ASSERT_NE(at, std::string::npos);
    scene.erase(at + 13, 1);  // the closing quote of the node's name
    const auto line =
        std::count(scene.begin(), scene.begin() + static_cast<std::ptrdiff_t>(at), '\n') + 1;
    Rewrite run(realScene("tinyobj__issue-162-smoothing-group.obj"), scene, "creasedShape", true);
    EXPECT_EQ(run.report.outcome, SceneRefusal::UnterminatedString);
    EXPECT_EQ(run.report.line, line);
    EXPECT_EQ(run.output(), scene);
}

// -o writes OUT (even when the node needs no change) and leaves the scene alone; a dry
// run writes nothing.
TEST(SceneCreases, IntoAnotherFileAndDryRuns) {
    const std::string scene = realScene("mayausd__UsdExportMeshTest.ma");
    for (const bool unchanged : {true, false}) {
        SCOPED_TRACE(unchanged);
        TempFolder folder;
        writeFile(folder / "mesh.obj", realScene("tinyobj__issue-162-smoothing-group.obj"));
        writeFile(folder / "scene.ma", scene);
        writeFile(folder / "out.ma", "old");
        tessaryn::SceneCreaseRequest request;
        request.objPath = folder / "mesh.obj";
        request.scenePath = folder / "scene.ma";
        request.node = "creasedShape";
        request.smoothing = unchanged;
        request.dryRun = true;
        tessaryn::SceneCreaseReport report = tessaryn::writeSceneCreases(request);
        ASSERT_EQ(report.outcome, SceneRefusal::None);
        EXPECT_EQ(report.changed, !unchanged);
        EXPECT_EQ(report.written, unchanged ? 12 : 4);
        EXPECT_EQ(report.output, "");
        EXPECT_EQ(readFile(folder / "out.ma"), "old");

        request.dryRun = false;
        request.outPath = folder / "out.ma";
        report = tessaryn::writeSceneCreases(request);
        ASSERT_EQ(report.outcome, SceneRefusal::None);
        EXPECT_EQ(report.output, folder / "out.ma");
        EXPECT_EQ(readFile(folder / "scene.ma"), scene);
        EXPECT_EQ(readFile(folder / "out.ma") == scene, unchanged);
        EXPECT_EQ(folder.entries(), (std::vector<std::string>{"mesh.obj", "out.ma", "scene.ma"}));
    }
}

// The host's own scene: checked as the host would know it, then written by the export;
// a second run over the output changes nothing.
TEST(SceneCreases, HostScenesAreCheckedThenExported) {
    const std::string hostScene = readFile(testing_support::examplePath("cube.ma"));
    const std::string cube = readFile(testing_support::examplePath("cube.obj"));
    Rewrite run(cube, hostScene);
    ASSERT_TRUE(run.ok()) << static_cast<int>(run.report.outcome);
    EXPECT_TRUE(run.report.hostScene);
    EXPECT_EQ(run.report.value, "1000");
    const std::string exported = run.output();
    EXPECT_NE(exported.find(" 1000 "), std::string::npos);

    Rewrite again(cube, exported);
    ASSERT_TRUE(again.ok());
    EXPECT_FALSE(again.report.hostScene);
    EXPECT_FALSE(again.report.changed);
    EXPECT_EQ(again.output(), exported);

    // Too many vertices, a shuffled mesh, an edge the export would not match, a value.
    std::string tooLarge = cube;
    for (int i = 0; i < 754; ++i) tooLarge = "v 1 1 1\n" + tooLarge;
    std::string larger = replaced(hostScene, " 0 1 0 2 3 0", " 0 1 0 3 2 0");
    const struct {
        std::string obj;
        std::string scene;
        std::string value;
        SceneRefusal outcome;
    } refused[] = {
        {tooLarge, hostScene, "", SceneRefusal::NoFittingNode},
        {cube, larger, "", SceneRefusal::EdgesNotInNode},
        {cube, hostScene, "2", SceneRefusal::ValueOnHostScene},
    };
    for (const auto& row : refused) {
        Rewrite refusal(row.obj, row.scene, "", false, row.value);
        EXPECT_EQ(refusal.report.outcome, row.outcome);
        EXPECT_EQ(refusal.output(), row.scene);
        EXPECT_EQ(refusal.folder.entries(), (std::vector<std::string>{"mesh.obj", "scene.ma"}));
    }

    // Into another file: the copy gets the export's bytes, the scene stays.
    TempFolder folder;
    writeFile(folder / "cube.obj", cube);
    writeFile(folder / "cube.ma", hostScene);
    tessaryn::SceneCreaseRequest request;
    request.objPath = folder / "cube.obj";
    request.scenePath = folder / "cube.ma";
    request.outPath = folder / "out.ma";
    ASSERT_EQ(tessaryn::writeSceneCreases(request).outcome, SceneRefusal::None);
    EXPECT_EQ(readFile(folder / "out.ma"), exported);
    EXPECT_EQ(readFile(folder / "cube.ma"), hostScene);
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"cube.ma", "cube.obj", "out.ma"}));
}

TEST(SceneCreases, UnreadableAndUnwritableFiles) {
    const std::string scene = realScene("mayausd__UsdExportMeshTest.ma");
    Rewrite run(realScene("tinyobj__issue-162-smoothing-group.obj"), scene, "", true);
    EXPECT_EQ(run.report.outcome, SceneRefusal::SeveralFittingNodes);
    // unspecifiedShape has no vertices: no candidate.
    EXPECT_EQ(run.report.candidates.size(), 5u);
    EXPECT_EQ(run.output(), scene);

    tessaryn::SceneCreaseRequest request;
    request.objPath = run.obj;
    request.scenePath = run.scene;
    request.node = "creasedShape";
    testing_support::setReadOnly(run.scene, true);
    const tessaryn::SceneCreaseReport readOnly = tessaryn::writeSceneCreases(request);
    testing_support::setReadOnly(run.scene, false);
#if !defined(_WIN32)
    const bool permissionsBind = geteuid() != 0;  // permission bits do not stop root
#else
    const bool permissionsBind = true;
#endif
    if (!permissionsBind) std::printf("not checked: a read-only scene, as root\n");
    if (permissionsBind) {
        EXPECT_EQ(readOnly.outcome, SceneRefusal::Unwritable);
        EXPECT_EQ(readOnly.file, run.scene);
        EXPECT_NE(readOnly.error, 0);
    }
    EXPECT_EQ(run.output(), scene);
    EXPECT_EQ(run.folder.entries(), (std::vector<std::string>{"mesh.obj", "scene.ma"}));

    request.objPath = run.folder / "missing.obj";
    tessaryn::SceneCreaseReport missing = tessaryn::writeSceneCreases(request);
    EXPECT_EQ(missing.outcome, SceneRefusal::Unreadable);
    EXPECT_EQ(missing.file, request.objPath);
    request.objPath = run.obj;
    request.scenePath = run.folder / "missing.ma";
    missing = tessaryn::writeSceneCreases(request);
    EXPECT_EQ(missing.outcome, SceneRefusal::Unreadable);
    EXPECT_EQ(missing.file, request.scenePath);
}

// A scene saved again between its read and its rewrite keeps what was saved: the
// ranges belong to the bytes that were read.
TEST(SceneCreases, ASceneChangedSinceItWasReadIsLeftAlone) {
    const std::string read = "//Maya ASCII 2022 scene\nabc;\n";
    const std::vector<tessaryn::ByteRange> ranges = {{24, 27}};
    struct Row {
        const char* name;
        std::string now;  // the scene when it is rewritten
        int secondsLater;
        tessaryn::SceneRefusal expected;
    } rows[] = {
        {"unchanged", read, 0, tessaryn::SceneRefusal::None},
        {"longer", read + "more;\n", 0, tessaryn::SceneRefusal::SceneChanged},
        {"shorter", read.substr(0, 25), 0, tessaryn::SceneRefusal::SceneChanged},
        {"shorter than the edit's start", read.substr(0, 10), 0,
         tessaryn::SceneRefusal::SceneChanged},
        {"same size, saved later", replaced(read, "abc", "abd"), 2,
         tessaryn::SceneRefusal::SceneChanged},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder folder;
        const std::string scene = folder / "scene.ma";
        writeFile(scene, read);
        tessaryn::SceneStamp stamp = tessaryn::stampScene(scene);
        stamp.size = read.size();
        ASSERT_TRUE(stamp.modifiedKnown);
        writeFile(scene, row.now);
        std::filesystem::last_write_time(scene,
                                         stamp.modified + std::chrono::seconds(row.secondsLater));
        int error = 0;
        EXPECT_EQ(tessaryn::rewriteScene(scene, scene, ranges, "xyz", stamp, error), row.expected);
        EXPECT_EQ(readFile(scene), row.expected == tessaryn::SceneRefusal::None
                                       ? replaced(read, "abc", "xyz")
                                       : row.now);
        EXPECT_EQ(folder.entries(), std::vector<std::string>{"scene.ma"});
    }
}

TEST(SceneCreases, CreaseValues) {
    struct Row {
        const char* text;
        const char* written;  // nullptr: refused
    } rows[] = {{"10", "10"},   {"0", "0"},     {"010.50", "10.5"}, {"2.0", "2"},
                {".5", "0.5"},  {"0.000", "0"}, {"-1", nullptr},    {"1e3", "1000"},
                {"", nullptr},  {".", nullptr}, {"1.", "1"},        {"1.2.3", nullptr},
                {" 1", nullptr},
                // The shortest decimal that reads back as the same 32-bit float.
                {"0.1", "0.1"},     {"3.14159265358979", "3.1415927"}, {"2.5E-2", "0.025"},
                {"1e+10", "1e+10"}, {"16777217", "16777216"},
                // 0 as a float, or beyond the largest: no crease, given as "0".
                {"1e-50", "0"}, {"1e39", "0"}, {"0e5", "0"}, {"1e-45", "1e-45"},
                // Not a plain decimal.
                {"+1", nullptr}, {"nan", nullptr}, {"inf", nullptr}, {"0x10", nullptr},
                {"1e", nullptr}, {"e3", nullptr}, {"1e3.5", nullptr}, {".e1", nullptr},
                {"1 ", nullptr}, {"1,5", nullptr}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        std::string written;
        EXPECT_EQ(tessaryn::readCreaseValue(row.text, written), row.written != nullptr);
        if (row.written != nullptr) {
            EXPECT_EQ(written, row.written);
        }
    }
}

TEST(MayaSceneScanner, HostPlaceholderIsRecognised) {
    const tessaryn::CreaseEdgeSet none;
    EXPECT_TRUE(scanText(readFile(testing_support::examplePath("cube.ma")), none).hostPlaceholder);
    for (const char* text : {"x\n\tsetAttr \".cd\"\n", " \tsetAttr \".cd\"", "\t\t", ""}) {
        EXPECT_FALSE(scanText(kMayaHeader + text, none).hostPlaceholder) << text;
    }
    EXPECT_TRUE(
        scanText(kMayaHeader + "a\r\nb  \tsetAttr \".cd\" -type;\r\n", none).hostPlaceholder);
}

}  // namespace

namespace {

// When both the OBJ and the scene are refused, the OBJ's refusal is the run's, whether
// the OBJ was read before the scan or beside it: one thread and two agree.
TEST(SceneCreases, TheObjsRefusalWinsOnEitherThreadCount) {
    const std::string damagedLayer = "#usda 1.0\ndef Mesh \"m\"\n{\n    int[] faceVertexCounts = [4,\n";
    const struct {
        const char* what;
        std::string obj;
        SceneRefusal expected;
    } rows[] = {
        {"no crease edge", "v 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 3\n", SceneRefusal::NoCreaseEdges},
        {"the scene's own", cubeObjWithOneFaceApart(), SceneRefusal::UnterminatedBlock},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        TempFolder folder;
        writeFile(folder / "mesh.obj", row.obj);
        writeFile(folder / "layer.usda", damagedLayer);
        tessaryn::SceneCreaseRequest request;
        request.objPath = folder / "mesh.obj";
        request.scenePath = folder / "layer.usda";
        const tessaryn::SceneCreaseReport report =
            testing_support::writeSceneCreasesBothWays(request, {request.scenePath});
        EXPECT_EQ(report.outcome, row.expected);
        EXPECT_EQ(readFile(folder / "layer.usda"), damagedLayer);
    }
    TempFolder folder;
    writeFile(folder / "layer.usda", damagedLayer);
    tessaryn::SceneCreaseRequest missing;
    missing.objPath = folder / "missing.obj";
    missing.scenePath = folder / "layer.usda";
    EXPECT_EQ(testing_support::writeSceneCreasesBothWays(missing, {missing.scenePath}).file,
              missing.objPath);
}

}  // namespace
