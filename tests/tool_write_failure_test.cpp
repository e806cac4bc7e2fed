// The tool's sentence when an output cannot be written names the real cause, for every
// subcommand that writes: a full disk (a small tmpfs filled up), a folder that takes no
// new file, a read-only file (root included), and a failing sync (a fault injected into
// the tool's process). The disks are mounted in a mount namespace of the test's own, so
// they vanish with it however it ends; where mounting is not allowed the case is skipped.
#include <gtest/gtest.h>

#if defined(__linux__)
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "small_disk.h"
#include "support.h"

using testing_support::readFile;
using testing_support::SmallDisk;
using testing_support::TempFolder;
using testing_support::writeFile;

namespace {

struct ToolRun {
    int status = -1;
    std::string err;
};

std::string quoted(const std::string& word) {
    std::string text = "'";
    for (char c : word) text += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return text + "'";
}

// Runs the tool with `arguments`, `environment` before it; keeps its standard error.
ToolRun runTool(const std::string& arguments, const std::string& environment = "") {
    TempFolder scratch;
    const std::string command = environment + " " + TESSARYN_TOOL_COMMAND + " --library " +
                                quoted(TESSARYN_LIBRARY_PATH) + " " + arguments +
                                " </dev/null >/dev/null 2>" + quoted(scratch / "stderr");
    ToolRun run;
    const int status = std::system(command.c_str());
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = readFile(scratch / "stderr");
    return run;
}

const std::string kObj = testing_support::realDataPath("tinyobj__issue-162-smoothing-group.obj");
const std::string kMaya = testing_support::realDataPath("mayausd__UsdExportMeshTest.ma");
const std::string kLayer =
    testing_support::realDataPath("usd/mayausd__UsdImportUVSetsTestWithCreases.usda");

// Eight positions, as many as kObj has, and a face: a target the swap rewrites.
const std::string kTarget =
    "v 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\n"
    "v 0 0 0\nf 1 2 3 4\n";

// The files every case starts from, in `folder` (which the cases make unwritable in their
// ways): a Maya scene, a host scene with the crease placeholder, a text layer and an OBJ
// target, each of which the tool changes.
struct Inputs {
    explicit Inputs(const std::string& where) : folder(where) {
        writeFile(folder + "/scene.ma", readFile(kMaya));
        writeFile(folder + "/host.ma", readFile(testing_support::examplePath("cube.ma")));
        writeFile(folder + "/layer.usda", readFile(kLayer));
        writeFile(folder + "/target.obj", kTarget);
    }
    std::string folder;
};

// One run that writes: the tool's arguments with IN for the folder of inputs and OUT for
// the folder written to.
struct WritingRun {
    const char* arguments;
    const char* output;   // the file it writes, in OUT
    bool inPlace;         // the output is one of the inputs, rewritten
    bool throughLibrary;  // written by one of the library's commands, which answer a code
};

const WritingRun kWritingRuns[] = {
    {"creases OBJ OUT/scene.ma --node creasedShape --value 0.5", "scene.ma", true, false},
    {"creases OBJ IN/scene.ma --node creasedShape --value 0.5 -o OUT/new.ma", "new.ma", false,
     false},
    {"creases --smoothing OBJ IN/layer.usda --over OUT/shot.usda", "shot.usda", false, false},
    {"creases EXAMPLE OUT/host.ma", "host.ma", true, true},
    {"vyx OBJ OUT/new.vyx", "new.vyx", false, true},
    {"smooth-to-groups OBJ OUT/new.obj", "new.obj", false, true},
    {"swap-vertices OBJ OUT/target.obj", "target.obj", true, true},
};

std::string replaced(std::string text, const std::string& word, const std::string& by) {
    for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at))
        text.replace(at, word.size(), by), at += by.size();
    return text;
}

std::string commandLine(const WritingRun& run, const std::string& in, const std::string& out) {
    std::string line = replaced(run.arguments, "OBJ", quoted(kObj));
    line = replaced(line, "EXAMPLE", quoted(testing_support::examplePath("cube.obj")));
    line = replaced(line, "IN/", quoted(in) + "/");
    return replaced(line, "OUT/", quoted(out) + "/");
}

