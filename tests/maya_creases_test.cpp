#include "scene/maya/maya_creases.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support.h"

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
    tessaryn::MayaCreaseReport report;

    Rewrite(const std::string& objText, const std::string& sceneText, const std::string& node = "",
            bool smoothing = false, const std::string& value = "10") {
        writeFile(obj, objText);
        writeFile(scene, sceneText);
        report = tessaryn::writeMayaCreases({obj, scene, smoothing, node, value});
    }
    std::string output() const { return readFile(scene); }
};

std::string realScene(const std::string& name) {
    return readFile(realDataPath(name));
}

const char* const kEmptyCreases =
    "\tsetAttr \".cd\" -type \"dataPolyComponent\" Index_Data Edge 0 ;";

// Maya's own scene, written back with the crease edges it already has: not a byte moves.
TEST(MayaCreases, CreasedShapeWrittenBackUnchanged) {
    const std::string scene = realScene("mayausd__UsdExportMeshTest.ma");
    Rewrite run(realScene("tinyobj__issue-162-smoothing-group.obj"), scene, "creasedShape", true);
    ASSERT_TRUE(run.report.ok) << run.report.message;
    EXPECT_EQ(run.output(), scene);
    EXPECT_EQ(run.report.message, "creasedShape in " + run.scene +
                                      ": 12 crease edges written (value 10), 12 replaced; "
                                      "6 smoothing groups");
    EXPECT_EQ(run.folder.entries(), (std::vector<std::string>{"mesh.obj", "scene.ma"}));
}

TEST(MayaCreases, GroupsOfTheSameObjReplaceTheTwelveCreases) {
    const std::string scene = realScene("mayausd__UsdExportMeshTest.ma");
    Rewrite run(realScene("tinyobj__issue-162-smoothing-group.obj"), scene, "creasedShape", false,
                "2.5");
    ASSERT_TRUE(run.report.ok) << run.report.message;
    // The front face (vertices 0 1 3 2) is group test1; creasedShape lists its edges first.
    std::string old = "Index_Data Edge 12 \n";
    for (int i = 0; i < 11; ++i) old += "\t\t" + std::to_string(i) + " 10 \n";
    old += "\t\t11 10 ;";
    EXPECT_EQ(run.output(), replaced(scene, old,
                                     "Index_Data Edge 4 \n\t\t0 2.5 \n\t\t1 2.5 \n\t\t2 2.5 \n"
                                     "\t\t3 2.5 ;"));
    EXPECT_EQ(run.report.message, "creasedShape in " + run.scene +
                                      ": 4 crease edges written (value 2.5), 12 replaced; "
                                      "2 groups");
}

// Wrapped edge lines ending in a blank, a node without data, an empty crease statement.
TEST(MayaCreases, OldestLayoutWithAnEmptyCreaseStatement) {
    const std::string scene = realScene("cgkit__objects.ma");
    const std::string expected = replaced(scene, kEmptyCreases,
                                          "\tsetAttr \".cd\" -type \"dataPolyComponent\" "
                                          "Index_Data Edge 4 \n\t\t1 10 \n\t\t2 10 \n\t\t6 10 \n"
                                          "\t\t7 10 ;");
    Rewrite run(cubeObjWithOneFaceApart(), scene);
    ASSERT_TRUE(run.report.ok) << run.report.message;
    EXPECT_EQ(run.output(), expected);
    EXPECT_EQ(run.report.message, "meshShape in " + run.scene +
                                      ": 4 crease edges written (value 10), 0 replaced; 2 groups");

    // Without a crease statement it comes right after the face statement: the same bytes.
    Rewrite inserted(cubeObjWithOneFaceApart(),
                     replaced(scene, std::string(kEmptyCreases) + "\n", ""));
    ASSERT_TRUE(inserted.report.ok) << inserted.report.message;
    EXPECT_EQ(inserted.output(), expected);

    // A CR LF scene stays CR LF, the new lines included.
    Rewrite crlf(cubeObjWithOneFaceApart(), testing_support::toCrlf(scene));
    ASSERT_TRUE(crlf.report.ok) << crlf.report.message;
    EXPECT_EQ(crlf.output(), testing_support::toCrlf(expected));
}

