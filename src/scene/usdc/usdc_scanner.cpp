#include "scene/usdc/usdc_scanner.h"

#include <optional>
#include <utility>
#include <vector>

#include "base/numbers.h"
#include "scene/usd/usd_mesh_scan.h"
#include "scene/usd/usd_override_layer.h"
#include "scene/usdc/crate_layer.h"
#include "scene/usdc/crate_refusal.h"
#include "scene/usdc/usdz_package.h"

namespace tessaryn {

namespace {

SceneFacts refused(SceneRefusal refusal, std::string detail) {
    SceneFacts facts;
    facts.format = SceneFormat::Usd;
    facts.problem = refusal;
    facts.problemDetail = std::move(detail);
    return facts;
}

// The layer's metadata as an override layer spells it: tokens quoted (control bytes
// escaped: a token may hold anything, a layer's line not), numbers through the
// one float formatter.
LayerMetadatum metadatumOf(const CrateFact& fact) {
    switch (fact.kind) {
        case CrateFactKind::Token:
            return {fact.name, usdQuoted(fact.token)};
        case CrateFactKind::Float:
            return {fact.name, shortestDecimal(static_cast<float>(fact.number))};
        case CrateFactKind::Double:
        case CrateFactKind::Int:
            break;
    }
    return {fact.name, shortestDecimal(fact.number)};
}

// A mesh's face indices walked as the reader decodes them, for the crease edges among the
// faces' sides, never held: a mesh of millions of faces needs no room for its indices.
class FaceIndexWalk : public IntegerWalk {
public:
    FaceIndexWalk(const std::vector<std::int32_t>& counts, const CreaseEdgeSet& creaseEdges)
        : found_(creaseEdges.size(), 0), walker_(counts, creaseEdges, found_) {}
    void take(const std::int32_t* values, std::size_t count) override {
        for (std::size_t i = 0; i < count; ++i) walker_.corner(values[i]);
    }
    // What the walk found, into the mesh's scan.
    void note(MeshScan& mesh) {
        mesh.found = std::move(found_);
        noteFaceWalk(mesh, walker_);
    }

private:
    std::vector<std::uint8_t> found_;  // before the walker, which fills it
    FaceEdgeWalker walker_;
};

// One mesh prim's facts, from its arrays as the text scanner would have gathered them;
// `walked` when its face indices were walked as they were read.
SceneNode meshNode(const CratePrim& prim, CrateMesh& arrays, const CreaseEdgeSet& creaseEdges,
                   FaceIndexWalk* walked) {
    MeshScan mesh;
    mesh.node.path = prim.path;
    mesh.node.name = prim.name;
    mesh.node.vertexCount = static_cast<std::int64_t>(arrays.pointCount);
    mesh.countsRead = arrays.faceVertexCountsAuthored;
    mesh.indicesRead = arrays.faceVertexIndicesAuthored;
    if (arrays.topologyTimeSampled) mesh.timeSampledTopologyLine = -1;
    // Noted while the walk's counts are still the arrays'.
    if (walked != nullptr && mesh.countsRead && mesh.indicesRead) walked->note(mesh);
    mesh.counts = std::move(arrays.faceVertexCounts);
    mesh.waitingIndices = std::move(arrays.faceVertexIndices);
    mesh.creases.indices = std::move(arrays.creaseIndices);
    mesh.creases.lengths = std::move(arrays.creaseLengths);
    for (const double value : arrays.creaseSharpnesses) {
        mesh.creases.sharpness.push_back(value);
        mesh.creases.sharpnessText.push_back(shortestDecimal(static_cast<float>(value)));
    }
    mesh.subdivisionNone = arrays.subdivisionScheme == "none";
    mesh.insertChosen = true;  // an override layer places its own statements
    finishMesh(mesh, creaseEdges);
    SceneNode node = std::move(mesh.node);
    // A binary layer has no lines: a problem names none.
    node.problemLine = 0;
    return node;
}

SceneFacts scanCrate(ByteSource& file, const CreaseEdgesAhead& creaseEdges,
                     std::vector<CrateWarning> warnings) {
    CrateLayer layer;
    const CrateRefusal read = layerRefusal(readCrateLayer(file, layer));
    if (read.refusal != SceneRefusal::None) return refused(read.refusal, read.detail);
    SceneFacts facts;
    facts.format = SceneFormat::Usdc;
    facts.size = file.size();
    for (const CrateFact& fact : layer.metadata) facts.rootMetadata.push_back(metadatumOf(fact));
    for (const CrateAsset& asset : layer.assets) facts.otherLayers.push_back(asset.path);
    warnings.insert(warnings.end(), layer.warnings.begin(), layer.warnings.end());
    for (const CrateWarning& warning : warnings) {
        facts.warnings.push_back(warning.kind == CrateWarningKind::NewerVersion
                                     ? SceneWarning::NewerCrateVersion
                                     : SceneWarning::PackageDataMisaligned);
    }
    // Names are checked as the file gave them: one holding '/' or braces would read as
    // other steps in the path's text. A prim's path starts with its parent's.
    std::vector<std::pair<std::string, std::string>> unfit;  // a prim's path, its name
    for (const CratePrim& prim : layer.prims) {
        std::string name;
        if (!isFitName(prim.name, false)) name = prim.name.empty() ? prim.path : prim.name;
        for (const CrateVariantStep& step : prim.variantSteps) {
            // An empty one shows in the path's text, where the override layer finds it.
            if (!step.variant.empty() && !isFitName(step.variant, true)) name = step.variant;
            if (!step.set.empty() && !isFitName(step.set, false)) name = step.set;
        }
        if (!name.empty()) unfit.emplace_back(prim.path, name);
    }
    for (const CratePrim& prim : layer.prims) {
        if (prim.typeName != "Mesh" || prim.specifier == CrateSpecifier::Class) continue;
        CrateMesh arrays;
        // With the OBJ's crease edges known, the face indices are walked as they come;
        // while they are still being collected beside, the indices wait for them.
        std::optional<FaceIndexWalk> walk;
        if (creaseEdges.ready()) walk.emplace(arrays.faceVertexCounts, creaseEdges.await());
        const CrateRefusal mesh = layerRefusal(readCrateMesh(
            file, layer, prim, arrays, CrateMeshParts::Creases, walk ? &*walk : nullptr));
        if (mesh.refusal != SceneRefusal::None) return refused(mesh.refusal, mesh.detail);
        facts.nodes.push_back(
            meshNode(prim, arrays, creaseEdges.await(), walk ? &*walk : nullptr));
        for (const auto& at : unfit) {
            const std::string& path = at.first;
            const bool within = prim.path.compare(0, path.size(), path) == 0 &&
                                (prim.path.size() == path.size() || prim.path[path.size()] == '/' ||
                                 prim.path[path.size()] == '{');
            if (within && facts.nodes.back().unfitName.empty())
                facts.nodes.back().unfitName = at.second;
        }
    }
    return facts;
}

}  // namespace

SceneFacts scanCrateLayer(ByteSource& file, const CreaseEdgesAhead& creaseEdges) {
    return scanCrate(file, creaseEdges, {});
}

SceneFacts scanUsdzPackage(ByteSource& file, const CreaseEdgesAhead& creaseEdges) {
    UsdzRootLayer root;
    const CrateRefusal opened = packageRefusal(openUsdzRootLayer(file, root), root);
    if (opened.refusal != SceneRefusal::None) return refused(opened.refusal, opened.detail);
    return scanCrate(file, creaseEdges, root.warnings);
}

}  // namespace tessaryn
