// Runs on one file take turns: the lock the tool takes on a file it replaces, in-process
// (every platform), and many runs of the built tool on one scene at once (POSIX shells).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#if !defined(_WIN32)
#include <unistd.h>
#endif

#include "base/file_lock.h"
#include "base/file_system.h"
#include "support.h"

namespace {

namespace fs = std::filesystem;
using tessaryn::FileLock;
using tessaryn::LockOutcome;
using testing_support::fileExists;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST(FileLock, ASecondTakerWaitsItsTimeThenGetsItOnceLetGo) {
    TempFolder folder;
    const std::string scene = folder / "scene.usda";  // not there yet: a new output
    FileLock first;
    ASSERT_EQ(first.take(scene, 0), LockOutcome::Taken);
    EXPECT_EQ(fs::path(first.lockPath()).filename().string(), ".scene.usda.tessaryn-lock");
    EXPECT_FALSE(fileExists(scene));

    FileLock second;
    EXPECT_EQ(second.take(scene, 0), LockOutcome::Busy);
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(second.take(scene, 0.2), LockOutcome::Busy);
    EXPECT_GE(secondsSince(start), 0.2);
    EXPECT_FALSE(second.held());

    first.release();
    EXPECT_EQ(second.take(scene, 0), LockOutcome::Taken);
    second.release();
#if !defined(_WIN32)
    EXPECT_EQ(folder.entries(), std::vector<std::string>{});  // nothing left behind
#endif
}

TEST(FileLock, EverySpellingOfOneFileTakesOneLock) {
    TempFolder folder;
    testing_support::makeFolder(folder / "sub");
    writeFile(folder / "scene.ma", "//Maya ASCII\n");
    std::vector<std::string> spellings = {folder / "scene.ma", folder / "sub/../scene.ma",
                                          folder / "./scene.ma"};
#if !defined(_WIN32)
    fs::create_symlink(folder / "scene.ma", folder / "sub/link.ma");
    spellings.push_back(folder / "sub/link.ma");
#endif
    FileLock held;
    ASSERT_EQ(held.take(spellings[0], 0), LockOutcome::Taken);
    for (const std::string& spelling : spellings) {
        SCOPED_TRACE(spelling);
        EXPECT_EQ(tessaryn::lockFileFor(spelling), held.lockPath());
        FileLock other;
        EXPECT_EQ(other.take(spelling, 0), LockOutcome::Busy);
    }
    FileLock elsewhere;
    EXPECT_EQ(elsewhere.take(folder / "other.ma", 0), LockOutcome::Taken);
}

#if !defined(_WIN32)
// A waiter that opened the lock file before its holder deleted it must not keep a lock on
// the deleted file: a third taker, finding the name free, would then take it too.
TEST(FileLock, AWaiterOnADeletedLockFileTakesTheOneTheNameHolds) {
    TempFolder folder;
    const std::string scene = folder / "scene.usda";
    FileLock first;
    ASSERT_EQ(first.take(scene, 0), LockOutcome::Taken);
    FileLock second;
    LockOutcome secondGot = LockOutcome::Failed;
    std::thread waiter([&] { secondGot = second.take(scene, 5); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the waiter has opened it
    first.release();
    waiter.join();
    ASSERT_EQ(secondGot, LockOutcome::Taken);
    FileLock third;
    EXPECT_EQ(third.take(scene, 0), LockOutcome::Busy);
}

TEST(FileLock, AFolderThatTakesNoFileHasNoLock) {
    TempFolder folder;
    FileLock lock;
    EXPECT_EQ(lock.take(folder / "missing/scene.ma", 0), LockOutcome::NoLockFile);
    EXPECT_FALSE(lock.held());
}
#endif

TEST(SameFile, ComparesFilesNotSpellings) {
    TempFolder folder;
    testing_support::makeFolder(folder / "sub");
    writeFile(folder / "a.obj", "v 0 0 0\n");
    writeFile(folder / "b.obj", "v 0 0 0\n");
    struct Row {
        std::string first;
        std::string second;
        bool same;
    };
    std::vector<Row> rows = {
        {folder / "a.obj", folder / "a.obj", true},
        {folder / "a.obj", folder / "sub/../a.obj", true},
        {folder / "a.obj", folder / "b.obj", false},  // the same bytes, another file
        {folder / "a.obj", folder / "missing.obj", false},
        {folder / "missing.obj", folder / "missing.obj", false},
    };
#if !defined(_WIN32)
    fs::create_symlink(folder / "a.obj", folder / "sub/link.obj");
    fs::create_hard_link(folder / "a.obj", folder / "sub/hard.obj");
    rows.push_back({folder / "a.obj", folder / "sub/link.obj", true});
    rows.push_back({folder / "sub/hard.obj", folder / "sub/link.obj", true});
#endif
    for (const Row& row : rows) {
        SCOPED_TRACE(row.first + " and " + row.second);
        EXPECT_EQ(tessaryn::sameFile(row.first, row.second), row.same);
    }
}

#if !defined(_WIN32)

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string quoted(const std::string& word) {
    std::string text = "'";
    for (char c : word) text += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return text + "'";
}

// Starts one run of the tool for each entry of `arguments`, all at once, and waits for all.
std::vector<ToolRun> runAtOnce(const std::vector<std::string>& arguments) {
    TempFolder scratch;
    std::string script;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string run = scratch / std::to_string(i);
        script += "( " + std::string(TESSARYN_TOOL_COMMAND) + " --library " +
                  quoted(TESSARYN_LIBRARY_PATH) + " " + arguments[i] + " </dev/null >" +
                  quoted(run + ".out") + " 2>" + quoted(run + ".err") + "; echo $? >" +
                  quoted(run + ".status") + " ) &\n";
    }
    script += "wait\n";
    writeFile(scratch / "runs.sh", script);
    EXPECT_EQ(std::system(("sh " + quoted(scratch / "runs.sh")).c_str()), 0);
    std::vector<ToolRun> runs(arguments.size());
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const std::string run = scratch / std::to_string(i);
        runs[i].status = std::atoi(readFile(run + ".status").c_str());
        runs[i].out = readFile(run + ".out");
        runs[i].err = readFile(run + ".err");
    }
    return runs;
}

ToolRun runOnce(const std::string& arguments) {
    return runAtOnce({arguments})[0];
}

// A cube: eight points, six quads, numbered alike in the OBJ and the scenes.
const char* const kCubePoints[] = {"0 0 1", "1 0 1", "0 1 1", "1 1 1",
                                   "0 1 0", "1 1 0", "0 0 0", "1 0 0"};
const int kCubeFaces[6][4] = {{0, 1, 3, 2}, {2, 3, 5, 4}, {4, 5, 7, 6},
                              {6, 7, 1, 0}, {1, 7, 5, 3}, {6, 0, 2, 4}};
const char* const kCubeEdges =
    "0 1 0 1 3 0 3 2 0 2 0 0 3 5 0 5 4 0 4 2 0 5 7 0 7 6 0 6 4 0 7 1 0 6 0 0";

// The cube with face `face` in a group of its own, and face `other` (when not -1) in a
// second one: each run's OBJ borders other edges.
std::string cubeObj(int face, int other) {
    std::string obj;
    for (const char* point : kCubePoints) obj += std::string("v ") + point + "\n";
    for (int f = 0; f < 6; ++f) {
        obj += f == face ? "g own\n" : f == other ? "g second\n" : "g rest\n";
        obj += "f";
        for (int corner : kCubeFaces[f]) obj += " " + std::to_string(corner + 1);
        obj += "\n";
    }
    return obj;
}

std::string usdLayer(int meshes) {
    std::string counts = "[4, 4, 4, 4, 4, 4]";
    std::string indices;
    for (const auto& face : kCubeFaces) {
        for (int corner : face) indices += (indices.empty() ? "" : ", ") + std::to_string(corner);
    }
    std::string points;
    for (const char* point : kCubePoints) {
        std::string tuple = point;
        for (char& c : tuple) c = c == ' ' ? ',' : c;
        points += (points.empty() ? "(" : ", (") + tuple + ")";
    }
    std::string layer = "#usda 1.0\n\ndef Xform \"root\"\n{\n";
    for (int i = 0; i < meshes; ++i) {
        layer += "    def Mesh \"m" + std::to_string(i) + "\"\n    {\n" +
                 "        int[] faceVertexCounts = " + counts + "\n" +
                 "        int[] faceVertexIndices = [" + indices + "]\n" +
                 "        point3f[] points = [" + points + "]\n    }\n";
    }
    return layer + "}\n";
}

std::string mayaScene(int meshes) {
    std::string scene = "//Maya ASCII 2022 scene\n";
    std::string vertices;
    for (const char* point : kCubePoints) vertices += std::string(" ") + point;
    for (int i = 0; i < meshes; ++i) {
        const std::string name = "m" + std::to_string(i);
        scene += "createNode transform -n \"t" + name + "\";\n";
        scene += "createNode mesh -n \"" + name + "\" -p \"t" + name + "\";\n";
        scene += "\tsetAttr -s 8 \".vt[0:7]\"" + vertices + ";\n";
        scene += "\tsetAttr -s 12 \".ed[0:11]\" " + std::string(kCubeEdges) + ";\n";
    }
    return scene;
}

struct SceneKind {
    const char* name;
    const char* file;
    std::string (*make)(int meshes);
    // Each run gives its prim its creases in one override layer of the scene instead.
    bool over = false;
};

void PrintTo(const SceneKind& kind, std::ostream* out) {
    *out << kind.name;
}

class RunsAtOnce : public testing::TestWithParam<SceneKind> {};

// Twenty runs at once on one scene (or one override layer of it), each on its own node:
// every run's creases are there at the end, byte for byte as the same runs one after
// another leave the file.
TEST_P(RunsAtOnce, OnOneSceneAllLeaveTheirCreases) {
    constexpr int kMeshes = 20;
    const SceneKind& kind = GetParam();
    TempFolder folder;
    const std::string scene = folder / kind.file;
    writeFile(scene, kind.make(kMeshes));
    // The file the runs change: the scene itself, or the override layer.
    const std::string together = kind.over ? folder / "shot.usda" : scene;
    const std::string inTurn =
        kind.over ? folder / "in-turn-shot.usda" : folder / (std::string("in-turn-") + kind.file);
    if (!kind.over) writeFile(inTurn, kind.make(kMeshes));
    std::vector<std::string> atOnce;
    for (int i = 0; i < kMeshes; ++i) {
        const std::string obj = folder / ("m" + std::to_string(i) + ".obj");
        writeFile(obj, cubeObj(i % 6, i < 6 ? -1 : (i + 2) % 6));
        const std::string node = " --node m" + std::to_string(i);
        const std::string into = kind.over ? quoted(scene) + " --over " : std::string();
        atOnce.push_back("creases " + quoted(obj) + " " + into + quoted(together) + node);
        const ToolRun alone = runOnce("creases " + quoted(obj) + " " + into + quoted(inTurn) + node);
        ASSERT_EQ(alone.status, 0) << alone.err;
    }
    for (const ToolRun& run : runAtOnce(atOnce)) EXPECT_EQ(run.status, 0) << run.err;
    const std::string expected = readFile(inTurn);
    const std::string got = readFile(together);
    if (kind.over) {
        // The prims join the override layer in the order the runs took their turns: each
        // prim's block is the one the runs in turn wrote.
        EXPECT_EQ(got.size(), expected.size());
        for (int i = 0; i < kMeshes; ++i) {
            const std::size_t at = expected.find("    over \"m" + std::to_string(i) + "\"\n");
            ASSERT_NE(at, std::string::npos);
            const std::string block = expected.substr(at, expected.find("    }\n", at) + 6 - at);
            EXPECT_NE(got.find(block), std::string::npos) << block;
        }
    } else {
        EXPECT_EQ(got, expected);
    }
    EXPECT_NE(expected, kind.make(kMeshes));
    // No lock or temporary file left: the scene (and layer), their in-turn twins, the OBJs.
    EXPECT_EQ(folder.entries().size(), kMeshes + (kind.over ? 3u : 2u));
}

INSTANTIATE_TEST_SUITE_P(ToolLock, RunsAtOnce,
                         testing::Values(SceneKind{"usd", "scene.usda", usdLayer},
                                         SceneKind{"maya", "scene.ma", mayaScene},
                                         SceneKind{"over", "scene.usda", usdLayer, true}),
                         [](const testing::TestParamInfo<SceneKind>& kindInfo) {
                             return std::string(kindInfo.param.name);
                         });

// Two runs on one node at once: the scene ends as one of them alone leaves it, never a mix
// or the other's read of a scene the first has replaced.
TEST(ToolLock, TwoRunsOnOneNodeLeaveOneOfTheirResults) {
    TempFolder folder;
    const std::string layer = folder / "scene.usda";
    const std::string objs[2] = {folder / "a.obj", folder / "b.obj"};
    writeFile(objs[0], cubeObj(0, -1));
    writeFile(objs[1], cubeObj(1, 4));
    std::string alone[2];
    for (int i = 0; i < 2; ++i) {
        writeFile(layer, usdLayer(2));
        ASSERT_EQ(runOnce("creases " + quoted(objs[i]) + " " + quoted(layer) + " --prim m1").status,
                  0);
        alone[i] = readFile(layer);
    }
    ASSERT_NE(alone[0], alone[1]);
    for (int round = 0; round < 3; ++round) {
        writeFile(layer, usdLayer(2));
        const std::vector<ToolRun> runs =
            runAtOnce({"creases " + quoted(objs[0]) + " " + quoted(layer) + " --prim m1",
                       "creases " + quoted(objs[1]) + " " + quoted(layer) + " --prim m1"});
        for (const ToolRun& run : runs) EXPECT_EQ(run.status, 0) << run.err;
        const std::string result = readFile(layer);
        EXPECT_TRUE(result == alone[0] || result == alone[1]) << result;
    }
}

// While the test holds the lock of the file a run would replace, the run waits its --wait,
// then is refused busy with nothing changed; a dry run writes nothing and does not wait.
TEST(ToolLock, ARunThatWaitsTooLongIsRefusedBusy) {
    TempFolder folder;
    const std::string obj = folder / "cube.obj";
    const std::string layer = folder / "scene.usda";
    const std::string out = folder / "out.usda";
    const std::string fresh = folder / "fresh.usda";
    writeFile(obj, cubeObj(0, -1));
    writeFile(layer, usdLayer(1));
    writeFile(out, "old");
    const std::string files = quoted(obj) + " " + quoted(layer);
    struct Row {
        std::string arguments;
        std::string held;  // the file whose lock the test holds
        double waited;     // at least, in seconds
    };
    const Row rows[] = {
        {files + " --wait 0", layer, 0},
        {files + " --wait 0.3", layer, 0.3},
        {files + " -o " + quoted(out) + " --wait 0", out, 0},
        {files + " --over " + quoted(fresh) + " --wait 0", fresh, 0},  // not there yet
        {files + " -o " + quoted(folder / "./out.usda") + " --wait 0", out, 0},
    };
    const std::vector<std::string> before = folder.entries();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments);
        FileLock held;
        ASSERT_EQ(held.take(row.held, 0), LockOutcome::Taken);
        const Clock::time_point start = Clock::now();
        const ToolRun run = runOnce("creases " + row.arguments + " --json");
        EXPECT_GE(secondsSince(start), row.waited);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.out.find("\"refusal\": \"busy\""), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("\"format\": null"), std::string::npos) << run.out;
        EXPECT_NE(run.err.find(" is busy: another run kept it for the whole wait of "),
                  std::string::npos)
            << run.err;
        EXPECT_EQ(readFile(layer), usdLayer(1));
        EXPECT_EQ(readFile(out), "old");
        held.release();
        EXPECT_EQ(folder.entries(), before);
    }
    FileLock held;
    ASSERT_EQ(held.take(layer, 0), LockOutcome::Taken);
    const ToolRun dry = runOnce("creases " + files + " --dry-run --wait 0");
    EXPECT_EQ(dry.status, 0) << dry.err;
}

