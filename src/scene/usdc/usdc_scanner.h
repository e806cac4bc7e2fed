// The scanners of binary USD: a crate layer, and a .usdz package whose root layer is one.
// Each reads the file's structure, then each mesh prim's arrays one mesh at a time, and
// reports the same SceneFacts as the text scanners: the prims that may take creases,
// their vertex counts, the OBJ crease edges among their face edges and the creases they
// carry. Such files are never rewritten: their creases go into an override layer.
#pragma once

#include "base/byte_source.h"
#include "crease/crease_edges_ahead.h"
#include "scene/scene_facts.h"

namespace tessaryn {

SceneFacts scanCrateLayer(ByteSource& file, const CreaseEdgesAhead& creaseEdges);
SceneFacts scanUsdzPackage(ByteSource& file, const CreaseEdgesAhead& creaseEdges);

}  // namespace tessaryn
