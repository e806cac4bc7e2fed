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

// Writes the lines of `path` for which keep(line) holds (to `writer` unless it is null),
// counting its position lines and the lines a target keeps.
template <typename Keep>
SwapLineCounts copyLines(const char* path, Keep keep, SafeWriter* writer) {
    SwapLineCounts counts;
    LineReader reader;
    if (!reader.open(path)) return counts;
    std::string_view line;
    while (reader.next(line)) {
        if (isPositionLine(line)) {
            ++counts.positions;
        } else if (isKeptTargetLine(line)) {
            ++counts.kept;
        }
        if (writer != nullptr && keep(line)) writer->writeLine(line);
    }
    counts.read = !reader.failed();
    return counts;
}

}  // namespace

SwapRefusal swapRefusal(const SwapLineCounts& source, const SwapLineCounts& target) {
    if (!source.read) return SwapRefusal::SourceUnreadable;
    if (source.positions == 0) return SwapRefusal::SourceHasNoPositions;
    if (!target.read) return SwapRefusal::TargetUnreadable;
    if (target.positions == 0) return SwapRefusal::TargetHasNoPositions;
    if (target.positions != source.positions) return SwapRefusal::CountsDiffer;
    if (target.kept == 0) return SwapRefusal::TargetHoldsOnlyPositions;
    return SwapRefusal::None;
}

SwapLineCounts countSwapLines(const char* path) {
    return copyLines(path, isPositionLine, nullptr);
}

// Each file is read once, and the new target is written while they are read. Only when
// both are complete is it known whether the swap may be done; if not, the new target is
// dropped and the old one was never touched. Every refusal is the same no, so it does not
// matter which of them is found first.
Outcome SwapVertexLines(const char* sourcePath, const char* targetPath) {
    SafeWriter writer;
    if (!writer.open(targetPath)) return Outcome::Refused;
    writer.writeLine(kHeader);
    const SwapLineCounts source = copyLines(sourcePath, isPositionLine, &writer);
    const SwapLineCounts target = copyLines(targetPath, isKeptTargetLine, &writer);
    if (swapRefusal(source, target) != SwapRefusal::None) return Outcome::Refused;
    return writer.commit() ? Outcome::Done : Outcome::Refused;
}

}  // namespace tessaryn
