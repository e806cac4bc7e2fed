// The setAttr statements of a Maya mesh node that a crease rewrite needs: its vertices
// (.vt), edges (.ed), faces (.fc) and creases (.cd); and the names of its UV sets (.uvsn,
// .cuvs), which tell its mesh reader the set to read. The statements of one node are read
// into this, and the node's facts are handed over when the node ends.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "crease/crease_edges_ahead.h"
#include "scene/scene_facts.h"

namespace tessaryn {

class MayaMeshStatements {
public:
    // With `readsEdges` false the words of the edge statements are passed over unread
    // (and unchecked), for a road that reads the chosen node's edges itself.
    MayaMeshStatements(const CreaseEdgesAhead& creases, bool readsEdges)
        : creases_(creases), readsEdges_(readsEdges) {}

    // A mesh node starts; what was read of the one before is forgotten.
    void beginNode();
    // Gives `node` what the node's statements tell, its crease edges resolved through
    // its own edge numbers (so .cd may come before or after .ed).
    void finishNode(SceneNode& node);

    // A setAttr statement starts `offset` bytes into the file, on line `line`, which
    // starts at `lineStart`.
    void beginSetAttr(std::uint64_t offset, std::int64_t line, std::uint64_t lineStart);
    // Whether the words of the statement must be read: its edges and its creases.
    bool wordsMatter() const {
        return (statement_ == Statement::Edges && readsEdges_) || statement_ == Statement::Creases;
    }
    // Whether the statement's words are edge numbers, which edgeNumbers reads.
    bool readsEdgeNumbers() const { return statement_ == Statement::Edges && readsEdges_; }
    // The edge numbers from `p` on: white space and words of plain digits that white
    // space or the line's end closes. Returns the first byte of anything else, or `end`.
    const char* edgeNumbers(const char* p, const char* end);
    void word(std::string_view word);
    void string(std::string_view text);
    void endSetAttr(std::uint64_t offsetAfter);

    // The line of a .ed statement that is not triples filling its range; 0 while none.
    std::int64_t badEdgeLine() const { return badEdgeLine_; }
    // How many nodes so far had edge statements whose words were passed over.
    int nodesWithEdgesPassed() const { return nodesWithEdgesPassed_; }

private:
    enum class Statement {
        Unnamed,
        Plain,
        Vertices,
        Edges,
        Faces,
        Creases,
        UvSetName,
        CurrentUvSet
    };

    void name(std::string_view attribute);
    void edgeWord(std::string_view word);
    void edgeNumber(std::int64_t value);
    void edgeNumbersCounted(std::int64_t count);
    void creaseWord(std::string_view word);
    void fail() { badEdgeLine_ = line_; }

    // Waited for at the first edge: the vertices before the edges are read meanwhile.
    const CreaseEdgesAhead& creases_;
    const bool readsEdges_;
    int nodesWithEdgesPassed_ = 0;

    // The statement being read.
    Statement statement_ = Statement::Plain;
    std::int64_t line_ = 0;
    std::uint64_t start_ = 0;
    std::uint64_t lineStart_ = 0;
    std::int64_t edgeFirst_ = 0;
    std::int64_t edgeLast_ = 0;
    std::int64_t numbersRead_ = 0;
    std::int64_t numbersWanted_ = 0;  // three per edge of the range
    int tripleAt_ = 0;                // the place of the next number in its triple
    bool edgesCounted_ = false;       // no crease edge to find: the numbers are only counted
    std::int64_t triple_[2] = {0, 0};
    std::int64_t creaseWords_ = 0;
    std::int64_t creaseElement_ = 0;
    std::int64_t badEdgeLine_ = 0;
    std::int64_t uvSetIndex_ = 0;  // the k of a .uvst[k].uvsn statement
    std::string lastString_;       // a name statement's value: its last string

    // The node being read.
    struct ElementCrease {
        std::int64_t element;
        NodeCrease crease;
    };
    std::int64_t vertexCount_ = 0;
    std::int64_t edgeCount_ = 0;
    std::uint64_t edgesAt_ = 0;  // the line of its first edge statement, and its number
    std::int64_t edgesLine_ = 0;
    bool facesSeen_ = false;
    std::uint64_t insertAt_ = 0;
    std::vector<ByteRange> creaseStatements_;
    std::vector<CreaseHit> hits_;
    std::vector<ElementCrease> elementCreases_;
    struct UvSetName {
        std::int64_t index;
        std::string name;
    };
    std::vector<UvSetName> uvSetNames_;
    std::string currentUvSet_;
};

}  // namespace tessaryn
