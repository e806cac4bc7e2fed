// Splits the lines of a Maya ASCII scene into statements and hands their words and
// strings to a handler, which decides what they mean.
//
// Statements end at a ';' outside double-quoted strings and may span lines; "//" starts
// a comment that runs to the end of the line; '\' escapes the next byte of a string.
// Maya never writes a raw line break inside a string (it continues a long string with
// '+' on the next line), so a string that runs past the end of its line is a damaged
// scene: scanLine answers false and the caller refuses the scene.
//
// The handler is a template parameter, not an interface: this loop sees every byte of
// scenes of hundreds of megabytes, and its calls must be inlined. The handler gives:
//   bool wordsMatter() const;        false: skip to the next ';', '"' or comment
//   bool readsNumberRun() const;     true: numberRun reads the words that follow
//   const char* numberRun(const char* p, const char* end);
//       reads white space and words of plain digits that white space or the line's end
//       closes, as word() would, and returns the first byte of anything else (a word
//       of other bytes, a string, a ';', a comment) or `end`; the splitter reads that
//       as always, then gives numberRun the rest
//   void beginStatement(std::uint64_t offset, bool startsLine);
//   void word(std::string_view word);
//   void string(std::string_view text);  // between the quotes, escapes as written
//   void endStatement(std::uint64_t offsetAfter);
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/byte_search.h"
#include "base/numbers.h"

namespace tessaryn {

namespace maya_bytes {

// What a byte is to the splitter; a table, since the splitter looks at every byte.
enum Kind : unsigned char { kPlain, kSpace, kMark };  // marks: ; " /

struct Kinds {
    Kind kind[256] = {};
    constexpr Kinds() {
        // The white space of isStreamSpace: blank, and tab to CR.
        kind[static_cast<unsigned char>(' ')] = kSpace;
        for (int c = '\t'; c <= '\r'; ++c) kind[c] = kSpace;
        kind[static_cast<unsigned char>(';')] = kMark;
        kind[static_cast<unsigned char>('"')] = kMark;
        kind[static_cast<unsigned char>('/')] = kMark;
    }
};
constexpr Kinds kKinds;

inline Kind kindOf(char c) {
    return kKinds.kind[static_cast<unsigned char>(c)];
}

inline bool startsComment(const char* p, const char* end) {
    return *p == '/' && p + 1 != end && p[1] == '/';
}

// The next ';', '"' or '/' in [p, end), or `end`; `line`, at or before p, is where the
// line starts. Vertex and face data hold none of them: eight bytes are looked at a time,
// the last ones as the line's last eight with those before p shifted out.
inline const char* nextMark(const char* line, const char* p, const char* end) {
    using namespace byte_search;
    const auto marks = [](std::uint64_t word) {
        return flagsOf(word, ';') | flagsOf(word, '"') | flagsOf(word, '/');
    };
    for (; end - p >= 8; p += 8) {
        const std::uint64_t flags = marks(loadWord(p));
        if (flags != 0) return p + firstFlagged(flags);
    }
    if (p == end) return end;
    if (end - line >= 8) {
        // The bytes shifted in are zeros, which are no mark.
        const auto shift = static_cast<unsigned>(8 * (p - (end - 8)));
        const std::uint64_t flags = marks(loadWord(end - 8) >> shift);
        return flags != 0 ? p + firstFlagged(flags) : end;
    }
    while (p != end && kindOf(*p) != kMark) ++p;
    return p;
}

// The next ';', '"' or comment in [p, end), or `end`; `line` as for nextMark.
inline const char* skipData(const char* line, const char* p, const char* end) {
    for (;;) {
        p = nextMark(line, p, end);
        if (p == end || *p != '/' || startsComment(p, end)) return p;
        ++p;
    }
}

// The end of the word at `p`: white space, ';', '"' or a comment.
inline const char* wordEnd(const char* p, const char* end) {
    for (;;) {
        while (p != end && kindOf(*p) == kPlain) ++p;
        if (p == end || *p != '/' || startsComment(p, end)) return p;
        ++p;
    }
}

// The closing quote of the string whose text starts at `p`, or `end` when it has none
// on this line.
inline const char* closingQuote(const char* p, const char* end) {
    for (; p != end; ++p) {
        if (*p == '\\') {
            if (++p == end) return end;
        } else if (*p == '"') {
            return p;
        }
    }
    return end;
}

}  // namespace maya_bytes

template <class Handler>
class MayaStatementSplitter {
public:
    explicit MayaStatementSplitter(Handler& handler) : handler_(handler) {}

    // The line that starts `lineStart` bytes into the file. False when a string on it
    // is not closed on it; the rest of the line is then not looked at.
    bool scanLine(std::string_view line, std::uint64_t lineStart) {
        using namespace maya_bytes;
        const char* const base = line.data();
        const char* p = base;
        const char* const end = p + line.size();
        onlyData_ = false;
        while (p != end) {
            // Vertex and face data, most of a scene, need no words: only a string, a
            // comment or the end of the statement matters there.
            if (inStatement_ && !handler_.wordsMatter()) {
                const char* const from = p;
                p = skipData(base, p, end);
                if (p == end) {
                    onlyData_ = from == base;
                    break;
                }
            } else if (inStatement_ && handler_.readsNumberRun()) {
                // Edge data, the rest of a scene, is read by the handler's own loop up
                // to the first byte that is not a plain number or white space.
                const char* const from = p;
                p = handler_.numberRun(p, end);
                if (p == end) {
                    onlyData_ = from == base;
                    break;
                }
            }
            const char c = *p;
            if (isStreamSpace(c)) {
                ++p;
            } else if (c == '"') {
                const char* const close = closingQuote(p + 1, end);
                if (close == end) return false;
                begin(lineStart, base, p);
                handler_.string(std::string_view(p + 1, static_cast<std::size_t>(close - p - 1)));
                p = close + 1;
            } else if (c == ';') {
                ++p;
                if (inStatement_) {
                    inStatement_ = false;
                    handler_.endStatement(lineStart + static_cast<std::uint64_t>(p - base));
                }
            } else if (startsComment(p, end)) {
                break;
            } else {
                const char* const word = p;
                p = wordEnd(p, end);
                begin(lineStart, base, word);
                handler_.word(std::string_view(word, static_cast<std::size_t>(p - word)));
            }
        }
        return true;
    }

    bool inStatement() const { return inStatement_; }
    // Whether the next line, were it data alone (no '"', ';' or '/'), would be passed
    // over whole, changing nothing: the statement it goes on needs no words.
    bool passesData() const { return inStatement_ && !handler_.wordsMatter(); }
    // Whether the line scanned last was data of the statement before it from its first
    // byte to its end, skipped or read as plain numbers: then it holds no '"', ';' or
    // "//" (a lone '/' perhaps). Most lines of a scene are; the scanner need not look
    // into them again.
    bool lineWasOnlyData() const { return onlyData_; }

private:
    void begin(std::uint64_t lineStart, const char* base, const char* at) {
        if (inStatement_) return;
        inStatement_ = true;
        handler_.beginStatement(lineStart + static_cast<std::uint64_t>(at - base), at == base);
    }

    Handler& handler_;
    bool inStatement_ = false;
    bool onlyData_ = false;
};

}  // namespace tessaryn
