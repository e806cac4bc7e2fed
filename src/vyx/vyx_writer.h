// GetCreasesVyx's worker: an OBJ mesh becomes a Vyx file with crease flags.
#pragma once

#include "base/outcome.h"

namespace tessaryn {

// Done with the number of names of the crease source (smoothing groups when
// `smoothingSource`, else groups), or Unreadable (the OBJ), BadIndex or VyxUnwritable,
// with no file written.
// The second pass copies back the faces and colours the first set aside in temporary
// files; where the system gives none, it reads the OBJ again, which only a regular file
// unchanged since the first pass allows.
WorkResult ConvertObjToVyx(const char* objPath, const char* vyxPath, bool smoothingSource);

}  // namespace tessaryn
