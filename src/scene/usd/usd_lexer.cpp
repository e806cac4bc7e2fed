#include "scene/usd/usd_lexer.h"

#include <cstring>

#include "scene/usd/usd_word_bytes.h"

namespace tessaryn {

namespace {

// Strings longer than this are passed over whole but keep only their start: no name a
// scan needs is that long, and a layer's documentation string may be megabytes.
constexpr std::size_t kMaxTokenText = std::size_t{1} << 16;

// Indentation deeper than this is kept only so far.
constexpr std::size_t kMaxIndent = 256;

bool isWordStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool isWordPart(char c) {
    return isWordStart(c) || (c >= '0' && c <= '9') || c == ':' || c == '.';
}
bool isNumberPart(char c) {
    return isWordStart(c) || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+';
}

void keep(std::string& text, char c) {
    if (text.size() < kMaxTokenText) text.push_back(c);
}

// The bytes skipGroup must look at; every other byte of a group (digits, blanks, commas,
// letters) is passed in the tight loop.
struct GroupBytes {
    bool special[256] = {};
    GroupBytes() {
        for (const char c : std::string("()[]{}\"'@<#/"))
            special[static_cast<unsigned char>(c)] = true;
    }
};
const GroupBytes kGroupBytes;

char closerOf(char open) {
    return open == '(' ? ')' : open == '[' ? ']' : '}';
}

}  // namespace

void UsdLexer::fail(SceneRefusal problem, std::int64_t line) {
    if (problem_ != SceneRefusal::None) return;
    problem_ = problem;
    problemLine_ = line;
}

void UsdLexer::noteLineFeed(std::uint64_t after) {
    if (!sawLineFeed_) firstLineEnd_ = after;
    sawLineFeed_ = true;
    sawText_ = false;
    lastLineStart_ = after;
    indent_.clear();
}

void UsdLexer::skipToLineFeed() {
    for (;;) {
        if (!reader_.ensure()) return;
        const void* lineFeed = std::memchr(
            reader_.cursor, '\n', static_cast<std::size_t>(reader_.limit - reader_.cursor));
        if (lineFeed != nullptr) {
            reader_.cursor = static_cast<const char*>(lineFeed);
            return;
        }
        reader_.cursor = reader_.limit;
    }
}

// The cursor is on the '/' of "/*"; passes the comment through its "*/".
bool UsdLexer::skipBlockComment() {
    const std::int64_t line = reader_.line();
    reader_.cursor += 2;
    for (;;) {
        if (!reader_.ensure(2)) {
            fail(SceneRefusal::UnterminatedBlock, line);
            return false;
        }
        if (reader_.cursor[0] == '*' && reader_.cursor[1] == '/') {
            reader_.cursor += 2;
            return true;
        }
        if (reader_.cursor[0] == '\n') noteLineFeed(reader_.offset() + 1);
        ++reader_.cursor;
    }
}

void UsdLexer::skipSpaceInGroup() {
    skipSpace();
    lineFeedsInGroup();
}

void UsdLexer::lineFeedsInGroup() {
    sawLineFeed_ = sawText_ = false;
}

void UsdLexer::skipSpace() {
    for (;;) {
        const int c = reader_.peek();
        if (c == ' ' || c == '\t') {
            if (indent_.size() < kMaxIndent) indent_.push_back(static_cast<char>(c));
            ++reader_.cursor;
        } else if (c == '\r') {
            ++reader_.cursor;
        } else if (c == '\n') {
            ++reader_.cursor;
            noteLineFeed(reader_.offset());
        } else if (c == '#' || (c == '/' && reader_.ensure(2) && reader_.cursor[1] == '/')) {
            skipToLineFeed();
        } else if (c == '/' && reader_.ensure(2) && reader_.cursor[1] == '*') {
            if (!skipBlockComment()) return;
            sawText_ = true;
        } else {
            return;
        }
    }
}

// Moves past the closing delimiter, one byte or three of a triple form, when the cursor
// is on it; the bytes after the cursor are there (the caller ensured three for a triple).
bool UsdLexer::skipClosing(char delimiter, bool triple) {
    const bool closes =
        *reader_.cursor == delimiter &&
        (!triple || (reader_.cursor[1] == delimiter && reader_.cursor[2] == delimiter));
    if (closes) reader_.cursor += triple ? 3 : 1;
    return closes;
}

bool UsdLexer::unterminatedString(std::int64_t line) {
    fail(SceneRefusal::UnterminatedString, line);
    return false;
}

// The cursor is on the opening quote. Single-quoted strings end at their line; triple-
// quoted ones may span lines. A backslash escapes the byte after it.
bool UsdLexer::readQuoted(char quote, bool keepText) {
    const std::int64_t line = reader_.line();
    const bool triple =
        reader_.ensure(3) && reader_.cursor[1] == quote && reader_.cursor[2] == quote;
    reader_.cursor += triple ? 3 : 1;
    if (keepText) token_.quote.assign(triple ? 3 : 1, quote);
    for (;;) {
        // Fewer than three bytes left cannot close a triple-quoted string.
        if (!reader_.ensure(triple ? 3 : 1)) break;
        const char c = *reader_.cursor;
        if (c == '\\') {
            if (keepText) keep(token_.text, c);
            ++reader_.cursor;
            if (!reader_.ensure()) continue;
            if (*reader_.cursor == '\n' && !triple) break;
            if (keepText) keep(token_.text, *reader_.cursor);
            ++reader_.cursor;
            continue;
        }
        if (c == '\n' && !triple) break;
        if (skipClosing(quote, triple)) return true;
        if (keepText) keep(token_.text, c);
        ++reader_.cursor;
    }
    return unterminatedString(line);
}

// `@path@` on one line, or `@@@path@@@` in which `\@@@` stands for `@@@`.
bool UsdLexer::readAsset(bool keepText) {
    const std::int64_t line = reader_.line();
    const bool triple = reader_.ensure(3) && reader_.cursor[1] == '@' && reader_.cursor[2] == '@';
    reader_.cursor += triple ? 3 : 1;
    for (;;) {
        if (!reader_.ensure(triple ? 3 : 1)) break;
        const char c = *reader_.cursor;
        if (c == '\n') break;
        if (triple && c == '\\' && reader_.ensure(4) && reader_.cursor[1] == '@' &&
            reader_.cursor[2] == '@' && reader_.cursor[3] == '@') {
            reader_.cursor += 4;
            continue;
        }
        if (skipClosing('@', triple)) return true;
        if (keepText) keep(token_.text, c);
        ++reader_.cursor;
    }
    return unterminatedString(line);
}

bool UsdLexer::readPath() {
    const std::int64_t line = reader_.line();
    ++reader_.cursor;
    for (;;) {
        if (!reader_.ensure() || *reader_.cursor == '\n') break;
        if (*reader_.cursor++ == '>') return true;
    }
    fail(SceneRefusal::UnterminatedString, line);
    return false;
}

void UsdLexer::readWordOrNumber() {
    const bool word = isWordStart(*reader_.cursor);
    token_.kind = word ? UsdTokenKind::Word : UsdTokenKind::Number;
    while (reader_.ensure() && (word ? isWordPart(*reader_.cursor) : isNumberPart(*reader_.cursor)))
        keep(token_.text, *reader_.cursor++);
    // A type's array mark belongs to the word: `int[] faceVertexCounts`.
    if (word && reader_.ensure(2) && reader_.cursor[0] == '[' && reader_.cursor[1] == ']') {
        token_.text += "[]";
        reader_.cursor += 2;
    }
}

const UsdToken& UsdLexer::next() {
    if (pushedBack_) {
        pushedBack_ = false;
        return token_;
    }
    token_.kind = UsdTokenKind::End;
    token_.text.clear();
    token_.punct = 0;
    if (problem_ != SceneRefusal::None) return token_;
    skipSpace();
    token_.quote.clear();
    token_.firstOnLine = sawLineFeed_ && !sawText_;
    if (token_.firstOnLine) token_.indent = indent_;
    token_.lineStart = lastLineStart_;
    token_.previousLineEnd = firstLineEnd_;
    sawLineFeed_ = sawText_ = false;
    token_.offset = reader_.offset();
    token_.line = reader_.line();
    if (problem_ != SceneRefusal::None || !reader_.ensure()) return token_;

    const char c = *reader_.cursor;
    bool read = true;
    if (c == '"' || c == '\'') {
        token_.kind = UsdTokenKind::String;
        read = readQuoted(c, true);
    } else if (c == '@') {
        token_.kind = UsdTokenKind::Asset;
        read = readAsset(true);
    } else if (c == '<') {
        token_.kind = UsdTokenKind::Path;
        read = readPath();
    } else if (isWordStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.') {
        readWordOrNumber();
    } else {
        token_.kind = UsdTokenKind::Punct;
        token_.punct = c;
        ++reader_.cursor;
    }
    if (!read) token_.kind = UsdTokenKind::End;
    return token_;
}

bool UsdLexer::skipGroup(char open) {
    const std::int64_t line = token_.line;
    // The closers still owed, innermost last; the parentheses innermost of all (the
    // tuples of an array) only counted, so that a word of number text can be passed
    // whole with its parentheses added up.
    std::string closers;
    std::uint64_t parens = 0;
    if (open == '(')
        parens = 1;
    else
        closers.push_back(closerOf(open));
    for (;;) {
        const char* p = reader_.cursor;
        const char* const end = reader_.limit;
        for (;;) {
            // Runs without parentheses pass sixty-four bytes at a time; a block that might
            // close the group, or more than it opened, is looked at a word at a time,
            // then byte by byte.
            while (end - p >= 64 && plainNumberText64(p)) p += 64;
            for (; end - p >= 16; p += 16) {
                const NumberTextBlock block = numberTextBlock(p);
                if (!block.numberText || block.closes > parens ||
                    (block.closes == parens && closers.empty()))
                    break;
                parens += block.opens - std::uint64_t{block.closes};
            }
            for (; end - p >= 8; p += 8) {
                const std::uint64_t word = loadWord(p);
                if (numberTextBytes(word) != kHighBits) break;
                const unsigned closes = markedBytes(bytesEqual(word, ')'));
                // A word that might close the group, or more than it opened, is looked at
                // byte by byte.
                if (closes > parens || (closes == parens && closers.empty())) break;
                parens += markedBytes(bytesEqual(word, '(')) - std::uint64_t{closes};
            }
            const char* const wordEnd = end - p >= 8 ? p + 8 : end;
            while (p != wordEnd && !kGroupBytes.special[static_cast<unsigned char>(*p)]) ++p;
            if (p != wordEnd) {
                if (*p == '(') {
                    ++parens;
                } else if (*p == ')' && parens > 0) {
                    --parens;
                    if (parens == 0 && closers.empty()) {
                        reader_.cursor = p + 1;
                        lineFeedsInGroup();
                        return true;
                    }
                } else {
                    break;
                }
                ++p;
            }
            if (p == end) break;
        }
        reader_.cursor = p;
        if (p == end) {
            if (reader_.ensure()) continue;
            fail(SceneRefusal::UnterminatedBlock, line);
            return false;
        }
        const char c = *p;
        bool read = true;
        switch (c) {
            case '[':
            case '{':
                closers.append(static_cast<std::size_t>(parens), ')');
                parens = 0;
                closers.push_back(closerOf(c));
                ++reader_.cursor;
                break;
            case ')':
            case ']':
            case '}':
                if (parens > 0 || closers.empty() || c != closers.back()) {
                    fail(SceneRefusal::UnterminatedBlock, line);
                    return false;
                }
                ++reader_.cursor;
                closers.pop_back();
                // The parentheses below the bracket closed are counted again.
                while (!closers.empty() && closers.back() == ')') {
                    closers.pop_back();
                    ++parens;
                }
                if (closers.empty() && parens == 0) {
                    lineFeedsInGroup();
                    return true;
                }
                break;
            case '"':
            case '\'':
                read = readQuoted(c, false);
                break;
            case '@':
                read = readAsset(false);
                break;
            case '<':
                read = readPath();
                break;
            default:  // '#' or '/'
                if (c == '/' && !(reader_.ensure(2) &&
                                  (reader_.cursor[1] == '/' || reader_.cursor[1] == '*'))) {
                    ++reader_.cursor;
                    break;
                }
                skipSpaceInGroup();
                read = problem_ == SceneRefusal::None;
                break;
        }
        if (!read) return false;
    }
}

}  // namespace tessaryn
