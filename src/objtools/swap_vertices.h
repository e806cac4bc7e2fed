#pragma once

namespace tessaryn {

// Gives the OBJ at `targetPath` the vertex-position lines of the OBJ at `sourcePath`,
// which must have as many: the target is rewritten with a header line, the source's
// positions, then its own other lines without its comments. True when it was
// rewritten; false leaves every file as it was.
bool SwapVertexLines(const char* sourcePath, const char* targetPath);

}  // namespace tessaryn
