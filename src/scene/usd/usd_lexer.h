// The tokens of a USD ASCII layer: words (`def`, `int[]`, `primvars:st:indices`), numbers,
// strings in all four quotings, asset paths (`@a.usd@`, `@@@a.usd@@@`), prim paths
// (`</a/b>`) and single punctuation characters. Blanks, line breaks and comments (`#`,
// `//`, `/* */`) lie between tokens; each token tells whether it is the first thing on
// its line and where that line starts, which is what a statement's whole-line byte range
// needs. Groups in brackets that nobody reads are passed over by skipGroup without
// making a token of each number in them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "scene/scene_facts.h"
#include "scene/usd/usd_byte_reader.h"

namespace tessaryn {

enum class UsdTokenKind { End, Word, Number, String, Asset, Path, Punct };

struct UsdToken {
    UsdTokenKind kind = UsdTokenKind::End;
    char punct = 0;            // the character of a Punct token
    std::string text;          // a word or number as written; a string's contents (escapes kept)
    std::string quote;         // a string's quotes: ", ', """ or '''
    std::string indent;        // the blanks before it on its line, when it is the first there
    std::uint64_t offset = 0;  // of its first byte
    std::int64_t line = 0;     // from 1
    // Only blanks (and comments that end at a line break) stand before it on its line;
    // its line starts at lineStart, and the line of the token before it ended at
    // previousLineEnd (past that line's LF).
    bool firstOnLine = false;
    std::uint64_t lineStart = 0;
    std::uint64_t previousLineEnd = 0;

    bool isPunct(char c) const { return kind == UsdTokenKind::Punct && punct == c; }
    bool isWord(const char* word) const { return kind == UsdTokenKind::Word && text == word; }
};

class UsdLexer {
public:
    // The reader's cursor should be at the start of a line (past the layer's header).
    explicit UsdLexer(UsdByteReader& reader)
        : reader_(reader), firstLineEnd_(reader.offset()), lastLineStart_(reader.offset()) {}

    // The next token; End at the end of the input and after a problem.
    const UsdToken& next();
    // The token last given comes again from the next call to next().
    void pushBack() { pushedBack_ = true; }

    // Passes everything up to the closer of the bracket `open` ('(', '[' or '{') that the
    // last token was. False with a problem when the input ends first or a closer of
    // another kind comes.
    bool skipGroup(char open);
    // Passes blanks, line breaks and comments inside a group: what it passes does not
    // count as standing before the next token.
    void skipSpaceInGroup();

    // A problem stops the scan: the lexer gives End from then on.
    void fail(SceneRefusal problem, std::int64_t line);
    SceneRefusal problem() const { return problem_; }
    std::int64_t problemLine() const { return problemLine_; }
    UsdByteReader& reader() { return reader_; }

private:
    void skipSpace();
    void lineFeedsInGroup();
    void skipToLineFeed();
    bool skipBlockComment();
    bool readQuoted(char quote, bool keepText);
    bool skipClosing(char delimiter, bool triple);
    bool unterminatedString(std::int64_t line);
    bool readAsset(bool keepText);
    bool readPath();
    void readWordOrNumber();
    void noteLineFeed(std::uint64_t after);

    UsdByteReader& reader_;
    UsdToken token_;
    bool pushedBack_ = false;
    SceneRefusal problem_ = SceneRefusal::None;
    std::int64_t problemLine_ = 0;
    // What skipSpace saw since the last token.
    bool sawLineFeed_ = true;
    bool sawText_ = false;  // a comment after the last line feed
    std::uint64_t firstLineEnd_ = 0;
    std::uint64_t lastLineStart_ = 0;
    std::string indent_;  // the blanks since the last line feed
};

}  // namespace tessaryn
