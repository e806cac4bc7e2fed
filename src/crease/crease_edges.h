// The first stage of GetCreases: the crease edges of an OBJ mesh, the edges that an odd
// number of faces of one group use (group borders and open borders).
#pragma once

#include <cstdint>
#include <vector>

#include "base/edge_sets.h"
#include "base/line_reader.h"
#include "base/outcome.h"

namespace tessaryn {

// A group line more than this makes the call fail with Outcome::TooManyGroups.
constexpr std::int32_t kMaxCreaseGroups = 8191;

struct CreaseEdges {
    std::int32_t groupCount = 0;
    std::int64_t vertexPositions = 0;  // the OBJ's vertex-position lines
    // Every crease edge once, ascending, keyed by the vertex numbers as the OBJ writes
    // them (1-based): a scene's 0-based vertex n is the OBJ's n + 1.
    std::vector<EdgeKey> edges;
};

// Reads the OBJ at `objPath`; `groupPrefix` is 'g' (groups) or 's' (smoothing groups).
// Done with `result` filled, or Unreadable, TooManyGroups or NoCreaseEdges.
Outcome CollectCreaseEdges(const char* objPath, char groupPrefix, CreaseEdges& result);
// The same from a reader already open, on a file or on text in memory.
Outcome CollectCreaseEdges(LineReader& obj, char groupPrefix, CreaseEdges& result);

}  // namespace tessaryn
