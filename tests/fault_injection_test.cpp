// Faults injected with the operating system's own limits, each call in a child process:
// a file-size limit makes writes fail at chosen offsets of the output, an address-space
// limit makes memory run out. Every writing command must answer its output failure code
// (or -8 for memory, or succeed) and leave every destination byte for byte and
// permission for permission as it was, with no temporary file left behind.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <malloc.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "small_disk.h"
#include "support.h"

using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

namespace {

// A closed grid of `side` x `side` quads with group patches and smoothing bands, large
// enough that its outputs span several of the writer's 1 MiB blocks.
std::string gridObj(int side) {
    std::string obj;
    for (int j = 0; j < side; ++j) {
        for (int i = 0; i < side; ++i)
            obj += "v " + std::to_string(i) + " " + std::to_string(j) + " 0\n";
    }
    for (int j = 0; j < side; ++j) {
        obj += "s " + std::to_string(j / 16) + "\n";
        for (int i = 0; i < side; ++i) {
            if (i % 32 == 0)
                obj += "g patch" + std::to_string(i / 32) + "_" + std::to_string(j / 32) + "\n";
            auto v = [&](int x, int y) {
                return std::to_string((y % side) * side + (x % side) + 1);
            };
            obj += "f " + v(i, j) + " " + v(i + 1, j) + " " + v(i + 1, j + 1) + " " + v(i, j + 1) +
                   "\n";
        }
    }
    return obj;
}

std::string gridScene(int side) {
    std::string scene =
        "//Maya ASCII 2020 scene\n\tsetAttr -s " + std::to_string(2 * side * side) + " \".ed\";\n";
    for (int v = 0; v < side * side; ++v) {
        int i = v % side, j = v / side;
        int right = j * side + (i + 1) % side, up = ((j + 1) % side) * side + i;
        scene +=
            "\tsetAttr \".ed[" + std::to_string(2 * v) + ":" + std::to_string(2 * v + 1) + "]\"\n";
        scene += "\t\t " + std::to_string(std::min(v, right)) + " " +
                 std::to_string(std::max(v, right)) + " 0 " + std::to_string(std::min(v, up)) +
                 " " + std::to_string(std::max(v, up)) + " 0;\n";
    }
    return scene + testing_support::kPlaceholder + "\n\t\t;\n// end\n";
}

struct WritingCommand {
    const char* command;
    double number;
    float outputFailure;
    bool textIsBuffer;  // the command rewrites its own input
};

const WritingCommand kWriters[] = {
    {"GetCreases", 0, TESSARYN_CANNOT_WRITE, false},
    {"GetCreasesVyx", 1, TESSARYN_VYX_CANNOT_WRITE, false},
    {"GetCreasesVyx", 0, TESSARYN_VYX_CANNOT_WRITE, true},
    {"SmoothtoGroupOBJ", 0, TESSARYN_CANNOT_WRITE, false},
    {"SmoothtoGroupOBJ", 0, TESSARYN_CANNOT_WRITE, true},
    {"SwapVertices", 0, TESSARYN_FAILED, false},
    {"SwapVertices", 0, TESSARYN_FAILED, true},
};

// The names in `folder`, sorted.
std::vector<std::string> entriesOf(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The files of one call: `text` and `buffer` in a fresh folder (or in `where`, a folder
// the case made); the destination holds content of its own (the scene, a target OBJ, an
// old output) with permissions 0640.
struct CallFiles {
    TempFolder folder;
    std::string where;
    std::string text;
    std::string buffer;
    std::string bufferBytes;
    std::vector<std::string> entries;

    CallFiles(const WritingCommand& w, const std::string& obj, const std::string& scene,
              const std::string& in = std::string())
        : where(in.empty() ? folder.path() : in) {
        text = where + "/input.obj";
        writeFile(text, obj);
        buffer = w.textIsBuffer ? text : where + "/destination";
        if (!w.textIsBuffer)
            writeFile(buffer, std::string(w.command) == "GetCreases" ? scene : obj);
        chmod(buffer.c_str(), 0640);
        bufferBytes = readFile(buffer);
        entries = entriesOf(where);
    }

    void expectUnchanged() const {
        EXPECT_EQ(readFile(buffer), bufferBytes);
        struct stat facts {};
        ASSERT_EQ(stat(buffer.c_str(), &facts), 0);
        EXPECT_EQ(facts.st_mode & 07777, 0640u);
        EXPECT_EQ(entriesOf(where), entries);
    }
};

// Runs the command in a child process after `limit` has been applied there, while the
// parent runs `watch(child)`; gives its result code, or NaN when the child did not come
// back normally (a crash, an abort).
template <typename Limit, typename Watch>
float callInChild(const WritingCommand& w, const CallFiles& setup, Limit limit, Watch watch) {
    auto command = testing_support::command(w.command);  // loaded before the fork
    std::vector<char> buffer(setup.buffer.begin(), setup.buffer.end());
    buffer.resize(buffer.size() + TESSARYN_NAME_BUFFER_SIZE, '\0');
    int channel[2];
    if (pipe(channel) != 0) return -1000;
    pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        limit();
        float code = command(setup.text.c_str(), w.number, buffer.data(), 0);
        if (write(channel[1], &code, sizeof code) != sizeof code) _exit(3);
        _exit(0);
    }
    close(channel[1]);
    watch(child);
    float code = 0;
    bool got = read(channel[0], &code, sizeof code) == sizeof code;
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!got || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return __builtin_nanf("");
    return code;
}

template <typename Limit>
float callInChild(const WritingCommand& w, const CallFiles& setup, Limit limit) {
    return callInChild(w, setup, limit, [](pid_t) {});
}

class FaultInjection : public testing::Test {
protected:
    static void SetUpTestSuite() {
        obj_ = new std::string(gridObj(192));
        scene_ = new std::string(gridScene(192));
    }
    static void TearDownTestSuite() {
        delete obj_;
        delete scene_;
    }
    static std::string* obj_;
    static std::string* scene_;
};
std::string* FaultInjection::obj_ = nullptr;
std::string* FaultInjection::scene_ = nullptr;

// The size of what a command writes when nothing stops it.
std::size_t outputSize(const WritingCommand& w, const std::string& obj, const std::string& scene) {
    CallFiles setup(w, obj, scene);
    float code = testing_support::call(w.command, setup.text.c_str(), w.number, setup.buffer);
    EXPECT_GE(code, 0.0f) << w.command;
    return readFile(setup.buffer).size();
}

TEST_F(FaultInjection, WriteFailuresAtEveryKindOfOffsetChangeNothing) {
    int injected = 0;
    for (const WritingCommand& w : kWriters) {
        const std::size_t size = outputSize(w, *obj_, *scene_);
        ASSERT_GT(size, 1u << 20) << w.command;  // past the writer's first block
        for (std::size_t offset : {std::size_t{0}, std::size_t{5}, size / 2, size - 1, size}) {
            SCOPED_TRACE(std::string(w.command) + (w.textIsBuffer ? " in place" : "") + " limit " +
                         std::to_string(offset) + " of " + std::to_string(size));
            CallFiles setup(w, *obj_, *scene_);
            float code = callInChild(w, setup, [offset] {
                signal(SIGXFSZ, SIG_IGN);
                rlimit limit{static_cast<rlim_t>(offset), static_cast<rlim_t>(offset)};
                setrlimit(RLIMIT_FSIZE, &limit);
            });
            if (offset == size) {
                EXPECT_GE(code, 0.0f);  // the whole output fits: the call succeeds
                continue;
            }
            ++injected;
            EXPECT_EQ(code, w.outputFailure);
            setup.expectUnchanged();
        }
    }
    RecordProperty("write_faults_injected", injected);
    std::printf("write faults injected: %d, files changed by a failed call: %d\n", injected,
                HasFailure() ? -1 : 0);
}

// The same failures as a full disk gives them: ENOSPC, with the output's folder on a
// small tmpfs filled until only the room for part of the output is left.
TEST_F(FaultInjection, AFullDiskAtEveryKindOfOffsetChangesNothing) {
    int injected = 0;
    for (const WritingCommand& w : kWriters) {
        const std::size_t size = outputSize(w, *obj_, *scene_);
        // tmpfs counts whole pages: the last offset is a page short of the whole.
        for (std::size_t offset : {std::size_t{0}, std::size_t{5}, size / 2, size - 8192}) {
            SCOPED_TRACE(std::string(w.command) + (w.textIsBuffer ? " in place" : "") + " room " +
                         std::to_string(offset) + " of " + std::to_string(size));
            TempFolder outer;
            testing_support::SmallDisk disk(outer / "disk", "64m");
            if (!disk.mounted()) GTEST_SKIP() << disk.why();
            CallFiles setup(w, *obj_, *scene_, outer / "disk");
            ASSERT_TRUE(disk.leaveRoom(offset));
            setup.entries = entriesOf(setup.where);
            float code = callInChild(w, setup, [] {});
            ++injected;
            EXPECT_EQ(code, w.outputFailure);
            setup.expectUnchanged();
        }
    }
    RecordProperty("full_disk_faults_injected", injected);
}

#if !defined(TESSARYN_UNDER_ADDRESS_SANITIZER) && !defined(TESSARYN_UNDER_EMULATOR)
// How much address space the process has mapped now.
rlim_t mappedBytes() {
    unsigned long pages = 0;
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr || std::fscanf(statm, "%lu", &pages) != 1) pages = 0;
    if (statm != nullptr) std::fclose(statm);
    return static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE));
}

