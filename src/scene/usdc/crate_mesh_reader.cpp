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

// The face indices' number, smallest and largest, gathered as they are decoded: the faces
// are checked without the indices held. With `countOnly`, their number alone, from the
// list's head: the indices are then decoded once only, as the faces go to the sink.
class IndexSpan : public IntegerWalk {
public:
    explicit IndexSpan(bool countOnly) : spanned(!countOnly) {}
    void take(const std::int32_t* values, std::size_t given) override {
        for (std::size_t i = 0; i < given; ++i) {
            smallest = std::min(smallest, values[i]);
            largest = std::max(largest, values[i]);
        }
        count += given;
    }
    bool countsOnly() const override { return !spanned; }
    void counted(std::uint64_t given) override { count = given; }

    bool spanned;  // smallest and largest were gathered
    std::uint64_t count = 0;
    std::int32_t smallest = INT32_MAX;
    std::int32_t largest = -1;
};

struct FaceArrays {
    const std::vector<std::int32_t>& counts;
    const IndexSpan& indices;
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
    const IndexSpan& indices = faces.indices;
    if (faces.corners != indices.count) return holdsNoMesh(NodeProblem::FaceCountsMismatch);
    if (indices.count == 0) return {};
    if (!indices.spanned) {
        // Each corner is checked against the points as the faces go.
        faces.vertexRange = pointCount;
        return {};
    }
    if (indices.smallest < 0 || static_cast<std::uint64_t>(indices.largest) >= pointCount)
        return holdsNoMesh(NodeProblem::IndexBeyondPoints);
    faces.vertexRange = static_cast<std::uint64_t>(indices.largest) + 1;
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

// Hands the faces to the sink in order as their indices are decoded, each with its texture
// corners, reversed for a leftHanded mesh.
class FaceEmitter : public IntegerWalk {
public:
    FaceEmitter(const FaceArrays& faces, const CrateTexture& texture, UvLookup lookup,
                bool leftHanded, MeshSink& sink, MeshReadResult& result)
        : faces_(faces),
          uvIndices_(texture.indexed ? texture.indices.data() : nullptr),
          lookup_(lookup),
          leftHanded_(leftHanded),
          sink_(sink),
          result_(result),
          // Room for one corner at least: a face of none is handed over with texture
          // corners (none of them) all the same when the mesh has texture coordinates.
          vertices_(std::max<std::size_t>(1, static_cast<std::size_t>(faces.largestFace))),
          uvs_(lookup == UvLookup::None
                   ? 0
                   : std::max<std::size_t>(1, static_cast<std::size_t>(faces.largestFace))),
          runs_(!leftHanded && (lookup == UvLookup::None ||
                                (lookup == UvLookup::ByVertex && uvIndices_ == nullptr))) {
        handEmptyFaces();
    }

    void take(const std::int32_t* values, std::size_t count) override {
        const std::vector<std::int32_t>& counts = faces_.counts;
        bool runs = runs_;
        for (std::size_t i = 0; i < count && !result_.stopped && !changed_; ++i) {
            if (corner_ == 0 && runs) {
                // The whole faces from here on at once; the face they leave unfinished, or
                // all of them when one of their numbers is wrong, one corner at a time.
                const std::size_t used = handRun(values + i, count - i);
                runs = used != 0;
                i += used;
                if (i == count || result_.stopped) return;
            }
            const auto vertex = static_cast<std::uint32_t>(values[i]);
            // Within the points (or, where the indices were decoded once to check them, within
            // what that found: a file changed since gives others).
            if (face_ == counts.size() || vertex >= faces_.vertexRange) {
                changed_ = true;
                return;
            }
            vertices_[corner_] = vertex;
            if (lookup_ != UvLookup::None) {
                const std::uint64_t key = lookup_ == UvLookup::ByVertex ? vertex : at_ + corner_;
                uvs_[corner_] = uvIndices_ != nullptr
                                    ? static_cast<std::uint32_t>(uvIndices_[key])
                                    : static_cast<std::uint32_t>(key);
            }
            if (++corner_ == static_cast<std::size_t>(counts[face_])) {
                handFace(corner_);
                at_ += corner_;
                corner_ = 0;
                ++face_;
                handEmptyFaces();
            }
        }
    }

