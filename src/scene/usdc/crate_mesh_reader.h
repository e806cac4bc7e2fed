// The mesh readers of binary USD, a crate layer's and a .usdz package's (its root layer):
// the node's prim, found by its path as the scanner reported it (variant selections
// included), handed to a sink as an OBJ takes it: the points (their default, else their
// first time sample), the texture coordinates of primvars:st (else the first primvar of
// texture coordinates) when they are given per vertex or per face corner, then each face,
// its corners reversed when the mesh is leftHanded.
#pragma once

#include "base/byte_source.h"
#include "scene/scene_facts.h"
#include "scene/scene_mesh.h"

namespace tessaryn {

MeshReadResult readCrateLayerMesh(ByteSource& scene, const SceneNode& node, MeshSink& sink);
// The same read with the face indices decoded once first, to check them before the sink
// has anything, then again as faces: the read whose outcome the one above gives where
// anything goes wrong (it decodes them once, as the faces go). For tests to compare them.
MeshReadResult readCrateLayerMeshCheckingFirst(ByteSource& scene, const SceneNode& node,
                                               MeshSink& sink);
MeshReadResult readUsdzPackageMesh(ByteSource& scene, const SceneNode& node, MeshSink& sink);

}  // namespace tessaryn
