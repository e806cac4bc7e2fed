// SmoothtoGroupOBJ and SwapVertices through the built library, on real files in a
// temporary folder, compared byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support.h"

using testing_support::call;
using testing_support::crlfLines;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

namespace {

const std::string kSmoothHeader = "# Exported from Tessaryn plugin test version";
const std::string kSwapHeader = "# written by Gimbalist plugin for Modelvex";

std::string smoothed(const std::string& input, float expectedCode = TESSARYN_OK) {
    testing_support::FileCall done =
        testing_support::callOnFiles("SmoothtoGroupOBJ", input, std::nullopt);
    EXPECT_EQ(done.code, expectedCode);
    return done.buffer;
}

TEST(SmoothtoGroupOBJ, RewritesLineByLine) {
    const std::string s300 = std::string(300, 'x');
    struct Row {
        const char* what;
        std::string input;
        std::vector<std::string> output;  // without the header line
    } rows[] = {
        {"an empty file", "", {}},
        {"a last line without LF", "f 1 2 3", {"f 1 2 3"}},
        {"positions kept, other v lines dropped",
         "v 1 2 3\nvt 0 0\nvn 0 0 1\nvp 1\nv\nv\t1 2 3\nV 1\n",
         {"v 1 2 3", "V 1"}},
        {"groups become comments", "g name\ng\ngroup x\n", {"# name", "#", "#roup x"}},
        {"smoothing groups become groups", "s 1\ns off\ns\nsx\n", {"g  1", "g  off", "g ", "g x"}},
        {"256 characters behind the s at most", "s" + s300 + "\n", {"g " + s300.substr(0, 256)}},
        {"other lines pass unchanged",
         "# c\n\n f 1\n\tg\nusemtl m\nf 1/2 3/4 5/6\n",
         {"# c", "", " f 1", "\tg", "usemtl m", "f 1/2 3/4 5/6"}},
        {"CR LF and a lone CR", "g a\r\ns 1\r\nx\ry\r\n", {"# a", "g  1", "x\ry"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<std::string> lines = {kSmoothHeader};
        lines.insert(lines.end(), row.output.begin(), row.output.end());
        EXPECT_EQ(smoothed(row.input), crlfLines(lines));
    }
}

TEST(SmoothtoGroupOBJ, InPlaceAndOverItsOwnOutput) {
    TempFolder folder;
    const std::string path = folder / "mesh.obj";
    writeFile(path, "g a\ns 1\nf 1 2 3\n");
    ASSERT_EQ(call("SmoothtoGroupOBJ", path.c_str(), 0, path), TESSARYN_OK);
    EXPECT_EQ(readFile(path), crlfLines({kSmoothHeader, "# a", "g  1", "f 1 2 3"}));
    ASSERT_EQ(call("SmoothtoGroupOBJ", path.c_str(), 0, path), TESSARYN_OK);
    EXPECT_EQ(readFile(path), crlfLines({kSmoothHeader, kSmoothHeader, "# a", "#  1", "f 1 2 3"}));
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"mesh.obj"});
}

TEST(SmoothtoGroupOBJ, FailuresChangeNothing) {
    TempFolder folder;
    writeFile(folder / "in.obj", "s 1\n");
    writeFile(folder / "locked.obj", "keep");
    testing_support::setReadOnly(folder / "locked.obj", true);
    const std::string in = folder / "in.obj";
    std::string out = folder / "out.obj";
    auto command = testing_support::command("SmoothtoGroupOBJ");
    EXPECT_EQ(command(nullptr, 0, &out[0], 0), TESSARYN_ARGUMENT_ABSENT);
    EXPECT_EQ(command(in.c_str(), 0, nullptr, 0), TESSARYN_ARGUMENT_ABSENT);
    EXPECT_EQ(call("SmoothtoGroupOBJ", (folder / "missing.obj").c_str(), 0, out), TESSARYN_FAILED);
    EXPECT_EQ(call("SmoothtoGroupOBJ", folder.path().c_str(), 0, out), TESSARYN_FAILED);
    EXPECT_EQ(call("SmoothtoGroupOBJ", in.c_str(), 0, folder / "locked.obj"),
              TESSARYN_CANNOT_WRITE);
    EXPECT_EQ(call("SmoothtoGroupOBJ", in.c_str(), 0, folder / "no/folder.obj"),
              TESSARYN_CANNOT_WRITE);
    EXPECT_EQ(call("SmoothtoGroupOBJ", in.c_str(), 0, folder.path()), TESSARYN_CANNOT_WRITE);
    EXPECT_EQ(readFile(folder / "locked.obj"), "keep");
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"in.obj", "locked.obj"}));
}

TEST(SmoothtoGroupOBJ, RealObj) {
    std::string out =
        smoothed(readFile(testing_support::realDataPath("tinyobj__issue-162-smoothing-group.obj")));
    for (const char* line : {"\r\n# test1\r\n", "\r\ng  1\r\n", "\r\ng  off\r\n", "\r\ng  0\r\n",
                             "\r\nf 1/1/1 2/2/1 3/3/1\r\n", "\r\nusemtl test2\r\n"}) {
        EXPECT_NE(out.find(line), std::string::npos) << line;
    }
    EXPECT_EQ(out.find("\r\nvt "), std::string::npos);
    EXPECT_EQ(out.find("\r\nvn "), std::string::npos);
}

