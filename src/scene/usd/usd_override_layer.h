// An override layer: a new USD layer that names the scanned layer as its sublayer and
// gives one mesh prim its crease statements from `over` prims, leaving the asset itself
// untouched. The prims down to the mesh are `over`s; a variant selection on the way is a
// `variantSet` block holding the opinion, and no selection is authored, so the asset's
// own selections still choose. The metadata a stage takes from its root layer only is
// copied, so that the stage opened on the override layer is the asset's stage.
#pragma once

#include <string>
#include <vector>

#include "scene/scene_refusal.h"
#include "scene/scene_facts.h"

namespace tessaryn {

// The asset path by which a layer at `overPath` names the layer at `layerPath`: relative
// to the override layer's folder ("./asset.usda", "../assets/asset.usda"), with '/'
// between names; absolute only where no relative path leads there (another drive).
std::string sublayerAssetPath(const char* layerPath, const char* overPath);

// Whether `overPath` names the layer at `layerPath` (by its path, or as the same file).
bool overrideNamesTheLayer(const char* layerPath, const char* overPath);

// The blocks of an override layer on the way from its root to a prim: an `over` for each
// prim, and for each variant selection a `variantSet` block and the variant in it.
enum class OverLevelKind { Prim, VariantSet, Variant };
struct OverLevel {
    OverLevelKind kind = OverLevelKind::Prim;
    std::string name;  // the prim's, the variant set's or the variant's
    std::string key;   // the block's key, as LayerOutline names it
};
std::vector<OverLevel> overLevels(const std::string& path);

// Appends the blocks levels[from] onwards, each inside the one before and one `unit` in
// from it, the first at `indent`, with the crease statements inside the last; every line
// ends in the node's line ending.
void appendOverBlocks(std::string& text, const std::vector<OverLevel>& levels, std::size_t from,
                      std::string indent, const std::string& unit, const SceneNode& node,
                      const std::vector<PlannedCrease>& creases);

// The override layer's text, with the node's line ending.
std::string usdOverrideLayerText(const std::string& sublayerAsset, const SceneFacts& facts,
                                 const SceneNode& node, const std::vector<PlannedCrease>& creases);

// `text` as a USD string: in double quotes, '"' and '\\' escaped, control bytes as \\xNN.
std::string usdQuoted(const std::string& text);

// Whether `name` is one an override layer can carry: a prim or variant set name is an
// identifier (letters, digits, '_', UTF-8 beyond ASCII, not starting with a digit); a
// variant name (`variant`) may also start with a digit and hold '-' and '|'.
bool isFitName(const std::string& name, bool variant);

// The first name on `path` (prim, variant set or variant) that an override layer cannot
// carry as it is: prim and variant set names are identifiers (letters, digits, '_', UTF-8
// beyond ASCII, not starting with a digit); variant names may also start with a digit and
// hold '-' and '|'. Empty when every name is fit. A binary file's names are never
// trusted to be: an unfit one would make a layer USD cannot read, or say more than the
// file did.
std::string unfitPrimPathName(const std::string& path);

// Writes the override layer to `overPath` through a temporary file that replaces it only
// when complete. BadName, with the name in `badName`, for a path an override layer
// cannot carry.
SceneRefusal writeUsdOverrideLayer(const char* layerPath, const char* overPath,
                                   const SceneFacts& facts, const SceneNode& node,
                                   const std::vector<PlannedCrease>& creases, std::string& badName);

}  // namespace tessaryn
