// What a scan of an existing override layer learns besides its meshes: the layers it names
// as sublayers, how it indents and ends its lines, and the blocks on the way from its root
// to one prim, each with the place where text joins the end of its body; the prim itself
// is reported as a mesh prim is (its crease statements, where new ones go, its creases),
// whatever its type or specifier.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scene/scene_facts.h"

namespace tessaryn {

// A block the layer holds on the way to the tracked prim.
struct OutlineBlock {
    std::string key;     // the block's key (LayerOutline::chain)
    std::string indent;  // of the line that opens it
    // Where text goes to stand last in the block's body: the start of the line of its
    // closing '}' when that brace is the first thing there, else the brace itself.
    std::uint64_t closeAt = 0;
    bool closeOnItsLine = false;
};

struct LayerOutline {
    // Asked for: the keys of the blocks on the way to the prim, root first, the prim's
    // path last. A prim's key is its path ("/a/b", "/a{set=v}b"); a variant set's, the
    // path of its prim or variant followed by "{set="; a variant's, that followed by
    // "{set=variant}". Empty: no prim is tracked.
    std::vector<std::string> chain;

    std::vector<std::string> sublayers;  // the asset paths of `subLayers`, as written
    std::vector<OutlineBlock> blocks;    // of the chain's blocks, those the layer holds
    std::string lineEnding = "\n";       // the header's
    std::string indentUnit;  // the first indentation of a line; empty when none is indented
    bool tracked = false;    // the layer holds the chain's last prim
    SceneNode prim;          // that prim, as the scan reports a mesh prim
};

}  // namespace tessaryn
