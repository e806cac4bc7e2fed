#include "base/line_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "support.h"
#include "tools/second_thread.h"

using testing_support::TempFolder;

namespace {

std::vector<std::string> linesOf(tessaryn::LineReader& reader) {
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.next(line)) lines.emplace_back(line);
    EXPECT_FALSE(reader.failed());
    return lines;
}

// With `ahead`, the file is read ahead on that thread.
std::vector<std::string> linesOf(const std::string& path,
                                 const tessaryn::SecondThread* ahead = nullptr) {
    tessaryn::LineReader reader;
    EXPECT_TRUE(reader.open(path.c_str()));
    if (ahead != nullptr) {
        EXPECT_EQ(reader.readAheadOn(ahead), !reader.unread().empty());
    }
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
    const tool::LentThread lent;
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.bytes));
        testing_support::writeFile(folder / "f", row.bytes);
        EXPECT_EQ(linesOf(folder / "f"), row.lines);
        EXPECT_EQ(linesOf(folder / "f", &lent.lend()), row.lines) << "read ahead";
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
    const tool::LentThread lent;
    for (const tessaryn::SecondThread* ahead :
         {static_cast<const tessaryn::SecondThread*>(nullptr), &lent.lend()}) {
        SCOPED_TRACE(ahead != nullptr ? "read ahead" : "read in turn");
        std::vector<std::string> lines = linesOf(folder / "f", ahead);
        ASSERT_GT(lines.size(), 3u);
        EXPECT_EQ(lines[0], "first");
        EXPECT_EQ(lines[1], longLine);
        for (std::size_t i = 2; i + 1 < lines.size(); ++i)
            ASSERT_EQ(lines[i], "line of some length");
        EXPECT_EQ(lines.back(), "last");
    }
}

// Reads `reader` a line, then passes the lines without ';', '"' or '/', in turn to its end:
// each line given or passed is the next of `lines` (and starts at its offset in `bytes`),
// each passed holds no mark, and each given after a pass holds one.
void expectPassedAsGiven(tessaryn::LineReader& reader, const std::string& bytes,
                         const std::vector<std::string>& lines) {
    std::vector<std::size_t> offsets;
    for (std::size_t at = 0; offsets.size() < lines.size(); at = bytes.find('\n', at) + 1)
        offsets.push_back(at);
    const auto marked = [](const std::string& line) {
        return line.find_first_of(";\"/") != std::string::npos;
    };
    std::size_t k = 0;
    bool passedBefore = false;
    std::string_view line;
    while (reader.next(line)) {
        ASSERT_LT(k, lines.size());
        ASSERT_EQ(line, lines[k]) << "line " << k;
        EXPECT_EQ(reader.lineOffset(), offsets[k]);
        if (passedBefore) {
            EXPECT_TRUE(marked(lines[k])) << "line " << k;
        }
        ++k;
        const std::uint64_t passed = reader.passLinesWithout(';', '"', '/');
        ASSERT_LE(k + passed, lines.size());
        for (std::size_t i = k; i < k + passed; ++i) EXPECT_FALSE(marked(lines[i])) << "line " << i;
        k += static_cast<std::size_t>(passed);
        if (k < lines.size()) {
            EXPECT_EQ(reader.nextLineOffset(), offsets[k]);
        }
        passedBefore = true;
    }
    EXPECT_EQ(k, lines.size());
    EXPECT_FALSE(reader.failed());
}

// Lines of numbers passed over, from a file or from memory: marks at every place of
// lines of every length around the sixteen and eight bytes looked at together, a mark
// right after an LF or before a CR, a last line without an LF, and runs across the
// edges of the file's 1 MiB blocks.
TEST(LineReader, PassesLinesWithoutMarks) {
    std::vector<std::string> texts;
    for (std::size_t length = 0; length <= 40; ++length) {
        for (std::size_t at = 0; at <= length; ++at) {
            for (const char mark : {';', '"', '/'}) {
                std::string line(length, '7');
                if (at < length) line[at] = mark;
                texts.push_back("head;\n1 2\n" + line + "\n3 4\n" + line);
                texts.push_back("head;\r\n0\r\n" + line + "\r\n\r\n-1.5 2\r\n");
            }
        }
    }
    std::string large = "setAttr;\n";
    while (large.size() < 3u * 1024 * 1024) large += "\t\t0.125 -1 7 0.5 2 3 4 5\n";
    large += "\t\t9 9;\n";
    while (large.size() < 5u * 1024 * 1024 + 77) large += "\t\tf 4 0 -4 -4097 1\n";
    texts.push_back(large + "end;");
    texts.push_back(large);
    TempFolder folder;
    const tool::LentThread lent;
    for (const std::string& text : texts) {
        SCOPED_TRACE(testing::PrintToString(text.substr(0, 60)));
        testing_support::InMemory memory(text);
        const std::vector<std::string> lines = linesOf(memory.lines);
        testing_support::InMemory again(text);
        expectPassedAsGiven(again.lines, text, lines);
        if (text.size() < 1024 * 1024 && text.size() % 7 != 0) continue;  // a few from a file
        testing_support::writeFile(folder / "f", text);
        tessaryn::LineReader reader;
        ASSERT_TRUE(reader.open((folder / "f").c_str()));
        expectPassedAsGiven(reader, text, lines);
        ASSERT_TRUE(reader.open((folder / "f").c_str()));
        reader.readAheadOn(&lent.lend());
        expectPassedAsGiven(reader, text, lines);
    }
}