TEST_F(FaultInjection, ExhaustedMemoryGivesMinusEightAndChangesNothing) {
    int injected = 0;
    for (const WritingCommand& w : kWriters) {
        int failures = 0;
        // From generous to none at all, halving the headroom each step.
        for (rlim_t headroom = rlim_t{128} << 20;; headroom /= 2) {
            SCOPED_TRACE(std::string(w.command) + " headroom " + std::to_string(headroom));
            CallFiles setup(w, *obj_, *scene_);
            float code = callInChild(w, setup, [headroom] {
                // Large blocks come from fresh mappings and freed memory goes back, so
                // the limit bites where the library asks for memory, not at random.
                mallopt(M_MMAP_THRESHOLD, 64 * 1024);
                malloc_trim(0);
                rlim_t cap = mappedBytes() + headroom;
                rlimit limit{cap, cap};
                setrlimit(RLIMIT_AS, &limit);
            });
            ++injected;
            if (code >= 0.0f) {
                EXPECT_EQ(failures, 0) << "succeeded with less memory than a call that failed";
            } else {
                EXPECT_EQ(code, TESSARYN_UNEXPECTED);
                setup.expectUnchanged();
                ++failures;
            }
            if (headroom == 0) break;
        }
        EXPECT_GT(failures, 0) << w.command << " never ran out of memory";
    }
    RecordProperty("memory_faults_injected", injected);
    std::printf("memory limits injected: %d, files changed by a failed call: %d\n", injected,
                HasFailure() ? -1 : 0);
}
#endif

