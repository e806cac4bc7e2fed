#pragma once

#include "base/outcome.h"

namespace tessaryn {

// Gives the OBJ at `targetPath` the vertex-position lines of the OBJ at `sourcePath`,
// which must have as many: the target is rewritten with a header line, the source's
// positions, then its own other lines without its comments. Done when it was
// rewritten; Refused, for any reason, leaves every file as it was.
Outcome SwapVertexLines(const char* sourcePath, const char* targetPath);

}  // namespace tessaryn
