// What a binary USD file that cannot be read answers: the refusal and the detail its
// sentence needs, the same for the scanners and the mesh readers.
#pragma once

#include <string>

#include "scene/scene_refusal.h"
#include "scene/usdc/crate_result.h"
#include "scene/usdc/usdz_package.h"

namespace tessaryn {

struct CrateRefusal {
    SceneRefusal refusal = SceneRefusal::None;
    std::string detail;
};

// A crate layer's refused read: the version it has, else what is damaged or unknown.
CrateRefusal layerRefusal(const CrateResult& result);

// A package that cannot be opened, or whose root layer is text; None for one whose root
// layer is a crate layer.
CrateRefusal packageRefusal(const CrateResult& opened, const UsdzRootLayer& root);

}  // namespace tessaryn
