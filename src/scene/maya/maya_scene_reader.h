// Reads a Maya ASCII scene as Maya writes it, in one streaming pass, and learns of each
// mesh node what a crease rewrite needs: its vertex and edge counts, where its crease
// statement stands, and which of its edges are given crease edges.
//
// Statements end at a ';' outside double-quoted strings and may span lines; "//" starts
// a comment that runs to the end of the line. A mesh node is a `createNode mesh` statement
// with the statements indented below it, up to the next statement that starts a line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/edge_sets.h"
#include "base/line_reader.h"

namespace tessaryn {

struct MayaMeshNode {
    std::string name;
    std::int64_t line = 0;         // of its createNode statement, from 1
    std::string lineEnding;        // of the line its createNode statement ends on ("\n" if none)
    std::int64_t vertexCount = 0;  // the highest index of its .vt[...] entries plus one
    std::int64_t edgeCount = 0;    // the highest index of its .ed[...] entries plus one
    // Its .cd statement, from the first byte of its command word to past its ';'.
    bool hasCreaseStatement = false;
    std::uint64_t creaseStart = 0;
    std::uint64_t creaseEnd = 0;
    std::int64_t creasesBefore = 0;  // pairs of that statement whose value is above 0
    // Past the ';' of its .fc statement, or else of its last setAttr; 0 when it has neither.
    std::uint64_t insertAt = 0;
    // Numbers of its edges that are crease edges, ascending and distinct.
    std::vector<std::int32_t> creaseEdgeNumbers;
    std::int64_t creaseEdgesFound = 0;  // distinct crease edges among its edges

    bool holdsMesh() const { return vertexCount > 0 && edgeCount > 0; }
};

enum class MayaSceneProblem {
    None,
    Unreadable,
    Binary,              // an IFF file: Maya's binary format
    NotMayaAscii,        // the first line is not Maya ASCII's header comment
    UnterminatedString,  // at problemLine
    UnterminatedStatement,
    BadEdgeStatement,  // an .ed statement that is not triples filling its range
};

struct MayaScene {
    MayaSceneProblem problem = MayaSceneProblem::None;
    std::int64_t problemLine = 0;  // from 1
    std::uint64_t size = 0;        // bytes read
    std::vector<MayaMeshNode> nodes;
};

// Whether the file starts with FOR4 or FOR8, the IFF tag of Maya's binary scenes. Only
// those four bytes are read: a binary scene may hold no line feed in hundreds of MB.
// False when the file cannot be read.
bool startsAsMayaBinary(const char* scenePath);

// `creaseEdges` are keyed by the OBJ's 1-based vertex numbers: a scene's vertex n is
// the OBJ's n + 1. A triple matches a crease edge in either vertex order.
MayaScene scanMayaScene(const char* scenePath, const std::vector<EdgeKey>& creaseEdges);
// The same from a reader already open, on a file or on text in memory.
MayaScene scanMayaScene(LineReader& scene, const std::vector<EdgeKey>& creaseEdges);

}  // namespace tessaryn
