// What a scene scanner learns in its one streaming pass over a scene file, as plain
// facts: the mesh nodes the scene holds and, for each that may take the creases, where
// its crease statements stand, the creases it carries now and which of the OBJ's crease
// edges are its edges. Every format (the host's placeholder scenes, Maya ASCII, USD
// ASCII) reports the same record; one chooser and one rewrite serve them all, and only
// the tool turns the facts into sentences.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scene/scene_refusal.h"

namespace tessaryn {

// Usd: a USD text layer; Usdc: a binary one; Usdz: a package holding one.
enum class SceneFormat { Maya, Usd, Usdc, Usdz };

// Bytes [start, end) of the scene file.
struct ByteRange {
    std::uint64_t start = 0;
    std::uint64_t end = 0;
};

// One crease a node carries before the rewrite: the crease edge of the OBJ it lies on
// (its index in the CreaseEdgeSet) or CreaseEdgeSet::kNotACreaseEdge, and its value.
// Only creases whose value is above 0 are listed: a value of 0 is no crease.
struct NodeCrease {
    std::int32_t creaseEdge = -1;
    std::int32_t element = 0;  // the node's number for its edge, where the format has one
    double value = 0.0;
    std::string text;  // the value as the scene writes it, for a rewrite that keeps it
};

// An OBJ crease edge that is an edge of the node, with the node's own number for it
// where the format names edges by number (Maya's edge list); 0 where it does not.
// `smallerFirst`: the node writes the edge smaller vertex first, the only order in which
// the host's export matches an edge (formats without an order leave it true).
struct CreaseHit {
    std::int32_t creaseEdge = 0;
    std::int32_t element = 0;
    bool smallerFirst = true;
};

// Something worth telling that does not stop the rewrite.
enum class SceneWarning {
    SubdivisionNone,  // a USD mesh whose subdivisionScheme is "none": readers ignore creases
    NewerCrateVersion,      // a binary layer newer than this build knows, read all the same
    PackageDataMisaligned,  // a package's layer not on a 64-byte boundary, read all the same
};

// Why a node cannot take creases; the chooser passes over such nodes.
enum class NodeProblem {
    None,
    NoFaces,              // no face or edge arrays
    FaceCountsMismatch,   // USD: faceVertexCounts do not add up to faceVertexIndices
    IndexBeyondPoints,    // USD: a face index beyond the points
    TimeSampledTopology,  // USD: face arrays given over time
    HistoryOnly,          // Maya: the node's mesh comes from its construction history, not
                          // the file
    UvsMismatch,          // texture coordinates that do not fit the faces: fewer than the
                          // corners or vertices need, or an index beyond them
};

struct SceneNode {
    std::string path;       // full path: "|group1|pCube1|pCubeShape1", "/asset{model=cube}geo/mesh"
    std::string name;       // short name: "pCubeShape1", "mesh"
    std::int64_t line = 0;  // where the node starts, from 1
    // Where the node's statement starts in the file, in bytes (USD text: its specifier,
    // `def`; Maya: its createNode statement), for a mesh reader that goes back to it; 0
    // where the scanner does not tell.
    std::uint64_t start = 0;
    std::int64_t vertexCount = 0;  // 0 when it has none
    // USD text: just past the '[' of the points' value the scan counted, in bytes; 0 when
    // they came as time samples or the scanner does not tell.
    std::uint64_t pointsAt = 0;
    // Maya: the line that starts the node's first edge statement (.ed), in bytes, and its
    // number; 0 when it has none or the scanner does not tell.
    std::uint64_t edgesAt = 0;
    std::int64_t edgesLine = 0;
    NodeProblem problem = NodeProblem::None;
    std::int64_t problemLine = 0;

    // The statements the rewrite replaces, ascending and apart; empty when it has none.
    std::vector<ByteRange> creaseStatements;
    // Where new statements go when it has none, with the indentation and line ending of
    // the statements around that place.
    std::uint64_t insertAt = 0;
    std::string indent;
    // A name on the node's path, as the file gave it, that an override layer cannot carry
    // (one holding '/' or braces cannot be told apart in the path's text); empty: none.
    std::string unfitName;
    std::string lineEnding = "\n";
    // Maya: its current UV set, the k of its .uvst[k] statements (.cuvs names it by its
    // .uvsn; else 0), the set its mesh reader reads.
    std::int32_t uvSet = 0;

    std::vector<CreaseHit> hits;      // ascending by creaseEdge, each at most once
    std::vector<NodeCrease> creases;  // what it carries now, in the scene's order
    std::vector<SceneWarning> warnings;

    bool holdsMesh() const { return vertexCount > 0 && problem == NodeProblem::None; }
};

// One piece of a layer's metadata: its name, and its value as USD text spells it: a
// string or token in the quotes the layer used ("\"Y\"", "'Z'"), a number as written or,
// from a file that holds no text, through the one float formatter.
struct LayerMetadatum {
    std::string name;
    std::string value;
    bool operator==(const LayerMetadatum& other) const {
        return name == other.name && value == other.value;
    }
};

struct SceneFacts {
    SceneFormat format = SceneFormat::Maya;
    SceneRefusal problem = SceneRefusal::None;
    std::int64_t problemLine = 0;  // from 1
    std::string problemDetail;     // a binary file's: its version, what is damaged, a name
    bool hostPlaceholder = false;  // holds the host's crease placeholder line (Maya only)
    std::uint64_t size = 0;        // bytes read
    std::vector<SceneNode> nodes;
    // USD: the layer metadata a stage takes from its root layer only (defaultPrim, upAxis,
    // metersPerUnit, timeCodesPerSecond, framesPerSecond, startTimeCode, endTimeCode), in
    // the layer's order, for an override layer to copy.
    std::vector<LayerMetadatum> rootMetadata;
    // A binary USD layer's sublayers, references and payloads: where a mesh it lacks may be.
    std::vector<std::string> otherLayers;
    std::vector<SceneWarning> warnings;  // of the file as a whole
    // A scan that passed the faces over met what only the whole scan judges as it does (a
    // prim's faces or points given twice, edges in two Maya nodes): its facts are not to
    // be acted on.
    bool wholeScanNeeded = false;
};

// A crease the rewrite writes: an OBJ crease edge in the scene's vertex numbering
// (from 0, first < second), the node's number for that edge where the format has one
// (CreaseHit::element), and the value as it is to be written.
struct PlannedCrease {
    std::int32_t first = 0;
    std::int32_t second = 0;
    std::int32_t element = 0;
    std::string value;
};

}  // namespace tessaryn
