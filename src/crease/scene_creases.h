// The second stage of GetCreases: the crease edges found in the OBJ become the crease
// statement of a Maya ASCII scene that holds the same mesh, and the scene is rewritten.
#pragma once

#include "base/outcome.h"
#include "crease/crease_edges.h"

namespace tessaryn {

// Rewrites the scene at `scenePath` in place. Done with the group count, or Unreadable,
// NoPlaceholder or Unwritable, each with the scene as it was.
WorkResult RewriteSceneCreases(const char* scenePath, const CreaseEdges& creases);

}  // namespace tessaryn
