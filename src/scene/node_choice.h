// Which mesh node of a scene takes the creases: the one asked for by its full path or
// its short name, else the one node whose vertex count is the OBJ's. Shared by every
// scene format.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scene/scene_refusal.h"
#include "scene/scene_facts.h"

namespace tessaryn {

struct NodeChoice {
    SceneRefusal problem = SceneRefusal::None;
    const SceneNode* node = nullptr;  // the node chosen, or the one asked for
    // For a problem, the nodes to choose from: those the name fits, those the vertex
    // count fits, or every node that holds a mesh. Never one that holds none, but for
    // a Maya node whose mesh is its construction history (NodeProblem::HistoryOnly),
    // listed where no node holds a mesh or none fits, as the one its user may have meant.
    std::vector<const SceneNode*> candidates;
};

// Whether a node of full path `path` and short name `name` is the one `wanted` names: by
// its full path, its short name, or the path's last parts after a separator (a path
// starts with its format's separator: '|' or '/').
bool nodeIsNamed(const std::string& path, const std::string& name, const std::string& wanted);

// `wanted`: a full path, a path's tail ("pCube1|pCubeShape1"), a short name, or empty.
NodeChoice chooseSceneNode(const SceneFacts& scene, const std::string& wanted,
                           std::int64_t objVertices);

// The node whose mesh is to be read whole: the one `wanted` names, else the one node that
// holds a mesh (SeveralMeshNodes, with them as candidates, when more do).
NodeChoice chooseMeshNode(const SceneFacts& scene, const std::string& wanted);

}  // namespace tessaryn
