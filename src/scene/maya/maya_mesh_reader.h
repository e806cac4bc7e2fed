// Reads one Maya ASCII mesh node's geometry for an OBJ: from its createNode statement
// (SceneNode::start, else its line) to the next statement that starts a line.
//
// Its points are its .vt values plus its tweaks (.pt[a:b], .pt[a], .pt[a].px ...), which
// Maya adds to them. Its texture coordinates are those of its current UV set
// (SceneNode::uvSet, as the scanner found it): .uvst[k].uvsp values, and each face's mu
// element of that set. Its faces come from its .fc statements: each corner is the vertex
// an edge of .ed starts from as the face walks it. A face's holes are dropped (counted,
// with a warning). Maya writes vertices, edges and texture coordinates before the faces,
// and the faces are handed over as they are read; a node that gives its faces before its
// vertices or edges has them held until its end.
//
// Refused (SceneRefusal::NodeHoldsNoMesh with a detail and a line): an edge number
// beyond the edge list, an edge's vertex beyond the vertices, a texture coordinate
// beyond the set's, a face with texture coordinates where the first face has none or the
// other way round, statements whose values do not fill their range, a face list that is
// not one, and vertices, edges or texture coordinates given after faces handed over.
#pragma once

#include "base/byte_source.h"
#include "scene/scene_facts.h"
#include "scene/scene_mesh.h"

namespace tessaryn {

MeshReadResult readMayaMesh(ByteSource& scene, const SceneNode& node, MeshSink& sink);

}  // namespace tessaryn
