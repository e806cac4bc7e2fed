// A mesh node's geometry as an OBJ carries it: its points in the mesh's own order, its
// texture coordinates where it has them, and its faces as corners. Each format's mesh
// reader hands one node's geometry to a MeshSink: the points and texture coordinates
// first, once, then the faces in the mesh's order, so that a writer can stream the faces
// of a large mesh without holding them all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_source.h"
#include "base/second_thread.h"
#include "scene/scene_facts.h"
#include "scene/scene_refusal.h"

namespace tessaryn {

enum class MeshWarning {
    PointsFromTimeSample,  // USD: points have no default value; their first time sample is used
    UvsNotPerCorner,       // USD: the texture primvar's interpolation is neither vertex nor
                           // faceVarying: no texture coordinates written
    FaceHolesDropped,      // Maya: faces with holes, written without them
};

// What comes before the faces.
struct MeshHead {
    std::vector<float> points;  // x, y, z of each vertex
    std::vector<float> uvs;     // u, v of each texture coordinate; empty: the mesh has none
    std::string uvSet;          // the UV set or primvar they come from; empty when none
};

// Takes one mesh's geometry. A false answer stops the reader at once (the sink could not
// write, or refused what it was given); the reader then answers SceneRefusal::None and
// `stopped`, and the sink knows why.
class MeshSink {
public:
    virtual ~MeshSink() = default;
    // The head is the reader's, and may be let go after the call: a sink copies what it
    // needs of it.
    virtual bool begin(const MeshHead& head) = 0;
    // One face: `corners` vertex numbers from 0 and, when the head has uvs, as many texture
    // coordinate numbers from 0 (null when it has none). Orientation already applied.
    virtual bool face(const std::uint32_t* vertices, const std::uint32_t* uvs,
                      std::size_t corners) = 0;
    // A run of faces, as face() takes them one after another: `counts[f]` corners each,
    // all their vertex numbers in `vertices` and, when the head has uvs, as many texture
    // coordinate numbers in `uvs` (which may be `vertices` itself). Gives how many it took:
    // fewer than `faceCount` when it refused one, as face() answering false.
    virtual std::size_t faces(const std::uint32_t* counts, std::size_t faceCount,
                              const std::uint32_t* vertices, const std::uint32_t* uvs) {
        for (std::size_t taken = 0; taken < faceCount; ++taken) {
            if (!face(vertices, uvs, counts[taken])) return taken;
            vertices += counts[taken];
            if (uvs != nullptr) uvs += counts[taken];
        }
        return faceCount;
    }
    // Whether the sink takes the points as lines the reader makes, before begin(): one per
    // point, in order, "v", a blank and the shortest decimal (putShortestDecimal's text)
    // of each coordinate, CR LF; begin()'s head then has no points. A reader that cannot
    // make them (points given in pieces, or changed once given) says so in its result.
    virtual bool takesPointLines() const { return false; }
    // The next `points` whole lines, as takesPointLines() tells.
    virtual void pointLines(std::string_view lines, std::int64_t points) {
        static_cast<void>(lines);
        static_cast<void>(points);
    }
    // A thread the sink's caller lends, which a reader may use for its own reading until it
    // calls begin(), every piece of work there ended by then; null when none is lent.
    virtual const SecondThread* readerThread() const { return nullptr; }
};

struct MeshReadResult {
    SceneRefusal problem = SceneRefusal::None;
    NodeProblem nodeProblem = NodeProblem::None;  // with NodeHoldsNoMesh: why
    std::int64_t line = 0;   // text formats: the line the problem is at, from 1
    std::string detail;      // what is wrong, where a sentence needs more than the kind
    bool stopped = false;    // the sink stopped the read
    // The reader gave the point lines up part-way, and read no further: the read must be
    // made again for a sink that takes no point lines.
    bool pointLinesGivenUp = false;
    std::int64_t faces = 0;  // faces handed to the sink
    std::vector<MeshWarning> warnings;
    std::int64_t holedFaces = 0;  // Maya: faces whose holes were dropped
};

// A format's mesh reader: finds `node` (as its scanner reported it) in `scene` and hands
// its geometry to `sink`. Each format's row of the format table names its reader.
using MeshReader = MeshReadResult (*)(ByteSource& scene, const SceneNode& node, MeshSink& sink);

}  // namespace tessaryn
