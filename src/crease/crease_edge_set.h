// The OBJ's crease edges as every receiver asks about them: "is this vertex pair a
// crease edge, and which one". Built once from CollectCreaseEdges' ascending edges; a
// crease edge is known by its place in that order, from 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/edge_sets.h"

namespace tessaryn {

class CreaseEdgeSet {
public:
    static constexpr std::int32_t kNotACreaseEdge = -1;

    CreaseEdgeSet() : ends_({}, 0) {}
    // `edges` ascending and distinct, keyed by vertex numbers below `vertexReach` (larger
    // numbers work too, only without the quick refusal of the end bitmap).
    CreaseEdgeSet(std::vector<EdgeKey> edges, std::uint32_t vertexReach);
    // The OBJ's crease edges as CollectCreaseEdges gives them, by the OBJ's vertex numbers
    // (from 1, up to its `vertexPositions`), as a set that answers in a scene's numbering,
    // from 0: the OBJ's vertex n is the scene's vertex n - 1. The one place that knows it.
    static CreaseEdgeSet fromObjNumbers(std::vector<EdgeKey> objEdges,
                                        std::int64_t vertexPositions);
    // The OBJ's number for the scene's vertex `index`.
    static std::int64_t objNumber(std::int32_t index) { return std::int64_t{index} + 1; }

    // The crease edge joining a and b, in either order, or kNotACreaseEdge. Most edges of
    // a mesh have an end on no crease edge; they are turned away by two bit tests.
    std::int32_t find(std::int32_t a, std::int32_t b) const {
        if (!ends_.mayJoin(a, b)) return kNotACreaseEdge;
        const EdgeMap::Slot* slot = index_.find(edgeKey(a, b));
        return slot == nullptr ? kNotACreaseEdge : slot->value;
    }
    std::size_t size() const { return edges_.size(); }
    EdgeKey edge(std::int32_t index) const { return edges_[static_cast<std::size_t>(index)]; }
    const std::vector<EdgeKey>& edges() const { return edges_; }

private:
    std::vector<EdgeKey> edges_;
    EdgeMap index_;  // crease edge -> its place in edges_
    EdgeEndFilter ends_;
};

}  // namespace tessaryn
