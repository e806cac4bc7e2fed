// Finds crease edges face by face: the edges that an odd number of faces of one group
// use, that is group borders and open borders. Both crease commands feed it the same
// way: a face's corners in order, then the face is closed back to its first corner.
#pragma once

#include <cstdint>
#include <vector>

#include "base/edge_sets.h"

namespace tessaryn {

class CreaseCollector {
public:
    void beginFace(std::uint32_t group) {
        group_ = group;
        cornerCount_ = 0;
    }
    void addCorner(std::int32_t vertex) {
        if (cornerCount_++ == 0) {
            first_ = vertex;
        } else {
            parity_.toggle(group_, edgeKey(previous_, vertex));
        }
        previous_ = vertex;
    }
    // The closing edge, from the last corner back to the first. A face without a corner
    // has no edge.
    void endFace() {
        if (cornerCount_ > 0) parity_.toggle(group_, edgeKey(previous_, first_));
    }
    // Every crease edge once, ascending. A file without a line of the group kind has no
    // group, so none of its edges is a crease. The parity table is released first, so
    // that it and what the caller builds from the edges never take memory together.
    std::vector<EdgeKey> takeCreaseEdges(bool anyGroupLine) {
        if (!anyGroupLine) return {};
        return parity_.takeEdges();
    }

private:
    GroupEdgeParity parity_;
    std::uint32_t group_ = 0;
    std::uint32_t cornerCount_ = 0;
    std::int32_t first_ = 0;
    std::int32_t previous_ = 0;
};

}  // namespace tessaryn
