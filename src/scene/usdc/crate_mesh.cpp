// readCrateMesh: a mesh prim's attributes, read from the file when asked.
#include "scene/usdc/crate_layer.h"
#include "scene/usdc/crate_values.h"

namespace tessaryn {

namespace {

// Where an attribute's value is: the rep of its default, else of its first time sample.
struct AttributeValue {
    ValueRead read = ValueRead::Absent;
    std::uint64_t rep = 0;
    bool sampled = false;
};

AttributeValue findAttributeValue(const CrateFile& file, std::uint32_t prim, const char* name) {
    const CrateTables& tables = file.tables;
    AttributeValue value;
    const auto token = tables.tokenIndex.find(name);
    if (token == tables.tokenIndex.end()) return value;
    // The attribute's path is a property child of the prim's path, variants included.
    const auto path = tables.children.find(childKey(prim, token->second, true));
    if (path == tables.children.end()) return value;
    const std::uint32_t spec = tables.specOfPath[path->second];
    if (spec == kNoIndex) return value;
    const CrateSpec& attribute = tables.specs[spec];
    // A blocked default is no opinion: the samples may still give one.
    if (findField(tables, attribute, "default", value.rep) &&
        !repIs(value.rep, CrateType::ValueBlock)) {
        value.read = ValueRead::Done;
        return value;
    }
    std::uint64_t samples = 0;
    if (!findField(tables, attribute, "timeSamples", samples)) return value;
    value.read = readFirstSample(file, samples, value.rep);
    value.sampled = true;
    if (value.read == ValueRead::Done && repIs(value.rep, CrateType::ValueBlock))
        value.read = ValueRead::Absent;
    return value;
}

// Reads attribute `name` of the mesh with `read` into `into`; `authored` tells whether
// it had a value of the expected type, `sampled` whether from a time sample.
template <typename Read, typename Value>
CrateResult readAttribute(const CrateFile& file, const CratePrim& prim, const char* name,
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

}  // namespace

CrateResult readCrateMesh(ByteSource& source, const CrateLayer& layer, const CratePrim& prim,
                          CrateMesh& mesh) {
    mesh = CrateMesh{};
    const CrateTables& tables = layer.tables;
    if (prim.pathIndex >= tables.paths.size()) return crateDamaged(prim.path);
    const CrateFile file{source, tables};
    bool countsSampled = false;
    bool indicesSampled = false;
    CrateResult result = readAttribute(file, prim, "points", readVectorArrayCount, mesh.pointCount,
                                       mesh.pointsAuthored, &mesh.pointsTimeSampled);
    if (result.ok())
        result = readAttribute(file, prim, "faceVertexCounts", readIntArray, mesh.faceVertexCounts,
                               mesh.faceVertexCountsAuthored, &countsSampled);
    if (result.ok())
        result = readAttribute(file, prim, "faceVertexIndices", readIntArray,
                               mesh.faceVertexIndices, mesh.faceVertexIndicesAuthored,
                               &indicesSampled);
    if (result.ok())
        result = readAttribute(file, prim, "creaseIndices", readIntArray, mesh.creaseIndices,
                               mesh.creaseIndicesAuthored, nullptr);
    if (result.ok())
        result = readAttribute(file, prim, "creaseLengths", readIntArray, mesh.creaseLengths,
                               mesh.creaseLengthsAuthored, nullptr);
    if (result.ok())
        result = readAttribute(file, prim, "creaseSharpnesses", readRealArray,
                               mesh.creaseSharpnesses, mesh.creaseSharpnessesAuthored, nullptr);
    if (result.ok()) {
        bool schemeAuthored = false;  // an unauthored scheme reads as ""
        result = readAttribute(file, prim, "subdivisionScheme", readText, mesh.subdivisionScheme,
                               schemeAuthored, nullptr);
    }
    // Half a mesh is no mesh: the caller sees all its arrays or none.
    if (!result.ok()) {
        mesh = CrateMesh{};
        return result;
    }
    mesh.topologyTimeSampled = countsSampled || indicesSampled;
    return {};
}

}  // namespace tessaryn
