#include "scene/node_choice.h"

namespace tessaryn {

namespace {

std::vector<const SceneNode*> meshNodes(const SceneFacts& scene) {
    std::vector<const SceneNode*> nodes;
    for (const SceneNode& node : scene.nodes) {
        if (node.holdsMesh()) nodes.push_back(&node);
    }
    return nodes;
}

NodeChoice problem(SceneRefusal what, std::vector<const SceneNode*> candidates) {
    NodeChoice choice;
    choice.problem = what;
    choice.candidates = std::move(candidates);
    return choice;
}

}  // namespace

bool nodeIsNamed(const std::string& path, const std::string& name, const std::string& wanted) {
    if (path == wanted || name == wanted) return true;
    if (path.empty() || path.size() <= wanted.size()) return false;
    const std::size_t tail = path.size() - wanted.size();
    return path[tail - 1] == path[0] && path.compare(tail, wanted.size(), wanted) == 0;
}

namespace {

// The node `wanted` names, among every node of the scene: a problem when none or several
// do, or the one named holds no mesh.
NodeChoice chooseNamedNode(const SceneFacts& scene, const std::string& wanted,
                           const std::vector<const SceneNode*>& meshes) {
    // A node without vertices is no candidate: among nodes of one name, the one that
    // holds the mesh is meant.
    std::vector<const SceneNode*> named;
    const SceneNode* namedEmpty = nullptr;
    for (const SceneNode& node : scene.nodes) {
        if (!nodeIsNamed(node.path, node.name, wanted)) continue;
        if (node.holdsMesh()) {
            named.push_back(&node);
        } else if (namedEmpty == nullptr) {
            namedEmpty = &node;
        }
    }
    if (named.size() > 1) return problem(SceneRefusal::SeveralNamed, named);
    NodeChoice choice;
    if (named.empty() && namedEmpty == nullptr) return problem(SceneRefusal::NoSuchNode, meshes);
    if (named.empty()) {
        choice = problem(SceneRefusal::NodeHoldsNoMesh, meshes);
        choice.node = namedEmpty;
        return choice;
    }
    choice.node = named[0];
    return choice;
}

}  // namespace

NodeChoice chooseSceneNode(const SceneFacts& scene, const std::string& wanted,
                           std::int64_t objVertices) {
    const std::vector<const SceneNode*> meshes = meshNodes(scene);
    if (meshes.empty()) return problem(SceneRefusal::NoMeshNode, {});
    std::vector<const SceneNode*> fitting;
    for (const SceneNode* node : meshes) {
        if (node->vertexCount == objVertices) fitting.push_back(node);
    }
    if (wanted.empty()) {
        if (fitting.empty()) return problem(SceneRefusal::NoFittingNode, meshes);
        if (fitting.size() > 1) return problem(SceneRefusal::SeveralFittingNodes, fitting);
        NodeChoice choice;
        choice.node = fitting[0];
        return choice;
    }
    NodeChoice choice = chooseNamedNode(scene, wanted, meshes);
    if (choice.problem == SceneRefusal::None && choice.node->vertexCount != objVertices) {
        choice.problem = SceneRefusal::VertexCountDiffers;
        choice.candidates = fitting;
    }
    return choice;
}

NodeChoice chooseMeshNode(const SceneFacts& scene, const std::string& wanted) {
    const std::vector<const SceneNode*> meshes = meshNodes(scene);
    if (meshes.empty()) return problem(SceneRefusal::NoMeshNode, {});
    if (!wanted.empty()) return chooseNamedNode(scene, wanted, meshes);
    if (meshes.size() > 1) return problem(SceneRefusal::SeveralMeshNodes, meshes);
    NodeChoice choice;
    choice.node = meshes[0];
    return choice;
}

}  // namespace tessaryn
