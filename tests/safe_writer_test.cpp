#include "base/safe_writer.h"

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
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

}  // namespace
