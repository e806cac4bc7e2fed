#include "crease/crease_edges.h"

#include <limits>
#include <vector>

#include "base/line_reader.h"
#include "base/name_table.h"
#include "crease/face_corners.h"
#include "tessaryn.h"

namespace tessaryn {

namespace {

// Toggles the edges of one face line in the current group: corner 1 to 2, ..., the
// last back to the first. A line with no readable corner toggles nothing.
void toggleFaceEdges(std::string_view line, std::uint32_t group, GroupEdgeParity& parity) {
    std::string_view corners = line.size() > 2 ? line.substr(2) : std::string_view();
    bool any = false;
    std::int32_t first = 0;
    std::int32_t previous = 0;
    auto onVertex = [&](std::int64_t value) {
        if (value < std::numeric_limits<std::int32_t>::min() ||
            value > std::numeric_limits<std::int32_t>::max()) {
            return false;  // a 32-bit read of it fails
        }
        auto vertex = static_cast<std::int32_t>(value);
        if (any) {
            parity.toggle(group, edgeKey(previous, vertex));
        } else {
            first = vertex;
            any = true;
        }
        previous = vertex;
        return true;
    };
    readFaceCorners(corners, onVertex, [](std::int64_t) { return false; });
    if (any) parity.toggle(group, edgeKey(previous, first));
}

}  // namespace

float CollectCreaseEdges(const char* objPath, char groupPrefix, CreaseEdges& result) {
    LineReader reader;
    if (!reader.open(objPath)) return TESSARYN_FAILED;

    NameTable groups;  // whole group lines, numbered from 0
    GroupEdgeParity parity;
    std::uint32_t current = 0;  // faces before the first group line join group 0
    std::string_view line;
    while (reader.next(line)) {
        if (line.empty()) continue;
        if (line[0] == groupPrefix) {
            current = groups.add(line);
            if (groups.size() > static_cast<std::size_t>(kMaxCreaseGroups)) {
                return TESSARYN_TOO_MANY_GROUPS;
            }
        } else if (line[0] == 'f') {
            toggleFaceEdges(line, current, parity);
        }
    }
    if (reader.failed()) return TESSARYN_FAILED;

    // Without a group line no group is in the table and no edge counts; otherwise
    // every group number used by a face is in it.
    result.groupCount = static_cast<std::int32_t>(groups.size());
    if (groups.size() > 0) {
        const std::vector<EdgeKey> edges = parity.takeEdges();
        result.edges.reserve(edges.size());
        for (EdgeKey edge : edges) result.edges.insert(edge, -1);
    }
    return result.edges.size() == 0 ? TESSARYN_NO_CREASE_EDGES : TESSARYN_OK;
}

}  // namespace tessaryn