// The whole edge list on the statement line, an edge written larger vertex first.
TEST(MayaCreases, TetrahedronEdgesInEitherOrder) {
    const std::string scene = realScene("maya2gltf__FlatTetrahedron.ma");
    Rewrite run(
        "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\ng base\nf 1 2 3\ng sides\nf 1 2 4\nf 2 3 4\n"
        "f 3 1 4\n",
        scene);
    ASSERT_TRUE(run.report.ok) << run.report.message;
    EXPECT_EQ(run.output(), replaced(scene, kEmptyCreases,
                                     "\tsetAttr \".cd\" -type \"dataPolyComponent\" Index_Data "
                                     "Edge 3 \n\t\t0 10 \n\t\t1 10 \n\t\t2 10 ;"));
}

// An intermediate object holds the data; the edge list is split over two statements; the
// existing crease statement lists every edge with value 0.
TEST(MayaCreases, IntermediateObjectWithSplitEdgeList) {
    const std::string scene = realScene("maya2gltf__CubeToSphere.ma");
    std::string obj;
    for (int i = 0; i < 98; ++i) obj += "v 0 0 0\n";
    obj += "g a\nf 1 75 27 82\ng b\nf 69 46 83\n";
    Rewrite run(obj, scene);
    ASSERT_TRUE(run.report.ok) << run.report.message;
    std::string old = "Index_Data Edge 192 \n";
    for (int i = 0; i < 191; ++i) old += "\t\t" + std::to_string(i) + " 0 \n";
    old += "\t\t191 0 ;";
    std::string creases = "Index_Data Edge 6 ";
    for (int number : {0, 16, 48, 49, 166, 167})
        creases += "\n\t\t" + std::to_string(number) + " 10 ";
    EXPECT_EQ(run.output(), replaced(scene, old, creases + ";"));
    EXPECT_EQ(run.report.message, "pCubeShape1Orig in " + run.scene +
                                      ": 6 crease edges written (value 10), 0 replaced; 2 groups\n"
                                      "1 of the 7 border edges of " +
                                      run.obj + " is not an edge of pCubeShape1Orig");
}

