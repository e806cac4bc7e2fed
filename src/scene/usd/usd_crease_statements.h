// The crease statements a USD mesh prim is given: one chain of two points per crease
// edge, smaller vertex first, edges ascending, and one sharpness per chain (the form every
// reader accepts), each statement on one line with the node's indentation and line ending:
//
//     int[] creaseIndices = [0, 1, 0, 2]
//     int[] creaseLengths = [2, 2]
//     float[] creaseSharpnesses = [10, 10]
#pragma once

#include <string>
#include <vector>

#include "scene/scene_facts.h"

namespace tessaryn {

std::string usdCreaseStatements(const SceneNode& node, const std::vector<PlannedCrease>& creases);

}  // namespace tessaryn
