// What the scan gathers of one USD mesh prim while its properties stream past, and the
// facts it comes to at the prim's end: problems, the OBJ crease edges among its face
// edges, the creases it carries.
//
// The face edges are found as the indices stream: USD's writer sorts a prim's properties
// by name, so faceVertexCounts comes before faceVertexIndices and only the counts are
// held (4 bytes a face). A hand-written layer that gives the indices first has them held
// until the counts come.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "crease/crease_edge_set.h"
#include "scene/scene_facts.h"

namespace tessaryn {

// Follows the faces through their corners: each pair of consecutive corners, and the
// last back to the first, is an edge; those that are crease edges are marked in `found`.
class FaceEdgeWalker {
public:
    FaceEdgeWalker(const std::vector<std::int32_t>& counts, const CreaseEdgeSet& creaseEdges,
                   std::vector<std::uint8_t>& found)
        : counts_(counts), creaseEdges_(creaseEdges), found_(found),
          lookUp_(creaseEdges.size() != 0) {}

    void corner(std::int32_t vertex) {
        ++corners_;
        if (vertex > largest_) largest_ = vertex;
        if (vertex < smallest_) smallest_ = vertex;
        if (left_ == 0) {
            if (face_ == counts_.size() || counts_[face_] < 1) {
                mismatch_ = true;
                return;
            }
            left_ = counts_[face_++];
            first_ = vertex;
        } else {
            look(previous_, vertex);
        }
        previous_ = vertex;
        if (--left_ == 0) look(previous_, first_);
    }
    // Whether the counts and the corners agree: every face complete, no corner left over.
    bool agree() const { return !mismatch_ && left_ == 0 && face_ == counts_.size(); }
    std::int64_t corners() const { return corners_; }
    std::int32_t largest() const { return largest_; }
    std::int32_t smallest() const { return smallest_; }

private:
    void look(std::int32_t a, std::int32_t b) {
        // No vertex of any mesh; or no crease edge to find (a road that only lists meshes).
        if (!lookUp_ || a < 0 || b < 0) return;
        const std::int32_t edge = creaseEdges_.find(a, b);
        if (edge != CreaseEdgeSet::kNotACreaseEdge) found_[static_cast<std::size_t>(edge)] = 1;
    }

    const std::vector<std::int32_t>& counts_;
    const CreaseEdgeSet& creaseEdges_;
    std::vector<std::uint8_t>& found_;
    std::size_t face_ = 0;
    std::int32_t left_ = 0;  // corners still to come of the current face
    std::int32_t first_ = 0;
    std::int32_t previous_ = 0;
    std::int64_t corners_ = 0;
    std::int32_t largest_ = -1;
    std::int32_t smallest_ = 0;
    bool mismatch_ = false;
    bool lookUp_;  // whether there are crease edges to look for
};

// An int[] or float[] crease array as read from the statement's value (or its first time
// sample).
struct CreaseArrays {
    std::vector<std::int32_t> indices;
    std::vector<std::int32_t> lengths;
    std::vector<double> sharpness;
    std::vector<std::string> sharpnessText;
    bool indicesRead = false;
    bool lengthsRead = false;
    bool sharpnessRead = false;
};

struct MeshScan {
    SceneNode node;
    std::vector<std::int32_t> counts;
    std::vector<std::int32_t> waitingIndices;  // indices that came before the counts
    CreaseArrays creases;
    std::vector<std::uint8_t> found;  // one flag per OBJ crease edge
    std::int64_t countsLine = 0;
    std::int64_t indicesLine = 0;
    std::int64_t facesMalformedLine = 0;
    std::int64_t timeSampledTopologyLine = 0;
    std::int64_t corners = 0;
    // Where new statements go after the last property seen.
    std::uint64_t lastPropertyEnd = 0;
    std::int32_t largest = -1;
    std::int32_t smallest = 0;
    bool countsRead = false;
    bool indicesRead = false;
    bool facesMalformed = false;
    bool pointsRead = false;
    bool pointsGiven = false;  // a points statement came, of a value or of time samples
    bool subdivisionNone = false;
    bool facesAgree = false;
    bool sawProperty = false;
    bool insertChosen = false;  // a property sorts after the crease statements
};

// Walks the faces once both face arrays have been read, from the indices held back.
void walkWaitingIndices(MeshScan& mesh, const CreaseEdgeSet& creaseEdges);
// Notes what a face walk learnt.
void noteFaceWalk(MeshScan& mesh, const FaceEdgeWalker& walker);

// The node's problems, hits, creases and warnings, from all it gathered.
void finishMesh(MeshScan& mesh, const CreaseEdgeSet& creaseEdges);

// Each crease chain expanded to its edges, with the value of the chain or of the edge.
std::vector<NodeCrease> expandCreases(const CreaseArrays& arrays, const CreaseEdgeSet& creaseEdges);

}  // namespace tessaryn
