// Streams a text file line by line in large blocks, without an allocation per line; or
// the text of a memory ByteSource, read where it lies.
//
// A line is the text up to, not including, the next LF; a CR right before that LF
// is not part of the line (a lone CR elsewhere stays). The last line counts even
// without a closing LF, and a file that ends with an LF yields no extra empty line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "base/byte_source.h"
#include "base/read_ahead.h"
#include "base/second_thread.h"

namespace tessaryn {

class LineReader {
public:
    LineReader() = default;
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;
    ~LineReader();

    // False when the file cannot be opened or read (a folder cannot be read either); a
    // pipe is read to its end. The first line starts `offset` bytes into the file, which
    // should be the start of a line given before (see lineOffset).
    bool open(const char* path, std::uint64_t offset = 0);
    // The same from `source`, which must outlive the reading. A memory source is read
    // where it lies: its whole text is at hand at once, and no block is copied.
    bool open(ByteSource& source, std::uint64_t offset = 0);
    // Gives the next line; the view stays valid until the next call. False at the end.
    bool next(std::string_view& line);
    // What ended the line `next` gave last: "\r\n", "\n", or nothing for a last line
    // without one. With it a reader can account for every byte of the file.
    std::string_view lineEnding() const { return std::string_view("\r\n").substr(2 - ending_); }
    // The text read ahead and not yet given as lines: right after open, the file's first
    // bytes (a block of them, or the whole file when it is smaller), for telling its
    // format before any line is read.
    std::string_view unread() const { return std::string_view(text_ + begin_, end_ - begin_); }
    // True when the text not yet given is all at hand, where its source holds it: the
    // next nextBlock() gives all of it, and the view stays valid while the source lives.
    bool allAtHand() const { return inPlace_; }
    // Gives the text not yet given, block by block, without looking for line ends: for a
    // scanner whose lines may be longer than any buffer should hold. The view stays valid
    // until the next call; next() is not to be mixed with it. False at the end.
    bool nextBlock(std::string_view& block);
    // The most bytes nextBlockAfter joins before a block.
    static constexpr std::size_t kKeepRoom = 256;
    // As nextBlock, for a file's reader (not a memory source's, whose text is all at
    // hand): `block` starts with a copy of `kept` (at most kKeepRoom bytes, which may lie
    // in the text given before), the text not yet given right after it. A reader that
    // keeps the last few bytes of each block has them joined to the next where it lies,
    // without copying the block. False at the end, `block` then holding `kept` alone.
    bool nextBlockAfter(std::string_view kept, std::string_view& block);
    // Passes over the lines ahead that hold none of the bytes `a`, `b` and `c`, up to the
    // first that holds one (the line next() gives then) or the end, and gives how many it
    // passed: for a scanner with no use for such lines, most of a large scene's, which
    // are numbers alone. A line's bytes are looked at sixteen at a time, its end with them.
    std::uint64_t passLinesWithout(char a, char b, char c);
    // The whole lines read ahead and not yet given, each with its LF, without reading
    // more: for a reader that goes through many short lines in a loop of its own, then
    // passes them with passAtHand. Empty when no whole line is at hand. Where they end is
    // looked for once a block, so a call costs little however long the line after them.
    std::string_view linesAtHand();
    // Passes the first `bytes` of what linesAtHand gave, which end right after an LF: the
    // line next() gives next is the one after them. lineOffset() and lineEnding() still
    // tell of the line next() gave last.
    void passAtHand(std::size_t bytes) { begin_ = scan_ = begin_ + bytes; }
    // Where the line next() gives next starts in the file (or in the text), in bytes.
    std::uint64_t nextLineOffset() const { return bufferOffset_ + begin_; }
    // Where the line last given starts in the file (or in the text), in bytes.
    std::uint64_t lineOffset() const { return lineOffset_; }
    // True when a read error ended the file early: what was read is incomplete.
    bool failed() const { return failed_; }
    // Reads the rest of a file on `thread`, a few blocks ahead of the lines given, until
    // the reader is opened again or closed (true, nothing more, when it does already);
    // false, read as before, when it cannot (no thread, the end already read) or should
    // not: memory, or a pipe, whose reading ahead could wait on its writer after the
    // reader has stopped.
    bool readAheadOn(const SecondThread* thread);
    void close();

private:
    bool fill();
    // A buffer of `capacity` bytes in place of the one held, the text read so far in it.
    void growBuffer(std::size_t capacity);
    // The lent thread's next block in place of the buffer, the unread text put before it.
    bool takeBlockAhead();

    ByteSource file_;                 // the file open() opens on a path
    ByteSource* source_ = nullptr;    // what is read; null once it is read to its end
    std::unique_ptr<ReadAhead> ahead_;  // reads source_ when running
    std::unique_ptr<char[]> buffer_;    // left uninitialised: only what was read is looked at;
                                        // kKeepRoom bytes or more before the unread text
    std::size_t capacity_ = 0;
    const char* text_ = "";           // buffer_, or a memory source's bytes
    std::size_t begin_ = 0;           // start of the unread text, from text_
    std::size_t scan_ = 0;            // no LF stands in [begin_, scan_)
    std::size_t end_ = 0;             // end of the text read so far
    std::size_t ending_ = 0;          // bytes of the last line's terminator: 0, 1 (LF) or 2 (CR LF)
    std::size_t linesEnd_ = 0;        // where the lines at hand end, from text_; 0: none,
    bool linesEndKnown_ = false;      // once looked for since the text last changed
    std::uint64_t bufferOffset_ = 0;  // where text_[0] lies in the file
    std::uint64_t lineOffset_ = 0;
    bool atEnd_ = false;    // nothing more to read: fill() gives no more text
    bool inPlace_ = false;  // text_ is a memory source's bytes
    bool failed_ = false;
};

}  // namespace tessaryn
