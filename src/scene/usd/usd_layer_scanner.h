// Reads a USD ASCII layer once, in blocks, and reports its mesh prims as SceneFacts: for
// each `Mesh` prim its path (with variant selections, "/asset{model=cube}geo/mesh"), its
// vertex count, the OBJ crease edges among its face edges, the creases it carries, the
// byte ranges of its crease statements or where new ones go, and its problems; for the
// layer, the metadata an override layer copies.
//
// The layer's syntax is followed only as far as prims, variant sets and properties go;
// every other statement (relationships, connections, list edits, dictionaries, whatever
// a later version adds) is passed over by its strings and brackets, never refused.
#pragma once

#include "base/line_reader.h"
#include "crease/crease_edges_ahead.h"
#include "scene/scan_watcher.h"
#include "scene/scene_facts.h"
#include "scene/usd/usd_layer_outline.h"

namespace tessaryn {

// `layer` is a reader just opened on the layer (on a file, or on a memory ByteSource,
// which is then read where it lies); the layer is taken from it in blocks, never as
// lines. `creaseEdges` are keyed by the OBJ's 1-based vertex numbers: a prim's vertex n
// is the OBJ's n + 1. `watcher`, when given, is told of the bytes as they are passed and
// of each mesh prim as it opens and is placed.
SceneFacts scanUsdLayer(LineReader& layer, const CreaseEdgesAhead& creaseEdges,
                        ScanWatcher* watcher = nullptr);

// The same scan for a road that reads the chosen prim's faces itself, and checks them as
// it reads (a mesh written out): each mesh's faceVertexCounts and faceVertexIndices are
// passed over unread, so no prim carries a problem of its faces (but their being given
// over time), and no crease edge is looked for.
SceneFacts scanUsdLayerPassingFaces(LineReader& layer);

// The same scan of an existing override layer, which also fills `outline` (its
// `chain` given): the tracked prim is reported among the nodes whatever its type.
SceneFacts scanUsdLayerOutline(LineReader& layer, const CreaseEdgesAhead& creaseEdges,
                               LayerOutline& outline);

}  // namespace tessaryn