// The whole lines at hand, some of them passed at a time, and next() going on after them:
// every line of the text once, in order, each where it lies in the file.
TEST(LineReader, GivesTheWholeLinesAtHand) {
    std::string large;
    while (large.size() < 3u * 1024 * 1024 + 5)
        large += "\t\tf 4 1450034 -1450038 -1454131 1450035\n";
    const std::string texts[] = {"",       "no line end", "one\n",       "a\r\nb\n\nc",
                                 "\n\n\n", large,         large + "last"};
    TempFolder folder;
    const tool::LentThread lent;
    for (const std::string& text : texts) {
        SCOPED_TRACE(testing::PrintToString(text.substr(0, 20)));
        testing_support::InMemory memory(text);
        const std::vector<std::string> expected = linesOf(memory.lines);
        testing_support::writeFile(folder / "f", text);
        tessaryn::LineReader fromFile;
        ASSERT_TRUE(fromFile.open((folder / "f").c_str()));
        tessaryn::LineReader readAhead;
        ASSERT_TRUE(readAhead.open((folder / "f").c_str()));
        readAhead.readAheadOn(&lent.lend());
        testing_support::InMemory again(text);
        for (tessaryn::LineReader* reader : {&fromFile, &readAhead, &again.lines}) {
            std::vector<std::string> lines;
            std::string_view line;
            for (std::size_t round = 0;; ++round) {
                // Half the lines at hand passed (all of them every third round), then one
                // from next().
                const std::string_view atHand = reader->linesAtHand();
                ASSERT_TRUE(atHand.empty() || atHand.back() == '\n');
                ASSERT_EQ(reader->nextLineOffset() + atHand.size() <= text.size(), true);
                ASSERT_EQ(text.compare(reader->nextLineOffset(), atHand.size(), atHand), 0);
                std::size_t passed = 0;
                for (std::size_t wanted = round % 3 == 0 ? atHand.size() : atHand.size() / 2;
                     passed < wanted;) {
                    const std::size_t feed = atHand.find('\n', passed);
                    std::string_view passedLine = atHand.substr(passed, feed - passed);
                    if (!passedLine.empty() && passedLine.back() == '\r')
                        passedLine.remove_suffix(1);
                    lines.emplace_back(passedLine);
                    passed = feed + 1;
                }
                reader->passAtHand(passed);
                if (!reader->next(line)) break;
                lines.emplace_back(line);
            }
            EXPECT_FALSE(reader->failed());
            EXPECT_EQ(lines, expected);
        }
    }
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

    // Opened again while it reads ahead, part-way through: the reading ahead stops, and
    // the reader goes on from the offset, read ahead again or not.
    const tool::LentThread lent;
    tessaryn::ByteSource file;
    ASSERT_TRUE(file.openFile((folder / "f").c_str()));
    for (const bool again : {false, true}) {
        ASSERT_TRUE(reader.open(file, 0));
        ASSERT_TRUE(reader.readAheadOn(&lent.lend()));
        std::string_view line;
        for (std::size_t i = 0; i < lines.size() / 3; ++i) ASSERT_TRUE(reader.next(line));
        const std::size_t first = lines.size() / 5;
        ASSERT_TRUE(reader.open(file, offsets[first]));
        if (again) {
            ASSERT_TRUE(reader.readAheadOn(&lent.lend()));
        }
        std::size_t i = first;
        for (; reader.next(line); ++i) ASSERT_EQ(line, lines[i]);
        EXPECT_EQ(i, lines.size());
        EXPECT_FALSE(reader.failed());
    }
}

