#include "crease/crease_edge_set.h"

#include <utility>

namespace tessaryn {

CreaseEdgeSet::CreaseEdgeSet(std::vector<EdgeKey> edges, std::uint32_t vertexReach)
    : edges_(std::move(edges)), ends_(edges_, vertexReach) {
    index_.reserve(edges_.size());
    for (std::size_t i = 0; i < edges_.size(); ++i)
        index_.insert(edges_[i], static_cast<std::int32_t>(i));
}

}  // namespace tessaryn
