#include "objtools/swap_vertices.h"

#include <cstddef>
#include <string_view>

#include "base/line_reader.h"
#include "base/safe_writer.h"
#include "base/obj_lines.h"

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

// Writes the lines of `path` for which keep(line) holds, counting its position lines and
// the lines a target keeps. False when it cannot be read.
template <typename Keep>
bool copyLines(const char* path, Keep keep, SafeWriter& writer, LineCounts& counts) {
    LineReader reader;
    if (!reader.open(path)) return false;
    std::string_view line;
    while (reader.next(line)) {
        if (isPositionLine(line)) {
            ++counts.positions;
        } else if (isKeptTargetLine(line)) {
            ++counts.kept;
        }
        if (keep(line)) writer.writeLine(line);
    }
    return !reader.failed();
}

}  // namespace

// Each file is read once, and the new target is written while they are read. Only when
// both are complete is it known whether the swap may be done; if not, the new target is
// dropped and the old one was never touched. Every refusal is the same no, so it does not
// matter which of them is found first.
Outcome SwapVertexLines(const char* sourcePath, const char* targetPath) {
    SafeWriter writer;
    if (!writer.open(targetPath)) return Outcome::Refused;
    writer.writeLine(kHeader);
    LineCounts source;
    if (!copyLines(sourcePath, isPositionLine, writer, source) || source.positions == 0)
        return Outcome::Refused;
    LineCounts target;
    if (!copyLines(targetPath, isKeptTargetLine, writer, target)) return Outcome::Refused;
    if (target.positions != source.positions || target.kept == 0) return Outcome::Refused;
    return writer.commit() ? Outcome::Done : Outcome::Refused;
}

}  // namespace tessaryn
