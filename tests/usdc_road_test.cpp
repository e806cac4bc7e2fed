// The road on real binary layers and packages: every mesh of each, given an OBJ whose
// groups are chosen from its faces, gets an override layer that carries exactly the
// group borders, counted here apart from the library; the asset is only read.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/byte_source.h"
#include "scene/scene_creases.h"
#include "scene/usdc/crate_layer.h"
#include "scene/usd/usd_override_layer.h"
#include "scene/usdc/usdz_package.h"
#include "both_ways.h"
#include "support.h"
#include "usdc_support.h"
#include "writers/crate_writer.h"

namespace {

using Edge = std::pair<int, int>;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

struct RealMesh {
    std::string path;
    std::uint64_t points = 0;
    std::vector<std::int32_t> counts;
    std::vector<std::int32_t> indices;
};

// The meshes a crease run can take: faces that add up, indices among the points.
std::vector<RealMesh> realMeshes(const std::string& name) {
    const std::string bytes = usdc_testing::realBytes(name);
    tessaryn::ByteSource source;
    source.openMemory(bytes);
    if (bytes.compare(0, 2, "PK") == 0) {
        tessaryn::UsdzRootLayer root;
        if (!tessaryn::openUsdzRootLayer(source, root).ok()) return {};
    }
    tessaryn::CrateLayer layer;
    if (!tessaryn::readCrateLayer(source, layer).ok()) return {};
    std::vector<RealMesh> meshes;
    for (const tessaryn::CratePrim& prim : layer.prims) {
        if (prim.typeName != "Mesh" || prim.specifier == tessaryn::CrateSpecifier::Class) continue;
        tessaryn::CrateMesh arrays;
        if (!tessaryn::readCrateMesh(source, layer, prim, arrays).ok() ||
            arrays.topologyTimeSampled || arrays.pointCount == 0)
            continue;
        std::int64_t corners = 0;
        for (const std::int32_t count : arrays.faceVertexCounts) corners += count;
        bool inside = corners == static_cast<std::int64_t>(arrays.faceVertexIndices.size());
        for (const std::int32_t index : arrays.faceVertexIndices)
            inside = inside && index >= 0 && static_cast<std::uint64_t>(index) < arrays.pointCount;
        if (inside && !arrays.faceVertexCounts.empty())
            meshes.push_back(
                {prim.path, arrays.pointCount, arrays.faceVertexCounts, arrays.faceVertexIndices});
    }
    return meshes;
}

// Groups by face: every third face in a group of its own.
int groupOf(std::size_t face) {
    return face % 3 == 0 ? 1 : 0;
}

// The edges that an odd number of a group's faces share, over all groups.
std::set<Edge> groupBorders(const RealMesh& mesh) {
    std::map<std::pair<int, Edge>, int> uses;
    std::size_t at = 0;
    for (std::size_t face = 0; face < mesh.counts.size(); ++face) {
        const auto count = static_cast<std::size_t>(mesh.counts[face]);
        for (std::size_t k = 0; k < count; ++k) {
            int a = mesh.indices[at + k], b = mesh.indices[at + (k + 1) % count];
            if (a > b) std::swap(a, b);
            ++uses[{groupOf(face), {a, b}}];
        }
        at += count;
    }
    std::set<Edge> borders;
    for (const auto& use : uses)
        if (use.second % 2 == 1) borders.insert(use.first.second);
    return borders;
}

std::string objOf(const RealMesh& mesh) {
    std::string obj;
    for (std::uint64_t i = 0; i < mesh.points; ++i) obj += "v 0 0 0\n";
    std::size_t at = 0;
    for (std::size_t face = 0; face < mesh.counts.size(); ++face) {
        obj += "g group" + std::to_string(groupOf(face)) + "\nf";
        for (std::int32_t k = 0; k < mesh.counts[face]; ++k)
            obj += " " + std::to_string(mesh.indices[at++] + 1);
        obj += "\n";
    }
    return obj;
}

// The numbers of the array `name` in the override layer.
std::vector<int> arrayIn(const std::string& layer, const std::string& name) {
    std::vector<int> numbers;
    const std::size_t start = layer.find(name + " = [");
    if (start == std::string::npos) return numbers;
    const std::size_t end = layer.find(']', start + name.size() + 4);
    std::string digits;
    for (std::size_t i = start + name.size() + 4; i <= end; ++i) {
        if (layer[i] >= '0' && layer[i] <= '9') {
            digits += layer[i];
        } else if (!digits.empty()) {
            numbers.push_back(std::stoi(digits));
            digits.clear();
        }
    }
    return numbers;
}

std::set<Edge> creasesIn(const std::string& layer) {
    const std::vector<int> indices = arrayIn(layer, "int[] creaseIndices");
    const std::vector<int> lengths = arrayIn(layer, "int[] creaseLengths");
    std::set<Edge> edges;
    std::size_t at = 0;
    for (const int length : lengths) {
        for (int k = 1; k < length && at + static_cast<std::size_t>(k) < indices.size(); ++k) {
            int a = indices[at + static_cast<std::size_t>(k) - 1];
            int b = indices[at + static_cast<std::size_t>(k)];
            edges.insert({std::min(a, b), std::max(a, b)});
        }
        at += static_cast<std::size_t>(length);
    }
    return edges;
}

TEST(UsdcRoad, RealMeshesGetOverrideLayersWithTheirGroupBorders) {
    int tried = 0;
    for (const std::string& name : usdc_testing::realFiles()) {
        for (const RealMesh& mesh : realMeshes(name)) {
            const std::set<Edge> borders = groupBorders(mesh);
            if (borders.empty()) continue;
            SCOPED_TRACE(name + " " + mesh.path);
            TempFolder folder;
            const std::string asset = folder / name;
            const std::string bytes = usdc_testing::realBytes(name);
            writeFile(asset, bytes);
            writeFile(folder / "mesh.obj", objOf(mesh));
            tessaryn::SceneCreaseRequest request;
            request.objPath = folder / "mesh.obj";
            request.scenePath = asset;
            request.overPath = folder / "over.usda";
            request.node = mesh.path;
            const tessaryn::SceneCreaseReport report =
                testing_support::writeSceneCreasesBothWays(request, {request.overPath, asset});
            ASSERT_EQ(report.outcome, tessaryn::SceneRefusal::None) << report.detail;
            EXPECT_EQ(report.node.path, mesh.path);
            const std::string over = readFile(folder / "over.usda");
            EXPECT_EQ(over.compare(0, 9, "#usda 1.0"), 0);
            EXPECT_NE(over.find("@./" + name + "@"), std::string::npos);
            EXPECT_EQ(creasesIn(over), borders);
            EXPECT_EQ(report.written, static_cast<std::int64_t>(borders.size()));
            EXPECT_EQ(readFile(asset), bytes);  // only read

            // In place, the asset is refused and left as it was; a dry run says the same.
            request.overPath.clear();
            EXPECT_EQ(tessaryn::writeSceneCreases(request).outcome,
                      tessaryn::SceneRefusal::BinaryNeedsOver);
            request.dryRun = true;
            EXPECT_EQ(tessaryn::writeSceneCreases(request).written, report.written);
            EXPECT_EQ(readFile(asset), bytes);
            ++tried;
        }
    }
    EXPECT_GE(tried, 10);
}

// The meshes of one binary layer get their creases in one override layer, a run each;
// each run after keeps what the others wrote, and a rerun finds every prim's creases
// there and writes nothing.
TEST(UsdcRoad, MeshesOfOneLayerJoinOneOverrideLayer) {
    int layers = 0;
    for (const std::string& name : usdc_testing::realFiles()) {
        std::vector<RealMesh> meshes;
        for (RealMesh& mesh : realMeshes(name))
            if (meshes.size() < 3 && !groupBorders(mesh).empty()) meshes.push_back(std::move(mesh));
        if (meshes.size() < 2) continue;
        SCOPED_TRACE(name);
        TempFolder folder;
        writeFile(folder / name, usdc_testing::realBytes(name));
        tessaryn::SceneCreaseRequest request;
        request.scenePath = folder / name;
        request.overPath = folder / "over.usda";
        const auto runOn = [&](std::size_t i) {
            request.objPath = folder / ("mesh" + std::to_string(i) + ".obj");
            request.node = meshes[i].path;
            return testing_support::writeSceneCreasesBothWays(request, {request.overPath});
        };
        for (std::size_t i = 0; i < meshes.size(); ++i) {
            SCOPED_TRACE(meshes[i].path);
            writeFile(folder / ("mesh" + std::to_string(i) + ".obj"), objOf(meshes[i]));
            const tessaryn::SceneCreaseReport report = runOn(i);
            ASSERT_EQ(report.outcome, tessaryn::SceneRefusal::None) << report.detail;
            EXPECT_EQ(report.written, static_cast<std::int64_t>(groupBorders(meshes[i]).size()));
            EXPECT_EQ(report.output, request.overPath);
        }
        const std::string over = readFile(request.overPath);
        std::size_t statements = 0;
        for (std::size_t at = over.find("creaseIndices"); at != std::string::npos;
             at = over.find("creaseIndices", at + 1))
            ++statements;
        EXPECT_EQ(statements, meshes.size()) << over;
        for (std::size_t i = 0; i < meshes.size(); ++i) {
            SCOPED_TRACE(meshes[i].path);
            const tessaryn::SceneCreaseReport again = runOn(i);
            ASSERT_EQ(again.outcome, tessaryn::SceneRefusal::None) << again.detail;
            EXPECT_FALSE(again.changed);
            EXPECT_EQ(again.replaced, static_cast<std::int64_t>(groupBorders(meshes[i]).size()));
            EXPECT_EQ(again.output, "");
        }
        EXPECT_EQ(readFile(request.overPath), over);
        EXPECT_EQ(folder.entries().size(), meshes.size() + 2);

        // Files that are no override layer of this layer are refused and left as they were.
        const std::string foreign[] = {
            testing_support::readFile(testing_support::realDataPath("cgkit__objects.ma")),
            usdc_testing::realBytes(name), "#usda 1.0\n(\n    subLayers = [@./other.usda@]\n)\n",
            "#usda 1.0\n(\n    subLayers = [@./" + name + "@]\n)\nover \"a\" {\n"};
        request.overPath = folder / "foreign.usda";
        for (const std::string& bytes : foreign) {
            writeFile(request.overPath, bytes);
            const tessaryn::SceneCreaseReport report = runOn(0);
            EXPECT_EQ(report.outcome, tessaryn::SceneRefusal::OverLayerForeign);
            EXPECT_EQ(readFile(request.overPath), bytes);
        }
        EXPECT_EQ(folder.entries().size(), meshes.size() + 3);
        ++layers;
    }
    EXPECT_GE(layers, 2);
}

// Files that cannot be read are refused whole and change nothing.
TEST(UsdcRoad, ADamagedLayerIsRefusedCleanly) {
    TempFolder folder;
    const std::string bytes = usdc_testing::realBytes("openusd__corrupt.usd");
    writeFile(folder / "corrupt.usd", bytes);
    writeFile(folder / "cube.obj", testing_support::kCubeObj);
    tessaryn::SceneCreaseRequest request;
    request.objPath = folder / "cube.obj";
    request.scenePath = folder / "corrupt.usd";
    request.overPath = folder / "over.usda";
    const tessaryn::SceneCreaseReport report = tessaryn::writeSceneCreases(request);
    EXPECT_EQ(report.outcome, tessaryn::SceneRefusal::UsdBinary);
    EXPECT_FALSE(report.detail.empty());
    EXPECT_EQ(readFile(folder / "corrupt.usd"), bytes);
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"corrupt.usd", "cube.obj"}));
}

}  // namespace

