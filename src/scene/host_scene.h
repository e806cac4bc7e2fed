// The second stage of GetCreases: the crease edges found in the OBJ become the crease
// statement of a Maya ASCII scene that holds the same mesh, and the scene is rewritten.
#pragma once

#include <string_view>

#include "base/outcome.h"
#include "crease/crease_edges.h"

namespace tessaryn {

// Whether `line` holds the host's crease placeholder: two blanks, a tab and
// `setAttr ".cd"`, anywhere in the line.
bool isPlaceholderLine(std::string_view line);

// Rewrites the scene at `scenePath` in place. Done with the group count, or Unreadable,
// NoPlaceholder or Unwritable, each with the scene as it was.
WorkResult RewriteSceneCreases(const char* scenePath, const CreaseEdges& creases);

}  // namespace tessaryn
