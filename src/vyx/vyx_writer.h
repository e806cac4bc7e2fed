// GetCreasesVyx's worker: an OBJ mesh becomes a Vyx file with crease flags.
#pragma once

#include "base/outcome.h"

namespace tessaryn {

// Done with the number of names of the crease source (smoothing groups when
// `smoothingSource`, else groups), or Unreadable (the OBJ), BadIndex or VyxUnwritable,
// with no file written.
WorkResult ConvertObjToVyx(const char* objPath, const char* vyxPath, bool smoothingSource);

// The same; with `spill` false the second pass reads the OBJ again instead of copying
// back what the first set aside, as it does when no temporary file can be made.
WorkResult convertObjToVyx(const char* objPath, const char* vyxPath, bool smoothingSource,
                           bool spill);

}  // namespace tessaryn