    // True once every face is handed over (or the sink stopped); false when a corner was
    // beyond the range above, or more corners came than the counts give.
    bool finished() const {
        return result_.stopped || (!changed_ && face_ == faces_.counts.size() && corner_ == 0);
    }

private:
    // The whole faces whose corners are the first of `values`, handed to the sink as one
    // run when every corner is within the points; gives how many values they took (none
    // when a corner is not). Their texture corners, where they have them, are their
    // vertices: runs are only taken for such faces, not turned.
    std::size_t handRun(const std::int32_t* values, std::size_t count) {
        const std::vector<std::int32_t>& counts = faces_.counts;
        std::size_t faces = 0;
        std::size_t corners = 0;
        while (face_ + faces < counts.size() &&
               static_cast<std::size_t>(counts[face_ + faces]) <= count - corners)
            corners += static_cast<std::size_t>(counts[face_ + faces++]);
        // Each a number from 0, as the sink takes them: a negative one is beyond the points.
        const auto* vertices = reinterpret_cast<const std::uint32_t*>(values);
        std::uint32_t largest = 0;
        for (std::size_t at = 0; at < corners; ++at) largest = std::max(largest, vertices[at]);
        if (faces == 0 || largest >= faces_.vertexRange) return 0;
        const auto* runCounts = reinterpret_cast<const std::uint32_t*>(counts.data() + face_);
        const std::size_t taken =
            sink_.faces(runCounts, faces, vertices, lookup_ == UvLookup::None ? nullptr : vertices);
        result_.faces += static_cast<std::int64_t>(taken);
        if (taken < faces) {
            ++result_.faces;  // the one refused was handed over too, as handFace counts it
            result_.stopped = true;
        }
        face_ += faces;
        at_ += corners;
        return corners;
    }

    // Faces of no corners where the next face starts: the sink refuses them in their turn.
    void handEmptyFaces() {
        while (!result_.stopped && face_ < faces_.counts.size() && faces_.counts[face_] == 0) {
            handFace(0);
            ++face_;
        }
    }

    void handFace(std::size_t corners) {
        if (leftHanded_) {
            std::reverse(vertices_.begin(), vertices_.begin() + static_cast<std::ptrdiff_t>(corners));
            if (lookup_ != UvLookup::None)
                std::reverse(uvs_.begin(), uvs_.begin() + static_cast<std::ptrdiff_t>(corners));
        }
        ++result_.faces;
        if (!sink_.face(vertices_.data(), lookup_ == UvLookup::None ? nullptr : uvs_.data(),
                        corners))
            result_.stopped = true;
    }

    const FaceArrays& faces_;
    const std::int32_t* uvIndices_;
    UvLookup lookup_;
    bool leftHanded_;
    bool changed_ = false;
    MeshSink& sink_;
    MeshReadResult& result_;
    std::vector<std::uint32_t> vertices_;
    std::vector<std::uint32_t> uvs_;
    const bool runs_;         // faces may go to the sink as runs
    std::size_t face_ = 0;    // the face being gathered
    std::size_t corner_ = 0;  // its corners gathered so far
    std::uint64_t at_ = 0;    // its first corner among all corners
};

// The points read on the lent thread, through a second opening of the file, while the
// reader's own thread reads the rest of the mesh.
struct PointsApart {
    PointsApart(const CrateLayer& crateLayer, const CratePrim& meshPrim)
        : layer(crateLayer), prim(meshPrim) {}

