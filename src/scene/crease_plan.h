// What a node's creases become: exactly the OBJ's crease edges. Without a value asked
// for, a crease edge that already carries a crease keeps its value and a new one gets
// kDefaultCreaseValue; with one, every crease edge gets it. Creases on other edges are
// dropped. Shared by every scene format.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "crease/crease_edge_set.h"
#include "scene/scene_facts.h"

namespace tessaryn {

// What subdivision treats as infinitely sharp.
constexpr std::string_view kDefaultCreaseValue = "10";
// What the host's export writes.
constexpr std::string_view kHostCreaseValue = "1000";

struct CreasePlan {
    std::vector<PlannedCrease> creases;  // one per crease edge, in the set's order
    std::int64_t replaced = 0;           // creases the node carries now (value above 0)
    std::int64_t kept = 0;               // crease edges whose crease keeps the value it has
    std::int64_t dropped = 0;            // creases on edges that are not crease edges
    // Crease edges that are not edges of the node (or, for the host's export, not
    // written smaller vertex first), and the first of them.
    std::int64_t missing = 0;
    std::int32_t firstMissing = CreaseEdgeSet::kNotACreaseEdge;
    // The node's creases already are these edges with these values (compared as edge
    // and value, not as text): nothing to write.
    bool unchanged = false;
};

// `value` empty: keep values, new creases at kDefaultCreaseValue. `smallerFirstOnly`:
// count an edge as the node's only where it is written smaller vertex first.
CreasePlan planCreases(const SceneNode& node, const CreaseEdgeSet& creases, std::string_view value,
                       bool smallerFirstOnly);

// A crease value: a decimal without sign, with an optional point and exponent ("10",
// ".5", "5.", "1e3"). Gives it as it is written into a scene: the shortest decimal that
// reads back as the same 32-bit float ("010.50" as "10.5", "1e3" as "1000"); a value that
// is 0 as a float, or beyond the largest, as "0", which is no crease and which the road
// refuses. False for anything else (a sign, nan, text).
bool readCreaseValue(std::string_view text, std::string& written);

}  // namespace tessaryn
