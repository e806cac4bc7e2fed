// Reads a whole OBJ mesh in one pass for the Vyx writer and gives each face its crease
// flags: the edges that an odd number of faces of one group of the crease source use.
#pragma once

#include "base/line_reader.h"
#include "vyx/vyx_mesh.h"

namespace tessaryn {

// `smoothingSource` picks smoothing groups as the crease source, else groups; both
// kinds are always read. False when the OBJ cannot be read.
bool readObjMesh(const char* objPath, bool smoothingSource, VyxMesh& mesh);
// The same from a reader already open, on a file or on text in memory.
bool readObjMesh(LineReader& obj, bool smoothingSource, VyxMesh& mesh);

}  // namespace tessaryn
