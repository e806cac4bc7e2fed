#include "crease/crease_edge_set.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace tessaryn {

CreaseEdgeSet::CreaseEdgeSet(std::vector<EdgeKey> edges, std::uint32_t vertexReach)
    : edges_(std::move(edges)), ends_(edges_, vertexReach) {
    index_.reserve(edges_.size());
    for (std::size_t i = 0; i < edges_.size(); ++i)
        index_.insert(edges_[i], static_cast<std::int32_t>(i));
}

CreaseEdgeSet CreaseEdgeSet::fromObjNumbers(std::vector<EdgeKey> objEdges,
                                            std::int64_t vertexPositions) {
    // Both ends drop by one; the order of the keys stays. The OBJ's numbers start at 1, so
    // no end falls below 0.
    constexpr EdgeKey kOneEach = (EdgeKey{1} << 32) | 1;
    for (EdgeKey& key : objEdges) key -= kOneEach;
    const auto reach = static_cast<std::uint32_t>(
        std::min<std::int64_t>(std::max<std::int64_t>(vertexPositions, 0), INT32_MAX));
    return CreaseEdgeSet(std::move(objEdges), reach);
}

}  // namespace tessaryn
