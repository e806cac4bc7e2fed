// The first stage of GetCreases: the crease edges of an OBJ mesh, the edges that an odd
// number of faces of one group use (group borders and open borders).
#pragma once

#include <cstdint>

#include "base/edge_sets.h"

namespace tessaryn {

// A group line more than this makes the call fail with TESSARYN_TOO_MANY_GROUPS.
constexpr std::int32_t kMaxCreaseGroups = 8191;

struct CreaseEdges {
    std::int32_t groupCount = 0;
    // Every crease edge once, keyed by the vertex numbers as the OBJ writes them
    // (1-based), each with the value -1.
    EdgeMap edges;
};

// Reads the OBJ at `objPath`; `groupPrefix` is 'g' (groups) or 's' (smoothing groups).
// Gives TESSARYN_OK with `result` filled, or TESSARYN_FAILED (unreadable),
// TESSARYN_TOO_MANY_GROUPS or TESSARYN_NO_CREASE_EDGES.
float CollectCreaseEdges(const char* objPath, char groupPrefix, CreaseEdges& result);

}  // namespace tessaryn
