// The benchmark's torus (mesh_generator.h) as binary crate layers: the USD text layer's
// metadata, prims, points and faces (usd_layer_generator.h), with its face arrays packed
// in one layer and raw in the other, for readers of either.
#pragma once

#include <string>

namespace bench {

struct CrateLayers {
    std::string packed;  // torus-WxH.usdc
    std::string raw;     // torus-WxH-raw.usdc
};

// Writes the layers unless they are there already; gives their paths.
CrateLayers generateTorusCrateLayers(const std::string& folder, int width, int height);

}  // namespace bench
