// GetCreases through the built library, as the host calls it, on files in a temporary
// folder; whole output files are compared byte for byte.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "support.h"

using testing_support::call;
using testing_support::crlfLines;
using testing_support::kCubeObj;
using testing_support::kPlaceholder;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

namespace {

// A scene with one edge block holding `edgeData`, then the placeholder pair.
std::vector<std::string> sceneLines(const std::string& edgeData) {
    return {"//Maya ASCII 2020 scene",
            "createNode mesh -n \"meshShape\";",
            "\tsetAttr -s 12 \".ed[0:11]\"",
            edgeData,
            kPlaceholder,
            "\t\t;",
            "// end"};
}

// The two lines that take the placeholder pair's place.
std::vector<std::string> creaseLines(const std::vector<int>& indices) {
    std::string data = " ";
    for (int index : indices) data += std::to_string(index) + " 1000 ";
    return {"  setAttr \".cd\" -type \"dataPolyComponent\" Index_Data Edge " +
                std::to_string(indices.size()),
            data + " ;"};
}

// `scene` with lines [at, at + 2) replaced by the crease statement for `indices`.
std::string rewritten(std::vector<std::string> scene, std::size_t at,
                      const std::vector<int>& indices) {
    std::vector<std::string> crease = creaseLines(indices);
    scene.erase(scene.begin() + static_cast<long>(at),
                scene.begin() + static_cast<long>(std::min(at + 2, scene.size())));
    scene.insert(scene.begin() + static_cast<long>(at), crease.begin(), crease.end());
    return crlfLines(scene);
}

std::string lfLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

struct Outcome {
    float code;
    std::string scene;
};

Outcome runCreases(const std::string& obj, const std::string& scene, double number = 0.0) {
    testing_support::FileCall done = testing_support::callOnFiles("GetCreases", obj, scene, number);
    EXPECT_EQ(done.entries, (std::vector<std::string>{"buffer", "text"}));
    return {done.code, done.buffer};
}

// The edges of kCubeObj, in the order of its vertices.
const std::string kCubeEdges =
    "\t\t 0 1 0 2 3 0 4 5 0 6 7 0 0 2 0 1 3 0 2 4 0 3 5 0 4 6 0 5 7 0 0 6 0 1 7 0;";

TEST(GetCreases, TheTopFaceOfACubeGivesItsFourEdges) {
    std::vector<std::string> scene = sceneLines(kCubeEdges);
    Outcome run = runCreases(kCubeObj, lfLines(scene));
    EXPECT_EQ(run.code, 2.0f);
    EXPECT_EQ(run.scene, rewritten(scene, 4, {1, 2, 6, 7}));
}

TEST(GetCreases, FailuresLeaveTheSceneAsItWas) {
    const std::string scene = lfLines(sceneLines(kCubeEdges));
    struct Row {
        const char* what;
        std::string obj;
        std::string scene;
        float code;
    } rows[] = {
        {"no group line", "v 0 0 0\nf 1 2 3\n", scene, TESSARYN_NO_CREASE_EDGES},
        {"a closed mesh in one group",
         "g all\n" + kCubeObj.substr(0, kCubeObj.find("g sides")) +
             "f 1 2 4 3\nf 3 4 6 5\nf 5 6 8 7\nf 7 8 2 1\n"
             "f 2 8 6 4\nf 7 1 3 5\n",
         scene, TESSARYN_NO_CREASE_EDGES},
        {"only smoothing groups, read for groups", "s 1\nf 1 2 3\ns 2\nf 3 4 1\n", scene,
         TESSARYN_NO_CREASE_EDGES},
        {"no placeholder", kCubeObj, "\tsetAttr -s 12 \".ed[0:11]\"\n" + kCubeEdges + "\n",
         TESSARYN_NO_PLACEHOLDER},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Outcome run = runCreases(row.obj, row.scene);
        EXPECT_EQ(run.code, row.code);
        EXPECT_EQ(run.scene, row.scene);
    }
}

TEST(GetCreases, ASecondRunFindsNoPlaceholder) {
    TempFolder folder;
    writeFile(folder / "mesh.obj", kCubeObj);
    writeFile(folder / "mesh.ma", lfLines(sceneLines(kCubeEdges)));
    ASSERT_EQ(call("GetCreases", (folder / "mesh.obj").c_str(), 0, folder / "mesh.ma"), 2.0f);
    std::string once = readFile(folder / "mesh.ma");
    EXPECT_EQ(call("GetCreases", (folder / "mesh.obj").c_str(), 0, folder / "mesh.ma"),
              TESSARYN_NO_PLACEHOLDER);
    EXPECT_EQ(readFile(folder / "mesh.ma"), once);
}

// An open square of two triangles, as the OBJ face under test; the scene lists the
// square's edges in a known order.
struct FaceRow {
    const char* what;
    std::string obj;
    double number;
    std::vector<int> creases;  // scene edge numbers; empty: -4
    float code;
};

TEST(GetCreases, GroupsFacesAndCornersAsWritten) {
    // Scene edges: 0 "0 1", 1 "1 2", 2 "0 2", 3 "2 3", 4 "0 3", 5 "1 3".
    const std::vector<std::string> scene = sceneLines("0 1 0 1 2 0 0 2 0 2 3 0 0 3 0 1 3 0");
    const FaceRow rows[] = {
        {"open square of two triangles", "g a\nf 1 2 3\nf 1 3 4\n", 0, {0, 1, 3, 4}, 1},
        {"face order and direction do not matter", "g a\nf 4 3 1\nf 3 2 1\n", 0, {0, 1, 3, 4}, 1},
        {"corner forms", "g a\nf 1/1/1 2//2 3/3\nf 1 3/9 4/1/1\n", 0, {0, 1, 3, 4}, 1},
        {"faces before the first group line join it",
         "f 1 2 3\ng a\nf 1 3 4\n",
         0,
         {0, 1, 3, 4},
         1},
        {"two groups: the diagonal is a border",
         "g a\nf 1 2 3\ng b\nf 1 3 4\n",
         0,
         {0, 1, 2, 3, 4},
         2},
        {"a repeated group line continues the group",
         "g a\nf 1 2 3\ng b\ng a\nf 1 3 4\n",
         0,
         {0, 1, 3, 4},
         2},
        {"a trailing blank makes another group",
         "g a\nf 1 2 3\ng a \nf 1 3 4\n",
         0,
         {0, 1, 2, 3, 4},
         2},
        {"smoothing groups with a number of 1",
         "g a\ns 1\nf 1 2 3\ns off\nf 1 3 4\n",
         1.0,
         {0, 1, 2, 3, 4},
         2},
        {"group lines ignored in smoothing mode",
         "s 1\ng a\nf 1 2 3\ng b\nf 1 3 4\n",
         1.0,
         {0, 1, 3, 4},
         1},
        {"a trailing word ends the corners", "g a\nf 1 2 3 x 4\n", 0, {0, 1, 2}, 1},
        {"3-4 reads as 3 and -4", "g a\nf 1 2 3-4\n", 0, {0, 1}, 1},
        {"a face with no corner is ignored", "g a\nf\nf x\nf 1 2 3\n", 0, {0, 1, 2}, 1},
        {"tab separated corners", "g a\nf\t1\t2\t3\n", 0, {0, 1, 2}, 1},
        {"an overflowing corner ends the face", "g a\nf 1 2 3 2147483648 4\n", 0, {0, 1, 2}, 1},
        {"CR LF lines", "g a\r\nf 1 2 3\r\nf 1 3 4\r\n", 0, {0, 1, 3, 4}, 1},
    };
    for (const FaceRow& row : rows) {
        SCOPED_TRACE(row.what);
        Outcome run = runCreases(row.obj, lfLines(scene), row.number);
        EXPECT_EQ(run.code, row.code);
        EXPECT_EQ(run.scene, rewritten(scene, 4, row.creases));
    }
}

TEST(GetCreases, TheOptionFlagIsTheTruncatedNumberAboveZero) {
    // Groups give one crease set, smoothing groups another.
    const std::vector<std::string> scene = sceneLines("0 1 0 1 2 0 0 2 0 2 3 0 0 3 0 1 3 0");
    const std::string obj = "g a\ns 1\nf 1 2 3\ns 2\nf 1 3 4\n";
    struct Row {
        double number;
        float code;
    } rows[] = {
        {0.0, 1},
        {0.5, 1},
        {0.999, 1},
        {-2.0, 1},
        {3.0e9, 1},
        {2147483648.0, 1},
        {-std::numeric_limits<double>::infinity(), 1},
        {std::numeric_limits<double>::quiet_NaN(), 1},
        {1.0, 2},
        {2.7, 2},
        {2147483647.0, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.number);
        EXPECT_EQ(runCreases(obj, lfLines(scene), row.number).code, row.code);
    }
}

struct SceneRow {
    const char* what;
    std::vector<std::string> scene;
    std::size_t placeholder;   // where the crease statement goes
    std::vector<int> creases;  // scene edge numbers expected
};

TEST(GetCreases, NumbersSceneEdgesInTheOrderTheSceneListsThem) {
    // The OBJ's crease edges: the border of the open square 1 2 3 4, that is the 0-based
    // edges 0 1, 1 2, 2 3 and 0 3.
    const std::string obj = "g a\nf 1 2 3\nf 1 3 4\n";
    const std::string ph = kPlaceholder;
    const SceneRow rows[] = {
        {"indices in ascending numeric order",
         {"setAttr -s 12 \".ed\";", "\".ed[0:11]\"",
          "5 6 0 5 7 0 5 8 0 5 9 0 6 7 0 6 8 0 6 9 0 7 8 0 7 9 0 2 3 0 0 3 0 1 2 0 0 1 0", ph, ";"},
         3,
         {9, 10, 11, 12}},
        {"a repeated edge keeps its first number and still counts",
         {"setAttr -s 9 \".ed\"", ".ed[0:8]", "0 1 0 5 6 0 0 1 0 1 2 0 2 3 0 0 3 0", ph, ";"},
         3,
         {0, 3, 4, 5}},
        {"blocks before the last edge-count line are not numbered",
         {"setAttr -s 4 \".ed[0:3]\"", "0 1 0 1 2 0 2 3 0 0 3 0", "setAttr -s 4 \".ed[0:3]\"",
          "9 9 0 1 2 0 2 3 0 0 3 0", ph, ";"},
         4,
         {1, 2, 3}},
        {"without an edge-count line blocks count from the first line",
         {"\".ed[0:3]\"", "1 2 0 0 1 0", "x", "\".ed[4:5]\"", "2 3 0 0 3 0", ph, ";"},
         5,
         {0, 1, 2, 3}},
        {"numbers on the block line itself are not read",
         {"setAttr -s 4 \".ed[0:3]\" 0 1 0", "2 3 0 0 3 0", ph, ";"},
         2,
         {0, 1}},
        {"a semicolon right after the last number",
         {"setAttr -s 2 \".ed[0:1]\"", "0 1 0 2 3 0;", ph, ";"},
         2,
         {0, 1}},
        {"a block whose next line holds no integer adds nothing",
         {"setAttr -s 2 \".ed[0:1]\"", "x 0 1 0", "\".ed[0:1]\"", "1 2 0 0 3 0", ph, ";"},
         4,
         {0, 1}},
        {"an edge written larger vertex first matches nothing",
         {"setAttr -s 2 \".ed[0:1]\"", "1 0 0 3 2 0 1 2 0 3 0 0", ph, ";"},
         2,
         {2}},
        {"signs, tabs and leading zeros read as a stream reads them",
         {"setAttr -s 3 \".ed[0:2]\"", "+0\t1 0 0000000002 3 0 -1 2 0 0 3 99999999999", ph},
         2,
         {0, 1}},
        {"an incomplete last triple is ignored",
         {"setAttr -s 2 \".ed[0:1]\"", "1 2 0 0 1", ph, ";"},
         2,
         {0}},
        {"the placeholder as the last line", {"setAttr -s 1 \".ed[0]\"", "0 1 0", ph}, 2, {0}},
        {"only the last of several placeholders is replaced",
         {ph, "keep", "setAttr -s 1 \".ed[0]\"", "0 1 0", ph, "drop", "after"},
         4,
         {0}},
        {"an edge block as the last line", {ph, ";", "setAttr -s 1 \".ed[0]\""}, 0, {}},
    };
    for (const SceneRow& row : rows) {
        SCOPED_TRACE(row.what);
        Outcome run = runCreases(obj, lfLines(row.scene));
        EXPECT_EQ(run.code, 1.0f);
        EXPECT_EQ(run.scene, rewritten(row.scene, row.placeholder, row.creases));
    }
}

TEST(GetCreases, KeepsEveryOtherByteOfTheScene) {
    // CR LF and LF lines, a lone CR, trailing blanks and no final line break all survive;
    // every line break written is CR LF.
    const std::string scene =
        "a \r\nb\rc\n\tsetAttr -s 1 \".ed[0]\"\r\n0 1 0\n" + kPlaceholder + "\r\n;\r\n\r\nlast";
    Outcome run = runCreases("g a\nf 1 2 3\n", scene);
    EXPECT_EQ(run.code, 1.0f);
    EXPECT_EQ(run.scene, crlfLines({"a ", "b\rc", "\tsetAttr -s 1 \".ed[0]\"", "0 1 0",
                                    creaseLines({0})[0], creaseLines({0})[1], "", "last"}));
}

TEST(GetCreases, GroupLimit) {
    const std::vector<std::string> scene = sceneLines("0 1 0");
    for (int groups : {8191, 8192}) {
        SCOPED_TRACE(groups);
        std::string obj = "f 1 2 3\n";
        for (int i = 0; i < groups; ++i) obj += "g group" + std::to_string(i) + "\n";
        Outcome run = runCreases(obj, lfLines(scene));
        if (groups == 8191) {
            EXPECT_EQ(run.code, 8191.0f);
            EXPECT_EQ(run.scene, rewritten(scene, 4, {0}));
        } else {
            EXPECT_EQ(run.code, TESSARYN_TOO_MANY_GROUPS);
            EXPECT_EQ(run.scene, lfLines(scene));
        }
    }
}

TEST(GetCreases, ArgumentsAndFilesThatCannotBeUsed) {
    TempFolder folder;
    const std::string scene = lfLines(sceneLines(kCubeEdges));
    writeFile(folder / "mesh.obj", kCubeObj);
    writeFile(folder / "mesh.ma", scene);
    const std::string obj = folder / "mesh.obj";
    std::string sceneBuffer = folder / "mesh.ma";
    EXPECT_EQ(testing_support::command("GetCreases")(nullptr, 0, &sceneBuffer[0], 0),
              TESSARYN_CREASE_ARGUMENT_ABSENT);
    EXPECT_EQ(testing_support::command("GetCreases")(obj.c_str(), 0, nullptr, 0),
              TESSARYN_CREASE_ARGUMENT_ABSENT);
    EXPECT_EQ(call("GetCreases", (folder / "missing.obj").c_str(), 0, folder / "mesh.ma"),
              TESSARYN_FAILED);
    EXPECT_EQ(call("GetCreases", folder.path().c_str(), 0, folder / "mesh.ma"), TESSARYN_FAILED);
    EXPECT_EQ(call("GetCreases", obj.c_str(), 0, folder / "missing.ma"), TESSARYN_FAILED);
    testing_support::setReadOnly(folder / "mesh.ma", true);
    EXPECT_EQ(call("GetCreases", obj.c_str(), 0, folder / "mesh.ma"), TESSARYN_CANNOT_WRITE);
    EXPECT_EQ(readFile(folder / "mesh.ma"), scene);
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"mesh.ma", "mesh.obj"}));
}

