// Reads a Maya ASCII scene as Maya writes it, in one streaming pass, and reports the
// facts every scene format reports (scene_facts.h): each mesh node with its DAG path,
// vertex count, crease statement and the OBJ's crease edges among its edges. The same
// pass tells a binary scene by its first bytes and notes the host's crease placeholder.
//
// A mesh node is a `createNode mesh` statement and the statements indented below it, up
// to the next statement that starts a line. Its vertex count is the highest index of
// its .vt[...] statements plus one; its edges are the triples (vertex, vertex, flag) of
// its .ed[a:b] and .ed[a] statements, edge a first; its creases are the (edge, value)
// pairs of its .cd statement.
#pragma once

#include "base/line_reader.h"
#include "crease/crease_edges_ahead.h"
#include "scene/scene_facts.h"

namespace tessaryn {

// `creases` are keyed by the OBJ's 1-based vertex numbers: a scene's vertex n is the
// OBJ's n + 1. A triple matches a crease edge in either vertex order.
SceneFacts scanMayaScene(LineReader& scene, const CreaseEdgesAhead& creases);

// The same scan for a road that reads the chosen node's edges itself, and checks them as
// it reads (a mesh written out): the words of every .ed statement are passed over
// unread, so a statement that is not triples filling its range refuses nothing here.
SceneFacts scanMayaScenePassingEdges(LineReader& scene);

}  // namespace tessaryn