// True once `child` has ended; it is left to be waited for.
bool hasEnded(pid_t child) {
    siginfo_t info{};
    return waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOHANG | WNOWAIT) != 0 ||
           info.si_pid != 0;
}

// A read that fails part-way through an input, as one from a failing disk or a dropped
// network share does: the input is a FIFO that gives the first 60,000 bytes of the mesh
// and then holds the rest back, and a signal without SA_RESTART interrupts the read that
// waits for more, which then fails with EINTR.
TEST_F(FaultInjection, AReadFailureHalfWayThroughTheInputChangesNothing) {
    struct sigaction interrupt {};
    interrupt.sa_handler = [](int) {};
    sigemptyset(&interrupt.sa_mask);
    struct sigaction previous {};
    ASSERT_EQ(sigaction(SIGUSR1, &interrupt, &previous), 0);  // inherited by the child
    for (const WritingCommand& w : kWriters) {
        if (w.textIsBuffer) continue;
        SCOPED_TRACE(w.command);
        CallFiles setup(w, *obj_, *scene_);
        ASSERT_EQ(unlink(setup.text.c_str()), 0);
        ASSERT_EQ(mkfifo(setup.text.c_str(), 0600), 0);
        float code = callInChild(
            w, setup, [] {},
            [&setup](pid_t child) {
                int fifo = ::open(setup.text.c_str(), O_WRONLY);  // once the child opens it
                const std::size_t part = 60000;  // within the pipe's capacity: never blocks
                const bool written =
                    fifo >= 0 && write(fifo, obj_->data(), part) == static_cast<ssize_t>(part);
                // The write end stays open, so the child never sees the input end.
                while (written && !hasEnded(child)) {
                    kill(child, SIGUSR1);
                    usleep(10000);
                }
                if (!written) kill(child, SIGKILL);
                if (fifo >= 0) close(fifo);
            });
        EXPECT_EQ(code, TESSARYN_FAILED);
        setup.expectUnchanged();
    }
    sigaction(SIGUSR1, &previous, nullptr);
}

