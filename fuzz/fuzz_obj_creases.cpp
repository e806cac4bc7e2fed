// GetCreases's OBJ reading on arbitrary OBJ text in memory, in both group modes: the
// outcome is a group count, no crease edge or too many groups, and the crease edges are
// distinct and ascending. (The scene rewrite has a fuzzer of its own.)
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/obj_lines.h"
#include "crease/crease_edges.h"
#include "fuzz_files.h"

using namespace fuzzing;
using tessaryn::Outcome;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view obj(reinterpret_cast<const char*>(data), size);
    for (char prefix : {'g', 's'}) {
        InMemory text(obj);
        tessaryn::CreaseEdges creases;
        const Outcome outcome = tessaryn::CollectCreaseEdges(text.lines, prefix, creases);
        if (outcome != Outcome::Done) {
            check(outcome == Outcome::NoCreaseEdges || outcome == Outcome::TooManyGroups,
                  "a defined failure");
            continue;
        }
        check(creases.groupCount >= 1 && creases.groupCount <= tessaryn::kMaxCreaseGroups,
              "a group count");
        check(!creases.edges.empty(), "crease edges");
        check(std::adjacent_find(creases.edges.begin(), creases.edges.end(),
                                 [](auto a, auto b) { return a >= b; }) == creases.edges.end(),
              "distinct, ascending crease edges");
        std::int64_t positions = 0;
        for (const std::string& line : linesOf(std::string(obj))) {
            positions += tessaryn::isPositionLine(line) ? 1 : 0;
        }
        check(creases.vertexPositions == positions, "every vertex-position line counted");
    }
    return 0;
}