// A real scene prepared as input: the edge list of every ".ed[" statement rewritten as
// one data line behind its statement line, smaller vertex first, and the last ".cd"
// statement replaced by the placeholder pair.
std::vector<std::string> preparedRealScene(const std::string& text, std::size_t& placeholder) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t stop = text.find('\n', start);
        lines.push_back(text.substr(start, stop - start));
        start = stop + 1;
    }
    std::vector<std::string> out;
    std::size_t lastCd = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        std::size_t block = line.find(".ed[");
        if (block == std::string::npos) {
            if (line.find("setAttr \".cd\"") != std::string::npos) lastCd = out.size();
            out.push_back(line);
            continue;
        }
        std::size_t quote = line.find('"', block);
        out.push_back(line.substr(0, quote + 1));
        std::string numbers = line.substr(quote + 1);
        while (numbers.find(';') == std::string::npos) numbers += " " + lines[++i];
        std::istringstream in(numbers.substr(0, numbers.find(';')));
        std::string data;
        int a = 0, b = 0, c = 0;
        while (in >> a >> b >> c) {
            data += " " + std::to_string(std::min(a, b)) + " " + std::to_string(std::max(a, b)) +
                    " " + std::to_string(c);
        }
        out.push_back(data + ";");
    }
    // The ".cd" statement runs to its semicolon; the placeholder pair takes its place.
    std::size_t end = lastCd;
    while (out[end].find(';') == std::string::npos) ++end;
    out.erase(out.begin() + static_cast<long>(lastCd), out.begin() + static_cast<long>(end) + 1);
    out.insert(out.begin() + static_cast<long>(lastCd), {kPlaceholder, "\t\t;"});
    placeholder = lastCd;
    return out;
}

TEST(GetCreases, RealSceneAndRealObj) {
    std::size_t placeholder = 0;
    std::vector<std::string> scene = preparedRealScene(
        readFile(testing_support::realDataPath("mayausd__UsdExportMeshTest.ma")), placeholder);
    const std::string obj =
        readFile(testing_support::realDataPath("tinyobj__issue-162-smoothing-group.obj"));
    // Smoothing groups: one per cube side, so all twelve cube edges are creases.
    Outcome smooth = runCreases(obj, lfLines(scene), 1.0);
    EXPECT_EQ(smooth.code, 6.0f);
    EXPECT_EQ(smooth.scene, rewritten(scene, placeholder, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
    // Groups: the front side (vertices 0 1 2 3) against the rest.
    Outcome groups = runCreases(obj, lfLines(scene), 0.0);
    EXPECT_EQ(groups.code, 2.0f);
    EXPECT_EQ(groups.scene, rewritten(scene, placeholder, {0, 1, 2, 3}));
}

}  // namespace
