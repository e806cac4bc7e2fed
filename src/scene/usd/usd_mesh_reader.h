// Reads one mesh prim of a USD text layer whole, for an OBJ: its points (the default
// value, else the first time sample), its faces (faceVertexCounts, faceVertexIndices,
// each face's corners reversed where orientation is leftHanded) and its texture
// coordinates (primvars:st, else the first texCoord2f[] primvar; vertex or faceVarying,
// indexed or not).
//
// The prim is found again where the scanner saw it start (SceneNode::start) and read in
// blocks, as the scanner reads. USD's writer sorts a prim's properties by name, so the
// face arrays come before the points: both are held (4 bytes an index) until the prim's
// end, when the faces are handed over one by one.
#pragma once

#include "base/byte_source.h"
#include "scene/scene_mesh.h"

namespace tessaryn {

MeshReadResult readUsdMesh(ByteSource& layer, const SceneNode& node, MeshSink& sink);

}  // namespace tessaryn
