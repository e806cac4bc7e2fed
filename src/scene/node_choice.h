// Which mesh node of a scene takes the creases: the one asked for by its full path or
// its short name, else the one node whose vertex count is the OBJ's. Shared by every
// scene format.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scene/scene_facts.h"

namespace tessaryn {

enum class NodeChoiceProblem {
    None,
    NoMeshNode,          // no node holds vertices and faces
    NoSuchNode,          // none has the path or name asked for
    SeveralNamed,        // several have the short name asked for
    HoldsNoMesh,         // the node asked for holds no vertices or faces
    VertexCountDiffers,  // the node asked for has another vertex count than the OBJ
    NoneFits,            // no node has the OBJ's vertex count
    SeveralFit,          // several have it, and none was asked for
};

struct NodeChoice {
    NodeChoiceProblem problem = NodeChoiceProblem::None;
    const SceneNode* node = nullptr;  // the node chosen, or the one asked for
    // For a problem, the nodes to choose from: those the name fits, those the vertex
    // count fits, or every node that holds a mesh. Never one that holds none.
    std::vector<const SceneNode*> candidates;
};

// `wanted`: a full path, a path's tail ("pCube1|pCubeShape1"), a short name, or empty.
NodeChoice chooseSceneNode(const SceneFacts& scene, const std::string& wanted,
                           std::int64_t objVertices);

}  // namespace tessaryn
