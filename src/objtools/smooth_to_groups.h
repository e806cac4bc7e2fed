#pragma once

#include "base/outcome.h"

namespace tessaryn {

// Writes the OBJ at `inputPath` to `outputPath` with its smoothing groups as groups:
// "s..." becomes "g " and at most 256 of the characters behind the s, "g..." becomes a
// comment, and v lines other than positions are dropped; every other line passes
// unchanged, below a header line. The two paths may name one file.
// Done, Unreadable (the input) or Unwritable (the output); on failure the output is as
// it was.
Outcome ConvertSmoothingGroups(const char* inputPath, const char* outputPath);

}  // namespace tessaryn
