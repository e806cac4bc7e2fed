// The second stage of GetCreases: the crease edges found in the OBJ become the crease
// statement of a Maya ASCII scene that holds the same mesh, and the scene is rewritten.
#pragma once

#include "crease/crease_edges.h"

namespace tessaryn {

// Rewrites the scene at `scenePath` in place. Gives the group count on success, or
// TESSARYN_FAILED (unreadable), TESSARYN_NO_PLACEHOLDER or TESSARYN_CANNOT_WRITE,
// each with the scene as it was.
float RewriteSceneCreases(const char* scenePath, CreaseEdges& creases);

// The worker of GetCreases: CollectCreaseEdges, then RewriteSceneCreases.
float TransferGroupCreases(const char* objPath, const char* scenePath, char groupPrefix);

}  // namespace tessaryn
