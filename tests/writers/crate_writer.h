// Writes binary crate layers (.usdc) of meshes, for the benchmark and the tests: layer
// metadata on the pseudo-root, an optional Xform root prim, Mesh prims with their
// points, faces, creases and subdivision scheme, and optionally a mesh inside a variant.
// Not part of the library, which only reads such layers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "crate_output.h"

namespace tessaryn::testkit {

struct CrateMeshSpec {
    std::string name;
    std::vector<float> points;  // x, y, z of each point
    std::vector<std::int32_t> faceVertexCounts;
    std::vector<std::int32_t> faceVertexIndices;
    // The three crease arrays are written when creaseLengths is not empty.
    std::vector<std::int32_t> creaseIndices;
    std::vector<std::int32_t> creaseLengths;
    std::vector<float> creaseSharpnesses;
    std::string subdivisionScheme;  // a uniform token, written when not empty
    // Packs this mesh's int arrays of 16 values or more (versions from 0.5.0 on).
    bool compressIntArrays = true;
    // A uniform token, written when not empty: "leftHanded" winds the faces the other way.
    std::string orientation;
    // The points given as one time sample (at time 1) instead of a default.
    bool pointsTimeSampled = false;
    // Texture coordinates, written as the primvar "primvars:" + uvName when uvs is not
    // empty, with its type name and interpolation (when not empty), and its indices
    // (":indices") when uvIndices is not empty.
    std::vector<float> uvs;  // u, v of each
    std::string uvName = "st";
    std::string uvTypeName = "texCoord2f[]";
    std::string uvInterpolation = "faceVarying";
    std::vector<std::int32_t> uvIndices;
};

// A variant set on the root prim with one variant, selected, holding an Xform prim that
// holds meshes: /root{setName=variantName}primName/mesh.
struct CrateVariantSpec {
    std::string setName = "model";
    std::string variantName = "a";
    std::string primName = "geo";
    std::vector<CrateMeshSpec> meshes;
};

struct CrateLayerSpec {
    std::uint8_t minorVersion = 8;  // 0.4.0, 0.7.0 or 0.8.0
    // Layer metadata, each written when set (not empty, not zero).
    std::string defaultPrim;
    std::string upAxis;
    double metersPerUnit = 0;
    // An Xform holding the meshes; when empty the meshes are root prims themselves.
    std::string rootName;
    std::vector<CrateMeshSpec> meshes;
    std::optional<CrateVariantSpec> variant;  // needs a root prim
};

// Writes the layer to `out`, from its first byte. Throws std::invalid_argument for a
// version not listed, points not in threes or a variant without a root prim, and
// std::length_error for arrays too large for the format.
void writeCrateLayer(const CrateLayerSpec& layer, CrateOutput& out);
// The layer's bytes.
std::string crateLayerBytes(const CrateLayerSpec& layer);
// Writes the layer to the file `path` (replaced). False, with why in `error`, when it
// cannot be written or the layer cannot be.
bool writeCrateLayerFile(const CrateLayerSpec& layer, const std::string& path, std::string& error);

}  // namespace tessaryn::testkit