namespace {

// A layer whose meshes are in the layers it references: the refusal names them.
TEST(UsdcRoad, AMeshInAnotherLayerIsNamed) {
    TempFolder folder;
    const std::string bytes = usdc_testing::realBytes("openusd__root_with_relocates.usdc");
    writeFile(folder / "root.usdc", bytes);
    writeFile(folder / "cube.obj", testing_support::kCubeObj);
    tessaryn::SceneCreaseRequest request;
    request.objPath = folder / "cube.obj";
    request.scenePath = folder / "root.usdc";
    request.overPath = folder / "over.usda";
    const tessaryn::SceneCreaseReport report =
        testing_support::writeSceneCreasesBothWays(request, {request.overPath});
    EXPECT_EQ(report.outcome, tessaryn::SceneRefusal::NoMeshNode);
    EXPECT_EQ(report.otherLayers, std::vector<std::string>{"model.usdc"});
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"cube.obj", "root.usdc"}));
}

// Names from a file go into an override layer only as USD reads them back: prim and
// variant set names as identifiers, variant names by their wider rule.
TEST(UsdcRoad, NamesAnOverrideLayerCannotCarryAreFound) {
    const struct {
        const char* path;
        const char* unfit;
    } rows[] = {
        {"/asset/geo/mesh_0", ""},
        {"/asset{model=cube}geo/mesh", ""},
        {"/a{v=2x-y|z}b", ""},       // variant names may start with a digit, hold - and |
        {"/caf\xc3\xa9/m", ""},      // UTF-8 letters
        {"/2d/mesh", "2d"},          // a prim name starting with a digit
        {"/a b/mesh", "a b"},        // a blank
        {"/a\"\n}/mesh", "a\"\n}"},  // what would close the layer's text
        {"/a{2set=v}b", "2set"},     // a variant set name is an identifier
        {"/a{set=v w}b", "v w"},     // a variant name without blanks
        {"/a{set=}b", "/a{set=}b"},  // an empty name: named by the path
        {"/", "/"},
        {"/a/", "/a/"},
        {"/a//b", "/a//b"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(tessaryn::unfitPrimPathName(row.path), row.unfit);
    }
}

}  // namespace

