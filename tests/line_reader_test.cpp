#include "base/line_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support.h"

using testing_support::TempFolder;

namespace {

std::vector<std::string> linesOf(tessaryn::LineReader& reader) {
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.next(line)) lines.emplace_back(line);
    EXPECT_FALSE(reader.failed());
    return lines;
}

std::vector<std::string> linesOf(const std::string& path) {
    tessaryn::LineReader reader;
    EXPECT_TRUE(reader.open(path.c_str()));
    return linesOf(reader);
}

TEST(LineReader, SplitsLinesAsTextModeDoes) {
    struct Row {
        std::string bytes;
        std::vector<std::string> lines;
    } rows[] = {
        {"", {}},
        {"\n", {""}},
        {"a\nb\n", {"a", "b"}},
        {"a\nb", {"a", "b"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\rb\r\n", {"a\rb"}},
        {"a\r\r\n", {"a\r"}},
        {"a\r", {"a\r"}},
        {"\n\n", {"", ""}},
        {std::string("a\0b\n", 4), {std::string("a\0b", 3)}},
    };
    TempFolder folder;
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.bytes));
        testing_support::writeFile(folder / "f", row.bytes);
        EXPECT_EQ(linesOf(folder / "f"), row.lines);
        testing_support::InMemory memory(row.bytes);
        EXPECT_EQ(linesOf(memory.lines), row.lines) << "from memory";
    }
}

// Memory is read where it lies: the lines are views into the source's own bytes, and a
// reader opened at an offset starts there, as on a file.
TEST(LineReader, ReadsMemoryInPlace) {
    const std::string bytes = "one\r\ntwo\nthree";
    testing_support::InMemory memory(bytes);
    EXPECT_TRUE(memory.lines.allAtHand());
    EXPECT_EQ(memory.lines.unread().data(), memory.block.get());
    std::string_view line;
    ASSERT_TRUE(memory.lines.next(line));
    ASSERT_TRUE(memory.lines.next(line));
    EXPECT_EQ(line.data(), memory.block.get() + 5);
    EXPECT_EQ(memory.lines.lineOffset(), 5u);
    std::string_view block;
    ASSERT_TRUE(memory.lines.nextBlock(block));
    EXPECT_EQ(block, "three");
    EXPECT_FALSE(memory.lines.nextBlock(block));

    tessaryn::LineReader reader;
    ASSERT_TRUE(reader.open(memory.source, 5));
    EXPECT_EQ(linesOf(reader), (std::vector<std::string>{"two", "three"}));
    EXPECT_FALSE(reader.open(memory.source, bytes.size() + 1));
    // A file's reader holds blocks of its own.
    TempFolder folder;
    testing_support::writeFile(folder / "f", bytes);
    ASSERT_TRUE(reader.open((folder / "f").c_str()));
    EXPECT_FALSE(reader.allAtHand());
}

TEST(LineReader, LinesLongerThanABlockAndAcrossBlockEdges) {
    TempFolder folder;
    std::string longLine(3 * 1024 * 1024 + 17, 'x');
    std::string bytes = "first\r\n" + longLine + "\r\n";
    // Lines whose CR LF straddles the edge of a 1 MiB block.
    while (bytes.size() < 5u * 1024 * 1024) bytes += "line of some length\r\n";
    bytes += "last";
    testing_support::writeFile(folder / "f", bytes);
    std::vector<std::string> lines = linesOf(folder / "f");
    ASSERT_GT(lines.size(), 3u);
    EXPECT_EQ(lines[0], "first");
    EXPECT_EQ(lines[1], longLine);
    for (std::size_t i = 2; i + 1 < lines.size(); ++i) ASSERT_EQ(lines[i], "line of some length");
    EXPECT_EQ(lines.back(), "last");
}

// The line and its terminator account for every byte, as a byte-exact rewrite needs.
TEST(LineReader, TellsEachLinesTerminator) {
    testing_support::InMemory text("a\r\nb\n\r\nc\r\r\nlast\r");
    std::string again;
    std::string_view line;
    while (text.lines.next(line)) again += std::string(line) + std::string(text.lines.lineEnding());
    EXPECT_EQ(again, "a\r\nb\n\r\nc\r\r\nlast\r");
    testing_support::InMemory one("x\n");
    ASSERT_TRUE(one.lines.next(line));
    EXPECT_EQ(one.lines.lineEnding(), "\n");
}

// A reader opened at the offset of a line it gave before gives that line and the rest,
// wherever the line lay among the reader's blocks.
TEST(LineReader, ReopensAtTheOffsetOfAnyLine) {
    TempFolder folder;
    std::string bytes = "first\r\n" + std::string(1024 * 1024 + 5, 'x') + "\n";
    while (bytes.size() < 3u * 1024 * 1024)
        bytes += "line " + std::to_string(bytes.size()) + "\r\n";
    bytes += "last";
    testing_support::writeFile(folder / "f", bytes);
    const std::vector<std::string> lines = linesOf(folder / "f");

    std::vector<std::uint64_t> offsets;
    tessaryn::LineReader reader;
    ASSERT_TRUE(reader.open((folder / "f").c_str()));
    for (std::string_view line; reader.next(line);) {
        offsets.push_back(reader.lineOffset());
        ASSERT_EQ(bytes.compare(offsets.back(), line.size(), line), 0);
    }
    ASSERT_EQ(offsets.size(), lines.size());
    for (std::size_t first :
         {std::size_t{0}, std::size_t{1}, std::size_t{2}, lines.size() / 2, lines.size() - 1}) {
        SCOPED_TRACE(first);
        ASSERT_TRUE(reader.open((folder / "f").c_str(), offsets[first]));
        std::size_t i = first;
        for (std::string_view line; reader.next(line); ++i) ASSERT_EQ(line, lines[i]);
        EXPECT_EQ(i, lines.size());
    }
}

TEST(LineReader, MissingFilesAndFoldersDoNotOpen) {
    TempFolder folder;
    tessaryn::LineReader reader;
    EXPECT_FALSE(reader.open((folder / "missing").c_str()));
    EXPECT_FALSE(reader.open(folder.path().c_str()));
}

}  // namespace
