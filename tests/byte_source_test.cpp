#include "base/byte_source.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "support.h"

namespace {

using tessaryn::ByteSource;
using testing_support::TempFolder;

// The same sixteen bytes in a file, "f" in a folder of its own, and in memory, each
// opened by a source.
struct FileAndMemory {
    const std::string bytes = "0123456789abcdef";
    TempFolder folder;
    ByteSource file;
    ByteSource memory;
    FileAndMemory() {
        testing_support::writeFile(folder / "f", bytes);
        EXPECT_TRUE(file.openFile((folder / "f").c_str()));
        memory.openMemory(bytes);
    }
};

// The same reads answer the same from a file and from memory, before and after narrowing.
TEST(ByteSource, FileAndMemoryReadAlike) {
    FileAndMemory sources;
    for (ByteSource* source : {&sources.file, &sources.memory}) {
        SCOPED_TRACE(source == &sources.file ? "file" : "memory");
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

// A second opening holds what the first does, narrowed alike, and reads on its own: a
// file by its path again, memory where it lies; a stream, or a file now shorter, is
// refused.
TEST(ByteSource, OpenedAgainAlike) {
    FileAndMemory sources;
    for (ByteSource* first : {&sources.file, &sources.memory}) {
        SCOPED_TRACE(first == &sources.file ? "file" : "memory");
        ASSERT_TRUE(first->narrow(2, 12));
        ByteSource again;
        ASSERT_TRUE(again.openAgain(*first));
        EXPECT_EQ(again.size(), 12u);
        char got[4] = {};
        ASSERT_TRUE(again.readAt(8, got, 4));
        EXPECT_EQ(std::string(got, 4), "abcd");
        ASSERT_TRUE(first->readAt(0, got, 2));  // the first reads on where it was
        EXPECT_EQ(std::string(got, 2), "23");
        EXPECT_FALSE(again.readAt(9, got, 4));
        EXPECT_FALSE(again.openAgain(again));
    }
    testing_support::writeFile(sources.folder / "f", "0123");
    ByteSource shorter;
    EXPECT_FALSE(shorter.openAgain(sources.file));
#if !defined(_WIN32)
    // Another file renamed into its place, as long: not the file opened first. (Windows
    // renames nothing over a file that is open.)
    testing_support::writeFile(sources.folder / "g", sources.bytes);
    ASSERT_EQ(std::rename((sources.folder / "g").c_str(), (sources.folder / "f").c_str()), 0);
    ByteSource replaced;
    EXPECT_FALSE(replaced.openAgain(sources.file));
#endif
    ByteSource stream;
    ASSERT_TRUE(stream.openStream((sources.folder / "f").c_str()));
    ByteSource fromStream;
    EXPECT_FALSE(fromStream.openAgain(stream));
}

TEST(ByteSource, RefusesWhatIsNoFile) {
    TempFolder folder;
    ByteSource missing;
    EXPECT_FALSE(missing.openFile((folder / "none").c_str()));
    ByteSource directory;
    EXPECT_FALSE(directory.openFile(folder.path().c_str()));
}

// Reading in order gives the same bytes from a sized file, a stream and memory, in pieces
// of any size, from any position seek() sets, and stops at the end (of the narrowed part).
TEST(ByteSource, ReadsInOrderAlike) {
    std::string bytes;
    for (int i = 0; i < 300; ++i) bytes += static_cast<char>('a' + i % 26);
    TempFolder folder;
    testing_support::writeFile(folder / "f", bytes);
    struct Row {
        std::size_t from;
        std::size_t piece;
    };
    const Row rows[] = {{0, 1}, {0, 7}, {0, 300}, {0, 1000}, {5, 64}, {299, 3}, {300, 8}};
    for (const Row& row : rows) {
        for (int kind = 0; kind < 3; ++kind) {
            SCOPED_TRACE(std::to_string(row.from) + "/" + std::to_string(row.piece) + " " +
                         (kind == 0   ? "file"
                          : kind == 1 ? "stream"
                                      : "memory"));
            ByteSource source;
            if (kind == 2) {
                source.openMemory(bytes);
            } else {
                const std::string path = folder / "f";
                ASSERT_TRUE(kind == 0 ? source.openFile(path.c_str())
                                      : source.openStream(path.c_str()));
            }
            ASSERT_TRUE(source.seek(row.from));
            std::string got;
            std::vector<char> piece(row.piece);
            for (std::size_t n; (n = source.read(piece.data(), piece.size())) > 0;)
                got.append(piece.data(), n);
            EXPECT_EQ(got, bytes.substr(row.from));
            EXPECT_EQ(source.read(piece.data(), 1), 0u);
            EXPECT_FALSE(source.failed());
        }
    }
    ByteSource narrowed;
    narrowed.openMemory(bytes);
    ASSERT_TRUE(narrowed.narrow(10, 5));
    EXPECT_FALSE(narrowed.seek(6));
    ASSERT_TRUE(narrowed.seek(2));
    char got[8] = {};
    EXPECT_EQ(narrowed.read(got, sizeof got), 3u);
    EXPECT_EQ(std::string(got, 3), bytes.substr(12, 3));
}

// Memory is handed out where it lies, from the position on; a file's bytes never are.
TEST(ByteSource, MemoryIsTakenInPlace) {
    const std::string bytes = "0123456789";
    ByteSource memory;
    memory.openMemory(bytes);
    ASSERT_TRUE(memory.seek(4));
    std::string_view taken;
    ASSERT_TRUE(memory.takeInPlace(taken));
    EXPECT_EQ(taken.data(), bytes.data() + 4);
    EXPECT_EQ(taken.size(), 6u);
    char byte = 0;
    EXPECT_EQ(memory.read(&byte, 1), 0u);  // the position moved to the end
    TempFolder folder;
    testing_support::writeFile(folder / "f", bytes);
    ByteSource file;
    ASSERT_TRUE(file.openFile((folder / "f").c_str()));
    EXPECT_FALSE(file.takeInPlace(taken));
    EXPECT_EQ(file.read(&byte, 1), 1u);
    EXPECT_EQ(byte, '0');
}

// A stream opens what a sized file refuses, a folder too, whose first read then fails;
// it has no size to read at.
TEST(ByteSource, StreamsReadInOrderOnly) {
    TempFolder folder;
    testing_support::writeFile(folder / "f", "abc");
    ByteSource stream;
    ASSERT_TRUE(stream.openStream((folder / "f").c_str()));
    char got[4] = {};
    EXPECT_FALSE(stream.readAt(0, got, 1));
    EXPECT_FALSE(stream.narrow(0, 1));
    EXPECT_EQ(stream.read(got, 4), 3u);
    ByteSource missing;
    EXPECT_FALSE(missing.openStream((folder / "none").c_str()));
#if !defined(_WIN32)
    ByteSource directory;
    ASSERT_TRUE(directory.openStream(folder.path().c_str()));
    EXPECT_EQ(directory.read(got, 4), 0u);
    EXPECT_TRUE(directory.failed());
#endif
}

}  // namespace
