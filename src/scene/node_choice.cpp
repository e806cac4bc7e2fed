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

// The nodes that hold a mesh and those whose mesh is their history, in the scene's order.
std::vector<const SceneNode*> offeredNodes(const SceneFacts& scene) {
    std::vector<const SceneNode*> nodes;
    for (const SceneNode& node : scene.nodes) {
        if (node.holdsMesh() || node.problem == NodeProblem::HistoryOnly) nodes.push_back(&node);
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

// A scene in which no node holds a mesh: a node named whose mesh is its history is told as
// such all the same; else the nodes whose mesh is their history are offered.
NodeChoice noMeshNode(const SceneFacts& scene, const std::string& wanted) {
    for (const SceneNode& node : scene.nodes) {
        if (wanted.empty() || node.problem != NodeProblem::HistoryOnly ||
            !nodeIsNamed(node.path, node.name, wanted))
            continue;
        NodeChoice choice;
        choice.problem = SceneRefusal::NodeHoldsNoMesh;
        choice.node = &node;
        return choice;
    }
    return problem(SceneRefusal::NoMeshNode, offeredNodes(scene));
}

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
        } else if (namedEmpty == nullptr || (namedEmpty->problem != NodeProblem::HistoryOnly &&
                                             node.problem == NodeProblem::HistoryOnly)) {
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
    if (meshes.empty()) return noMeshNode(scene, wanted);
    std::vector<const SceneNode*> fitting;
    for (const SceneNode* node : meshes) {
        if (node->vertexCount == objVertices) fitting.push_back(node);
    }
    if (wanted.empty()) {
        if (fitting.empty()) return problem(SceneRefusal::NoFittingNode, offeredNodes(scene));
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
    if (meshes.empty()) return noMeshNode(scene, wanted);
    if (!wanted.empty()) return chooseNamedNode(scene, wanted, meshes);
    if (meshes.size() > 1) return problem(SceneRefusal::SeveralMeshNodes, meshes);
    NodeChoice choice;
    choice.node = meshes[0];
    return choice;
}

}  // namespace tessaryn
