#include "base/safe_writer.h"

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#endif

#include "support.h"

using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

namespace {

bool writeWhole(const std::string& path, const std::string& text) {
    tessaryn::SafeWriter writer;
    if (!writer.open(path.c_str())) return false;
    writer.write(text);
    return writer.commit();
}

#if !defined(_WIN32)
TEST(SafeWriter, ReplacesAFileAndKeepsItsPermissions) {
    TempFolder folder;
    writeFile(folder / "out", "old");
    chmod((folder / "out").c_str(), 0640);
    ASSERT_TRUE(writeWhole(folder / "out", "new text"));
    EXPECT_EQ(readFile(folder / "out"), "new text");
    struct stat facts {};
    ASSERT_EQ(stat((folder / "out").c_str(), &facts), 0);
    EXPECT_EQ(facts.st_mode & 07777, 0640u);
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"out"});
}

// The replacement is a new file: it takes the old one's owner and group where the
// process may give them (as root, which CI is), and its permissions after them, since
// a change of owner clears the set-group bit.
TEST(SafeWriter, KeepsTheOwnerAndGroupOfTheReplacedFile) {
    if (geteuid() != 0) GTEST_SKIP() << "only a privileged process can give a file away";
    TempFolder folder;
    writeFile(folder / "out", "old");
    ASSERT_EQ(chown((folder / "out").c_str(), 1234, 2345), 0);
    ASSERT_EQ(chmod((folder / "out").c_str(), 02750), 0);
    ASSERT_TRUE(writeWhole(folder / "out", "new"));
    struct stat facts {};
    ASSERT_EQ(stat((folder / "out").c_str(), &facts), 0);
    EXPECT_EQ(facts.st_uid, 1234u);
    EXPECT_EQ(facts.st_gid, 2345u);
    EXPECT_EQ(facts.st_mode & 07777, 02750u);
    EXPECT_EQ(readFile(folder / "out"), "new");
}

TEST(SafeWriter, ReplacesTheTargetOfASymbolicLink) {
    TempFolder folder;
    writeFile(folder / "target", "old");
    ASSERT_EQ(symlink("target", (folder / "link").c_str()), 0);
    ASSERT_TRUE(writeWhole(folder / "link", "new"));
    EXPECT_EQ(readFile(folder / "target"), "new");
    struct stat facts {};
    ASSERT_EQ(lstat((folder / "link").c_str(), &facts), 0);
    EXPECT_TRUE(S_ISLNK(facts.st_mode));
}
#endif

#if defined(__linux__)
// A process killed half-way leaves no file behind when the one it writes has no name.
TEST(SafeWriter, NamesNothingInTheFolderUntilTheCommit) {
    TempFolder folder;
    int probe = ::open(folder.path().c_str(), O_TMPFILE | O_WRONLY, 0600);
    if (probe < 0) GTEST_SKIP() << "no unnamed files on this file system";
    close(probe);
    for (bool replacing : {false, true}) {
        SCOPED_TRACE(replacing ? "replacing" : "creating");
        if (replacing) writeFile(folder / "out", "old");
        const std::vector<std::string> before = folder.entries();
        tessaryn::SafeWriter writer;
        ASSERT_TRUE(writer.open((folder / "out").c_str()));
        writer.write(std::string(3 << 20, 'n'));  // past the writer's own buffer
        EXPECT_EQ(folder.entries(), before);
        ASSERT_TRUE(writer.commit());
        EXPECT_EQ(readFile(folder / "out"), std::string(3 << 20, 'n'));
        EXPECT_EQ(folder.entries(), std::vector<std::string>{"out"});
        if (!replacing) {  // a new file gets the permissions the process gives new files
            const mode_t mask = umask(022);
            umask(mask);
            struct stat facts {};
            ASSERT_EQ(stat((folder / "out").c_str(), &facts), 0);
            EXPECT_EQ(facts.st_mode & 07777, 0666u & ~mask);
        }
        unlink((folder / "out").c_str());
    }
}
#endif

TEST(SafeWriter, CreatesAMissingFile) {
    TempFolder folder;
    ASSERT_TRUE(writeWhole(folder / "new", std::string(3 << 20, 'z')));
    EXPECT_EQ(readFile(folder / "new").size(), 3u << 20);
}

TEST(SafeWriter, RefusesWhatADirectWriteWouldRefuse) {
    TempFolder folder;
    writeFile(folder / "readonly", "keep");
    testing_support::setReadOnly(folder / "readonly", true);
    testing_support::makeFolder(folder / "sub");
    writeFile(folder / "file", "x");
    for (const std::string& path :
         {folder / "readonly", folder / "sub", folder / "missing/out", folder / "file/out"}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(writeWhole(path, "new"));
    }
    EXPECT_EQ(readFile(folder / "readonly"), "keep");
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"file", "readonly", "sub"}));
}

#if !defined(_WIN32)
// A refused destination leaves the system's reason in errno; one refused for its kind or
// permission bits alone leaves 0, and the caller looks at the file for itself.
TEST(SafeWriter, ARefusedOpenLeavesTheReasonInErrno) {
    TempFolder folder;
    writeFile(folder / "readonly", "keep");
    testing_support::setReadOnly(folder / "readonly", true);
    writeFile(folder / "file", "x");
    const struct {
        std::string path;
        int error;
    } rows[] = {
        {folder / "missing/out", ENOENT}, {folder / "file/out", ENOTDIR}, {folder / "readonly", 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        tessaryn::SafeWriter writer;
        errno = EINTR;
        EXPECT_FALSE(writer.open(row.path.c_str()));
        EXPECT_EQ(errno, row.error);
    }
}

// A write that fails (here past the file-size limit, in a child process) leaves its own
// reason in errno when commit answers, not what removing the unfinished file met.
TEST(SafeWriter, AFailedCommitLeavesTheFirstFailuresReasonInErrno) {
    TempFolder folder;
    const std::string path = folder / "out";
    const pid_t child = fork();
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        tessaryn::SafeWriter writer;
        const bool opened = writer.open(path.c_str());
        writer.write(std::string(3 << 20, 'z'));
        errno = 0;
        const bool committed = writer.commit();
        _exit(opened && !committed && errno == EFBIG ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(folder.entries(), std::vector<std::string>{});
}
#endif

TEST(SafeWriter, AnUncommittedWriterLeavesNothingBehind) {
    TempFolder folder;
    writeFile(folder / "out", "old");
    {
        tessaryn::SafeWriter writer;
        ASSERT_TRUE(writer.open((folder / "out").c_str()));
        writer.write("half");
    }
    EXPECT_EQ(readFile(folder / "out"), "old");
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"out"});
}

// Blocks written through come after what was buffered before them, and before what is
// written after, whatever their size against the buffer's.
TEST(SafeWriter, WritesThroughInTheOrderGiven) {
    TempFolder folder;
    tessaryn::SafeWriter writer;
    ASSERT_TRUE(writer.open((folder / "out").c_str()));
    std::string expected;
    const auto write = [&](const std::string& text, bool through) {
        if (through)
            writer.writeThrough(text);
        else
            writer.write(text);
        expected += text;
    };
    write("head ", false);
    write("small block ", true);
    write(std::string(3 << 20, 'x'), true);
    write("after ", false);
    write(std::string((1 << 20) - 3, 'y'), false);
    write("", true);
    write("tail", true);
    ASSERT_TRUE(writer.commit());
    EXPECT_EQ(readFile(folder / "out"), expected);
}

}  // namespace
