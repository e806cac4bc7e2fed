// The crease statement of a Maya mesh node, laid out as Maya writes it.
#pragma once

#include <string>
#include <vector>

#include "scene/scene_facts.h"

namespace tessaryn {

// `setAttr ".cd" -type "dataPolyComponent" Index_Data Edge N` and one (edge, value) pair
// a line, by ascending edge number, in the node's line ending. For a node without a
// crease statement it starts with a line break and the indentation of the node's
// statements, to stand after the statement at SceneNode::insertAt.
std::string mayaCreaseStatements(const SceneNode& node, const std::vector<PlannedCrease>& creases);

}  // namespace tessaryn
