#include "objtools/swap_vertices.h"

#include <cstddef>
#include <string_view>

#include "base/line_reader.h"
#include "base/safe_writer.h"
#include "objtools/obj_lines.h"

namespace tessaryn {

namespace {

constexpr std::string_view kHeader = "# written by Gimbalist plugin for Modelvex";

// Target lines kept below the positions: everything but positions and comments.
bool isKeptTargetLine(std::string_view line) {
    return !isPositionLine(line) && charAt(line, 0) != '#';
}

struct LineCounts {
    std::size_t positions = 0;
    std::size_t kept = 0;
};

// Counts a file's position lines and kept target lines. False when it cannot be read.
bool countLines(const char* path, LineCounts& counts) {
    LineReader reader;
    if (!reader.open(path)) return false;
    std::string_view line;
    while (reader.next(line)) {
        if (isPositionLine(line)) {
            ++counts.positions;
        } else if (isKeptTargetLine(line)) {
            ++counts.kept;
        }
    }
    return !reader.failed();
}

// Writes the lines of `path` for which keep(line) holds. False when it cannot be read.
template <typename Keep>
bool copyLines(const char* path, Keep keep, SafeWriter& writer) {
    LineReader reader;
    if (!reader.open(path)) return false;
    std::string_view line;
    while (reader.next(line)) {
        if (keep(line)) writer.writeLine(line);
    }
    return !reader.failed();
}

}  // namespace

// Both files are read twice, first to count, then to copy, instead of being held in
// memory: the target is replaced only once the new one is complete, so it may be read
// while it is being rewritten.
bool SwapVertexLines(const char* sourcePath, const char* targetPath) {
    LineCounts source;
    if (!countLines(sourcePath, source) || source.positions == 0) return false;
    LineCounts target;
    if (!countLines(targetPath, target) || target.positions == 0) return false;
    if (target.positions != source.positions || target.kept == 0) return false;

    SafeWriter writer;
    if (!writer.open(targetPath)) return false;
    writer.writeLine(kHeader);
    if (!copyLines(sourcePath, isPositionLine, writer)) return false;
    if (!copyLines(targetPath, isKeptTargetLine, writer)) return false;
    return writer.commit();
}

}  // namespace tessaryn
