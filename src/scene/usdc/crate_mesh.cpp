// readCrateMesh: a mesh prim's attributes, read from the file when asked.
#include "scene/usdc/crate_layer.h"
#include "scene/usdc/crate_values.h"

namespace tessaryn {

namespace {

// The spec of the prim's attribute `name`, or null. The attribute's path is a property
// child of the prim's path, variants included.
const CrateSpec* attributeSpec(const CrateTables& tables, std::uint32_t prim,
                               const std::string& name) {
    const auto token = tables.tokenIndex.find(name);
    if (token == tables.tokenIndex.end()) return nullptr;
    const auto path = tables.children.find(childKey(prim, token->second, true));
    if (path == tables.children.end()) return nullptr;
    const std::uint32_t spec = tables.specOfPath[path->second];
    return spec == kNoIndex ? nullptr : &tables.specs[spec];
}

// Where an attribute's value is: the rep of its default, else of its first time sample.
struct AttributeValue {
    ValueRead read = ValueRead::Absent;
    std::uint64_t rep = 0;
    bool sampled = false;
};

AttributeValue findAttributeValue(const CrateFile& file, std::uint32_t prim,
                                  const std::string& name) {
    const CrateTables& tables = file.tables;
    AttributeValue value;
    const CrateSpec* attribute = attributeSpec(tables, prim, name);
    if (attribute == nullptr) return value;
    // A blocked default is no opinion: the samples may still give one.
    if (findField(tables, *attribute, "default", value.rep) &&
        !repIs(value.rep, CrateType::ValueBlock)) {
        value.read = ValueRead::Done;
        return value;
    }
    std::uint64_t samples = 0;
    if (!findField(tables, *attribute, "timeSamples", samples)) return value;
    value.read = readFirstSample(file, samples, value.rep);
    value.sampled = true;
    if (value.read == ValueRead::Done && repIs(value.rep, CrateType::ValueBlock))
        value.read = ValueRead::Absent;
    return value;
}

// Reads attribute `name` of the mesh with `read` into `into`; `authored` tells whether
// it had a value of the expected type, `sampled` whether from a time sample.
template <typename Read, typename Value>
CrateResult readAttribute(const CrateFile& file, const CratePrim& prim, const std::string& name,
                          Read read, Value& into, bool& authored, bool* sampled) {
    const AttributeValue value = findAttributeValue(file, prim.pathIndex, name);
    ValueRead got = value.read;
    if (got == ValueRead::Done) got = read(file, value.rep, into);
    if (readFailed(got))
        return valueProblem(file.source, got, prim.path + "." + name);
    authored = got == ValueRead::Done;
    if (sampled != nullptr) *sampled = authored && value.sampled;
    return {};
}

ValueRead readPoints(const CrateFile& file, std::uint64_t rep, std::vector<float>& points) {
    return readFloatVectorArray(file, rep, 3, points);
}

ValueRead readPairs(const CrateFile& file, std::uint64_t rep, std::vector<float>& pairs) {
    return readFloatVectorArray(file, rep, 2, pairs);
}

bool isTextureType(const std::string& typeName) {
    return typeName == "texCoord2f[]" || typeName == "texCoord2h[]" || typeName == "texCoord2d[]";
}

// The attribute the mesh's texture coordinates come from: primvars:st when the prim has
// it, else the first primvar (its properties in their listed order) typed as texture
// coordinates; "" when none.
CrateResult findTexture(const CrateFile& file, const CratePrim& prim, std::string& name) {
    const CrateTables& tables = file.tables;
    name.clear();
    if (attributeSpec(tables, prim.pathIndex, "primvars:st") != nullptr) {
        name = "primvars:st";
        return {};
    }
    const CrateSpec& spec = tables.specs[tables.specOfPath[prim.pathIndex]];
    std::uint64_t rep = 0;
    std::vector<std::uint32_t> properties;
    if (!findField(tables, spec, "properties", rep)) return {};
    ValueRead read = readTokenVector(file, rep, properties);
    if (readFailed(read)) return valueProblem(file.source, read, "the properties of " + prim.path);
    static const std::string kPrimvar = "primvars:";
    for (const std::uint32_t property : properties) {
        const std::string& text = tables.tokens[property];
        if (text.compare(0, kPrimvar.size(), kPrimvar) != 0) continue;
        const CrateSpec* attribute = attributeSpec(tables, prim.pathIndex, text);
        std::string typeName;
        if (attribute == nullptr || !findField(tables, *attribute, "typeName", rep)) continue;
        read = readText(file, rep, typeName);
        if (readFailed(read)) return valueProblem(file.source, read, prim.path + "." + text);
        if (isTextureType(typeName)) {
            name = text;
            return {};
        }
    }
    return {};
}

// The mesh's texture coordinates: their values, interpolation and indices. A primvar
// whose value is no array of 2-vectors gives none.
CrateResult readTexture(const CrateFile& file, const CratePrim& prim, CrateTexture& texture) {
    texture = CrateTexture{};
    std::string name;
    CrateResult result = findTexture(file, prim, name);
    if (!result.ok() || name.empty()) return result;
    bool authored = false;
    result = readAttribute(file, prim, name, readPairs, texture.values, authored, nullptr);
    if (!result.ok() || !authored) return result;
    texture.name = name;
    const CrateSpec* attribute = attributeSpec(file.tables, prim.pathIndex, name);
    std::uint64_t rep = 0;
    if (findField(file.tables, *attribute, "interpolation", rep)) {
        const ValueRead read = readText(file, rep, texture.interpolation);
        if (readFailed(read)) return valueProblem(file.source, read, prim.path + "." + name);
    }
    result = readAttribute(file, prim, name + ":indices", readIntArray, texture.indices,
                           texture.indexed, nullptr);
    // Empty indices index nothing: the values are taken as they stand.
    texture.indexed = texture.indexed && !texture.indices.empty();
    return result;
}

// The orientation token; unauthored is rightHanded.
CrateResult readOrientation(const CrateFile& file, const CratePrim& prim, bool& leftHanded) {
    std::string orientation;
    bool authored = false;
    CrateResult result =
        readAttribute(file, prim, "orientation", readText, orientation, authored, nullptr);
    leftHanded = orientation == "leftHanded";
    return result;
}

// The points themselves, `count` of them.
CrateResult readPointValues(const CrateFile& file, const CratePrim& prim, std::uint64_t count,
                            std::vector<float>& points) {
    bool authored = false;
    CrateResult result = readAttribute(file, prim, "points", readPoints, points, authored, nullptr);
    if (result.ok() && points.size() != count * 3) result = crateDamaged(prim.path + ".points");
    return result;
}

bool primIsKnown(const CrateTables& tables, const CratePrim& prim) {
    return prim.pathIndex < tables.paths.size() && tables.specOfPath[prim.pathIndex] != kNoIndex;
}

}  // namespace

CrateResult readCrateMeshPoints(ByteSource& source, const CrateLayer& layer,
                                const CratePrim& prim, std::vector<float>& points) {
    points.clear();
    if (!primIsKnown(layer.tables, prim)) return crateDamaged(prim.path);
    const CrateFile file{source, layer.tables};
    std::uint64_t count = 0;
    bool authored = false;
    CrateResult result =
        readAttribute(file, prim, "points", readVectorArrayCount, count, authored, nullptr);
    if (result.ok() && authored) result = readPointValues(file, prim, count, points);
    if (!result.ok()) points.clear();
    return result;
}

CrateResult readCrateMesh(ByteSource& source, const CrateLayer& layer, const CratePrim& prim,
                          CrateMesh& mesh, CrateMeshParts parts, IntegerWalk* indexWalk) {
    mesh = CrateMesh{};
    const CrateTables& tables = layer.tables;
    if (!primIsKnown(tables, prim)) return crateDamaged(prim.path);
    const CrateFile file{source, tables};
    const bool geometry = parts != CrateMeshParts::Creases;
    bool countsSampled = false;
    bool indicesSampled = false;
    CrateResult result = readAttribute(file, prim, "points", readVectorArrayCount, mesh.pointCount,
                                       mesh.pointsAuthored, &mesh.pointsTimeSampled);
    if (result.ok())
        result = readAttribute(file, prim, "faceVertexCounts", readIntArray, mesh.faceVertexCounts,
                               mesh.faceVertexCountsAuthored, &countsSampled);
    if (result.ok() && indexWalk != nullptr)
        result = readAttribute(file, prim, "faceVertexIndices", walkIntArray, *indexWalk,
                               mesh.faceVertexIndicesAuthored, &indicesSampled);
    else if (result.ok())
        result = readAttribute(file, prim, "faceVertexIndices", readIntArray,
                               mesh.faceVertexIndices, mesh.faceVertexIndicesAuthored,
                               &indicesSampled);
    if (result.ok() && !geometry)
        result = readAttribute(file, prim, "creaseIndices", readIntArray, mesh.creaseIndices,
                               mesh.creaseIndicesAuthored, nullptr);
    if (result.ok() && !geometry)
        result = readAttribute(file, prim, "creaseLengths", readIntArray, mesh.creaseLengths,
                               mesh.creaseLengthsAuthored, nullptr);
    if (result.ok() && !geometry)
        result = readAttribute(file, prim, "creaseSharpnesses", readRealArray,
                               mesh.creaseSharpnesses, mesh.creaseSharpnessesAuthored, nullptr);
    if (result.ok() && !geometry) {
        bool schemeAuthored = false;  // an unauthored scheme reads as ""
        result = readAttribute(file, prim, "subdivisionScheme", readText, mesh.subdivisionScheme,
                               schemeAuthored, nullptr);
    }
    if (result.ok() && geometry) result = readOrientation(file, prim, mesh.leftHanded);
    if (result.ok() && geometry) result = readTexture(file, prim, mesh.texture);
    // The points themselves last, once the face arrays' decoding buffers are gone; their
    // count was read above from the same value.
    if (result.ok() && parts == CrateMeshParts::Geometry && mesh.pointsAuthored)
        result = readPointValues(file, prim, mesh.pointCount, mesh.points);
    // Half a mesh is no mesh: the caller sees all its arrays or none.
    if (!result.ok()) {
        mesh = CrateMesh{};
        return result;
    }
    mesh.topologyTimeSampled = countsSampled || indicesSampled;
    return {};
}

CrateResult walkMeshFaceIndices(ByteSource& source, const CrateLayer& layer,
                                const CratePrim& prim, IntegerWalk& walk) {
    const CrateFile file{source, layer.tables};
    bool authored = false;
    return readAttribute(file, prim, "faceVertexIndices", walkIntArray, walk, authored, nullptr);
}

}  // namespace tessaryn