// Layouts Maya may write, on scenes small enough to read: the crease numbers each finds
// for the square 0 1 2 3 (OBJ 1 2 3 4), whose four sides are its crease edges.
TEST(MayaSceneReader, LayoutsAndTheirCreaseEdges) {
    struct Row {
        const char* name;
        std::string scene;
        std::vector<std::int32_t> creases;
        std::int64_t vertices;
        std::int64_t edges;
        std::int64_t refusedLine = 0;  // of an edge statement that is refused
    } rows[] = {
        {"numbers on the statement line",
         "createNode mesh -n \"m\";\n\tsetAttr -s 4 \".vt[0:3]\" 0 0 0 1 0 0 1 1 0 0 1 0;\n"
         "\tsetAttr -s 5 \".ed[0:4]\" 0 1 0 1 2 0 2 3 0 3 0 0 0 2 0;\n",
         {0, 1, 2, 3},
         4,
         5},
        {"numbers on later lines, larger vertex first, one edge per statement",
         "createNode mesh -n \"m\";\n\tsetAttr \".vt[3]\" 0 1 0;\n\tsetAttr -s 5 \".ed\";\n"
         "\tsetAttr \".ed[0:1]\"\n\t\t 0 2 0\n\t\t 1 0 0;\n\tsetAttr \".ed[2]\"\n\t\t3 2 0 ;\n",
         {1, 2},
         4,
         3},
        {"tweaks are not vertices; a string with \\\" and ; is no end",
         "createNode mesh -n \"m\";\n\tsetAttr \".pt[0:9]\" -type \"float3\" 0 0 0;\n"
         "\tsetAttr \".vt[0:3]\" 0 0 0 1 0 0 1 1 0 0 1 0;\n"
         "\tsetAttr \".note\" -type \"string\" \"a \\\"; .ed[0:1] \\\\\";\n"
         "\tsetAttr \".ed[0:0]\" 2 3 1; // a comment; \"\n",
         {0},
         4,
         1},
        {"huge vertex numbers name no OBJ vertex",
         "createNode mesh -n \"m\";\n\tsetAttr \".vt[0:3]\" 0 0 0 1 0 0 1 1 0 0 1 0;\n"
         "\tsetAttr \".ed[0:2]\" 4294967297 4294967298 0 -1 0 0 9223372036854775807 1 0;\n",
         {},
         4,
         3},
        {"the node ends at a statement that starts a line",
         "createNode mesh -n \"m\";\n\tsetAttr \".vt[0:3]\" 0 0 0 1 0 0 1 1 0 0 1 0;\n"
         "select -ne m;\n\tsetAttr \".ed[0:0]\" 0 1 0;\n",
         {},
         4,
         0},
        {"an edge range given again, with other triples",
         "createNode mesh -n \"m\";\n\tsetAttr \".vt[0:3]\" 0 0 0 1 0 0 1 1 0 0 1 0;\n"
         "\tsetAttr \".ed[0:3]\" 0 1 0 1 2 0 2 3 0 3 0 0;\n"
         "\tsetAttr \".ed[0:3]\" 0 2 0 1 3 0 3 0 0 0 1 0;\n",
         {},
         0,
         0,
         5},
        {"edge ranges that overlap or go back",
         "createNode mesh -n \"m\";\n\tsetAttr \".vt[0:3]\" 0 0 0 1 0 0 1 1 0 0 1 0;\n"
         "\tsetAttr \".ed[2:3]\" 2 3 0 3 0 0;\n\tsetAttr \".ed[3:4]\"\n\t\t0 1 0 1 2 0;\n",
         {},
         0,
         0,
         5},
        {"an edge before the node's earlier ones",
         "createNode mesh -n \"m\";\n\tsetAttr \".vt[0:3]\" 0 0 0 1 0 0 1 1 0 0 1 0;\n"
         "\tsetAttr \".ed[2:3]\" 2 3 0 3 0 0;\n\tsetAttr \".ed[1]\" 1 2 0;\n",
         {},
         0,
         0,
         5},
    };
    const std::vector<tessaryn::EdgeKey> square = {tessaryn::edgeKey(1, 2), tessaryn::edgeKey(2, 3),
                                                   tessaryn::edgeKey(3, 4),
                                                   tessaryn::edgeKey(1, 4)};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        tessaryn::LineReader reader;
        reader.openText("//Maya ASCII 2022 scene\n" + row.scene);
        const tessaryn::MayaScene scene = tessaryn::scanMayaScene(reader, square);
        if (row.refusedLine != 0) {
            EXPECT_EQ(scene.problem, tessaryn::MayaSceneProblem::BadEdgeStatement);
            EXPECT_EQ(scene.problemLine, row.refusedLine);
            continue;
        }
        ASSERT_EQ(scene.problem, tessaryn::MayaSceneProblem::None) << scene.problemLine;
        ASSERT_EQ(scene.nodes.size(), 1u);
        EXPECT_EQ(scene.nodes[0].name, "m");
        EXPECT_EQ(scene.nodes[0].creaseEdgeNumbers, row.creases);
        EXPECT_EQ(scene.nodes[0].vertexCount, row.vertices);
        EXPECT_EQ(scene.nodes[0].edgeCount, row.edges);
    }
}

