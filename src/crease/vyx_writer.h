// GetCreasesVyx's worker: an OBJ mesh becomes a Vyx file with crease flags.
#pragma once

namespace tessaryn {

// Gives the number of names of the crease source (smoothing groups when
// `smoothingSource`, else groups) on success, or TESSARYN_FAILED (OBJ unreadable),
// TESSARYN_BAD_INDEX or TESSARYN_VYX_CANNOT_WRITE, with no file written.
float ConvertObjToVyx(const char* objPath, const char* vyxPath, bool smoothingSource);

}  // namespace tessaryn
