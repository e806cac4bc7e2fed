// GetCreases' worker: the group-border edges of an OBJ become the crease statement of
// the Maya ASCII scene that holds the same mesh.
#pragma once

#include "base/outcome.h"

namespace tessaryn {

// CollectCreaseEdges, then RewriteSceneCreases: the first failure, or Done with the
// number of groups.
WorkResult TransferGroupCreases(const char* objPath, const char* scenePath, char groupPrefix);

}  // namespace tessaryn
