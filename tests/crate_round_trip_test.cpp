// The crate writer's layers read back by the library's crate reader: every version the
// writer knows, packed and raw arrays, meshes at the top, under a root prim and inside a
// variant. Built only where the reader is (see tests/CMakeLists.txt).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/byte_source.h"
#include "scene/usdc/crate_layer.h"
#include "writers/crate_writer.h"

namespace {

using namespace tessaryn;
using testkit::CrateLayerSpec;
using testkit::CrateMeshSpec;

CrateMeshSpec stripMesh(const std::string& name, int quads, bool compress) {
    CrateMeshSpec mesh;
    mesh.name = name;
    for (int i = 0; i <= quads; ++i) {
        mesh.points.insert(mesh.points.end(), {float(i), 0, 0, float(i), 1, 0});
        if (i == quads) break;
        mesh.faceVertexCounts.push_back(4);
        mesh.faceVertexIndices.insert(mesh.faceVertexIndices.end(),
                                      {2 * i, 2 * i + 2, 2 * i + 3, 2 * i + 1});
        mesh.creaseIndices.push_back(2 * i);
    }
    mesh.creaseIndices.push_back(2 * quads);
    mesh.creaseLengths = {quads + 1};
    mesh.creaseSharpnesses = {4.0f};
    mesh.subdivisionScheme = "loop";
    mesh.compressIntArrays = compress;
    return mesh;
}

TEST(CrateRoundTrip, TheReaderFindsWhatWasWritten) {
    for (std::uint8_t minor : {4, 7, 8}) {
        for (bool compress : {false, true}) {
            SCOPED_TRACE(std::to_string(minor) + (compress ? " packed" : " raw"));
            CrateLayerSpec spec;
            spec.minorVersion = minor;
            spec.defaultPrim = "root";
            spec.upAxis = "Z";
            spec.metersPerUnit = 0.01;
            spec.rootName = "root";
            spec.meshes.push_back(stripMesh("strip", 40, compress));
            testkit::CrateVariantSpec variant;
            variant.meshes.push_back(stripMesh("mesh", 3, compress));
            spec.variant = variant;
            const std::string bytes = testkit::crateLayerBytes(spec);

            ByteSource source;
            source.openMemory(bytes);
            CrateLayer layer;
            const CrateResult read = readCrateLayer(source, layer);
            ASSERT_TRUE(read.ok()) << read.detail;
            ASSERT_EQ(layer.metadata.size(), 3u);
            EXPECT_EQ(layer.metadata[0].token, "root");
            EXPECT_EQ(layer.metadata[1].token, "Z");
            EXPECT_EQ(layer.metadata[2].number, 0.01);

            std::vector<std::string> paths;
            for (const CratePrim& prim : layer.prims) paths.push_back(prim.path);
            EXPECT_EQ(paths, (std::vector<std::string>{"/root", "/root/strip", "/root{model=a}geo",
                                                       "/root{model=a}geo/mesh"}));
            const std::vector<const CrateMeshSpec*> written = {&spec.meshes[0],
                                                               &spec.variant->meshes[0]};
            int meshes = 0;
            for (const CratePrim& prim : layer.prims) {
                if (prim.typeName != "Mesh") continue;
                SCOPED_TRACE(prim.path);
                const CrateMeshSpec& expected = *written.at(static_cast<std::size_t>(meshes++));
                CrateMesh mesh;
                const CrateResult meshRead = readCrateMesh(source, layer, prim, mesh);
                ASSERT_TRUE(meshRead.ok()) << meshRead.detail;
                EXPECT_EQ(prim.specifier, CrateSpecifier::Def);
                EXPECT_EQ(mesh.pointCount, expected.points.size() / 3);
                EXPECT_EQ(mesh.faceVertexCounts, expected.faceVertexCounts);
                EXPECT_EQ(mesh.faceVertexIndices, expected.faceVertexIndices);
                EXPECT_EQ(mesh.creaseIndices, expected.creaseIndices);
                EXPECT_EQ(mesh.creaseLengths, expected.creaseLengths);
                EXPECT_EQ(mesh.creaseSharpnesses, std::vector<double>{4.0});
                EXPECT_EQ(mesh.subdivisionScheme, "loop");
            }
            EXPECT_EQ(meshes, 2);
            ASSERT_EQ(layer.prims.at(0).variantSelections.size(), 1u);
            EXPECT_EQ(layer.prims.at(0).variantSelections[0].variant, "a");
            EXPECT_EQ(layer.prims.at(0).variantSetNames, std::vector<std::string>{"model"});
        }
    }
}

}  // namespace
