#include "crease/crease_edges.h"

#include <limits>

#include "base/name_table.h"
#include "base/obj_lines.h"
#include "crease/crease_collector.h"
#include "crease/face_corners.h"

namespace tessaryn {

namespace {

// The corners of a face line as written, 32-bit signed: a corner that does not read as
// one ends the face there.
void collectFace(std::string_view line, std::uint32_t group, CreaseCollector& collector) {
    collector.beginFace(group);
    auto onVertex = [&](std::int64_t value) {
        if (value < std::numeric_limits<std::int32_t>::min() ||
            value > std::numeric_limits<std::int32_t>::max()) {
            return false;
        }
        collector.addCorner(static_cast<std::int32_t>(value));
        return true;
    };
    readFaceCorners(line.size() > 2 ? line.substr(2) : std::string_view(), onVertex,
                    [](std::int64_t) { return false; });
    collector.endFace();
}

}  // namespace

Outcome CollectCreaseEdges(const char* objPath, char groupPrefix, CreaseEdges& result) {
    LineReader reader;
    if (!reader.open(objPath)) return Outcome::Unreadable;
    return CollectCreaseEdges(reader, groupPrefix, result);
}

Outcome CollectCreaseEdges(LineReader& obj, char groupPrefix, CreaseEdges& result) {
    NameTable groups;  // whole group lines, numbered from 0
    CreaseCollector collector;
    std::uint32_t current = 0;  // faces before the first group line join group 0
    std::int64_t positions = 0;
    std::string_view line;
    while (obj.next(line)) {
        if (line.empty()) continue;
        if (line[0] == groupPrefix) {
            current = groups.add(line);
            if (groups.size() > static_cast<std::size_t>(kMaxCreaseGroups)) {
                return Outcome::TooManyGroups;
            }
        } else if (line[0] == 'f') {
            collectFace(line, current, collector);
        } else if (isPositionLine(line)) {
            ++positions;
        }
    }
    if (obj.failed()) return Outcome::Unreadable;

    result.groupCount = static_cast<std::int32_t>(groups.size());
    result.vertexPositions = positions;
    result.edges = collector.takeCreaseEdges(groups.size() > 0);
    return result.edges.empty() ? Outcome::NoCreaseEdges : Outcome::Done;
}

}  // namespace tessaryn