    const CrateLayer& layer;
    const CratePrim& prim;
    ByteSource source;
    std::vector<float> points;
    bool read = false;  // the points came whole; else they are read again on one thread
    LentWork work;      // last: joined before the rest goes
};

void readPointsApart(void* context) {
    auto* apart = static_cast<PointsApart*>(context);
    try {
        apart->read = readCrateMeshPoints(apart->source, apart->layer, apart->prim,
                                          apart->points).ok() &&
                      !apart->source.failed();
    } catch (...) {
        apart->read = false;  // no room, say: the reader's own read tells
    }
}

// The mesh's arrays, the points on `thread` when one is lent and the file can be opened
// a second time: then they are read while the face indices are walked, each into memory
// of its own. Points that did not come whole there are read again here, so that a
// problem with them (or a failed read of the file) is told as one read of them all tells
// it.
CrateResult readMeshArrays(ByteSource& source, const CrateLayer& layer, const CratePrim& prim,
                           CrateMesh& mesh, IndexSpan& indices, const SecondThread* thread) {
    PointsApart apart(layer, prim);
    if (thread == nullptr || !apart.source.openAgain(source) ||
        !apart.work.start(thread, readPointsApart, &apart))
        return readCrateMesh(source, layer, prim, mesh, CrateMeshParts::Geometry, &indices);
    CrateResult result =
        readCrateMesh(source, layer, prim, mesh, CrateMeshParts::GeometryButPoints, &indices);
    apart.work.join();
    // As one read of them all: a problem of the rest comes before one of the points.
    if (!result.ok()) return result;
    if (apart.read) {
        mesh.points = std::move(apart.points);
        return {};
    }
    result = readCrateMeshPoints(source, layer, prim, mesh.points);
    if (!result.ok()) mesh = CrateMesh{};
    return result;
}

// The node's prim and its arrays, from a crate layer that `source` holds from its first
// byte; the face indices are only gathered into `indices` (or counted), to be decoded as
// faces after.
MeshReadResult readNodeArrays(ByteSource& source, const SceneNode& node, CrateLayer& layer,
                              const CratePrim*& prim, CrateMesh& mesh, IndexSpan& indices,
                              const SecondThread* thread) {
    CrateRefusal refusal = layerRefusal(readCrateLayer(source, layer));
    if (refusal.refusal != SceneRefusal::None) return refused(refusal.refusal, refusal.detail);
    prim = nullptr;
    for (const CratePrim& candidate : layer.prims)
        if (candidate.path == node.path && candidate.typeName == "Mesh" &&
            candidate.specifier != CrateSpecifier::Class)
            prim = &candidate;
    // The scanner reported it from this file: the file is another now.
    if (prim == nullptr) return refused(SceneRefusal::SceneChanged);
    refusal = layerRefusal(readMeshArrays(source, layer, *prim, mesh, indices, thread));
    if (refusal.refusal != SceneRefusal::None) return refused(refusal.refusal, refusal.detail);
    return {};
}

// Hands everything on to the sink it watches, telling whether the head was handed.
class WatchedSink : public MeshSink {
public:
    explicit WatchedSink(MeshSink& sink) : sink_(sink) {}
    bool begin(const MeshHead& head) override {
        begun = true;
        return sink_.begin(head);
    }
    bool face(const std::uint32_t* vertices, const std::uint32_t* uvs,
              std::size_t corners) override {
        return sink_.face(vertices, uvs, corners);
    }
    std::size_t faces(const std::uint32_t* counts, std::size_t faceCount,
                      const std::uint32_t* vertices, const std::uint32_t* uvs) override {
        return sink_.faces(counts, faceCount, vertices, uvs);
    }
    const SecondThread* readerThread() const override { return sink_.readerThread(); }