// The files in `folder`, sorted.
std::vector<std::string> entriesOf(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Runs every writing run with OUT in `out` and checks that the sentence ends with the
// cause `cause(output)` gives for its output, then what became of the output; nothing in
// `out` changes.
template <typename Cause>
void expectEveryRunSays(const std::string& in, const std::string& out, Cause cause,
                        bool newFilesOnly = false, const std::string& environment = "") {
    const std::vector<std::string> before =
        std::filesystem::is_directory(out) ? entriesOf(out) : std::vector<std::string>();
    for (const WritingRun& run : kWritingRuns) {
        if (newFilesOnly && run.inPlace) continue;
        const std::string line = commandLine(run, in, out);
        SCOPED_TRACE(line);
        const std::string output = out + "/" + run.output;
        const bool existed = testing_support::fileExists(output);
        const std::string bytes = existed ? readFile(output) : "";
        const ToolRun result = runTool(line, environment);
        EXPECT_EQ(result.status, 1);
        const std::string command = run.arguments;
        const bool refusesAll = command.rfind("creases", 0) == 0 || command.rfind("swap", 0) == 0;
        const std::string after = refusesAll ? "; nothing changed"
                                  : existed  ? "; " + output + " is unchanged"
                                             : "; nothing written";
        const std::string end = cause(run, output) + after + "\n";
        EXPECT_TRUE(result.err.size() >= end.size() &&
                    result.err.compare(result.err.size() - end.size(), end.size(), end) == 0)
            << result.err << "does not end with\n"
            << end;
        if (existed) {
            EXPECT_EQ(readFile(output), bytes);
        }
        if (!before.empty()) {
            EXPECT_EQ(entriesOf(out), before);
        }
    }
}

const std::string kNoSpace = std::strerror(ENOSPC);

TEST(WriteFailure, AFullDiskSaysNoSpaceLeftInEverySubcommand) {
    TempFolder folder;
    const std::string disk = folder / "disk";
    SmallDisk small(disk, "256k");
    if (!small.mounted()) GTEST_SKIP() << small.why();
    const Inputs in(folder.path());
    const Inputs onDisk(disk);
    ASSERT_TRUE(small.leaveRoom(0));
    expectEveryRunSays(folder.path(), disk, [](const WritingRun&, const std::string& output) {
        return "cannot write " + output + " (" + kNoSpace + ")";
    });
}

// A disk with room for half the output: the library's commands answer a code alone, and
// the tool finds the room left less than the output may take.
TEST(WriteFailure, ADiskWithRoomForHalfTheOutputSaysNoSpaceLeft) {
    TempFolder folder;
    std::string grid;  // a strip of 4,000 quads, some 200 KB of OBJ
    for (int i = 0; i <= 4000; ++i)
        grid += "v " + std::to_string(i) + " 0 0\nv " + std::to_string(i) + " 1 0\n";
    for (int i = 0; i < 4000; ++i) {
        grid += i % 100 == 0
                    ? "g part" + std::to_string(i / 100) + "\ns " + std::to_string(i / 50) + "\n"
                    : "";
        grid += "f " + std::to_string(2 * i + 1) + " " + std::to_string(2 * i + 3) + " " +
                std::to_string(2 * i + 4) + " " + std::to_string(2 * i + 2) + "\n";
    }
    writeFile(folder / "grid.obj", grid);
    for (const char* command : {"vyx", "smooth-to-groups"}) {
        SCOPED_TRACE(command);
        const std::string arguments =
            std::string(command) + " " + quoted(folder / "grid.obj") + " ";
        ASSERT_EQ(runTool(arguments + quoted(folder / "whole")).status, 0);
        const std::uint64_t size = readFile(folder / "whole").size();
        const std::string disk = folder / (std::string(command) + "-disk");
        SmallDisk small(disk, "4m");
        if (!small.mounted()) GTEST_SKIP() << small.why();
        ASSERT_TRUE(small.leaveRoom(size / 2));
        const ToolRun run = runTool(arguments + quoted(disk + "/out"));
        EXPECT_EQ(run.err, "cannot write " + disk + "/out (" + kNoSpace + "); nothing written\n");
        EXPECT_EQ(entriesOf(disk), std::vector<std::string>{"filler"});
    }
}

// The library refuses a file without write bits whoever asks, root included, and the
// sentence says why.
TEST(WriteFailure, AReadOnlyFileIsSaidToBeReadOnly) {
    TempFolder folder;
    testing_support::makeFolder(folder / "out");
    const Inputs in(folder.path());
    const Inputs out(folder / "out");
    for (const WritingRun& run : kWritingRuns) {
        const std::string output = folder / ("out/" + std::string(run.output));
        // An existing override layer must be one of the layer, or it is refused as foreign.
        const bool layer = std::string(run.output) == "shot.usda";
        if (!run.inPlace)
            writeFile(output, layer ? "#usda 1.0\n(\n    subLayers = [@../layer.usda@]\n)\n" : "kept\n");
        testing_support::setReadOnly(output, true);
    }
    expectEveryRunSays(folder.path(), folder / "out",
                       [](const WritingRun&, const std::string& output) {
                           return "cannot write " + output + " (it is read-only)";
                       });
}

// A new file goes into a folder that is not there, or is a file: the folder is named.
TEST(WriteFailure, AFolderThatTakesNoFileIsNamed) {
    TempFolder folder;
    const Inputs in(folder.path());
    writeFile(folder / "plain", "a file, not a folder\n");
    const struct {
        std::string out;
        int error;
    } folders[] = {{folder / "missing", ENOENT}, {folder / "plain", ENOTDIR}};
    for (const auto& row : folders) {
        const std::string reason = std::strerror(row.error);
        expectEveryRunSays(
            folder.path(), row.out,
            [&](const WritingRun&, const std::string&) {
                return "cannot create a file in " + row.out + "/: " + reason;
            },
            true);
    }
}

// A folder whose permission bits refuse new files; root passes them, so there it is a
// file system mounted read-only, which refuses root too.
TEST(WriteFailure, AFolderThatRefusesNewFilesIsNamed) {
    TempFolder folder;
    const Inputs in(folder.path());
    const std::string locked = folder / "locked";
    if (geteuid() != 0) {
        testing_support::makeFolder(locked);
        const Inputs inside(locked);
        testing_support::setReadOnly(locked, true);
        const std::string reason = std::strerror(EACCES);
        expectEveryRunSays(folder.path(), locked, [&](const WritingRun&, const std::string&) {
            return "cannot create a file in " + locked + "/: " + reason;
        });
        testing_support::setReadOnly(locked, false);
        return;
    }
    SmallDisk small(locked, "1m");
    if (!small.mounted()) GTEST_SKIP() << small.why();
    const Inputs inside(locked);
    ASSERT_TRUE(small.makeReadOnly()) << std::strerror(errno);
    const std::string reason = std::strerror(EROFS);
    // A file there cannot be written itself; a new one cannot be made in the folder.
    expectEveryRunSays(
        folder.path(), locked, [&](const WritingRun& run, const std::string& output) {
            return run.inPlace ? "cannot write " + output + " (" + reason + ")"
                               : "cannot create a file in " + locked + "/: " + reason;
        });
}

#if defined(TESSARYN_FAULT_PRELOAD) && !defined(TESSARYN_UNDER_EMULATOR)
// A sync that fails with ENOSPC after every write was taken: the tool's own road carries
// the sync's reason to the sentence. The library's commands answer a code alone, and the
// disk has room again afterwards, so for them the tool says no cause it cannot see.
TEST(WriteFailure, ASyncThatFailsForWantOfRoomIsSaidWhereTheToolSeesIt) {
    TempFolder folder;
    testing_support::makeFolder(folder / "out");
    const Inputs in(folder.path());
    const Inputs out(folder / "out");
    expectEveryRunSays(
        folder.path(), folder / "out",
        [](const WritingRun& run, const std::string& output) {
            if (!run.throughLibrary) return "cannot write " + output + " (" + kNoSpace + ")";
            if (std::string(run.arguments).rfind("swap", 0) == 0)
                return std::string(", and the reason cannot be told from the files");
            return "cannot write " + output;
        },
        false,
        std::string("ASAN_OPTIONS=verify_asan_link_order=0 LD_PRELOAD=") +
            quoted(TESSARYN_FAULT_PRELOAD));
}
#endif

}  // namespace
#endif