// Blocks joined to what the reader kept of the ones before, of every length up to the
// most, from a file read ahead or not: each block starts with the bytes kept, the text
// after them comes in order and whole, and each block's offset is where it lies.
TEST(LineReader, BlocksAfterTheBytesKept) {
    std::string bytes;
    for (int i = 0; bytes.size() < 5u * 1024 * 1024 + 333; ++i) bytes += std::to_string(i) + ", ";
    TempFolder folder;
    testing_support::writeFile(folder / "f", bytes);
    const tool::LentThread lent;
    for (const tessaryn::SecondThread* ahead :
         {static_cast<const tessaryn::SecondThread*>(nullptr), &lent.lend()}) {
        tessaryn::LineReader reader;
        ASSERT_TRUE(reader.open((folder / "f").c_str()));
        if (ahead != nullptr) {
            ASSERT_TRUE(reader.readAheadOn(ahead));
        }
        std::string joined;  // the text given, without the bytes kept again
        std::string_view kept;
        std::string_view block;
        for (std::size_t round = 0;; ++round) {
            // Asked again while it reads ahead: it goes on, no block read ahead lost.
            if (ahead != nullptr && round == 2) {
                ASSERT_TRUE(reader.readAheadOn(ahead));
            }
            const std::string keptBefore(kept);  // kept lies where the next block may go
            const bool more = reader.nextBlockAfter(kept, block);
            ASSERT_EQ(block.substr(0, kept.size()), keptBefore);
            ASSERT_EQ(reader.lineOffset(), joined.size() - kept.size());
            joined.append(block.substr(kept.size()));
            if (!more) break;
            const std::size_t keep = std::min<std::size_t>(
                {round * 37 % (tessaryn::LineReader::kKeepRoom + 1), block.size()});
            kept = block.substr(block.size() - keep);
        }
        EXPECT_EQ(joined, bytes);
        EXPECT_FALSE(reader.failed());
    }
}

// A file that is shorter when read ahead than when it was opened: the lines before the
// loss come as they were, then the end, told as a failed read.
TEST(LineReader, AFileThatShrinksWhileReadAheadFails) {
    TempFolder folder;
    std::string bytes;
    while (bytes.size() < 6u * 1024 * 1024) bytes += "line " + std::to_string(bytes.size()) + "\n";
    testing_support::writeFile(folder / "f", bytes);
    const tool::LentThread lent;
    for (const std::size_t kept : {std::size_t{0}, std::size_t{1} << 20, std::size_t{2500000}}) {
        SCOPED_TRACE(kept);
        tessaryn::ByteSource file;
        ASSERT_TRUE(file.openFile((folder / "f").c_str()));
        tessaryn::LineReader reader;
        ASSERT_TRUE(reader.open(file, 0));
        const std::size_t first = reader.unread().size();
        testing_support::writeFile(folder / "f", bytes.substr(0, std::max(kept, first)));
        ASSERT_TRUE(reader.readAheadOn(&lent.lend()));
        std::string given;
        std::string_view line;
        while (reader.next(line)) given += std::string(line) + "\n";
        EXPECT_TRUE(reader.failed());
        EXPECT_LE(given.size(), std::max(kept, first) + 1);
        EXPECT_EQ(bytes.compare(0, given.size() - 1, given, 0, given.size() - 1), 0);
        testing_support::writeFile(folder / "f", bytes);
    }
}

// Only a file is read ahead: memory lies at hand already, and a pipe's next read may wait
// on its writer after the reader has stopped (it would then wait with it when closed).
TEST(LineReader, ReadsAheadOnlyFromFiles) {
    const tool::LentThread lent;
    testing_support::InMemory memory("a\nb\n");
    EXPECT_FALSE(memory.lines.readAheadOn(&lent.lend()));
    TempFolder folder;
    testing_support::writeFile(folder / "f", "a\nb\n");
    tessaryn::LineReader file;
    ASSERT_TRUE(file.open((folder / "f").c_str()));
    EXPECT_FALSE(file.readAheadOn(nullptr));
    EXPECT_TRUE(file.readAheadOn(&lent.lend()));
#if !defined(_WIN32)
    const std::string fifo = folder / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // The writer gives two lines, then holds its end open until the reader has read them.
    std::thread writer([&fifo] {
        const int end = ::open(fifo.c_str(), O_WRONLY);
        if (end < 0) return;
        const bool written = ::write(end, "a\nb\n", 4) == 4;
        (void)written;
        usleep(100000);
        ::close(end);
    });
    tessaryn::LineReader pipe;
    ASSERT_TRUE(pipe.open(fifo.c_str()));
    EXPECT_FALSE(pipe.readAheadOn(&lent.lend()));
    EXPECT_EQ(linesOf(pipe), (std::vector<std::string>{"a", "b"}));
    writer.join();
#endif
}

TEST(LineReader, MissingFilesAndFoldersDoNotOpen) {
    TempFolder folder;
    tessaryn::LineReader reader;
    EXPECT_FALSE(reader.open((folder / "missing").c_str()));
    EXPECT_FALSE(reader.open(folder.path().c_str()));
}

}  // namespace
