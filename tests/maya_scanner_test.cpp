// The Maya scanner's quick roads through data: edge numbers read in a loop of their own,
// vertex and face data skipped eight bytes at a time. Whatever shape the numbers and the
// marks take, and wherever they fall in a line, the scan must read as a word-by-word one.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/line_reader.h"
#include "crease/crease_edge_set.h"
#include "scene/maya/maya_scene_scanner.h"
#include "support.h"

namespace {

using tessaryn::SceneRefusal;

const std::string kNode =
    "//Maya ASCII 2022 scene\ncreateNode mesh -n \"m\";\n"
    "\tsetAttr \".vt[0:3]\" 0 0 0 1 0 0 1 1 0 0 1 0;\n";

// The square 0 1 2 3 (OBJ 1 2 3 4), whose four sides are its crease edges.
tessaryn::SceneFacts scan(const std::string& text) {
    static const tessaryn::CreaseEdgeSet square =
        tessaryn::CreaseEdgeSet::fromObjNumbers({tessaryn::edgeKey(1, 2), tessaryn::edgeKey(1, 4),
                                                 tessaryn::edgeKey(2, 3), tessaryn::edgeKey(3, 4)},
                                                4);
    testing_support::InMemory scene(text);
    return tessaryn::scanMayaScene(scene.lines, square);
}

// The same scan with no crease edge to find, where edge numbers are only counted.
tessaryn::SceneFacts scanForNoCreases(const std::string& text) {
    static const tessaryn::CreaseEdgeSet none;
    testing_support::InMemory scene(text);
    return tessaryn::scanMayaScene(scene.lines, none);
}

// A scan that passes edge numbers over reads the rest of a scene as one that reads
// them: it refuses alike, but for an edge statement whose numbers are damaged.
void expectPassedAlike(const std::string& text, const tessaryn::SceneFacts& read) {
    testing_support::InMemory scene(text);
    const tessaryn::SceneFacts passed = tessaryn::scanMayaScenePassingEdges(scene.lines);
    if (read.problem == SceneRefusal::BadEdgeStatement && passed.problem == SceneRefusal::None)
        return;
    EXPECT_EQ(passed.problem, read.problem);
    EXPECT_EQ(passed.problemLine, read.problemLine);
    ASSERT_EQ(passed.nodes.size(), read.nodes.size());
    for (std::size_t i = 0; i < read.nodes.size(); ++i) {
        EXPECT_EQ(passed.nodes[i].path, read.nodes[i].path);
        EXPECT_EQ(passed.nodes[i].vertexCount, read.nodes[i].vertexCount);
        EXPECT_EQ(passed.nodes[i].problem, read.nodes[i].problem);
        EXPECT_EQ(passed.nodes[i].uvSet, read.nodes[i].uvSet);
    }
}

// A scan that counts edge numbers refuses a scene exactly where one that reads them does.
void expectCountedAlike(const std::string& text) {
    const tessaryn::SceneFacts read = scan(text);
    const tessaryn::SceneFacts counted = scanForNoCreases(text);
    EXPECT_EQ(counted.problem, read.problem);
    EXPECT_EQ(counted.problemLine, read.problemLine);
    ASSERT_EQ(counted.nodes.size(), read.nodes.size());
    for (std::size_t i = 0; i < read.nodes.size(); ++i) {
        EXPECT_EQ(counted.nodes[i].vertexCount, read.nodes[i].vertexCount);
        EXPECT_EQ(counted.nodes[i].problem, read.nodes[i].problem);
        EXPECT_TRUE(counted.nodes[i].hits.empty());
    }
    expectPassedAlike(text, counted);
}

std::vector<std::int32_t> creaseElements(const tessaryn::SceneFacts& facts) {
    std::vector<std::int32_t> elements;
    if (facts.nodes.size() != 1) return {-1};
    for (const tessaryn::CreaseHit& hit : facts.nodes[0].hits) elements.push_back(hit.element);
    std::sort(elements.begin(), elements.end());
    return elements;
}

const std::vector<std::int32_t> kAllFour = {0, 1, 2, 3};

// The square's edges with every number written `width` digits wide, one statement line.
std::string zeroPadded(std::size_t width) {
    std::string data;
    for (const char* number : {"0", "1", "0", "1", "2", "0", "2", "3", "0", "3", "0", "0"}) {
        data += ' ' + std::string(width - 1, '0') + number;
    }
    return data;
}

TEST(MayaScannerData, EdgeNumbersInEveryForm) {
    // Every width, so that numbers fall in and across every eight bytes and at the end
    // of a line with fewer left; one number a line too.
    for (std::size_t width = 1; width <= 24; ++width) {
        const std::string data = zeroPadded(width);
        SCOPED_TRACE(data);
        const std::string oneLine = kNode + "\tsetAttr \".ed[0:3]\"" + data + ";\n";
        EXPECT_EQ(creaseElements(scan(oneLine)), kAllFour);
        expectCountedAlike(oneLine);
        // A number too many, the last, on a line long enough to be counted eight bytes at
        // a time.
        expectCountedAlike(kNode + "\tsetAttr \".ed[0:3]\"" + data + " 0;\n");
        std::string manyLines = data;
        std::replace(manyLines.begin(), manyLines.end(), ' ', '\n');
        EXPECT_EQ(creaseElements(scan(kNode + "\tsetAttr \".ed[0:3]\"" + manyLines + "\n;\n")),
                  kAllFour);
        expectCountedAlike(kNode + "\tsetAttr \".ed[0:3]\"" + manyLines + "\n;\n");
    }

    struct Row {
        const char* name;
        const char* data;  // behind setAttr ".ed[0:3]", on the scene's fourth line
        std::vector<std::int32_t> creases;
        SceneRefusal problem = SceneRefusal::None;
    } rows[] = {
        {"every kind of white space", "\t0\v1\f0 \r 1\t\t2 0  2 3 0\r3 0 0;", kAllFour},
        {"signs", " +0 +1 -0 1 2 -1 2 3 +7 3 0 0;", kAllFour},
        {"the end right behind a number", " 0 1 0 1 2 0 2 3 0 3 0 0;", kAllFour},
        {"the end right behind a number, more on the line",
         " 0 1 0 1 2 0 2 3 0 3 0 0;      setAttr \".a\" 1;", kAllFour},
        {"a comment right behind a number, the rest on the next line",
         " 0 1 0 1 2 0//  a ; \"\n2 3 0 3 0 0;", kAllFour},
        {"a comment right behind a number", " 0 1 0 1 2 0 2 3 0 3 0 0// a ; \"\n;", kAllFour},
        {"a slash inside a number",
         " 0 1 0 1 2 0 2 3 0 3 0 0/1;",
         {},
         SceneRefusal::BadEdgeStatement},
        {"larger vertex first, a vertex of no OBJ", " 1 0 0 2 1 0 9 2 0 12345678901 3 0;", {0, 1}},
        {"nineteen digits name no OBJ vertex",
         " 0 1 0 1 2 0 2 3 0 1234567890123456789 0 0;",
         {0, 1, 2}},
        {"a number too large",
         " 0 1 0 1 2 0 2 3 0 3 0 99999999999999999999;",
         {},
         SceneRefusal::BadEdgeStatement},
        {"a decimal", " 0 1 0 1 2 0 2 3 0 3 0 0.0;", {}, SceneRefusal::BadEdgeStatement},
        {"a decimal, more on the line",
         " 0 1 0.0 1 2 0 2 3 0 3 0 0;",
         {},
         SceneRefusal::BadEdgeStatement},
        {"a sign inside a number, more on the line",
         " 0 1 0-0 1 2 0 2 3 0 3 0;",
         {},
         SceneRefusal::BadEdgeStatement},
        {"letters behind digits, more on the line",
         " 0 1 0x 1 2 0 2 3 0 3 0 0;",
         {},
         SceneRefusal::BadEdgeStatement},
        {"a string right behind a number, more on the line",
         " 0\"x\" 1 0 1 2 0 2 3 0 3 0 0;",
         {},
         SceneRefusal::BadEdgeStatement},
        {"letters behind digits", " 0 1 0 1 2 0 2 3 0 3 0 0x;", {}, SceneRefusal::BadEdgeStatement},
        {"a sign alone", " 0 1 0 1 2 0 2 3 0 3 0 - 0;", {}, SceneRefusal::BadEdgeStatement},
        {"a string among the numbers",
         " 0 1 0 1 2 0 2 3 0 3 0 0 \"x\";",
         {},
         SceneRefusal::BadEdgeStatement},
        {"a string right behind a number",
         " 0 1 0 1 2 0 2 3 0 3 0 0\"x\";",
         {},
         SceneRefusal::BadEdgeStatement},
        {"a triple too many",
         " 0 1 0 1 2 0 2 3 0 3 0 0 0 2 0;",
         {},
         SceneRefusal::BadEdgeStatement},
        {"a number too few", " 0 1 0 1 2 0 2 3 0 3 0;", {}, SceneRefusal::BadEdgeStatement},
        {"an unclosed string after a bad number",
         " 0 1 0 1 2 0 2 3 0 3 0 0x \"open;",
         {},
         SceneRefusal::UnterminatedString},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        expectCountedAlike(kNode + "\tsetAttr \".ed[0:3]\"" + row.data + "\n");
        const tessaryn::SceneFacts facts = scan(kNode + "\tsetAttr \".ed[0:3]\"" + row.data + "\n");
        EXPECT_EQ(facts.problem, row.problem);
        if (row.problem != SceneRefusal::None) {
            EXPECT_EQ(facts.problemLine, 4);
            continue;
        }
        EXPECT_EQ(creaseElements(facts), row.creases);
    }
}

// Every real scene reads alike whether its edge numbers are read, counted or passed over.
TEST(MayaScannerData, RealScenesAlikeHoweverTheirEdgesAreRead) {
    for (const char* file : {"cgkit__objects.ma", "maya2gltf__CubeToSphere.ma",
                             "maya2gltf__FlatTetrahedron.ma", "mayausd__UsdExportMeshTest.ma"}) {
        SCOPED_TRACE(file);
        const std::string text = testing_support::readFile(testing_support::realDataPath(file));
        const tessaryn::SceneFacts read = scanForNoCreases(text);
        ASSERT_EQ(read.problem, SceneRefusal::None);
        ASSERT_FALSE(read.nodes.empty());
        expectCountedAlike(text);
        // Where each node's edges start: the line of its first edge statement, counted.
        for (const tessaryn::SceneNode& node : read.nodes) {
            if (node.edgesLine == 0) continue;
            const std::size_t lineEnd = text.find('\n', node.edgesAt);
            const std::string line = text.substr(node.edgesAt, lineEnd - node.edgesAt);
            EXPECT_EQ(
                std::count(text.begin(), text.begin() + static_cast<long>(node.edgesAt), '\n'),
                node.edgesLine - 1);
            EXPECT_NE(line.find("setAttr"), std::string::npos) << line;
            EXPECT_NE(line.find("\".ed"), std::string::npos) << line;
            EXPECT_GT(node.edgesAt, node.start);
            EXPECT_EQ(text.find("\".ed", node.start), line.find("\".ed") + node.edgesAt);
        }
    }
}

// Edges passed over in two nodes: the reader of one could not tell of the other's damage.
TEST(MayaScannerData, EdgesPassedOverInTwoNodesNeedTheWholeScan) {
    const std::string edges = "\tsetAttr \".ed[0:3]\" 0 1 0 1 2 0 2 3 0 3 0 0;\n";
    const std::string second =
        "createNode mesh -n \"n\";\n\tsetAttr \".vt[0:3]\" 0 0 0 1 0 0 1 1 0 0 1 0;\n";
    const std::pair<std::string, bool> scenes[] = {
        {kNode + edges, false},
        {kNode + edges + second, false},
        {kNode + edges + second + edges, true},
    };
    for (const auto& [text, needed] : scenes) {
        SCOPED_TRACE(text);
        testing_support::InMemory scene(text);
        EXPECT_EQ(tessaryn::scanMayaScenePassingEdges(scene.lines).wholeScanNeeded, needed);
        EXPECT_FALSE(scanForNoCreases(text).wholeScanNeeded);
    }
}

TEST(MayaScannerData, CountedEdgeNumbersRefusedWhereReadOnes) {
    // Forty edges a line, Maya's own layout, with a fault put at every place of the line's
    // first two hundred bytes: each falls in a different place of the eight bytes counted
    // at a time.
    std::string data;
    for (int edge = 0; edge < 40; ++edge)
        data += ' ' + std::to_string(1000 + edge) + ' ' + std::to_string(1001 + edge) + " 0";
    const std::string head = kNode + "\tsetAttr \".ed[0:39]\"";
    expectCountedAlike(head + data + ";\n");
    // Bytes above 0x7F whose low bits are a digit's and a blank's, too.
    for (const char* fault : {"x", " 7", "-", "9999999999999999999", "\"", "/", "\xB9", "\xA0"}) {
        for (std::size_t at = 0; at < 200; ++at) {
            SCOPED_TRACE(std::string(fault) + " at " + std::to_string(at));
            expectCountedAlike(head + data.substr(0, at) + fault + data.substr(at) + ";\n");
        }
    }
}

// A ';', a string or a comment anywhere in a line of vertex data: before, across and
// inside the last eight bytes of lines of every length.
TEST(MayaScannerData, MarksAnywhereInVertexData) {
    const std::string edges = " setAttr \".ed[0:3]\" 0 1 0 1 2 0 2 3 0 3 0 0;";
    for (std::size_t before = 0; before <= 24; ++before) {
        for (std::size_t after = 0; after <= 10; ++after) {
            const std::string filler(before, '7');
            const std::string tail(after, ' ');
            const std::string head = kNode + "\tsetAttr \".vt[4:5]\"\n\t\t";
            SCOPED_TRACE(std::to_string(before) + " " + std::to_string(after));

            EXPECT_EQ(creaseElements(scan(head + filler + ";" + edges + tail + "\n")), kAllFour);
            EXPECT_EQ(creaseElements(scan(head + filler + "1/2" + tail + ";" + edges + "\n")),
                      kAllFour);
            // A comment's ';' and '"' are no marks; the statement goes on.
            const tessaryn::SceneFacts commented =
                scan(head + filler + "//;\"" + tail + "\n\t;" + edges + "\n");
            EXPECT_EQ(creaseElements(commented), kAllFour);
            EXPECT_EQ(commented.nodes.at(0).vertexCount, 6);
            // A string is read as a string: its closing quote, or the damage of none.
            EXPECT_EQ(creaseElements(scan(head + filler + "\";\"" + tail + ";" + edges + "\n")),
                      kAllFour);
            const tessaryn::SceneFacts open = scan(head + filler + "\"" + tail + "\n;\n");
            EXPECT_EQ(open.problem, SceneRefusal::UnterminatedString);
            EXPECT_EQ(open.problemLine, 5);
        }
    }
}

// The host's placeholder line is found wherever it stands, in a statement's data too.
TEST(MayaScannerData, PlaceholderAmongData) {
    for (const char* data : {" 0 0 0", "\n\t\t0 0 0 1 0 0", ""}) {
        SCOPED_TRACE(data);
        for (const char* attribute : {".vt[0:3]", ".ed[0:1]"}) {
            const std::string scene = kNode.substr(0, kNode.find('\t')) + "\tsetAttr \"" +
                                      attribute + "\"" + data + "\n  \tsetAttr \".cd\"\n0 1;\n";
            EXPECT_TRUE(scan(scene).hostPlaceholder) << attribute;
        }
    }
    EXPECT_FALSE(scan(kNode + "\tsetAttr \".vt[0:3]\"\n  \t0 0 0 1 0 0\n;\n").hostPlaceholder);
}

}  // namespace