// Every cut of a real scene reads, or is refused naming a line it has; never more.
TEST(MayaSceneReader, EveryPrefixOfARealScene) {
    const std::string scene = realScene("cgkit__objects.ma");
    const std::vector<tessaryn::EdgeKey> creases = {tessaryn::edgeKey(3, 4)};
    for (std::size_t size = 0; size <= scene.size(); ++size) {
        const std::string prefix = scene.substr(0, size);
        tessaryn::LineReader reader;
        reader.openText(prefix);
        const tessaryn::MayaScene read = tessaryn::scanMayaScene(reader, creases);
        const auto lines = std::count(prefix.begin(), prefix.end(), '\n') + 1;
        ASSERT_LE(read.problemLine, lines) << size;
        if (read.problem != tessaryn::MayaSceneProblem::None) continue;
        ASSERT_EQ(read.size, size);
        ASSERT_LE(read.nodes.size(), 2u);
        for (const tessaryn::MayaMeshNode& node : read.nodes) {
            ASSERT_LE(node.vertexCount, 8);
            ASSERT_LE(node.edgeCount, 12);
        }
    }
}

// A mesh node without a face statement gets its crease statement after its last setAttr.
TEST(MayaCreases, NodeWithoutFacesAndSeveralNodes) {
    const std::string head =
        "//Maya ASCII 2022 scene\ncreateNode mesh -n \"other\";\n"
        "\tsetAttr \".vt[0:2]\" 0 0 0 1 0 0 1 1 0;\n"
        "\tsetAttr \".ed[0:0]\" 0 1 0;\n"
        "createNode mesh -n \"square\";\n"
        "\tsetAttr \".vt[0:3]\" 0 0 0 1 0 0 1 1 0 0 1 0;\n"
        "\tsetAttr \".ed[0:4]\" 0 1 0 1 2 0 0 2 0 2 3 0 3 0 0;\n";
    const std::string tail = "\tsetAttr \".ds\" no;\nselect -ne :time1;\n";
    Rewrite run("v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\ng a\nf 1 2 3 4\n", head + tail);
    ASSERT_TRUE(run.report.ok) << run.report.message;
    EXPECT_EQ(run.output(),
              head + tail.substr(0, tail.find('\n')) +
                  "\n\tsetAttr \".cd\" -type \"dataPolyComponent\" Index_Data Edge "
                  "4 \n\t\t0 10 \n\t\t1 10 \n\t\t3 10 \n\t\t4 10 ;\nselect -ne :time1;\n");
}

