// A deterministic test mesh of any size: a closed torus of width x height quads, written
// as an OBJ (patches of groups, bands of smoothing groups, vt and v/vt corners, #MRGB
// lines), as the matching Maya ASCII scene with a crease placeholder, and as that scene
// laid out as Maya writes it.
#pragma once

#include <string>

namespace bench {

struct MeshFiles {
    std::string obj;
    std::string scene;
    std::string mayaScene;  // no placeholder: for the tool's Maya path
};

// Writes the files unless they are there already; the names carry the size.
MeshFiles generateTorus(const std::string& folder, int width, int height);

}  // namespace bench
