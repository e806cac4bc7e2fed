#pragma once

#include <cstddef>

#include "base/outcome.h"

namespace tessaryn {

// An OBJ's lines as the swap sorts them.
struct SwapLineCounts {
    bool read = false;          // the file was read to its end
    std::size_t positions = 0;  // vertex-position lines
    std::size_t kept = 0;       // lines a target keeps: neither positions nor comments
};

// Why a swap of these files is refused, in the order the swap finds it; None when the
// counts allow it (a target that cannot be written is found by writing it).
enum class SwapRefusal {
    None,
    SourceUnreadable,
    SourceHasNoPositions,
    TargetUnreadable,
    TargetHasNoPositions,
    CountsDiffer,
    TargetHoldsOnlyPositions,
};
SwapRefusal swapRefusal(const SwapLineCounts& source, const SwapLineCounts& target);

// Counts the lines of the OBJ at `path`; `read` false when it cannot be read.
SwapLineCounts countSwapLines(const char* path);

// Gives the OBJ at `targetPath` the vertex-position lines of the OBJ at `sourcePath`,
// which must have as many: the target is rewritten with a header line, the source's
// positions, then its own other lines without its comments. Done when it was
// rewritten; Refused, for any reason, leaves every file as it was.
Outcome SwapVertexLines(const char* sourcePath, const char* targetPath);

}  // namespace tessaryn
