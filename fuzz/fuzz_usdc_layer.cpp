// The crate layer reader on arbitrary bytes, through a package first when they start with
// "PK", then every mesh prim that is no class, and the mesh reader on each. A refusal
// hands on nothing; a read never reports more than the bytes can hold: no array longer
// than its compressed bytes could make, no point count beyond the bytes its points would
// take, no corner beyond the points or uvs it hands over.
#include <cstdint>
#include <string>
#include <string_view>

#include "base/byte_source.h"
#include "fuzz_files.h"
#include "scene/usdc/crate_layer.h"
#include "scene/usdc/crate_mesh_reader.h"
#include "scene/usdc/usdz_package.h"

using namespace fuzzing;
using namespace tessaryn;

namespace {

const char* const kMetadataOrder[] = {"defaultPrim",     "upAxis",          "metersPerUnit",
                                      "timeCodesPerSecond", "framesPerSecond", "startTimeCode",
                                      "endTimeCode"};

std::size_t metadataRank(const std::string& name) {
    std::size_t rank = 0;
    while (rank < 7 && name != kMetadataOrder[rank]) ++rank;
    return rank;
}

void checkMesh(const CrateMesh& mesh, std::uint64_t size) {
    // Every element takes at least 2 bits of what LZ4 makes, 255 bytes at most of one.
    const std::uint64_t bound = std::uint64_t{4} * 255 * size + 16;
    check(mesh.faceVertexCounts.size() <= bound && mesh.faceVertexIndices.size() <= bound &&
              mesh.creaseIndices.size() <= bound && mesh.creaseLengths.size() <= bound &&
              mesh.creaseSharpnesses.size() <= bound,
          "arrays the bytes can hold");
    check(mesh.pointCount <= size / 6, "points the bytes hold");
    check(mesh.pointsAuthored || (mesh.pointCount == 0 && !mesh.pointsTimeSampled),
          "a point count only when authored");
    check(mesh.faceVertexCountsAuthored || mesh.faceVertexCounts.empty(), "counts when authored");
    check(mesh.faceVertexIndicesAuthored || mesh.faceVertexIndices.empty(), "indices when authored");
}

// Takes a mesh as an OBJ would: every corner among the points, every uv among the uvs.
struct BoundsSink : MeshSink {
    std::size_t points = 0;
    std::size_t uvs = 0;
    bool begin(const MeshHead& head) override {
        check(head.points.size() % 3 == 0 && head.uvs.size() % 2 == 0, "whole points and uvs");
        points = head.points.size() / 3;
        uvs = head.uvs.size() / 2;
        return true;
    }
    bool face(const std::uint32_t* vertices, const std::uint32_t* faceUvs,
              std::size_t corners) override {
        check((faceUvs != nullptr) == (uvs != 0), "uvs for every face when the mesh has them");
        for (std::size_t k = 0; k < corners; ++k)
            check(vertices[k] < points && (faceUvs == nullptr || faceUvs[k] < uvs), "in range");
        return true;
    }
};

// The mesh reader on the same bytes, as the OBJ road calls it for the prim.
void checkMeshReader(const std::string& bytes, bool package, const std::string& path) {
    ByteSource source;
    source.openMemory(bytes);
    SceneNode node;
    node.path = path;
    BoundsSink sink;
    const MeshReadResult read =
        package ? readUsdzPackageMesh(source, node, sink) : readCrateLayerMesh(source, node, sink);
    check(read.problem != SceneRefusal::None || !read.stopped, "a finished read");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    ByteSource source;
    source.openMemory(bytes);
    if (size >= 2 && data[0] == 'P' && data[1] == 'K') {
        UsdzRootLayer root;
        const CrateResult opened = openUsdzRootLayer(source, root);
        if (!opened.ok()) {
            check(source.size() == size, "a refused package leaves the source whole");
            return 0;
        }
        check(root.offset <= size && root.size <= size - root.offset, "the layer is in the package");
        check(source.size() == root.size, "the source is narrowed to the layer");
        check(root.warnings.size() == (root.offset % 64 != 0 ? 1u : 0u), "misalignment warned");
        check(root.name.find_first_of("[]") == std::string::npos, "no brackets in the name");
        if (root.format == UsdzLayerFormat::Text) return 0;
    }
    const std::uint64_t layerSize = source.size();
    CrateLayer layer;
    const CrateResult result = readCrateLayer(source, layer);
    if (!result.ok()) {
        check(layer.prims.empty() && layer.metadata.empty() && layer.assets.empty(),
              "a refused layer hands on nothing");
        return 0;
    }
    check(layer.prims.size() <= layer.tables.paths.size(), "a prim per path at most");
    std::size_t lastRank = 0;
    for (const CrateFact& fact : layer.metadata) {
        const std::size_t rank = metadataRank(fact.name);
        check(rank < 7 && rank >= lastRank, "metadata known, in order");
        lastRank = rank + 1;
    }
    for (const CratePrim& prim : layer.prims) {
        check(!prim.path.empty() && prim.path[0] == '/', "paths are absolute");
        check(prim.path.size() > prim.name.size() &&
                  prim.path.compare(prim.path.size() - prim.name.size(), std::string::npos,
                                    prim.name) == 0,
              "a path ends in its prim's name");
        if (prim.typeName != "Mesh" || prim.specifier == CrateSpecifier::Class) continue;
        CrateMesh mesh;
        const CrateResult read = readCrateMesh(source, layer, prim, mesh);
        if (!read.ok()) {
            check(mesh.faceVertexIndices.empty() && !mesh.pointsAuthored, "a refused mesh is empty");
            continue;
        }
        checkMesh(mesh, layerSize);
        checkMeshReader(bytes, size >= 2 && data[0] == 'P' && data[1] == 'K', prim.path);
    }
    return 0;
}