TEST_F(FaultInjection, DestinationsThatCannotBeWritten) {
    for (const WritingCommand& w : kWriters) {
        if (w.textIsBuffer) continue;
        SCOPED_TRACE(w.command);
        TempFolder folder;
        const std::string input = folder / "input.obj";
        const std::string source = std::string(w.command) == "GetCreases" ? *scene_ : *obj_;
        writeFile(input, *obj_);
        writeFile(folder / "file", "plain");
        testing_support::makeFolder(folder / "folder");
        writeFile(folder / "readonly", source);
        chmod((folder / "readonly").c_str(), 0444);
        testing_support::makeFolder(folder / "lockedfolder");
        writeFile(folder / "lockedfolder/destination", source);
        chmod((folder / "lockedfolder").c_str(), 0555);
        const std::vector<std::string> before = folder.entries();
        for (const std::string& destination : {folder / "readonly", folder / "folder",
                                               folder / "missing/out", folder / "file/out"}) {
            SCOPED_TRACE(destination);
            std::string expected =
                testing_support::fileExists(destination) ? readFile(destination) : "";
            float code = testing_support::call(w.command, input.c_str(), w.number, destination);
            // SwapVertices has no target to read in a missing folder: a plain no.
            EXPECT_TRUE(code == w.outputFailure || code == TESSARYN_FAILED) << code;
            if (!expected.empty()) {
                EXPECT_EQ(readFile(destination), expected);
            }
        }
        // A read-only folder: the file in it can be written in place only by a user the
        // system lets write there anyway (root); replacing it then works as well.
        const std::string locked = folder / "lockedfolder/destination";
        float code = testing_support::call(w.command, input.c_str(), w.number, locked);
        if (access((folder / "lockedfolder").c_str(), W_OK) == 0) {
            EXPECT_GE(code, 0.0f);
        } else {
            EXPECT_EQ(code, w.outputFailure);
            EXPECT_EQ(readFile(locked), source);
        }
        chmod((folder / "lockedfolder").c_str(), 0755);
        EXPECT_EQ(folder.entries(), before);
    }
}

TEST_F(FaultInjection, ASymbolicLinkHasItsTargetReplaced) {
    for (const WritingCommand& w : kWriters) {
        if (w.textIsBuffer) continue;
        SCOPED_TRACE(w.command);
        TempFolder folder;
        writeFile(folder / "input.obj", *obj_);
        writeFile(folder / "target", std::string(w.command) == "GetCreases" ? *scene_ : *obj_);
        ASSERT_EQ(symlink("target", (folder / "link").c_str()), 0);
        const std::string before = readFile(folder / "target");
        EXPECT_GE(testing_support::call(w.command, (folder / "input.obj").c_str(), w.number,
                                        folder / "link"),
                  0.0f);
        struct stat facts {};
        ASSERT_EQ(lstat((folder / "link").c_str(), &facts), 0);
        EXPECT_TRUE(S_ISLNK(facts.st_mode));
        EXPECT_NE(readFile(folder / "target"), before);
        EXPECT_EQ(folder.entries(), (std::vector<std::string>{"input.obj", "link", "target"}));
    }
}

}  // namespace