    bool begun = false;

private:
    MeshSink& sink_;
};

// Takes whatever it is given: a read into it tells only what the read refuses.
class TakingSink : public MeshSink {
public:
    bool begin(const MeshHead&) override { return true; }
    bool face(const std::uint32_t*, const std::uint32_t*, std::size_t) override { return true; }
    std::size_t faces(const std::uint32_t*, std::size_t faceCount, const std::uint32_t*,
                      const std::uint32_t*) override {
        return faceCount;
    }
};

// The mesh read into the sink; with `decodeOnce`, the face indices are decoded only as the
// faces go (unless texture coordinates by vertex need their largest first), and a corner
// beyond the points is found there, after the sink has had the head and the faces before.
MeshReadResult readLayerMesh(ByteSource& scene, const SceneNode& node, MeshSink& sink,
                             bool decodeOnce) {
    CrateLayer layer;
    const CratePrim* prim = nullptr;
    CrateMesh mesh;
    IndexSpan counted(decodeOnce);
    MeshReadResult result =
        readNodeArrays(scene, node, layer, prim, mesh, counted, sink.readerThread());
    if (result.problem != SceneRefusal::None) return result;
    // readNodeArrays refuses a prim it did not find; for the reads of *prim below.
    if (prim == nullptr) return refused(SceneRefusal::SceneChanged);
    if (!mesh.pointsAuthored || mesh.pointCount == 0) return holdsNoMesh(NodeProblem::None);
    if (!mesh.faceVertexCountsAuthored || !mesh.faceVertexIndicesAuthored)
        return holdsNoMesh(NodeProblem::NoFaces);
    // Texture coordinates by vertex are checked against the largest vertex a corner names.
    IndexSpan spanned(false);
    const bool spanNeeded = !mesh.texture.name.empty() && mesh.texture.interpolation == "vertex";
    if (decodeOnce && spanNeeded) {
        const CrateRefusal walked = layerRefusal(walkMeshFaceIndices(scene, layer, *prim, spanned));
        if (walked.refusal != SceneRefusal::None) return refused(walked.refusal, walked.detail);
    }
    FaceArrays faces{mesh.faceVertexCounts, decodeOnce && spanNeeded ? spanned : counted};
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
        if (lookup != UvLookup::None && !mesh.texture.values.empty()) {
            head.uvs = std::move(mesh.texture.values);
            head.uvSet = mesh.texture.name.substr(mesh.texture.name.find(':') + 1);
        } else {
            // A primvar of no values serves only faces of no corners: with no texture
            // coordinates handed over, the faces get no texture corners either.
            lookup = UvLookup::None;
        }
        if (!sink.begin(head)) {
            result.stopped = true;
            return result;
        }
    }
    FaceEmitter emitter(faces, mesh.texture, lookup, mesh.leftHanded, sink, result);
    const CrateRefusal walked = layerRefusal(walkMeshFaceIndices(scene, layer, *prim, emitter));
    if (walked.refusal != SceneRefusal::None) return refused(walked.refusal, walked.detail);
    if (!emitter.finished()) return refused(SceneRefusal::SceneChanged);
    return result;
}

}  // namespace

MeshReadResult readCrateLayerMesh(ByteSource& scene, const SceneNode& node, MeshSink& sink) {
    // Nearly every mesh reads whole with its face indices decoded once. Anything else is
    // told as a read that checks the faces before it hands any over tells it: that read
    // itself, where the sink has not had the head; else its refusal, where it refuses
    // (an index beyond the points, say, where this read's sink refused a face before it),
    // and this read's outcome where it does not.
    WatchedSink watched(sink);
    MeshReadResult once = readLayerMesh(scene, node, watched, true);
    if (once.problem == SceneRefusal::None && !once.stopped) return once;
    if (!watched.begun) return readLayerMesh(scene, node, sink, false);
    TakingSink taking;
    const MeshReadResult checked = readLayerMesh(scene, node, taking, false);
    return checked.problem != SceneRefusal::None ? checked : once;
}

MeshReadResult readCrateLayerMeshCheckingFirst(ByteSource& scene, const SceneNode& node,
                                               MeshSink& sink) {
    return readLayerMesh(scene, node, sink, false);
}

MeshReadResult readUsdzPackageMesh(ByteSource& scene, const SceneNode& node, MeshSink& sink) {
    UsdzRootLayer root;
    const CrateRefusal opened = packageRefusal(openUsdzRootLayer(scene, root), root);
    if (opened.refusal != SceneRefusal::None) return refused(opened.refusal, opened.detail);
    return readCrateLayerMesh(scene, node, sink);
}

}  // namespace tessaryn
