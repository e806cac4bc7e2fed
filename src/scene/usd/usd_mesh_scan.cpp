#include "scene/usd/usd_mesh_scan.h"

#include <utility>

namespace tessaryn {

namespace {

std::int32_t creaseEdgeOf(std::int32_t a, std::int32_t b, const CreaseEdgeSet& creaseEdges) {
    if (a < 0 || b < 0) return CreaseEdgeSet::kNotACreaseEdge;
    return creaseEdges.find(a, b);
}

}  // namespace

void noteFaceWalk(MeshScan& mesh, const FaceEdgeWalker& walker) {
    mesh.corners = walker.corners();
    mesh.largest = walker.largest();
    mesh.smallest = walker.smallest();
    mesh.facesAgree = walker.agree();
}

void walkWaitingIndices(MeshScan& mesh, const CreaseEdgeSet& creaseEdges) {
    mesh.found.assign(creaseEdges.size(), 0);
    FaceEdgeWalker walker(mesh.counts, creaseEdges, mesh.found);
    for (const std::int32_t vertex : mesh.waitingIndices) walker.corner(vertex);
    noteFaceWalk(mesh, walker);
    std::vector<std::int32_t>().swap(mesh.waitingIndices);
}

std::vector<NodeCrease> expandCreases(const CreaseArrays& arrays,
                                      const CreaseEdgeSet& creaseEdges) {
    std::size_t edgeCount = 0;
    for (const std::int32_t length : arrays.lengths)
        if (length >= 2) edgeCount += static_cast<std::size_t>(length) - 1;
    // One value per edge where there are as many as edges; otherwise one per chain.
    const bool perEdge =
        arrays.sharpness.size() == edgeCount && arrays.sharpness.size() != arrays.lengths.size();
    std::vector<NodeCrease> creases;
    std::size_t at = 0;  // the chain's first point in indices
    std::size_t edge = 0;
    for (std::size_t chain = 0; chain < arrays.lengths.size(); ++chain) {
        const std::int32_t length = arrays.lengths[chain];
        if (length < 0 || static_cast<std::size_t>(length) > arrays.indices.size() - at) break;
        for (std::int32_t k = 1; k < length; ++k, ++edge) {
            NodeCrease crease;
            const std::size_t valueAt = perEdge ? edge : chain;
            crease.creaseEdge =
                creaseEdgeOf(arrays.indices[at + k - 1], arrays.indices[at + k], creaseEdges);
            if (valueAt < arrays.sharpness.size()) {
                crease.value = arrays.sharpness[valueAt];
                crease.text = arrays.sharpnessText[valueAt];
            } else {
                crease.text = "0";  // a chain without a value creases nothing
            }
            creases.push_back(std::move(crease));
        }
        at += static_cast<std::size_t>(length);
    }
    return creases;
}

void finishMesh(MeshScan& mesh, const CreaseEdgeSet& creaseEdges) {
    SceneNode& node = mesh.node;
    if (mesh.countsRead && mesh.indicesRead && !mesh.waitingIndices.empty())
        walkWaitingIndices(mesh, creaseEdges);
    if (mesh.countsRead && mesh.indicesRead && mesh.waitingIndices.empty() && mesh.corners == 0)
        mesh.facesAgree = mesh.counts.empty();

    if (mesh.timeSampledTopologyLine != 0) {
        node.problem = NodeProblem::TimeSampledTopology;
        node.problemLine = mesh.timeSampledTopologyLine;
    } else if (!mesh.countsRead || !mesh.indicesRead || mesh.facesMalformed) {
        node.problem = NodeProblem::NoFaces;
        node.problemLine = mesh.facesMalformed ? mesh.facesMalformedLine : node.line;
    } else if (!mesh.facesAgree) {
        node.problem = NodeProblem::FaceCountsMismatch;
        node.problemLine = mesh.indicesLine;
    } else if (node.vertexCount > 0 && (mesh.smallest < 0 || mesh.largest >= node.vertexCount)) {
        node.problem = NodeProblem::IndexBeyondPoints;
        node.problemLine = mesh.indicesLine;
    }

    for (std::size_t edge = 0; edge < mesh.found.size(); ++edge)
        if (mesh.found[edge] != 0)
            node.hits.push_back(CreaseHit{static_cast<std::int32_t>(edge), 0});
    node.creases = expandCreases(mesh.creases, creaseEdges);
    if (mesh.subdivisionNone) node.warnings.push_back(SceneWarning::SubdivisionNone);
    if (!mesh.insertChosen) node.insertAt = mesh.lastPropertyEnd;
    std::vector<std::int32_t>().swap(mesh.counts);
    std::vector<std::uint8_t>().swap(mesh.found);
}

}  // namespace tessaryn