struct SwapRun {
    float code;
    std::string target;
};

SwapRun swap(const std::string& source, const std::string& target) {
    testing_support::FileCall done = testing_support::callOnFiles("SwapVertices", source, target);
    EXPECT_EQ(done.text, source);
    EXPECT_EQ(done.entries, (std::vector<std::string>{"buffer", "text"}));
    return {done.code, done.buffer};
}

TEST(SwapVertices, PositionsGoToTheTopInSourceOrder) {
    struct Row {
        const char* what;
        std::string source;
        std::string target;
        std::vector<std::string> output;  // without the header line
    } rows[] = {
        {"positions spread among other lines",
         "v 1 1 1\n# x\nv 2 2 2\nf 9\n",
         "g a\nv 0 0 0\nvt 0 0\nv 0 0 0\nf 1 2 3",
         {"v 1 1 1", "v 2 2 2", "g a", "vt 0 0", "f 1 2 3"}},
        {"comments and an old header go",
         "v 1 1 1\n",
         "# written by Gimbalist plugin for Modelvex\n"
         "#c\nv 0 0 0\nf 1\n",
         {"v 1 1 1", "f 1"}},
        {"empty target lines stay, empty source lines do not",
         "\nv 1  1\n\n",
         "\nv 0 0 0\n\nf 1\n",
         {"v 1  1", "", "", "f 1"}},
        {"v and a tab is no position in either file",
         "v\t9\nv 1 1 1\n",
         "v\t8\nv 0 0 0\n",
         {"v 1 1 1", "v\t8"}},
        {"CR LF lines", "v 1 1 1\r\n", "v 0 0 0\r\nf 1\r\n", {"v 1 1 1", "f 1"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<std::string> lines = {kSwapHeader};
        lines.insert(lines.end(), row.output.begin(), row.output.end());
        SwapRun run = swap(row.source, row.target);
        EXPECT_EQ(run.code, TESSARYN_OK);
        EXPECT_EQ(run.target, crlfLines(lines));
    }
}

TEST(SwapVertices, EachWayToSayNoLeavesTheTargetAsItWas) {
    struct Row {
        const char* what;
        std::string source;
        std::string target;
    } rows[] = {
        {"source without positions", "vt 0 0\nf 1\n", "v 0 0 0\nf 1\n"},
        {"target without positions", "v 1 1 1\n", "vt 0 0\nf 1\n"},
        {"counts differ", "v 1 1 1\nv 2 2 2\n", "v 0 0 0\nf 1\n"},
        {"target of positions and comments only", "v 1 1 1\n", "# c\nv 0 0 0\n"},
        {"empty target", "v 1 1 1\n", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        SwapRun run = swap(row.source, row.target);
        EXPECT_EQ(run.code, TESSARYN_FAILED);
        EXPECT_EQ(run.target, row.target);
    }
}

TEST(SwapVertices, ArgumentsPathsAndTwoRuns) {
    TempFolder folder;
    const std::string source = folder / "source.obj";
    const std::string target = folder / "target.obj";
    writeFile(source, "v 1 1 1\n");
    writeFile(target, "# old\nv 0 0 0\nf 1\n");
    std::string targetBuffer = target;
    auto command = testing_support::command("SwapVertices");
    EXPECT_EQ(command(nullptr, 0, &targetBuffer[0], 0), TESSARYN_ARGUMENT_ABSENT);
    EXPECT_EQ(command(source.c_str(), 0, nullptr, 0), TESSARYN_ARGUMENT_ABSENT);
    EXPECT_EQ(call("SwapVertices", (folder / "missing.obj").c_str(), 0, target), TESSARYN_FAILED);
    EXPECT_EQ(call("SwapVertices", source.c_str(), 0, folder / "missing.obj"), TESSARYN_FAILED);
    testing_support::setReadOnly(target, true);
    EXPECT_EQ(call("SwapVertices", source.c_str(), 0, target), TESSARYN_FAILED);
    EXPECT_EQ(readFile(target), "# old\nv 0 0 0\nf 1\n");
    testing_support::setReadOnly(target, false);
    EXPECT_EQ(call("SwapVertices", source.c_str(), 0, target), TESSARYN_OK);
    EXPECT_EQ(call("SwapVertices", source.c_str(), 0, target), TESSARYN_OK);
    EXPECT_EQ(readFile(target), crlfLines({kSwapHeader, "v 1 1 1", "f 1"}));
    // One file as source and target: its own positions first, its comments gone.
    writeFile(source, "# c\nf 1\nv 5 5 5\n");
    EXPECT_EQ(call("SwapVertices", source.c_str(), 0, source), TESSARYN_OK);
    EXPECT_EQ(readFile(source), crlfLines({kSwapHeader, "v 5 5 5", "f 1"}));
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"source.obj", "target.obj"}));
}

}  // namespace
