#include "base/byte_source.h"

#include <gtest/gtest.h>

#include <string>

#include "support.h"

namespace {

using tessaryn::ByteSource;
using testing_support::TempFolder;

// The same reads answer the same from a file and from memory, before and after narrowing.
TEST(ByteSource, FileAndMemoryReadAlike) {
    const std::string bytes = "0123456789abcdef";
    TempFolder folder;
    testing_support::writeFile(folder / "f", bytes);
    ByteSource file;
    ASSERT_TRUE(file.openFile((folder / "f").c_str()));
    ByteSource memory;
    memory.openMemory(bytes);
    for (ByteSource* source : {&file, &memory}) {
        SCOPED_TRACE(source == &file ? "file" : "memory");
        EXPECT_EQ(source->size(), 16u);
        char got[8] = {};
        ASSERT_TRUE(source->readAt(12, got, 4));
        EXPECT_EQ(std::string(got, 4), "cdef");
        ASSERT_TRUE(source->readAt(0, got, 3));  // backwards: a seek
        EXPECT_EQ(std::string(got, 3), "012");
        EXPECT_FALSE(source->readAt(13, got, 4));  // past the end
        EXPECT_FALSE(source->readAt(UINT64_MAX, got, 1));
        EXPECT_TRUE(source->readAt(16, got, 0));
        ASSERT_TRUE(source->narrow(4, 8));
        EXPECT_EQ(source->size(), 8u);
        ASSERT_TRUE(source->readAt(6, got, 2));
        EXPECT_EQ(std::string(got, 2), "ab");
        EXPECT_FALSE(source->readAt(7, got, 2));
        EXPECT_FALSE(source->narrow(4, 5));
        EXPECT_FALSE(source->failed());
    }
}

TEST(ByteSource, RefusesWhatIsNoFile) {
    TempFolder folder;
    ByteSource missing;
    EXPECT_FALSE(missing.openFile((folder / "none").c_str()));
    ByteSource directory;
    EXPECT_FALSE(directory.openFile(folder.path().c_str()));
}

}  // namespace