// Every refusal leaves the scene byte for byte as it was and no file behind.
TEST(MayaCreases, RefusalsChangeNothing) {
    const std::string square = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\ng a\nf 1 2 3 4\n";
    const std::string mesh =
        "//Maya ASCII 2022 scene\ncreateNode mesh -n \"sq\";\n"
        "\tsetAttr \".vt[0:3]\" 0 0 0 1 0 0 1 1 0 0 1 0;\n";
    const std::string edges = "\tsetAttr \".ed[0:3]\" 0 1 0 1 2 0 2 3 0 3 0 0;\n";
    const std::string kBadEdges =
        "/scene.ma: the edge statement on line 4 does not hold three whole numbers for each edge "
        "of its range, or repeats an edge";
    struct Row {
        std::string obj;
        std::string scene;
        std::string node;
        std::string message;  // what follows the folder path, or the whole message
    } rows[] = {
        {square, std::string("FOR4\0\0\x01\0Maya", 12), "",
         "/scene.ma is a Maya binary scene: save it as Maya ASCII"},
        {"v 0 0 0\nf 1 1 1\n", std::string("FOR8\0\0\0\0\0\0\0\x10", 12), "",
         "/scene.ma is a Maya binary scene: save it as Maya ASCII"},
        {square, "createNode mesh;\n", "",
         "/scene.ma is not a Maya ASCII scene: its first line is not //Maya ASCII"},
        {square, "", "", "/scene.ma is not a Maya ASCII scene: its first line is not //Maya ASCII"},
        {square, mesh + edges + "\tsetAttr \".a\" -type \"string\" \"open;\n;\n", "",
         "/scene.ma: the string opened on line 5 is not closed"},
        {square, mesh + edges + "createNode transform -n \"t\"\n", "",
         "/scene.ma: the statement on line 5 has no closing ;"},
        {square, mesh + "\tsetAttr \".ed[0:3]\" 0 1 0 1 2 0\n\t\t2 3 0;\n", "", kBadEdges},
        {square, mesh + "\tsetAttr \".ed[0:1]\" 0 1 0 1 2 0 2 3 0;\n", "", kBadEdges},
        {square, mesh + "\tsetAttr \".ed[0:1]\" 0 1 0 1 2 0.5;\n", "", kBadEdges},
        {square, mesh + "\tsetAttr \".ed[2:1]\" 0 1 0;\n", "", kBadEdges},
        {square, mesh + edges + "\tsetAttr \".ed[3]\" 0 2 0;\n", "",
         "/scene.ma: the edge statement on line 5 does not hold three whole numbers for each "
         "edge of its range, or repeats an edge"},
        {square, mesh, "", "/scene.ma has no mesh node with vertices and edges"},
        {"v 0 0 0\n" + square, mesh + edges, "",
         "/mesh.obj has 5 vertex positions but no mesh node of #/scene.ma has as many: sq (4 "
         "vertices)"},
        {"v 0 0 0\n" + square, mesh + edges, "sq",
         "/mesh.obj has 5 vertex positions but sq has 4 vertices"},
        {square, mesh + edges, "nope",
         "/scene.ma has no mesh node nope; its mesh nodes: sq (4 vertices)"},
        {square, mesh + edges + mesh.substr(mesh.find('\n') + 1) + edges, "",
         "several mesh nodes of #/scene.ma have the 4 vertices of #/mesh.obj: sq (4 vertices), "
         "sq (4 vertices); choose one with --node"},
        {"v 0 0 0\nf 1 1 1\n", mesh + edges, "", "/mesh.obj has no group-border edge"},
        {"v 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\ng a\nf 1 3 5\n", mesh + edges, "",
         "none of the 3 border edges of #/mesh.obj is an edge of sq (are they the same mesh?)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.message);
        Rewrite run(row.obj, row.scene, row.node);
        std::string expected =
            row.message[0] == '/' ? run.folder.path() + row.message : row.message;
        for (std::size_t at; (at = expected.find('#')) != std::string::npos;)
            expected.replace(at, 1, run.folder.path());
        EXPECT_FALSE(run.report.ok);
        EXPECT_EQ(run.report.message, expected + "; nothing changed");
        EXPECT_EQ(run.output(), row.scene);
        EXPECT_EQ(run.folder.entries(), (std::vector<std::string>{"mesh.obj", "scene.ma"}));
    }
}

TEST(MayaCreases, UnreadableFilesAndSeveralFittingRealNodes) {
    const std::string scene = realScene("mayausd__UsdExportMeshTest.ma");
    Rewrite run(realScene("tinyobj__issue-162-smoothing-group.obj"), scene, "", true);
    EXPECT_FALSE(run.report.ok);
    EXPECT_NE(run.report.message.find(": polyShape (8 vertices), polyNoNormalsShape (8 vertices), "
                                      "subdivShape (8 vertices), unspecifiedShape (0 vertices), "
                                      "TestNormalsMeshShape (8 vertices), creasedShape (8 "
                                      "vertices); choose one with --node; nothing changed"),
              std::string::npos)
        << run.report.message;
    EXPECT_EQ(run.output(), scene);

    tessaryn::MayaCreaseRequest request;
    request.objPath = run.obj;
    request.scenePath = run.scene;
    request.node = "creasedShape";
    testing_support::setReadOnly(run.scene, true);
    EXPECT_EQ(tessaryn::writeMayaCreases(request).message,
              "cannot write " + run.scene + "; it is unchanged");
    testing_support::setReadOnly(run.scene, false);
    EXPECT_EQ(run.output(), scene);
    EXPECT_EQ(run.folder.entries(), (std::vector<std::string>{"mesh.obj", "scene.ma"}));

    request.objPath = run.folder / "missing.obj";
    request.scenePath = run.scene;
    EXPECT_EQ(tessaryn::writeMayaCreases(request).message,
              "cannot read " + request.objPath + "; nothing changed");
    request.objPath = run.obj;
    request.scenePath = run.folder / "missing.ma";
    request.smoothing = true;
    EXPECT_EQ(tessaryn::writeMayaCreases(request).message,
              "cannot read " + request.scenePath + "; nothing changed");
}

// A scene saved again between its read and its rewrite keeps what was saved: the edit's
// offsets belong to the bytes that were read.
TEST(MayaCreases, ASceneChangedSinceItWasReadIsLeftAlone) {
    const std::string read = "//Maya ASCII 2022 scene\nabc;\n";
    const tessaryn::SceneEdit edit = {24, 27, "xyz"};
    struct Row {
        const char* name;
        std::string now;  // the scene when it is rewritten
        int secondsLater;
        tessaryn::SceneRewrite expected;
    } rows[] = {
        {"unchanged", read, 0, tessaryn::SceneRewrite::Written},
        {"longer", read + "more;\n", 0, tessaryn::SceneRewrite::Changed},
        {"shorter", read.substr(0, 25), 0, tessaryn::SceneRewrite::Changed},
        {"shorter than the edit's start", read.substr(0, 10), 0, tessaryn::SceneRewrite::Changed},
        {"same size, saved later", replaced(read, "abc", "abd"), 2,
         tessaryn::SceneRewrite::Changed},
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
        EXPECT_EQ(tessaryn::rewriteMayaScene(scene, edit, stamp), row.expected);
        EXPECT_EQ(readFile(scene), row.expected == tessaryn::SceneRewrite::Written
                                       ? replaced(read, "abc", "xyz")
                                       : row.now);
        EXPECT_EQ(folder.entries(), std::vector<std::string>{"scene.ma"});
    }
}

TEST(MayaCreases, CreaseValues) {
    struct Row {
        const char* text;
        const char* written;  // nullptr: refused
    } rows[] = {{"10", "10"},   {"0", "0"},     {"010.50", "10.5"}, {"2.0", "2"},
                {".5", "0.5"},  {"0.000", "0"}, {"-1", nullptr},    {"1e3", nullptr},
                {"", nullptr},  {".", nullptr}, {"1.", nullptr},    {"1.2.3", nullptr},
                {" 1", nullptr}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        std::string written;
        EXPECT_EQ(tessaryn::readCreaseValue(row.text, written), row.written != nullptr);
        if (row.written != nullptr) {
            EXPECT_EQ(written, row.written);
        }
    }
}

TEST(MayaCreases, HostPlaceholderIsRecognised) {
    bool holds = false;
    ASSERT_TRUE(
        tessaryn::readHoldsHostPlaceholder(testing_support::examplePath("cube.ma").c_str(), holds));
    EXPECT_TRUE(holds);
    TempFolder folder;
    for (const char* text : {"x\n\tsetAttr \".cd\"\n", " \tsetAttr \".cd\"", "\t\t", ""}) {
        writeFile(folder / "s.ma", text);
        ASSERT_TRUE(tessaryn::readHoldsHostPlaceholder((folder / "s.ma").c_str(), holds));
        EXPECT_FALSE(holds) << text;
    }
    // A binary scene is not searched, whatever bytes it holds.
    writeFile(folder / "s.ma", "FOR4  \tsetAttr \".cd\"\n");
    ASSERT_TRUE(tessaryn::readHoldsHostPlaceholder((folder / "s.ma").c_str(), holds));
    EXPECT_FALSE(holds);
    writeFile(folder / "s.ma", "a\r\nb  \tsetAttr \".cd\" -type\r\n");
    ASSERT_TRUE(tessaryn::readHoldsHostPlaceholder((folder / "s.ma").c_str(), holds));
    EXPECT_TRUE(holds);
    EXPECT_FALSE(tessaryn::readHoldsHostPlaceholder((folder / "missing").c_str(), holds));
}

}  // namespace
