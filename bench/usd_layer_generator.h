// The benchmark's torus (mesh_generator.h) as a USD ASCII layer laid out as USD's own
// writer lays it out: one line per array, however long, and a prim's properties sorted
// by name. Its vertices and faces are the OBJ's, in the OBJ's order, so the OBJ's group
// borders are edges of the layer's mesh `/torus/torusShape`.
#pragma once

#include <string>

namespace bench {

// Writes folder/torus-WxH.usda unless it is there already; gives its path.
std::string generateTorusLayer(const std::string& folder, int width, int height);

}  // namespace bench
