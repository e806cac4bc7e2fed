#include "scene/usdc/crate_mesh_reader.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "scene/usdc/crate_layer.h"
#include "scene/usdc/crate_refusal.h"
#include "scene/usdc/usdz_package.h"

namespace tessaryn {

namespace {

MeshReadResult refused(SceneRefusal refusal, std::string detail = {}) {
    MeshReadResult result;
    result.problem = refusal;
    result.detail = std::move(detail);
    return result;
}

MeshReadResult holdsNoMesh(NodeProblem problem) {
    MeshReadResult result;
    result.problem = SceneRefusal::NodeHoldsNoMesh;
    result.nodeProblem = problem;  // a binary layer has no line to name
    return result;
}

// How a face corner finds its texture coordinate: by its vertex (vertex interpolation)
// or by its place among all the faces' corners (faceVarying), through the primvar's
// indices when it has them.
enum class UvLookup { None, ByVertex, ByCorner };

struct FaceArrays {
    const std::vector<std::int32_t>& counts;
    const std::vector<std::int32_t>& indices;
    std::uint64_t corners = 0;      // the sum of the counts
    std::uint64_t vertexRange = 0;  // one more than the largest vertex a corner names
    std::int32_t largestFace = 0;
};

// The faces as the points take them: counts that add up to the indices, every index one
// of the points.
MeshReadResult checkFaces(FaceArrays& faces, std::uint64_t pointCount) {
    for (const std::int32_t count : faces.counts) {
        if (count < 0) return holdsNoMesh(NodeProblem::FaceCountsMismatch);
        faces.corners += static_cast<std::uint64_t>(count);
        faces.largestFace = std::max(faces.largestFace, count);
    }
    if (faces.corners != faces.indices.size()) return holdsNoMesh(NodeProblem::FaceCountsMismatch);
    for (const std::int32_t index : faces.indices) {
        if (index < 0 || static_cast<std::uint64_t>(index) >= pointCount)
            return holdsNoMesh(NodeProblem::IndexBeyondPoints);
        faces.vertexRange = std::max(faces.vertexRange, static_cast<std::uint64_t>(index) + 1);
    }
    return {};
}

// How the corners find their texture coordinates, once the primvar is known to serve
// every corner: as many values (or indices) as the vertices or corners ask for, every
// index one of the values.
MeshReadResult chooseUvLookup(const std::string& path, const CrateTexture& texture,
                              const FaceArrays& faces, UvLookup& lookup,
                              std::vector<MeshWarning>& warnings) {
    lookup = UvLookup::None;
    if (texture.name.empty()) return {};
    if (texture.interpolation == "vertex") {
        lookup = UvLookup::ByVertex;
    } else if (texture.interpolation == "faceVarying") {
        lookup = UvLookup::ByCorner;
    } else {
        warnings.push_back(MeshWarning::UvsNotPerCorner);
        return {};
    }
    const std::string what = path + "." + texture.name;
    const std::uint64_t needed = lookup == UvLookup::ByVertex ? faces.vertexRange : faces.corners;
    const std::uint64_t values = texture.values.size() / 2;
    const std::uint64_t given = texture.indexed ? texture.indices.size() : values;
    if (given < needed)
        return refused(SceneRefusal::UsdBinary,
                       what + (texture.indexed ? ":indices" : "") + " is damaged: fewer than the " +
                           std::to_string(needed) +
                           (lookup == UvLookup::ByVertex ? " vertices" : " face corners") +
                           " it is given for");
    for (const std::int32_t index : texture.indices) {
        if (index < 0 || static_cast<std::uint64_t>(index) >= values)
            return refused(SceneRefusal::UsdBinary,
                           what + ":indices is damaged: an index beyond its " +
                               std::to_string(values) + " texture coordinates");
    }
    return {};
}

// Hands the faces to the sink in order, each with its texture corners, reversed for a
// leftHanded mesh.
void handFaces(const FaceArrays& faces, const CrateTexture& texture, UvLookup lookup,
               bool leftHanded, MeshSink& sink, MeshReadResult& result) {
    const auto largest = static_cast<std::size_t>(faces.largestFace);
    std::vector<std::uint32_t> vertices(largest);
    std::vector<std::uint32_t> uvs(lookup == UvLookup::None ? 0 : largest);
    const std::int32_t* indices = faces.indices.data();
    const std::int32_t* uvIndices = texture.indexed ? texture.indices.data() : nullptr;
    std::size_t at = 0;  // the face's first corner among all corners
    for (const std::int32_t count : faces.counts) {
        const auto corners = static_cast<std::size_t>(count);
        for (std::size_t k = 0; k < corners; ++k) {
            const auto vertex = static_cast<std::uint32_t>(indices[at + k]);
            vertices[k] = vertex;
            if (lookup == UvLookup::None) continue;
            const std::size_t key = lookup == UvLookup::ByVertex ? vertex : at + k;
            uvs[k] = uvIndices != nullptr ? static_cast<std::uint32_t>(uvIndices[key])
                                          : static_cast<std::uint32_t>(key);
        }
        if (leftHanded) {
            std::reverse(vertices.begin(), vertices.begin() + static_cast<std::ptrdiff_t>(corners));
            std::reverse(uvs.begin(), uvs.begin() + static_cast<std::ptrdiff_t>(
                                                        lookup == UvLookup::None ? 0 : corners));
        }
        ++result.faces;
        if (!sink.face(vertices.data(), lookup == UvLookup::None ? nullptr : uvs.data(), corners)) {
            result.stopped = true;
            return;
        }
        at += corners;
    }
}

// The node's mesh read whole from a crate layer that `source` holds from its first byte;
// only the mesh's arrays outlive the layer's tables.
MeshReadResult readNodeArrays(ByteSource& source, const SceneNode& node, CrateMesh& mesh) {
    CrateLayer layer;
    CrateRefusal refusal = layerRefusal(readCrateLayer(source, layer));
    if (refusal.refusal != SceneRefusal::None) return refused(refusal.refusal, refusal.detail);
    const CratePrim* prim = nullptr;
    for (const CratePrim& candidate : layer.prims)
        if (candidate.path == node.path && candidate.typeName == "Mesh" &&
            candidate.specifier != CrateSpecifier::Class)
            prim = &candidate;
    // The scanner reported it from this file: the file is another now.
    if (prim == nullptr) return refused(SceneRefusal::SceneChanged);
    refusal = layerRefusal(readCrateMesh(source, layer, *prim, mesh, CrateMeshParts::Geometry));
    if (refusal.refusal != SceneRefusal::None) return refused(refusal.refusal, refusal.detail);
    return {};
}

}  // namespace

MeshReadResult readCrateLayerMesh(ByteSource& scene, const SceneNode& node, MeshSink& sink) {
    CrateMesh mesh;
    MeshReadResult result = readNodeArrays(scene, node, mesh);
    if (result.problem != SceneRefusal::None) return result;
    if (!mesh.pointsAuthored || mesh.pointCount == 0) return holdsNoMesh(NodeProblem::None);
    if (!mesh.faceVertexCountsAuthored || !mesh.faceVertexIndicesAuthored)
        return holdsNoMesh(NodeProblem::NoFaces);
    FaceArrays faces{mesh.faceVertexCounts, mesh.faceVertexIndices};
    result = checkFaces(faces, mesh.pointCount);
    if (result.problem != SceneRefusal::None) return result;
    if (mesh.pointsTimeSampled) result.warnings.push_back(MeshWarning::PointsFromTimeSample);
    UvLookup lookup = UvLookup::None;
    MeshReadResult uvProblem =
        chooseUvLookup(node.path, mesh.texture, faces, lookup, result.warnings);
    if (uvProblem.problem != SceneRefusal::None) return uvProblem;
    {
        // The head lives while the sink takes it: the faces need only the arrays.
        MeshHead head;
        head.points = std::move(mesh.points);
        if (lookup != UvLookup::None) {
            head.uvs = std::move(mesh.texture.values);
            head.uvSet = mesh.texture.name.substr(mesh.texture.name.find(':') + 1);
        }
        if (!sink.begin(head)) {
            result.stopped = true;
            return result;
        }
    }
    handFaces(faces, mesh.texture, lookup, mesh.leftHanded, sink, result);
    return result;
}

MeshReadResult readUsdzPackageMesh(ByteSource& scene, const SceneNode& node, MeshSink& sink) {
    UsdzRootLayer root;
    const CrateRefusal opened = packageRefusal(openUsdzRootLayer(scene, root), root);
    if (opened.refusal != SceneRefusal::None) return refused(opened.refusal, opened.detail);
    return readCrateLayerMesh(scene, node, sink);
}

}  // namespace tessaryn
