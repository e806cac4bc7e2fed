// An existing override layer that a prim's creases join: read to see that it is one (a
// USD text layer that names the layer among its sublayers) and where the prim's blocks
// stand, then edited in place of a new one. The prim gets its crease statements where the
// layer has them, or inside the blocks that lead to it, the missing ones added after the
// last block of the way it holds, as the layer indents and ends its lines. Every other
// byte stays.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "crease/crease_edges_ahead.h"
#include "scene/scene_facts.h"
#include "scene/scene_refusal.h"
#include "scene/usd/usd_layer_outline.h"

namespace tessaryn {

struct OverLayerReading {
    // None; Unreadable (with `error`); OverLayerForeign (with `foreign`, and `line` for a
    // damaged layer).
    SceneRefusal refusal = SceneRefusal::None;
    ForeignOverLayer foreign = ForeignOverLayer::None;
    int error = 0;
    std::int64_t line = 0;
    std::uint64_t size = 0;  // bytes read
    LayerOutline outline;
};

// Reads the existing file `overPath` as an override layer of `layerPath`, following the
// blocks on the way to `primPath` (empty: none). Its sublayers are asset paths relative
// to its folder (or absolute), compared with the layer as the same file, links followed.
OverLayerReading readOverrideLayer(const std::string& layerPath, const std::string& overPath,
                                   const std::string& primPath, const CreaseEdgesAhead& creases);

// The edit that gives the prim its `creases` in the layer `outline` describes (read with
// the prim's path): the ranges rewriteScene replaces and the text that takes their place.
struct LayerEdit {
    std::vector<ByteRange> ranges;
    std::string text;
};
LayerEdit overrideLayerEdit(const LayerOutline& outline, const std::string& primPath,
                            const std::vector<PlannedCrease>& creases, std::uint64_t layerSize);

}  // namespace tessaryn
