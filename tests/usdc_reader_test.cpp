#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/byte_source.h"
#include "scene/usdc/crate_layer.h"
#include "scene/usdc/usdz_package.h"
#include "support.h"
#include "usdc_support.h"

namespace {

using namespace tessaryn;
using usdc_testing::readWhole;
using usdc_testing::realBytes;

struct RealFileRow {
    const char* file;
    const char* version;
    const char* metadata;
    std::vector<std::string> meshes;
    std::size_t prims;
};

// Counts checked against what the files are known to hold (Blender's Suzanne: 507 points,
// 500 faces; the cubes: 8 and 6; a 10 x 10 x 10 grid of cubes), the compressed files' meshes
// against a separate decoder written apart from this reader, and in every mesh below the
// face sizes add up to the index count and no index reaches the point count.
const RealFileRow kRealFiles[] = {
    {"arnoldusd__test_0206_geo.usdc", "0.8.0",
     "defaultPrim=TestShape upAxis=Y metersPerUnit=1 timeCodesPerSecond=24 framesPerSecond=24",
     {"/ASSET_geo_variant_0/ASSET{geo=Sphere_A}geo/proxy/shape Mesh def: points 121 faces 238 indices 714 creases 0/0/0 scheme none",
      "/ASSET_geo_variant_0/ASSET{geo=Sphere_A}geo/render/shape Mesh def: points 1002 faces 2000 indices 6000 creases 0/0/0 scheme none",
      "/ASSET_geo_variant_1/ASSET{geo=Tube_B}geo/proxy/shape Mesh def: points 121 faces 238 indices 714 creases 0/0/0 scheme none",
      "/ASSET_geo_variant_1/ASSET{geo=Tube_B}geo/render/shape Mesh def: points 1002 faces 2000 indices 6000 creases 0/0/0 scheme none",
      "/ASSET_geo_variant_2/ASSET{geo=Torus_C}geo/proxy/shape Mesh def: points 18 faces 34 indices 104 creases 0/0/0 scheme none",
      "/ASSET_geo_variant_2/ASSET{geo=Torus_C}geo/render/shape Mesh def: points 288 faces 288 indices 1152 creases 0/0/0 scheme none"},
     0},
    {"arnoldusd__test_1442_test.usd", "0.8.0",
     "defaultPrim=ins_var_vel1 upAxis=Y metersPerUnit=1 timeCodesPerSecond=24 framesPerSecond=24 "
     "startTimeCode=8 endTimeCode=8",
     {"/ins_var_vel1/instances/Prototypes/obj_1/mesh_0 Mesh def: points 8 sampled faces 6 indices 24 sampled creases 0/0/0 scheme none",
      "/ins_var_vel1/instances/Prototypes/obj_0/mesh_0 Mesh def: points 288 sampled faces 288 indices 1152 sampled creases 0/0/0 scheme none"},
     0},
    {"arnoldusd__test_1837_crowd_geometry.usd", "0.9.0",
     "defaultPrim=crowd upAxis=Y metersPerUnit=1 framesPerSecond=60",
     {"/crowd/agentdefinitions/definition_0/shapelibrary/default_body_notorso Mesh def: points 4037 faces 4018 indices 15948 creases 0/0/0 scheme none"},
     0},
    {"arnoldusd__tree.usd", "0.0.1",
     "defaultPrim=TreeSimple2_ai_treeSimple2MeshGroup upAxis=Y startTimeCode=1 endTimeCode=1",
     {"/TreeSimple2_ai_treeSimple2MeshGroup/TreeSimple2_ai_treeSimple2Main Mesh def: points 2046 faces 1440 indices 5760 creases 0/0/0 scheme -",
      "/TreeSimple2_ai_treeSimple2MeshGroup/TreeSimple2_ai_treeSimple2Leaf Mesh def: points 5112 faces 2130 indices 8520 creases 0/0/0 scheme -"},
     3},
    {"mayausd__CubeGridCombinedMesh_10.usd", "0.4.0", "defaultPrim=AssetGrid_10_CombinedMesh upAxis=Z",
     {"/AssetGrid_10_CombinedMesh/AssetGridCombinedMesh Mesh def: points 8000 faces 6000 indices 24000 creases 0/0/0 scheme -"},
     2},
    {"mayausd__Table.maya.usd", "0.8.0", "defaultPrim=Table upAxis=Y startTimeCode=1 endTimeCode=1",
     {"/Table/mesh Mesh def: points 8 faces 6 indices 24 creases 24/12/12 scheme -"}, 0},
    {"openusd__model.usdc", "0.9.0", "",
     {"/Model/Rig/Body/Geom Mesh def: no points faces 0 indices 0 creases 0/0/0 scheme -",
      "/Model/Rig/Head/Geom Mesh def: no points faces 0 indices 0 creases 0/0/0 scheme -"},
     8},
    {"openusd__root_with_relocates.usdc", "0.11.0", "", {}, 3},
    {"tinyusdz__cube.usdz", "0.7.0", "upAxis=Y",
     {"/Cube/Cube Mesh def: points 8 faces 6 indices 24 creases 0/0/0 scheme none"}, 0},
    {"tinyusdz__prim-with-no-specifier-001.usdc", "0.7.0", "", {}, 2},
    {"tinyusdz__skintest.usdc", "0.8.0", "defaultPrim=root upAxis=Z metersPerUnit=0.01",
     {"/root/Armature/Grid/Grid Mesh def: points 121 faces 100 indices 400 creases 0/0/0 scheme none"},
     0},
    {"tinyusdz__suzanne.usdc", "0.7.0", "upAxis=Z metersPerUnit=f1",
     {"/Suzanne/Suzanne Mesh def: points 507 faces 500 indices 1968 creases 0/0/0 scheme none"}, 2},
    {"tinyusdz__variantSet-007.usdc", "0.8.0", "",
     {"/bora{shapeVariant=Cone}mymesh Mesh def: no points faces 0 indices 0 creases 0/0/0 scheme -"}, 3},
};

TEST(CrateLayer, RealFilesReadAsKnown) {
    for (const RealFileRow& row : kRealFiles) {
        SCOPED_TRACE(row.file);
        const usdc_testing::WholeRead read = readWhole(realBytes(row.file));
        ASSERT_TRUE(read.result.ok()) << read.result.detail;
        EXPECT_EQ(versionText(read.layer.version), row.version);
        EXPECT_TRUE(read.layer.warnings.empty());
        EXPECT_EQ(usdc_testing::metadataSummary(read.layer), row.metadata);
        EXPECT_EQ(read.meshes, row.meshes);
        if (row.prims != 0) {
            EXPECT_EQ(read.layer.prims.size(), row.prims);
        }
    }
}

// The topology read holds together in every real mesh: what a damaged decoding would break.
TEST(CrateLayer, RealTopologyHoldsTogether) {
    for (const std::string& file : usdc_testing::realFiles()) {
        SCOPED_TRACE(file);
        const std::string bytes = realBytes(file);
        ByteSource source;
        source.openMemory(bytes);
        if (bytes.compare(0, 2, "PK") == 0) {
            UsdzRootLayer root;
            ASSERT_TRUE(openUsdzRootLayer(source, root).ok());
        }
        CrateLayer layer;
        if (!readCrateLayer(source, layer).ok()) continue;
        for (const CratePrim& prim : layer.prims) {
            if (prim.typeName != "Mesh") continue;
            CrateMesh mesh;
            ASSERT_TRUE(readCrateMesh(source, layer, prim, mesh).ok()) << prim.path;
            std::int64_t corners = 0;
            for (const std::int32_t count : mesh.faceVertexCounts) corners += count;
            EXPECT_EQ(corners, static_cast<std::int64_t>(mesh.faceVertexIndices.size())) << prim.path;
            for (const std::int32_t index : mesh.faceVertexIndices)
                ASSERT_TRUE(index >= 0 && static_cast<std::uint64_t>(index) < mesh.pointCount);
            std::int64_t creased = 0;
            for (const std::int32_t length : mesh.creaseLengths) creased += length;
            EXPECT_EQ(creased, static_cast<std::int64_t>(mesh.creaseIndices.size()));
        }
    }
}

// Maya's crease export: each of the cube's 12 edges creased at 5.
TEST(CrateLayer, CreaseValuesOfTheTable) {
    const std::string bytes = realBytes("mayausd__Table.maya.usd");
    ByteSource source;
    source.openMemory(bytes);
    CrateLayer layer;
    ASSERT_TRUE(readCrateLayer(source, layer).ok());
    ASSERT_EQ(layer.prims.at(1).path, "/Table/mesh");
    CrateMesh mesh;
    ASSERT_TRUE(readCrateMesh(source, layer, layer.prims[1], mesh).ok());
    EXPECT_TRUE(mesh.creaseIndicesAuthored && mesh.creaseLengthsAuthored &&
                mesh.creaseSharpnessesAuthored);
    EXPECT_EQ(mesh.creaseLengths, std::vector<std::int32_t>(12, 2));
    EXPECT_EQ(mesh.creaseSharpnesses, std::vector<double>(12, 5.0));
    EXPECT_EQ(mesh.faceVertexCounts, std::vector<std::int32_t>(6, 4));
    EXPECT_FALSE(mesh.pointsTimeSampled || mesh.topologyTimeSampled);
}

TEST(CrateLayer, PrimFacts) {
    struct Row {
        const char* file;
        const char* path;
        CrateSpecifier specifier;
        const char* type;
        std::vector<std::string> steps;  // "set=variant"
    };
    const Row rows[] = {
        // No specifier field: over.
        {"tinyusdz__prim-with-no-specifier-001.usdc", "/File/A", CrateSpecifier::Over, "", {}},
        {"tinyusdz__variantSet-007.usdc", "/bora", CrateSpecifier::Def, "", {}},
        {"tinyusdz__variantSet-007.usdc", "/bora{shapeVariant=Capsule}myskel", CrateSpecifier::Def,
         "Skeleketon", {"shapeVariant=Capsule"}},
        {"tinyusdz__variantSet-007.usdc", "/bora{shapeVariant=Cone}mymesh", CrateSpecifier::Def,
         "Mesh", {"shapeVariant=Cone"}},
        {"arnoldusd__test_0206_geo.usdc", "/ASSET_geo_variant_1/ASSET{geo=Tube_B}geo/render/shape",
         CrateSpecifier::Def, "Mesh", {"geo=Tube_B"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        const usdc_testing::WholeRead read = readWhole(realBytes(row.file));
        ASSERT_TRUE(read.result.ok());
        const CratePrim* found = nullptr;
        for (const CratePrim& prim : read.layer.prims)
            if (prim.path == row.path) found = &prim;
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->specifier, row.specifier);
        EXPECT_EQ(found->typeName, row.type);
        std::vector<std::string> steps;
        for (const CrateVariantStep& step : found->variantSteps)
            steps.push_back(step.set + "=" + step.variant);
        EXPECT_EQ(steps, row.steps);
        EXPECT_EQ(found->path.substr(found->path.size() - found->name.size()), found->name);
    }
    const usdc_testing::WholeRead bora = readWhole(realBytes("tinyusdz__variantSet-007.usdc"));
    EXPECT_EQ(bora.layer.prims.at(0).variantSetNames, std::vector<std::string>{"shapeVariant"});
}

TEST(CrateLayer, AssetPaths) {
    const usdc_testing::WholeRead read = readWhole(realBytes("openusd__root_with_relocates.usdc"));
    ASSERT_TRUE(read.result.ok());
    ASSERT_EQ(read.layer.assets.size(), 1u);
    EXPECT_EQ(read.layer.assets[0].kind, CrateAssetKind::Reference);
    EXPECT_EQ(read.layer.assets[0].path, "model.usdc");
}

TEST(CrateLayer, DamagedFileRefused) {
    // Its TOKENS section claims 61,000 bytes in a file of 606.
    const usdc_testing::WholeRead read = readWhole(realBytes("openusd__corrupt.usd"));
    EXPECT_EQ(read.result.problem, CrateProblem::Damaged);
    EXPECT_EQ(read.result.detail, "the TOKENS section");
    EXPECT_TRUE(read.layer.prims.empty());
}

TEST(CrateLayer, Versions) {
    struct Row {
        unsigned char minor;
        unsigned char major;
        CrateProblem problem;
        const char* detail;
        bool newer;
    };
    const Row rows[] = {
        {1, 0, CrateProblem::UnsupportedVersion, "0.1.0", false},
        {2, 0, CrateProblem::UnsupportedVersion, "0.2.0", false},
        {3, 0, CrateProblem::UnsupportedVersion, "0.3.0", false},
        {8, 1, CrateProblem::UnsupportedVersion, "1.8.0", false},
        {12, 0, CrateProblem::None, "", false},
        {13, 0, CrateProblem::None, "", true},
        {200, 0, CrateProblem::None, "", true},
    };
    std::string bytes = realBytes("tinyusdz__variantSet-007.usdc");
    for (const Row& row : rows) {
        SCOPED_TRACE(int{row.minor});
        bytes[8] = static_cast<char>(row.major);
        bytes[9] = static_cast<char>(row.minor);
        const usdc_testing::WholeRead read = readWhole(bytes);
        EXPECT_EQ(read.result.problem, row.problem);
        EXPECT_EQ(read.result.detail, row.detail);
        ASSERT_EQ(read.layer.warnings.size(), row.newer ? 1u : 0u);
        if (row.newer) {
            EXPECT_EQ(read.layer.warnings[0].kind, CrateWarningKind::NewerVersion);
            EXPECT_EQ(read.meshes.size(), 1u);
        }
    }
}

TEST(CrateLayer, NotCrate) {
    for (const std::string& bytes : {std::string(), std::string("PXR-USDC"), std::string(88, 'x'),
                                    std::string("#usda 1.0\n") + std::string(100, ' ')}) {
        EXPECT_EQ(readWhole(bytes).result.problem, CrateProblem::NotCrate);
    }
}

std::string cutShort(const std::string& bytes) {
    return bytes.substr(0, bytes.size() - 1);
}

TEST(UsdzPackage, RootLayer) {
    const std::string crate = realBytes("tinyusdz__variantSet-007.usdc");
    const std::string text = "#usda 1.0\ndef Mesh \"m\" {}\n";
    struct Row {
        const char* what;
        std::string package;
        CrateProblem problem;
        const char* name;
        UsdzLayerFormat format;
        bool misaligned;
    };
    using usdc_testing::storedZip;
    const Row rows[] = {
        {"crate", storedZip({{"a.usdc", crate}, {"tex.png", "png"}}), CrateProblem::None, "a.usdc",
         UsdzLayerFormat::Crate, false},
        {"text", storedZip({{"dir/A.USDA", text}}), CrateProblem::None, "dir/A.USDA",
         UsdzLayerFormat::Text, false},
        {"misaligned", storedZip({{"a.usd", crate}}, true), CrateProblem::None, "a.usd",
         UsdzLayerFormat::Crate, true},
        {"compressed", storedZip({{"a.usdc", crate}}, false, 8), CrateProblem::CompressedEntry, "",
         UsdzLayerFormat::Crate, false},
        {"bracket", storedZip({{"a.usdc", crate}, {"b[1].png", "x"}}), CrateProblem::BadEntryName, "",
         UsdzLayerFormat::Crate, false},
        {"image first", storedZip({{"tex.png", "png"}, {"a.usdc", crate}}),
         CrateProblem::NoLayerEntry, "", UsdzLayerFormat::Crate, false},
        {"empty", storedZip({}), CrateProblem::NoLayerEntry, "", UsdzLayerFormat::Crate, false},
        {"no layer inside", storedZip({{"a.usdc", "plain words"}}), CrateProblem::Damaged, "",
         UsdzLayerFormat::Crate, false},
        {"cut short", cutShort(storedZip({{"a.usdc", crate}})), CrateProblem::Damaged, "",
         UsdzLayerFormat::Crate, false},
        {"no zip", "PXR-USDC", CrateProblem::NotPackage, "", UsdzLayerFormat::Crate, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ByteSource source;
        source.openMemory(row.package);
        UsdzRootLayer root;
        const CrateResult result = openUsdzRootLayer(source, root);
        EXPECT_EQ(result.problem, row.problem);
        if (!result.ok()) {
            EXPECT_EQ(source.size(), row.package.size());  // left as it was
            continue;
        }
        EXPECT_EQ(root.name, row.name);
        EXPECT_EQ(root.format, row.format);
        EXPECT_EQ(root.warnings.size(), row.misaligned ? 1u : 0u);
        ASSERT_EQ(source.size(), root.size);
        if (row.format == UsdzLayerFormat::Crate) {
            CrateLayer layer;
            EXPECT_TRUE(readCrateLayer(source, layer).ok());
            EXPECT_EQ(layer.prims.size(), 3u);
        }
    }
}

TEST(UsdzPackage, RealPackages) {
    for (const auto& [file, name, offset] :
         {std::tuple<const char*, const char*, std::uint64_t>{"tinyusdz__cube.usdz", "cube.usdc", 64},
          {"usdwg__InterpolationTest.usdz", "InterpolationTest.imported.usdc", 128}}) {
        SCOPED_TRACE(file);
        const std::string bytes = realBytes(file);
        ByteSource source;
        source.openMemory(bytes);
        UsdzRootLayer root;
        ASSERT_TRUE(openUsdzRootLayer(source, root).ok());
        EXPECT_EQ(root.name, name);
        EXPECT_EQ(root.offset, offset);
        EXPECT_EQ(root.format, UsdzLayerFormat::Crate);
        EXPECT_TRUE(root.warnings.empty());
    }
    const usdc_testing::WholeRead read = readWhole(realBytes("usdwg__InterpolationTest.usdz"));
    ASSERT_TRUE(read.result.ok());
    EXPECT_EQ(read.meshes.size(), 10u);
    EXPECT_EQ(read.meshes.back(),
              "/InterpolationTest/Geom/Plane Mesh def: points 4 faces 2 indices 6 creases 0/0/0 scheme none");
}

// Read from the file as the tool reads it, a package narrowed to its layer: as from memory.
TEST(CrateLayer, ReadFromFiles) {
    for (const char* file : {"tinyusdz__suzanne.usdc", "tinyusdz__cube.usdz", "arnoldusd__tree.usd"}) {
        SCOPED_TRACE(file);
        ByteSource source;
        ASSERT_TRUE(source.openFile(testing_support::realDataPath(std::string("usdc/") + file).c_str()));
        if (std::string(file).find(".usdz") != std::string::npos) {
            UsdzRootLayer root;
            ASSERT_TRUE(openUsdzRootLayer(source, root).ok());
        }
        CrateLayer layer;
        ASSERT_TRUE(readCrateLayer(source, layer).ok());
        std::vector<std::string> meshes;
        for (const CratePrim& prim : layer.prims) {
            if (prim.typeName != "Mesh") continue;
            CrateMesh mesh;
            ASSERT_TRUE(readCrateMesh(source, layer, prim, mesh).ok());
            meshes.push_back(usdc_testing::meshSummary(prim, mesh));
        }
        EXPECT_EQ(meshes, readWhole(realBytes(file)).meshes);
        EXPECT_FALSE(source.failed());
    }
}

// A sample of the truncated prefixes of every file; usdc_soak_test takes them all.
TEST(CrateLayer, TruncatedSampleRefused) {
    for (const std::string& file : usdc_testing::realFiles()) {
        SCOPED_TRACE(file);
        const std::string bytes = realBytes(file);
        const std::size_t step = bytes.size() / 97 + 1;
        for (std::size_t size = 0; size < bytes.size(); size += step)
            ASSERT_FALSE(readWhole(bytes.substr(0, size)).result.ok()) << size;
    }
}

}  // namespace
