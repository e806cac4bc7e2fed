// Reads a binary USD layer (a crate file) for a crease rewrite: its version, the layer
// metadata an override layer copies, the layers it depends on, and its prims in namespace
// order with their paths, specifiers and types; then, one mesh at a time and only when
// asked, a mesh's topology and creases. Only the file's structural sections stay in
// memory; a mesh's arrays are read from the file when that mesh is read.
//
// Damaged or hostile files are refused with a CrateResult, never read past their end:
// every count is checked against the bytes that hold it before anything is allocated.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/byte_source.h"
#include "scene/usdc/crate_integers.h"
#include "scene/usdc/crate_result.h"
#include "scene/usdc/crate_sections.h"

namespace tessaryn {

enum class CrateSpecifier { Def, Over, Class };

// A variant selection: a variant set's name and the variant chosen.
struct CrateVariantStep {
    std::string set;
    std::string variant;
};

struct CratePrim {
    // With its variant selections: "/asset{model=cube}geo/cube/mesh_0".
    std::string path;
    std::string name;
    CrateSpecifier specifier = CrateSpecifier::Over;  // a missing specifier means over
    std::string typeName;                             // "" when typeless
    // The variant selections on its path, outermost first: the prim exists only in them.
    std::vector<CrateVariantStep> variantSteps;
    // The prim's own variant sets (as listed) and selections.
    std::vector<std::string> variantSetNames;
    std::vector<CrateVariantStep> variantSelections;
    std::uint32_t pathIndex = kNoIndex;  // what readCrateMesh finds the prim by
};

enum class CrateFactKind { Token, Double, Float, Int };

// A layer metadata value: a token, or a number as the file stored it (old writers wrote
// metersPerUnit as a float).
struct CrateFact {
    std::string name;
    CrateFactKind kind = CrateFactKind::Token;
    std::string token;
    double number = 0;
};

enum class CrateAssetKind { Sublayer, Reference, Payload };

struct CrateAsset {
    CrateAssetKind kind = CrateAssetKind::Sublayer;
    std::string path;
};

struct CrateLayer {
    CrateVersion version;
    std::vector<CrateWarning> warnings;
    // defaultPrim, upAxis, metersPerUnit, timeCodesPerSecond, framesPerSecond,
    // startTimeCode, endTimeCode: those present, in this order.
    std::vector<CrateFact> metadata;
    // Sublayers first, then each prim's references and payloads; what cannot be decoded
    // is left out.
    std::vector<CrateAsset> assets;
    std::vector<CratePrim> prims;  // depth first, children in their listed order
    CrateTables tables;            // what readCrateMesh needs of the file's structure
};

CrateResult readCrateLayer(ByteSource& source, CrateLayer& layer);

// A mesh's texture coordinates: a primvar of 2-vectors, indexed or not.
struct CrateTexture {
    std::string name;           // the primvar's attribute, "primvars:st"; empty: none
    std::string interpolation;  // as authored: "vertex", "faceVarying"...; "" when not
    std::vector<float> values;  // u, v of each
    bool indexed = false;       // its ":indices" attribute has a value, not empty
    std::vector<std::int32_t> indices;
};

// What readCrateMesh reads: what a crease rewrite needs (the point count, the faces, the
// creases and the subdivision scheme), or what an OBJ of the mesh needs (the points
// themselves, the faces, the orientation and the texture coordinates), or all of that but
// the points, which the caller reads apart with readCrateMeshPoints.
enum class CrateMeshParts { Creases, Geometry, GeometryButPoints };

// A mesh prim's arrays: each from the attribute's default, else from its first time
// sample; an attribute without either (or blocked) is not authored.
struct CrateMesh {
    bool pointsAuthored = false;
    bool pointsTimeSampled = false;
    std::uint64_t pointCount = 0;
    bool faceVertexCountsAuthored = false;
    bool faceVertexIndicesAuthored = false;
    bool topologyTimeSampled = false;  // either array came from a time sample
    std::vector<std::int32_t> faceVertexCounts;
    std::vector<std::int32_t> faceVertexIndices;
    bool creaseIndicesAuthored = false;
    bool creaseLengthsAuthored = false;
    bool creaseSharpnessesAuthored = false;
    std::vector<std::int32_t> creaseIndices;
    std::vector<std::int32_t> creaseLengths;
    std::vector<double> creaseSharpnesses;  // float or double values
    std::string subdivisionScheme;          // "" when unauthored
    // Geometry only.
    std::vector<float> points;  // x, y, z of each point
    bool leftHanded = false;    // orientation "leftHanded": faces wound the other way
    // primvars:st, else the first primvar of texture coordinates in the prim's
    // property order (texCoord2f[], or of halves or doubles).
    CrateTexture texture;
};

// Reads the mesh attributes of `prim`, one of `layer`'s prims, from the source the layer
// was read from. The caller picks the prims (Mesh, not class). With `indexWalk`, the face
// indices are handed to it as they are decoded (after the counts are read) instead of
// kept in `mesh`.
CrateResult readCrateMesh(ByteSource& source, const CrateLayer& layer, const CratePrim& prim,
                          CrateMesh& mesh, CrateMeshParts parts = CrateMeshParts::Creases,
                          IntegerWalk* indexWalk = nullptr);

// The mesh's points as readCrateMesh reads them for Geometry, into `points` (left empty
// when they are not authored): a caller may read them through another opening of the
// file, on another thread, while readCrateMesh reads the rest. A problem with them counts
// after any readCrateMesh finds.
CrateResult readCrateMeshPoints(ByteSource& source, const CrateLayer& layer,
                                const CratePrim& prim, std::vector<float>& points);

// The mesh's face indices handed to `walk` again, a stretch at a time, as readCrateMesh
// read them: from the attribute's default, else its first time sample.
CrateResult walkMeshFaceIndices(ByteSource& source, const CrateLayer& layer,
                                const CratePrim& prim, IntegerWalk& walk);

}  // namespace tessaryn
