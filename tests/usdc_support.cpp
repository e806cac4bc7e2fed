#include "usdc_support.h"

#include <cstring>
#include <memory>

#include "base/byte_source.h"
#include "scene/usdc/usdz_package.h"
#include "support.h"

namespace usdc_testing {

using namespace tessaryn;

const std::vector<std::string>& realFiles() {
    static const std::vector<std::string> files = {
        "arnoldusd__test_0206_geo.usdc",     "arnoldusd__test_1442_test.usd",
        "arnoldusd__test_1837_crowd_geometry.usd", "arnoldusd__tree.usd",
        "mayausd__CubeGridCombinedMesh_10.usd", "mayausd__Table.maya.usd",
        "openusd__corrupt.usd",              "openusd__model.usdc",
        "openusd__root_with_relocates.usdc", "tinyusdz__cube.usdz",
        "tinyusdz__prim-with-no-specifier-001.usdc", "tinyusdz__skintest.usdc",
        "tinyusdz__suzanne.usdc",            "tinyusdz__variantSet-007.usdc",
        "usdwg__InterpolationTest.usdz"};
    return files;
}

std::string realBytes(const std::string& name) {
    return testing_support::readFile(testing_support::realDataPath("usdc/" + name));
}

WholeRead readWhole(const std::string& bytes) {
    WholeRead read;
    const std::unique_ptr<char[]> copy(new char[bytes.size() + 1]);
    std::memcpy(copy.get(), bytes.data(), bytes.size());
    ByteSource source;
    source.openMemory(std::string_view(copy.get(), bytes.size()));
    if (bytes.size() >= 2 && bytes.compare(0, 2, "PK") == 0) {
        UsdzRootLayer root;
        read.result = openUsdzRootLayer(source, root);
        if (!read.result.ok() || root.format != UsdzLayerFormat::Crate) return read;
    }
    read.result = readCrateLayer(source, read.layer);
    if (!read.result.ok()) return read;
    for (const CratePrim& prim : read.layer.prims) {
        if (prim.typeName != "Mesh" || prim.specifier == CrateSpecifier::Class) continue;
        CrateMesh mesh;
        const CrateResult result = readCrateMesh(source, read.layer, prim, mesh);
        if (!result.ok()) {
            read.meshes.push_back(prim.path + ": refused, " + result.detail);
            continue;
        }
        read.meshes.push_back(meshSummary(prim, mesh));
        for (const std::size_t size :
             {mesh.faceVertexCounts.size(), mesh.faceVertexIndices.size(), mesh.creaseIndices.size(),
              mesh.creaseLengths.size(), mesh.creaseSharpnesses.size()})
            if (size > read.largestArray) read.largestArray = size;
    }
    return read;
}

std::string meshSummary(const CratePrim& prim, const CrateMesh& mesh) {
    static const char* const kSpecifiers[] = {"def", "over", "class"};
    std::string text = prim.path + " " + prim.typeName + " " +
                       kSpecifiers[static_cast<int>(prim.specifier)] + ":";
    text += mesh.pointsAuthored ? " points " + std::to_string(mesh.pointCount) : " no points";
    if (mesh.pointsTimeSampled) text += " sampled";
    text += " faces " + std::to_string(mesh.faceVertexCounts.size());
    text += " indices " + std::to_string(mesh.faceVertexIndices.size());
    if (mesh.topologyTimeSampled) text += " sampled";
    text += " creases " + std::to_string(mesh.creaseIndices.size()) + "/" +
            std::to_string(mesh.creaseLengths.size()) + "/" +
            std::to_string(mesh.creaseSharpnesses.size());
    text += " scheme " + (mesh.subdivisionScheme.empty() ? "-" : mesh.subdivisionScheme);
    return text;
}

std::string metadataSummary(const CrateLayer& layer) {
    std::string text;
    for (const CrateFact& fact : layer.metadata) {
        if (!text.empty()) text += " ";
        text += fact.name + "=";
        if (fact.kind == CrateFactKind::Token) {
            text += fact.token;
            continue;
        }
        if (fact.kind == CrateFactKind::Float) text += "f";
        if (fact.kind == CrateFactKind::Int) text += "i";
        char number[32];
        std::snprintf(number, sizeof number, "%g", fact.number);
        text += number;
    }
    return text;
}

std::string lz4Literals(const std::string& bytes) {
    std::string block;
    if (bytes.size() < 15) {
        block += static_cast<char>(bytes.size() << 4);
    } else {
        block += static_cast<char>(0xF0);
        std::size_t rest = bytes.size() - 15;
        for (; rest >= 255; rest -= 255) block += static_cast<char>(255);
        block += static_cast<char>(rest);
    }
    return block + bytes;
}

namespace {

void put16(std::string& out, std::uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}
void put32(std::string& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

}  // namespace

std::string storedZip(const std::vector<std::pair<std::string, std::string>>& entries,
                      bool misalign, std::uint16_t method) {
    std::string zip;
    std::string directory;
    for (const auto& [name, data] : entries) {
        const std::size_t headerAt = zip.size();
        // Padding in the extra field puts the data where it should be.
        std::size_t extra = (64 - (headerAt + 30 + name.size() + 4) % 64) % 64 + 4;
        if (misalign) extra += 1;
        put32(zip, 0x04034b50);
        put16(zip, 20);
        put16(zip, 0);
        put16(zip, method);
        put32(zip, 0);
        put32(zip, 0);  // the crc is not checked
        put32(zip, static_cast<std::uint32_t>(data.size()));
        put32(zip, static_cast<std::uint32_t>(data.size()));
        put16(zip, static_cast<std::uint32_t>(name.size()));
        put16(zip, static_cast<std::uint32_t>(extra));
        zip += name;
        put16(zip, 0x1986);
        put16(zip, static_cast<std::uint32_t>(extra - 4));
        zip += std::string(extra - 4, '\0');
        zip += data;
        put32(directory, 0x02014b50);
        directory += std::string(38, '\0');
        put32(directory, static_cast<std::uint32_t>(headerAt));  // the rest is not read
    }
    const std::size_t directoryAt = zip.size();
    zip += directory;
    put32(zip, 0x06054b50);
    put32(zip, 0);
    put16(zip, static_cast<std::uint32_t>(entries.size()));
    put16(zip, static_cast<std::uint32_t>(entries.size()));
    put32(zip, static_cast<std::uint32_t>(directory.size()));
    put32(zip, static_cast<std::uint32_t>(directoryAt));
    put16(zip, 0);
    return zip;
}

}  // namespace usdc_testing
