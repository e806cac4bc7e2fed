// The road of `tessaryn obj`: one mesh node of a scene written out as an OBJ whose vertex
// n is the node's vertex n - 1, for the host to draw groups on and `creases` to bring
// back. The scene's format is told by its first bytes, its scanner run, the node chosen
// (the one named, else the one that holds a mesh), then the format's mesh reader hands
// the node's geometry to the OBJ writer. The OBJ is written through the safe writer: on
// any refusal no OUT is left behind, and an existing one stays as it was.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/second_thread.h"
#include "scene/scene_creases.h"
#include "scene/scene_facts.h"
#include "scene/scene_mesh.h"
#include "scene/scene_refusal.h"

namespace tessaryn {

struct SceneObjRequest {
    std::string scenePath;
    std::string outPath;
    std::string node;  // a full path, a path's tail or a short name; empty: the one mesh
    // A thread the caller lends: the OBJ's lines are formatted on two threads. Null: on
    // the calling thread alone.
    const SecondThread* secondThread = nullptr;
};

struct SceneObjReport {
    SceneRefusal outcome = SceneRefusal::None;
    std::string file;       // the file an input or output failure concerns
    int error = 0;          // the system's error number for it, 0 when none is known
    std::int64_t line = 0;  // the scene line a damaged scene or node is refused at
    std::string detail;     // what is damaged, the vertex or face refused

    SceneFormat format = SceneFormat::Maya;
    NodeSummary node;                             // the node chosen (or asked for)
    NodeProblem nodeProblem = NodeProblem::None;  // why the node holds no mesh
    std::vector<NodeSummary> candidates;
    std::vector<std::string> otherLayers;  // a binary layer's sublayers, references, payloads
    std::vector<SceneWarning> sceneWarnings;

    std::int64_t vertices = 0;
    std::int64_t uvs = 0;
    std::int64_t faces = 0;
    bool pointsFromTimeSample = false;  // USD: points had no default value
    std::vector<MeshWarning> warnings;
    std::int64_t holedFaces = 0;  // Maya: faces written without their holes
    std::string output;           // the OBJ written; empty when none was
};

SceneObjReport writeSceneObj(const SceneObjRequest& request);

}  // namespace tessaryn