namespace {

// A layer written with a name USD cannot read back (a variant set name starting with a
// digit) and existing creases: the override layer is refused for the name, and a fit
// layer keeps the value an existing crease carries.
TEST(UsdcRoad, WrittenLayersKeepValuesAndRefuseUnfitNames) {
    tessaryn::testkit::CrateMeshSpec quad;
    quad.name = "mesh";
    quad.points = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
    quad.faceVertexCounts = {4};
    quad.faceVertexIndices = {0, 1, 2, 3};
    quad.creaseIndices = {0, 1};
    quad.creaseLengths = {2};
    quad.creaseSharpnesses = {2.5f};
    tessaryn::testkit::CrateLayerSpec fit;
    fit.rootName = "root";
    fit.upAxis = "Z";
    fit.metersPerUnit = 0.01;
    tessaryn::testkit::CrateVariantSpec variant;
    variant.meshes = {quad};
    fit.variant = variant;
    tessaryn::testkit::CrateLayerSpec unfit = fit;
    unfit.variant->setName = "2model";
    // A name that would read as a variant selection in the path's text.
    tessaryn::testkit::CrateLayerSpec braces = fit;
    braces.variant->meshes[0].name = "x{s=v}";

    for (const auto* layer : {&fit, &unfit, &braces}) {
        TempFolder folder;
        writeFile(folder / "asset.usd", tessaryn::testkit::crateLayerBytes(*layer));
        writeFile(folder / "quad.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\ng a\nf 1 2 3 4\n");
        tessaryn::SceneCreaseRequest request;
        request.objPath = folder / "quad.obj";
        request.scenePath = folder / "asset.usd";
        request.overPath = folder / "over.usda";
        const tessaryn::SceneCreaseReport report =
            testing_support::writeSceneCreasesBothWays(request, {request.overPath});
        if (layer != &fit) {
            EXPECT_EQ(report.outcome, tessaryn::SceneRefusal::BadName);
            EXPECT_EQ(report.detail, layer == &unfit ? "2model" : "x{s=v}");
            EXPECT_FALSE(testing_support::fileExists(request.overPath));
            continue;
        }
        ASSERT_EQ(report.outcome, tessaryn::SceneRefusal::None);
        EXPECT_EQ(report.kept, 1);
        const std::string over = readFile(request.overPath);
        EXPECT_NE(over.find("    upAxis = \"Z\"\n    metersPerUnit = 0.01\n"), std::string::npos)
            << over;
        EXPECT_NE(over.find("variantSet \"model\" = {"), std::string::npos) << over;
        EXPECT_NE(over.find("float[] creaseSharpnesses = [2.5, 10, 10, 10]"), std::string::npos)
            << over;
    }
}

}  // namespace

namespace {

// A token of the layer's metadata may hold any byte; the override layer's line may not.
TEST(UsdcRoad, MetadataTokensAreEscaped) {
    tessaryn::testkit::CrateMeshSpec quad;
    quad.name = "mesh";
    quad.points = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
    quad.faceVertexCounts = {4};
    quad.faceVertexIndices = {0, 1, 2, 3};
    tessaryn::testkit::CrateLayerSpec layer;
    layer.rootName = "root";
    layer.upAxis = "Z\n)\"";
    layer.meshes = {quad};
    TempFolder folder;
    writeFile(folder / "asset.usdc", tessaryn::testkit::crateLayerBytes(layer));
    writeFile(folder / "quad.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\ng a\nf 1 2 3 4\n");
    tessaryn::SceneCreaseRequest request;
    request.objPath = folder / "quad.obj";
    request.scenePath = folder / "asset.usdc";
    request.overPath = folder / "over.usda";
    ASSERT_EQ(tessaryn::writeSceneCreases(request).outcome, tessaryn::SceneRefusal::None);
    EXPECT_NE(readFile(request.overPath).find("    upAxis = \"Z\\x0a)\\\"\"\n"), std::string::npos)
        << readFile(request.overPath);
}

}  // namespace
