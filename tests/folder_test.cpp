// The folder services through the built library, on real temporary folders.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "support.h"

using testing_support::TempFolder;
using testing_support::writeFile;

namespace {

float getFile(char* buffer) {
    return testing_support::command("GetFile")(nullptr, 0, buffer, TESSARYN_NAME_BUFFER_SIZE);
}
float closeFolder() {
    return testing_support::command("CloseFolder")(nullptr, 0, nullptr, 0);
}
float openFolder(const char* path) {
    return testing_support::command("OpenFolder")(path, 0, nullptr, 0);
}

// Every name GetFile gives until -3, sorted.
std::vector<std::string> readListing() {
    std::vector<std::string> names;
    char buffer[TESSARYN_NAME_BUFFER_SIZE];
    while (getFile(buffer) == TESSARYN_OK) names.push_back(buffer);
    std::sort(names.begin(), names.end());
    return names;
}

using testing_support::makeFolder;

class FolderServices : public testing::Test {
protected:
    void TearDown() override { closeFolder(); }
};

TEST_F(FolderServices, ListsEveryEntryOnceThenTheEnd) {
    TempFolder folder;
    writeFile(folder / "a.txt", "");
    writeFile(folder / "b", "");
    makeFolder(folder / "sub");
    for (const std::string& path : {folder.path(), folder.path() + "/"}) {
        SCOPED_TRACE(path);
        ASSERT_EQ(openFolder(path.c_str()), TESSARYN_OK);
        EXPECT_EQ(readListing(), (std::vector<std::string>{".", "..", "a.txt", "b", "sub"}));
        char buffer[TESSARYN_NAME_BUFFER_SIZE] = "unchanged";
        EXPECT_EQ(getFile(buffer), TESSARYN_NO_MORE_ENTRIES);
        EXPECT_STREQ(buffer, "unchanged");
        EXPECT_EQ(closeFolder(), TESSARYN_OK);
        EXPECT_EQ(getFile(buffer), TESSARYN_FAILED);
        EXPECT_EQ(closeFolder(), TESSARYN_FAILED);
    }
}

TEST_F(FolderServices, WritesTheNameAndItsNulOnly) {
    TempFolder folder;
    ASSERT_EQ(openFolder(folder.path().c_str()), TESSARYN_OK);
    char buffer[TESSARYN_NAME_BUFFER_SIZE];
    std::memset(buffer, 'Z', sizeof buffer);
    ASSERT_EQ(getFile(buffer), TESSARYN_OK);
    std::size_t length = std::strlen(buffer);
    EXPECT_TRUE(std::string(buffer) == "." || std::string(buffer) == "..");
    EXPECT_EQ(buffer[length + 1], 'Z');
    // An absent buffer is refused and the listing does not move on.
    EXPECT_EQ(getFile(nullptr), TESSARYN_FAILED);
    ASSERT_EQ(getFile(buffer), TESSARYN_OK);
    EXPECT_EQ(getFile(buffer), TESSARYN_NO_MORE_ENTRIES);
}

TEST_F(FolderServices, TheSlotHoldsOneListing) {
    TempFolder first;
    TempFolder second;
    writeFile(first / "one", "");
    writeFile(second / "two", "");
    char buffer[TESSARYN_NAME_BUFFER_SIZE];
    EXPECT_EQ(getFile(buffer), TESSARYN_FAILED);
    ASSERT_EQ(openFolder(first.path().c_str()), TESSARYN_OK);
    ASSERT_EQ(getFile(buffer), TESSARYN_OK);
    // A second open replaces the first, starting at its own first entry.
    ASSERT_EQ(openFolder(second.path().c_str()), TESSARYN_OK);
    EXPECT_EQ(readListing(), (std::vector<std::string>{".", "..", "two"}));
    // A failing open leaves the slot empty.
    EXPECT_EQ(openFolder((first / "missing").c_str()), TESSARYN_FAILED);
    EXPECT_EQ(getFile(buffer), TESSARYN_FAILED);
    EXPECT_EQ(closeFolder(), TESSARYN_FAILED);
}

TEST_F(FolderServices, FoldersThatCannotBeListed) {
    TempFolder folder;
    writeFile(folder / "file", "");
    // A path of 259 characters can be listed; one of 260 cannot.
    const std::string deep = folder / std::string(200, 'd');
    makeFolder(deep);
    const std::string at259 = deep + "/" + std::string(259 - deep.size() - 1, 'e');
    ASSERT_EQ(at259.size(), 259u);
    makeFolder(at259);
    EXPECT_EQ(openFolder(at259.c_str()), TESSARYN_OK);
    EXPECT_EQ(openFolder((at259 + "/").c_str()), TESSARYN_FAILED);
    for (const std::string& bad :
         {std::string(), folder / "file", folder / "missing", std::string(4000, 'x')}) {
        SCOPED_TRACE(bad.size());
        EXPECT_EQ(openFolder(bad.c_str()), TESSARYN_FAILED);
    }
    EXPECT_EQ(openFolder(nullptr), TESSARYN_FAILED);
}

float emptyFolder(const char* path) {
    return testing_support::command("EmptyFolder")(path, 0, nullptr, 0);
}

TEST_F(FolderServices, EmptyFolderDeletesFilesWithAnExtension) {
    for (const char* suffix : {"", "/"}) {
        SCOPED_TRACE(suffix);
        TempFolder folder;
        for (const char* name : {"a.txt", "b", "c.tar.gz", ".hidden"}) writeFile(folder / name, "");
        makeFolder(folder / "sub");
        makeFolder(folder / "d.x");
        writeFile(folder / "sub/inner.txt", "");
        EXPECT_EQ(emptyFolder((folder.path() + suffix).c_str()), TESSARYN_OK);
        EXPECT_EQ(folder.entries(), (std::vector<std::string>{"b", "d.x", "sub"}));
        EXPECT_TRUE(testing_support::fileExists(folder / "sub/inner.txt"));
    }
}

TEST_F(FolderServices, EmptyFolderEdges) {
    TempFolder folder;
    EXPECT_EQ(emptyFolder(folder.path().c_str()), TESSARYN_OK);
    EXPECT_EQ(emptyFolder((folder / "missing").c_str()), TESSARYN_FAILED);
    EXPECT_EQ(emptyFolder(""), TESSARYN_FAILED);
    EXPECT_EQ(emptyFolder(nullptr), TESSARYN_FAILED);
    // A full path longer than 255 characters is passed over, never shortened.
    std::string deep = folder / std::string(200 - folder.path().size(), 'd');
    makeFolder(deep);
    const std::string longName = std::string(60, 'n') + ".txt";
    writeFile(deep + "/" + longName, "");
    writeFile(deep + "/short.txt", "");
    EXPECT_EQ(emptyFolder(deep.c_str()), TESSARYN_OK);
    EXPECT_TRUE(testing_support::fileExists(deep + "/" + longName));
    EXPECT_FALSE(testing_support::fileExists(deep + "/short.txt"));
    // The listing slot is not touched by a sweep.
    writeFile(folder / "kept", "");
    ASSERT_EQ(openFolder(folder.path().c_str()), TESSARYN_OK);
    EXPECT_EQ(emptyFolder(deep.c_str()), TESSARYN_OK);
    EXPECT_EQ(readListing().size(), 4u);
}

TEST_F(FolderServices, FileDeleteDeletesFilesOnly) {
    TempFolder folder;
    writeFile(folder / "gone.txt", "");
    makeFolder(folder / "stays");
    auto fileDelete = testing_support::command("FileDelete");
    EXPECT_EQ(fileDelete((folder / "gone.txt").c_str(), 0, nullptr, 0), TESSARYN_OK);
    EXPECT_EQ(fileDelete((folder / "gone.txt").c_str(), 0, nullptr, 0), TESSARYN_FAILED);
    EXPECT_EQ(fileDelete((folder / "stays").c_str(), 0, nullptr, 0), TESSARYN_FAILED);
    EXPECT_EQ(fileDelete(nullptr, 0, nullptr, 0), TESSARYN_FAILED);
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"stays"});
}

}  // namespace