// A run that waits gets the file once the holder lets it go, and writes.
TEST(ToolLock, AWaitingRunWritesOnceTheLockIsLetGo) {
    TempFolder folder;
    const std::string obj = folder / "cube.obj";
    const std::string layer = folder / "scene.usda";
    writeFile(obj, cubeObj(0, -1));
    writeFile(layer, usdLayer(1));
    FileLock held;
    ASSERT_EQ(held.take(layer, 0), LockOutcome::Taken);
    std::thread letGo([&held] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        held.release();
    });
    const Clock::time_point start = Clock::now();
    const ToolRun run = runOnce("creases " + quoted(obj) + " " + quoted(layer) + " --wait 10");
    letGo.join();
    EXPECT_GE(secondsSince(start), 0.3);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(readFile(layer).find("creaseIndices"), std::string::npos);
}

TEST(ToolLock, WaitTakesSecondsOfZeroOrMore) {
    TempFolder folder;
    for (const char* wrong : {"-1", "x", "1.", ".5", "1e3", "12345678", "0x10"}) {
        SCOPED_TRACE(wrong);
        const ToolRun run = runOnce("creases a.obj b.ma --wait " + quoted(wrong) + " --json");
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find("--wait needs a number of seconds of 0 or more"),
                  std::string::npos)
            << run.err;
        EXPECT_NE(run.out.find("\"refusal\": \"misuse\""), std::string::npos) << run.out;
    }
}

#endif

}  // namespace
