#include "scene/node_choice.h"

namespace tessaryn {

namespace {

// The full path, the short name, or the path's last parts after a separator (a path
// starts with its format's separator: '|' or '/').
bool isNamed(const SceneNode& node, const std::string& wanted) {
    if (node.path == wanted || node.name == wanted) return true;
    const std::string& path = node.path;
    if (path.empty() || path.size() <= wanted.size()) return false;
    const std::size_t tail = path.size() - wanted.size();
    return path[tail - 1] == path[0] && path.compare(tail, wanted.size(), wanted) == 0;
}

std::vector<const SceneNode*> meshNodes(const SceneFacts& scene) {
    std::vector<const SceneNode*> nodes;
    for (const SceneNode& node : scene.nodes) {
        if (node.holdsMesh()) nodes.push_back(&node);
    }
    return nodes;
}

NodeChoice problem(NodeChoiceProblem what, std::vector<const SceneNode*> candidates) {
    NodeChoice choice;
    choice.problem = what;
    choice.candidates = std::move(candidates);
    return choice;
}

}  // namespace

NodeChoice chooseSceneNode(const SceneFacts& scene, const std::string& wanted,
                           std::int64_t objVertices) {
    const std::vector<const SceneNode*> meshes = meshNodes(scene);
    if (meshes.empty()) return problem(NodeChoiceProblem::NoMeshNode, {});
    std::vector<const SceneNode*> fitting;
    for (const SceneNode* node : meshes) {
        if (node->vertexCount == objVertices) fitting.push_back(node);
    }
    if (wanted.empty()) {
        if (fitting.empty()) return problem(NodeChoiceProblem::NoneFits, meshes);
        if (fitting.size() > 1) return problem(NodeChoiceProblem::SeveralFit, fitting);
        NodeChoice choice;
        choice.node = fitting[0];
        return choice;
    }
    // A node without vertices is no candidate: among nodes of one name, the one that
    // holds the mesh is meant.
    std::vector<const SceneNode*> named;
    const SceneNode* namedEmpty = nullptr;
    for (const SceneNode& node : scene.nodes) {
        if (!isNamed(node, wanted)) continue;
        if (node.holdsMesh()) {
            named.push_back(&node);
        } else if (namedEmpty == nullptr) {
            namedEmpty = &node;
        }
    }
    if (named.size() > 1) return problem(NodeChoiceProblem::SeveralNamed, named);
    NodeChoice choice;
    if (named.empty() && namedEmpty == nullptr)
        return problem(NodeChoiceProblem::NoSuchNode, meshes);
    if (named.empty()) {
        choice = problem(NodeChoiceProblem::HoldsNoMesh, meshes);
        choice.node = namedEmpty;
        return choice;
    }
    choice.node = named[0];
    if (choice.node->vertexCount != objVertices) {
        choice.problem = NodeChoiceProblem::VertexCountDiffers;
        choice.candidates = fitting;
    }
    return choice;
}

}  // namespace tessaryn
