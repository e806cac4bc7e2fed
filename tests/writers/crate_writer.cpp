#include "crate_writer.h"

#include <fstream>
#include <string>
#include <stdexcept>
#include <utility>

#include "crate_tables.h"
#include "crate_values.h"

namespace tessaryn::testkit {

namespace {

constexpr char kMagic[8] = {'P', 'X', 'R', '-', 'U', 'S', 'D', 'C'};
constexpr std::uint64_t kTocOffsetAt = 16;
constexpr std::size_t kBootstrapSize = 88;
constexpr std::size_t kSectionNameSize = 16;
constexpr std::uint32_t kSpecifierDef = 0;
constexpr std::uint32_t kVariabilityUniform = 1;

struct LayerWriter {
    CrateOutput& out;
    CrateVersion version;
    CrateTables tables;
};

std::uint64_t token(LayerWriter& w, const std::string& text) {
    return inlinedRep(CrateType::Token, tokenIndex(w.tables, text));
}

std::vector<std::string> meshNames(const std::vector<CrateMeshSpec>& meshes) {
    std::vector<std::string> names;
    names.reserve(meshes.size());
    for (const CrateMeshSpec& mesh : meshes) names.push_back(mesh.name);
    return names;
}

void addAttribute(LayerWriter& w, std::uint32_t mesh, const std::string& name,
                  const std::string& typeName, std::uint64_t value, bool uniform,
                  std::vector<CrateField> more = {}) {
    std::vector<CrateField> fields = {{"typeName", token(w, typeName)}, {"default", value}};
    if (uniform)
        fields.push_back({"variability", inlinedRep(CrateType::Variability, kVariabilityUniform)});
    fields.insert(fields.end(), more.begin(), more.end());
    addSpec(w.tables, addPath(w.tables, mesh, name, true), SpecType::Attribute, fields);
}

// The points: a default, or one time sample.
void addPoints(LayerWriter& w, std::uint32_t path, const CrateMeshSpec& mesh) {
    const std::uint64_t points =
        writeVec3fArray(w.out, w.version, mesh.points.data(), mesh.points.size() / 3);
    if (!mesh.pointsTimeSampled) {
        addAttribute(w, path, "points", "point3f[]", points, false);
        return;
    }
    addSpec(w.tables, addPath(w.tables, path, "points", true), SpecType::Attribute,
            {{"typeName", token(w, "point3f[]")},
             {"timeSamples", writeOneTimeSample(w.out, 1.0, points)}});
}

// The texture coordinates' primvar, its interpolation, and its indices when given.
void addTexture(LayerWriter& w, std::uint32_t path, const CrateMeshSpec& mesh) {
    const std::string name = "primvars:" + mesh.uvName;
    std::vector<CrateField> interpolation;
    if (!mesh.uvInterpolation.empty())
        interpolation.push_back({"interpolation", token(w, mesh.uvInterpolation)});
    addAttribute(w, path, name, mesh.uvTypeName,
                 writeVec2fArray(w.out, w.version, mesh.uvs.data(), mesh.uvs.size() / 2), false,
                 interpolation);
    if (mesh.uvIndices.empty()) return;
    addAttribute(w, path, name + ":indices", "int[]",
                 writeIntArray(w.out, w.version, mesh.uvIndices.data(), mesh.uvIndices.size(),
                               mesh.compressIntArrays),
                 false);
}

// A Mesh prim and its attributes, listed by name as text layers list them.
void writeMesh(LayerWriter& w, std::uint32_t parent, const CrateMeshSpec& mesh) {
    if (mesh.points.size() % 3 != 0)
        throw std::invalid_argument("crate mesh points are not in threes: " + mesh.name);
    if (mesh.uvs.size() % 2 != 0)
        throw std::invalid_argument("crate mesh uvs are not in twos: " + mesh.name);
    const bool creases = !mesh.creaseLengths.empty();
    const bool scheme = !mesh.subdivisionScheme.empty();
    const bool texture = !mesh.uvs.empty();
    std::vector<std::string> properties;
    if (creases) properties = {"creaseIndices", "creaseLengths", "creaseSharpnesses"};
    for (const char* name : {"faceVertexCounts", "faceVertexIndices"})
        properties.emplace_back(name);
    if (!mesh.orientation.empty()) properties.emplace_back("orientation");
    properties.emplace_back("points");
    if (texture) properties.push_back("primvars:" + mesh.uvName);
    if (texture && !mesh.uvIndices.empty())
        properties.push_back("primvars:" + mesh.uvName + ":indices");
    if (scheme) properties.emplace_back("subdivisionScheme");

    const std::uint32_t path = addPath(w.tables, parent, mesh.name, false);
    addSpec(w.tables, path, SpecType::Prim,
            {{"specifier", inlinedRep(CrateType::Specifier, kSpecifierDef)},
             {"typeName", token(w, "Mesh")},
             {"properties", writeTokenVector(w.out, w.tables, properties)}});
    const bool compress = mesh.compressIntArrays;
    if (creases) {
        addAttribute(w, path, "creaseIndices", "int[]",
                     writeIntArray(w.out, w.version, mesh.creaseIndices.data(),
                                   mesh.creaseIndices.size(), compress),
                     false);
        addAttribute(w, path, "creaseLengths", "int[]",
                     writeIntArray(w.out, w.version, mesh.creaseLengths.data(),
                                   mesh.creaseLengths.size(), compress),
                     false);
        addAttribute(w, path, "creaseSharpnesses", "float[]",
                     writeFloatArray(w.out, w.version, mesh.creaseSharpnesses.data(),
                                     mesh.creaseSharpnesses.size()),
                     false);
    }
    addAttribute(w, path, "faceVertexCounts", "int[]",
                 writeIntArray(w.out, w.version, mesh.faceVertexCounts.data(),
                               mesh.faceVertexCounts.size(), compress),
                 false);
    addAttribute(w, path, "faceVertexIndices", "int[]",
                 writeIntArray(w.out, w.version, mesh.faceVertexIndices.data(),
                               mesh.faceVertexIndices.size(), compress),
                 false);
    if (!mesh.orientation.empty())
        addAttribute(w, path, "orientation", "token", token(w, mesh.orientation), true);
    addPoints(w, path, mesh);
    if (texture) addTexture(w, path, mesh);
    if (scheme)
        addAttribute(w, path, "subdivisionScheme", "token", token(w, mesh.subdivisionScheme), true);
}

// The pseudo-root's metadata and the prims it holds.
void writePseudoRoot(LayerWriter& w, const CrateLayerSpec& layer) {
    std::vector<CrateField> fields;
    if (!layer.defaultPrim.empty()) fields.push_back({"defaultPrim", token(w, layer.defaultPrim)});
    if (!layer.upAxis.empty()) fields.push_back({"upAxis", token(w, layer.upAxis)});
    if (layer.metersPerUnit != 0)
        fields.push_back({"metersPerUnit", writeDouble(w.out, layer.metersPerUnit)});
    const std::vector<std::string> children =
        layer.rootName.empty() ? meshNames(layer.meshes) : std::vector{layer.rootName};
    if (!children.empty())
        fields.push_back({"primChildren", writeTokenVector(w.out, w.tables, children)});
    addSpec(w.tables, 0, SpecType::PseudoRoot, fields);
}

// The variant set and its one variant on the root prim, and the prims inside it.
void writeVariant(LayerWriter& w, std::uint32_t root, const CrateVariantSpec& variant) {
    const std::uint32_t set = addPath(w.tables, root, "{" + variant.setName + "=}", false);
    addSpec(w.tables, set, SpecType::VariantSet,
            {{"variantChildren", writeTokenVector(w.out, w.tables, {variant.variantName})}});
    const std::uint32_t chosen =
        addPath(w.tables, root, "{" + variant.setName + "=" + variant.variantName + "}", false);
    addSpec(w.tables, chosen, SpecType::Variant,
            {{"primChildren", writeTokenVector(w.out, w.tables, {variant.primName})}});
    const std::uint32_t prim = addPath(w.tables, chosen, variant.primName, false);
    std::vector<CrateField> fields = {
        {"specifier", inlinedRep(CrateType::Specifier, kSpecifierDef)},
        {"typeName", token(w, "Xform")}};
    if (!variant.meshes.empty())
        fields.push_back(
            {"primChildren", writeTokenVector(w.out, w.tables, meshNames(variant.meshes))});
    addSpec(w.tables, prim, SpecType::Prim, fields);
    for (const CrateMeshSpec& mesh : variant.meshes) writeMesh(w, prim, mesh);
}

void writeRootPrim(LayerWriter& w, const CrateLayerSpec& layer) {
    const std::uint32_t root = addPath(w.tables, 0, layer.rootName, false);
    std::vector<CrateField> fields = {
        {"specifier", inlinedRep(CrateType::Specifier, kSpecifierDef)},
        {"typeName", token(w, "Xform")}};
    if (!layer.meshes.empty())
        fields.push_back(
            {"primChildren", writeTokenVector(w.out, w.tables, meshNames(layer.meshes))});
    if (layer.variant) {
        const CrateVariantSpec& variant = *layer.variant;
        fields.push_back(
            {"variantSetNames", writePrependedStrings(w.out, w.tables, {variant.setName})});
        fields.push_back(
            {"variantSelection",
             writeVariantSelections(w.out, w.tables, {{variant.setName, variant.variantName}})});
        fields.push_back(
            {"variantSetChildren", writeTokenVector(w.out, w.tables, {variant.setName})});
    }
    addSpec(w.tables, root, SpecType::Prim, fields);
    for (const CrateMeshSpec& mesh : layer.meshes) writeMesh(w, root, mesh);
    if (layer.variant) writeVariant(w, root, *layer.variant);
}

void writeToc(CrateOutput& out, const std::vector<SectionPlace>& sections) {
    out.u64(sections.size());
    for (const SectionPlace& section : sections) {
        out.bytes(section.name);
        out.zeros(kSectionNameSize - section.name.size());
        out.u64(section.start);
        out.u64(section.size);
    }
}

}  // namespace

void writeCrateLayer(const CrateLayerSpec& layer, CrateOutput& out) {
    const std::uint8_t minor = layer.minorVersion;
    if (minor != 4 && minor != 7 && minor != 8)
        throw std::invalid_argument("crate version 0." + std::to_string(minor) +
                                    ".0 is not written");
    if (layer.variant && layer.rootName.empty())
        throw std::invalid_argument("a crate variant needs a root prim");
    out.bytes(kMagic, sizeof kMagic);
    out.u8(0);
    out.u8(minor);
    out.u8(0);
    out.zeros(kBootstrapSize - 11);  // the table of contents' offset is filled in last
    LayerWriter w{out, CrateVersion{minor}, CrateTables{}};
    writePseudoRoot(w, layer);
    if (layer.rootName.empty()) {
        for (const CrateMeshSpec& mesh : layer.meshes) writeMesh(w, 0, mesh);
    } else {
        writeRootPrim(w, layer);
    }
    const std::vector<SectionPlace> sections = writeSections(out, w.tables);
    const std::uint64_t tocOffset = out.position();
    writeToc(out, sections);
    out.patchU64(kTocOffsetAt, tocOffset);
}

std::string crateLayerBytes(const CrateLayerSpec& layer) {
    std::string bytes;
    CrateOutput out(bytes);
    writeCrateLayer(layer, out);
    return bytes;
}

bool writeCrateLayerFile(const CrateLayerSpec& layer, const std::string& path, std::string& error) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        error = "cannot create " + path;
        return false;
    }
    try {
        CrateOutput out(file);
        writeCrateLayer(layer, out);
    } catch (const std::exception& failure) {
        error = failure.what();
        return false;
    }
    file.close();
    if (!file) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

}  // namespace tessaryn::testkit
