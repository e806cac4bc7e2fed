#include "scene/maya/maya_scene_reader.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <limits>

#include "base/numbers.h"

namespace tessaryn {

namespace {

// Names and attribute names are short; longer strings (scripts) are only skipped.
constexpr std::size_t kKeptStringBytes = 1024;
// Index ranges stay below this, so that the highest index plus one is an int32.
constexpr std::int64_t kIndexLimit = std::numeric_limits<std::int32_t>::max();

// "a" or "a:b" with a <= b, plain digits, below kIndexLimit.
bool readIndexRange(std::string_view text, std::int64_t& first, std::int64_t& last) {
    const std::size_t colon = text.find(':');
    auto readIndex = [](std::string_view digits, std::int64_t& value) {
        if (digits.empty() || digits.size() > 10) return false;
        value = 0;
        for (char c : digits) {
            if (c < '0' || c > '9') return false;
            value = value * 10 + (c - '0');
        }
        return value < kIndexLimit;
    };
    if (colon == std::string_view::npos) {
        if (!readIndex(text, first)) return false;
        last = first;
        return true;
    }
    return readIndex(text.substr(0, colon), first) && readIndex(text.substr(colon + 1), last) &&
           first <= last;
}

// The range of an attribute name such as ".ed[0:165]" whose stem is ".ed".
bool readAttributeRange(std::string_view attribute, std::string_view stem, std::int64_t& first,
                        std::int64_t& last) {
    if (attribute.size() < stem.size() + 2 || attribute.compare(0, stem.size(), stem) != 0 ||
        attribute[stem.size()] != '[' || attribute.back() != ']') {
        return false;
    }
    return readIndexRange(attribute.substr(stem.size() + 1, attribute.size() - stem.size() - 2),
                          first, last);
}

bool readWholeNumber(std::string_view word, std::int64_t& value) {
    TextCursor cursor(word);
    return readInt64(cursor, value) && cursor.atEnd();
}

// What a byte is to the statement scanner; a table, since the scanner looks at every
// byte of hundreds of megabytes.
enum ByteKind : unsigned char { kPlain, kSpace, kMark };  // marks: ; " /

struct ByteKinds {
    ByteKind kind[256] = {};
    constexpr ByteKinds() {
        // The white space of isStreamSpace: blank, and tab to CR.
        kind[static_cast<unsigned char>(' ')] = kSpace;
        for (int c = '\t'; c <= '\r'; ++c) kind[c] = kSpace;
        kind[static_cast<unsigned char>(';')] = kMark;
        kind[static_cast<unsigned char>('"')] = kMark;
        kind[static_cast<unsigned char>('/')] = kMark;
    }
};
constexpr ByteKinds kByteKinds;

ByteKind kindOf(char c) {
    return kByteKinds.kind[static_cast<unsigned char>(c)];
}

// "//" outside a string comments out the rest of the line.
bool startsComment(const char* p, const char* end) {
    return *p == '/' && p + 1 != end && p[1] == '/';
}

// The next ';', '"' or comment, or `end`.
const char* skipData(const char* p, const char* end) {
    for (;;) {
        while (p != end && kindOf(*p) != kMark) ++p;
        if (p == end || *p != '/' || startsComment(p, end)) return p;
        ++p;
    }
}

// The end of the word at `p`: white space, ';', '"' or a comment.
const char* wordEnd(const char* p, const char* end) {
    for (;;) {
        while (p != end && kindOf(*p) == kPlain) ++p;
        if (p == end || *p != '/' || startsComment(p, end)) return p;
        ++p;
    }
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// The statements the reader looks into; every other one is only followed to its ';'.
// SetAttr is a setAttr of a mesh node whose attribute is not named yet.
enum class Statement {
    Other,
    CreateNode,
    SetAttr,
    PlainAttribute,
    Vertices,
    Edges,
    Faces,
    Creases
};

// The crease-edge ends the scanner keeps a bit for: up to 16 MiB of bits, however large
// the vertex numbers a file writes. An end beyond passes the filter to the lookup.
constexpr std::uint32_t kFilterReach = std::uint32_t{1} << 27;

class SceneScanner {
public:
    explicit SceneScanner(const std::vector<EdgeKey>& creaseEdges)
        : creaseEnds_(creaseEdges, kFilterReach) {
        creases_.reserve(creaseEdges.size());
        for (EdgeKey edge : creaseEdges) creases_.insert(edge, 0);
    }

    void scanLine(std::string_view line, std::string_view ending) {
        if (scene_.problem != MayaSceneProblem::None) return;
        ++lineNumber_;
        ending_ = ending;
        if (lineNumber_ == 1 && !isMayaAsciiHeader(line)) return;
        lineData_ = line.data();
        const char* p = line.data();
        const char* const end = p + line.size();
        if (inString_) p = continueString(p, end);
        while (p != end) {
            // Vertex and face data, most of a scene, need no words: only a string, a
            // comment or the end of the statement matters there.
            if (inStatement_ && !wordsMatter()) {
                p = skipData(p, end);
                if (p == end) break;
            }
            const char c = *p;
            if (isStreamSpace(c)) {
                ++p;
            } else if (c == '"') {
                beginString(p);
                p = continueString(p + 1, end);
            } else if (c == ';') {
                ++p;
                endStatement(offsetOf(p));
            } else if (startsComment(p, end)) {
                break;
            } else {
                const char* const word = p;
                p = wordEnd(p, end);
                onWord(std::string_view(word, static_cast<std::size_t>(p - word)), offsetOf(word));
            }
            if (scene_.problem != MayaSceneProblem::None) return;
        }
        if (inString_ && stringBytes_.size() < kKeptStringBytes) stringBytes_ += '\n';
        lineStart_ += line.size() + ending.size();
    }

    MayaScene finish() {
        if (scene_.problem == MayaSceneProblem::None && lineNumber_ == 0) {
            fail(MayaSceneProblem::NotMayaAscii, 1);
        } else if (scene_.problem == MayaSceneProblem::None && inString_) {
            fail(MayaSceneProblem::UnterminatedString, stringLine_);
        } else if (scene_.problem == MayaSceneProblem::None && inStatement_) {
            fail(MayaSceneProblem::UnterminatedStatement, statementLine_);
        }
        scene_.size = lineStart_;
        return std::move(scene_);
    }

private:
    bool isMayaAsciiHeader(std::string_view line) {
        if (startsWith(line, "FOR4") || startsWith(line, "FOR8")) {
            fail(MayaSceneProblem::Binary, 1);
            return false;
        }
        if (!startsWith(line, "//Maya ASCII")) {
            fail(MayaSceneProblem::NotMayaAscii, 1);
            return false;
        }
        return true;
    }

    bool wordsMatter() const {
        return statement_ == Statement::CreateNode || statement_ == Statement::Edges ||
               statement_ == Statement::Creases;
    }

    void fail(MayaSceneProblem problem, std::int64_t line) {
        scene_.problem = problem;
        scene_.problemLine = line;
    }

    std::uint64_t offsetOf(const char* p) const {
        return lineStart_ + static_cast<std::uint64_t>(p - lineData_);
    }

    void beginString(const char* quote) {
        inString_ = true;
        escaped_ = false;
        stringLine_ = lineNumber_;
        stringStart_ = offsetOf(quote);
        stringBytes_.clear();
    }

    // Gives the position after the closing quote, or `end` when the string goes on.
    const char* continueString(const char* p, const char* end) {
        for (; p != end; ++p) {
            if (escaped_) {
                escaped_ = false;
            } else if (*p == '\\') {
                escaped_ = true;
            } else if (*p == '"') {
                inString_ = false;
                onString(stringBytes_, stringStart_);
                return p + 1;
            }
            if (stringBytes_.size() < kKeptStringBytes) stringBytes_ += *p;
        }
        return end;
    }

    MayaMeshNode* openNode() { return nodeOpen_ ? &scene_.nodes.back() : nullptr; }

    void beginStatement(std::uint64_t offset) {
        inStatement_ = true;
        statementLine_ = lineNumber_;
        statementStart_ = offset;
        statement_ = Statement::Other;
        // Maya indents the statements of a node; one that starts a line ends the node.
        if (offset == lineStart_) nodeOpen_ = false;
    }

    void onWord(std::string_view word, std::uint64_t offset) {
        if (!inStatement_) {
            beginStatement(offset);
            if (word == "createNode") {
                statement_ = Statement::CreateNode;
                nodeType_.clear();
                nodeName_.clear();
                nameNext_ = false;
            } else if (word == "setAttr" && nodeOpen_) {
                statement_ = Statement::SetAttr;
            }
            return;
        }
        switch (statement_) {
            case Statement::CreateNode:
                if (nodeType_.empty() && word[0] != '-') nodeType_ = word;
                nameNext_ = word == "-n";
                break;
            case Statement::Edges:
                readEdgeNumber(word);
                break;
            case Statement::Creases:
                countCrease(word);
                break;
            default:
                break;
        }
    }

    void onString(std::string_view text, std::uint64_t offset) {
        if (!inStatement_) beginStatement(offset);
        if (statement_ == Statement::CreateNode && nameNext_) {
            nodeName_ = text;
            nameNext_ = false;
        } else if (statement_ == Statement::SetAttr) {
            classifyAttribute(text);  // the first string of a setAttr names its attribute
        } else if (statement_ == Statement::Edges) {
            fail(MayaSceneProblem::BadEdgeStatement, statementLine_);
        }
    }

    void classifyAttribute(std::string_view attribute) {
        MayaMeshNode& node = scene_.nodes.back();
        std::int64_t first = 0;
        std::int64_t last = 0;
        if (readAttributeRange(attribute, ".vt", first, last)) {
            node.vertexCount = std::max(node.vertexCount, last + 1);
            statement_ = Statement::Vertices;
        } else if (startsWith(attribute, ".ed[")) {
            // Maya writes a node's edge ranges ascending without overlap; an edge given
            // twice would be two edges under one number.
            if (!readAttributeRange(attribute, ".ed", first, last) || first < node.edgeCount) {
                fail(MayaSceneProblem::BadEdgeStatement, statementLine_);
                return;
            }
            statement_ = Statement::Edges;
            edgeFirst_ = first;
            edgeLast_ = last;
            numbersRead_ = 0;
        } else if (attribute == ".fc" || startsWith(attribute, ".fc[")) {
            statement_ = Statement::Faces;
        } else if (attribute == ".cd") {
            statement_ = Statement::Creases;
            creaseWords_ = 0;
            creasesBefore_ = 0;
        } else {
            statement_ = Statement::PlainAttribute;
        }
    }

    // Triples (vertex, vertex, flag); the k-th is the edge first + k.
    void readEdgeNumber(std::string_view word) {
        std::int64_t value = 0;
        const std::int64_t edges = edgeLast_ - edgeFirst_ + 1;
        if (!readWholeNumber(word, value) || numbersRead_ == 3 * edges) {
            fail(MayaSceneProblem::BadEdgeStatement, statementLine_);
            return;
        }
        const std::int64_t position = numbersRead_++ % 3;
        if (position < 2) triple_[position] = value;
        if (position == 2) matchEdge(edgeFirst_ + numbersRead_ / 3 - 1);
    }

    void matchEdge(std::int64_t number) {
        const std::int64_t a = triple_[0];
        const std::int64_t b = triple_[1];
        if (a < 0 || b < 0 || a >= kIndexLimit || b >= kIndexLimit) return;  // names no OBJ vertex
        const auto first = static_cast<std::int32_t>(a + 1);  // as the OBJ numbers them
        const auto second = static_cast<std::int32_t>(b + 1);
        // Most of a mesh's edges have an end on no crease edge: no lookup for them.
        if (!creaseEnds_.mayJoin(first, second)) return;
        EdgeMap::Slot* slot = creases_.find(edgeKey(first, second));
        if (slot == nullptr) return;
        MayaMeshNode& node = scene_.nodes.back();
        std::vector<std::int32_t>& numbers = node.creaseEdgeNumbers;
        // Ascending ranges give ascending numbers; the guard keeps them so whatever comes.
        if (!numbers.empty() && numbers.back() >= number) return;
        numbers.push_back(static_cast<std::int32_t>(number));
        // The slot remembers the last node that found it, to count each crease edge once.
        const auto stamp = static_cast<std::int32_t>(scene_.nodes.size());
        if (slot->value != stamp) {
            slot->value = stamp;
            ++node.creaseEdgesFound;
        }
    }

    // "Index_Data Edge N" and then pairs (edge, value).
    void countCrease(std::string_view word) {
        if (creaseWords_ == 0) {
            if (word == "Edge") creaseWords_ = 1;
            return;
        }
        // After "Edge": the count at 1, then edge numbers at even and values at odd places.
        const std::int64_t place = creaseWords_++;
        if (place < 3 || place % 2 == 0) return;
        TextCursor cursor(word);
        float value = 0.0f;
        if (readFloat(cursor, value) && value > 0.0f) ++creasesBefore_;
    }

    void endStatement(std::uint64_t offsetAfter) {
        if (!inStatement_) return;  // an empty statement
        inStatement_ = false;
        if (statement_ == Statement::CreateNode) {
            if (nodeType_ != "mesh") return;
            MayaMeshNode node;
            node.name = nodeName_;
            node.line = statementLine_;
            node.lineEnding = ending_.empty() ? "\n" : std::string(ending_);
            scene_.nodes.push_back(std::move(node));
            nodeOpen_ = true;
            facesSeen_ = false;
            return;
        }
        MayaMeshNode* node = openNode();
        if (statement_ == Statement::Other || node == nullptr) return;
        if (statement_ == Statement::Edges) {
            if (numbersRead_ != 3 * (edgeLast_ - edgeFirst_ + 1)) {
                fail(MayaSceneProblem::BadEdgeStatement, statementLine_);
                return;
            }
            node->edgeCount = std::max(node->edgeCount, edgeLast_ + 1);
        } else if (statement_ == Statement::Creases) {
            node->hasCreaseStatement = true;
            node->creaseStart = statementStart_;
            node->creaseEnd = offsetAfter;
            node->creasesBefore = creasesBefore_;
        }
        if (statement_ == Statement::Faces) {
            facesSeen_ = true;
            node->insertAt = offsetAfter;
        } else if (!facesSeen_) {
            node->insertAt = offsetAfter;
        }
    }

    MayaScene scene_;
    EdgeEndFilter creaseEnds_;
    EdgeMap creases_;  // crease edge -> the number of the last node that found it

    std::int64_t lineNumber_ = 0;
    std::uint64_t lineStart_ = 0;  // offset of the current line
    const char* lineData_ = nullptr;
    std::string_view ending_;

    bool inString_ = false;
    bool escaped_ = false;
    std::int64_t stringLine_ = 0;
    std::uint64_t stringStart_ = 0;
    std::string stringBytes_;

    bool inStatement_ = false;
    std::int64_t statementLine_ = 0;
    std::uint64_t statementStart_ = 0;
    Statement statement_ = Statement::Other;

    bool nodeOpen_ = false;
    bool facesSeen_ = false;
    std::string nodeType_;
    std::string nodeName_;
    bool nameNext_ = false;

    std::int64_t edgeFirst_ = 0;
    std::int64_t edgeLast_ = 0;
    std::int64_t numbersRead_ = 0;
    std::int64_t triple_[2] = {0, 0};

    std::int64_t creaseWords_ = 0;
    std::int64_t creasesBefore_ = 0;
};

}  // namespace

bool startsAsMayaBinary(const char* scenePath) {
    std::FILE* file = std::fopen(scenePath, "rb");
    if (file == nullptr) return false;
    char tag[4] = {};
    const std::size_t got = std::fread(tag, 1, sizeof tag, file);
    std::fclose(file);
    const std::string_view start(tag, got);
    return start == "FOR4" || start == "FOR8";
}

MayaScene scanMayaScene(const char* scenePath, const std::vector<EdgeKey>& creaseEdges) {
    if (startsAsMayaBinary(scenePath)) {
        MayaScene binary;
        binary.problem = MayaSceneProblem::Binary;
        binary.problemLine = 1;
        return binary;
    }
    LineReader reader;
    if (!reader.open(scenePath)) {
        MayaScene unreadable;
        unreadable.problem = MayaSceneProblem::Unreadable;
        return unreadable;
    }
    return scanMayaScene(reader, creaseEdges);
}

MayaScene scanMayaScene(LineReader& scene, const std::vector<EdgeKey>& creaseEdges) {
    SceneScanner scanner(creaseEdges);
    std::string_view line;
    while (scene.next(line)) scanner.scanLine(line, scene.lineEnding());
    MayaScene result = scanner.finish();
    if (scene.failed()) {
        result = MayaScene();
        result.problem = MayaSceneProblem::Unreadable;
    }
    return result;
}

}  // namespace tessaryn
