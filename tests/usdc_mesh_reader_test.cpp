// The binary USD mesh readers as the OBJ road uses them: the scanner reports the nodes,
// the reader hands one node's points, texture coordinates and faces to a sink. Every mesh
// of the real layers and packages, then written layers whose points, texture coordinates,
// interpolation, indices and orientation are known, and damaged ones.
#include <gtest/gtest.h>

#include <algorithm>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/byte_source.h"
#include "crease/crease_edge_set.h"
#include "scene/scene_formats.h"
#include "scene/usdc/crate_layer.h"
#include "scene/usdc/crate_mesh_reader.h"
#include "scene/usdc/usdc_scanner.h"
#include "scene/usdc/usdz_package.h"
#include "tools/second_thread.h"
#include "usdc_support.h"
#include "writers/crate_writer.h"

namespace {

using namespace tessaryn;
using testkit::CrateLayerSpec;
using testkit::CrateMeshSpec;

// Records what the reader hands over; stops where asked.
struct RecordingSink : MeshSink {
    int begins = 0;
    MeshHead head;
    std::vector<std::uint32_t> counts;
    std::vector<std::uint32_t> vertices;
    std::vector<std::uint32_t> uvs;  // every corner's, when the head has uvs
    int uvlessFaces = 0;             // faces handed without uvs
    bool stopAtBegin = false;
    std::size_t stopAfterFaces = SIZE_MAX;
    const SecondThread* thread = nullptr;  // lent to the reader: the points read beside

    const SecondThread* readerThread() const override { return thread; }

    bool begin(const MeshHead& given) override {
        ++begins;
        head = given;
        return !stopAtBegin;
    }
    bool face(const std::uint32_t* faceVertices, const std::uint32_t* faceUvs,
              std::size_t corners) override {
        counts.push_back(static_cast<std::uint32_t>(corners));
        vertices.insert(vertices.end(), faceVertices, faceVertices + corners);
        if (faceUvs != nullptr) {
            uvs.insert(uvs.end(), faceUvs, faceUvs + corners);
        } else {
            ++uvlessFaces;
        }
        return counts.size() < stopAfterFaces;
    }
    // Taken one by one all the same; counted, to tell which faces came as runs.
    std::size_t faces(const std::uint32_t* runCounts, std::size_t faceCount,
                      const std::uint32_t* runVertices, const std::uint32_t* runUvs) override {
        runFaces += faceCount;
        return MeshSink::faces(runCounts, faceCount, runVertices, runUvs);
    }
    std::size_t runFaces = 0;
};

bool isPackage(const std::string& bytes) {
    return bytes.compare(0, 2, "PK") == 0;
}

// The scanner's facts of `bytes`, as the road gets them before it reads a mesh.
SceneFacts scan(const std::string& bytes) {
    ByteSource source;
    source.openMemory(bytes);
    const CreaseEdgeSet none;
    return isPackage(bytes) ? scanUsdzPackage(source, none) : scanCrateLayer(source, none);
}

// Reads `node` from `bytes` through the format table's row, from a copy of the bytes of
// their own (the address sanitizer sees a read past their end).
MeshReadResult readNode(const std::string& bytes, const SceneNode& node, RecordingSink& sink) {
    const SceneFormatEntry* format = sniffSceneFormat(bytes.substr(0, 16));
    EXPECT_NE(format, nullptr);
    EXPECT_NE(format->readMesh, nullptr);
    const std::unique_ptr<char[]> copy(new char[bytes.size() + 1]);
    std::memcpy(copy.get(), bytes.data(), bytes.size());
    ByteSource source;
    source.openMemory(std::string_view(copy.get(), bytes.size()));
    return format->readMesh(source, node, sink);
}

SceneNode nodeAt(const std::string& path) {
    SceneNode node;
    node.path = path;
    return node;
}

// The mesh's arrays as the crease scanner reads them, to compare with what was handed.
CrateMesh creaseArrays(const std::string& bytes, const std::string& path) {
    ByteSource source;
    source.openMemory(bytes);
    if (isPackage(bytes)) {
        UsdzRootLayer root;
        EXPECT_TRUE(openUsdzRootLayer(source, root).ok());
    }
    CrateLayer layer;
    CrateMesh mesh;
    EXPECT_TRUE(readCrateLayer(source, layer).ok());
    for (const CratePrim& prim : layer.prims) {
        if (prim.path != path) continue;
        EXPECT_TRUE(readCrateMesh(source, layer, prim, mesh).ok());
    }
    return mesh;
}

// What a real mesh is known to hold: its texture coordinates' primvar, how many values
// they have and how their corners find them, and whether its points are time samples.
struct RealMeshRow {
    const char* file;
    const char* path;
    const char* uvSet;  // "" for none
    std::size_t uvs;    // values (pairs)
    bool uvPerVertex;   // the corner's uv number is its vertex's
    bool uvPerCorner;   // the corner's uv number is its place among the corners
    bool sampled;
};

const RealMeshRow kRealMeshes[] = {
    {"arnoldusd__test_0206_geo.usdc", "/ASSET_geo_variant_2/ASSET{geo=Torus_C}geo/render/shape", "",
     0, false, false, false},
    {"arnoldusd__test_1442_test.usd", "/ins_var_vel1/instances/Prototypes/obj_1/mesh_0", "", 0,
     false, false, true},
    // Its st:indices blocked: faceVarying, one value per corner.
    {"arnoldusd__test_1837_crowd_geometry.usd",
     "/crowd/agentdefinitions/definition_0/shapelibrary/default_body_notorso", "st", 15948, false,
     true, false},
    // st typed float2[], faceVarying in one mesh and vertex in the other.
    {"arnoldusd__tree.usd", "/TreeSimple2_ai_treeSimple2MeshGroup/TreeSimple2_ai_treeSimple2Main",
     "st", 5760, false, true, false},
    {"arnoldusd__tree.usd", "/TreeSimple2_ai_treeSimple2MeshGroup/TreeSimple2_ai_treeSimple2Leaf",
     "st", 5112, true, false, false},
    {"mayausd__CubeGridCombinedMesh_10.usd", "/AssetGrid_10_CombinedMesh/AssetGridCombinedMesh", "",
     0, false, false, false},
    // Indexed faceVarying.
    {"mayausd__Table.maya.usd", "/Table/mesh", "st", 14, false, false, false},
    // No st: the first texCoord2f[] primvar, indexed.
    {"tinyusdz__cube.usdz", "/Cube/Cube", "UVMap", 14, false, false, false},
    {"tinyusdz__skintest.usdc", "/root/Armature/Grid/Grid", "st", 400, false, true, false},
    {"tinyusdz__suzanne.usdc", "/Suzanne/Suzanne", "UVMap", 1968, false, true, false},
    {"usdwg__InterpolationTest.usdz", "/InterpolationTest/Geom/Plane", "st", 4, true, false, false},
};

// Every mesh of every real file: the points the scanner counted, the faces and corners of
// the face arrays it read, every number in range, points and uvs finite.
TEST(CrateMeshReader, EveryRealMesh) {
    int meshes = 0;
    for (const std::string& file : usdc_testing::realFiles()) {
        SCOPED_TRACE(file);
        const std::string bytes = usdc_testing::realBytes(file);
        const SceneFacts facts = scan(bytes);
        if (facts.problem != SceneRefusal::None) {
            // The damaged file: the reader refuses it as the scanner does.
            RecordingSink sink;
            const MeshReadResult read = readNode(bytes, nodeAt("/any"), sink);
            EXPECT_EQ(read.problem, facts.problem);
            EXPECT_EQ(read.detail, facts.problemDetail);
            EXPECT_EQ(sink.begins, 0);
            continue;
        }
        for (const SceneNode& node : facts.nodes) {
            SCOPED_TRACE(node.path);
            RecordingSink sink;
            const MeshReadResult read = readNode(bytes, node, sink);
            if (node.vertexCount == 0) {
                EXPECT_EQ(read.problem, SceneRefusal::NodeHoldsNoMesh);
                EXPECT_EQ(sink.begins, 0);
                continue;
            }
            ++meshes;
            ASSERT_EQ(read.problem, SceneRefusal::None) << read.detail;
            ASSERT_EQ(sink.begins, 1);
            EXPECT_FALSE(read.stopped);
            ASSERT_EQ(sink.head.points.size(), static_cast<std::size_t>(node.vertexCount) * 3);
            for (const float coordinate : sink.head.points) ASSERT_TRUE(std::isfinite(coordinate));
            // The points are raw in every file: their bytes lie in it as they were handed.
            const std::string pointBytes(reinterpret_cast<const char*>(sink.head.points.data()),
                                         sink.head.points.size() * sizeof(float));
            EXPECT_NE(bytes.find(pointBytes), std::string::npos);
            const std::string uvBytes(reinterpret_cast<const char*>(sink.head.uvs.data()),
                                      sink.head.uvs.size() * sizeof(float));
            EXPECT_NE(bytes.find(uvBytes), std::string::npos);

            const CrateMesh arrays = creaseArrays(bytes, node.path);
            ASSERT_EQ(sink.counts.size(), arrays.faceVertexCounts.size());
            EXPECT_EQ(read.faces, static_cast<std::int64_t>(sink.counts.size()));
            // Houdini's layers are leftHanded: each face's corners come reversed. `source`:
            // each corner's place among the corners as the file gives them.
            const bool leftHanded = file.compare(0, 16, "arnoldusd__test_") == 0;
            std::vector<std::size_t> source;
            for (std::size_t f = 0, at = 0; f < sink.counts.size(); ++f) {
                const auto count = static_cast<std::size_t>(arrays.faceVertexCounts[f]);
                ASSERT_EQ(sink.counts[f], count);
                for (std::size_t k = 0; k < count; ++k)
                    source.push_back(at + (leftHanded ? count - 1 - k : k));
                at += count;
            }
            ASSERT_EQ(sink.vertices.size(), arrays.faceVertexIndices.size());
            for (std::size_t c = 0; c < sink.vertices.size(); ++c) {
                ASSERT_EQ(sink.vertices[c],
                          static_cast<std::uint32_t>(arrays.faceVertexIndices[source[c]]));
            }
            const std::size_t uvCount = sink.head.uvs.size() / 2;
            if (uvCount == 0) {
                EXPECT_EQ(sink.uvlessFaces, static_cast<int>(sink.counts.size()));
            } else {
                ASSERT_EQ(sink.uvs.size(), sink.vertices.size());
                for (const std::uint32_t uv : sink.uvs) ASSERT_LT(uv, uvCount);
                for (const float coordinate : sink.head.uvs) ASSERT_TRUE(std::isfinite(coordinate));
            }
            for (const RealMeshRow& row : kRealMeshes) {
                if (file != row.file || node.path != row.path) continue;
                EXPECT_EQ(sink.head.uvSet, row.uvSet);
                EXPECT_EQ(uvCount, row.uvs);
                bool perVertex = !sink.uvs.empty();
                bool perCorner = !sink.uvs.empty();
                for (std::size_t c = 0; c < sink.uvs.size(); ++c) {
                    perVertex = perVertex && sink.uvs[c] == sink.vertices[c];
                    perCorner = perCorner && sink.uvs[c] == source[c];
                }
                EXPECT_EQ(perVertex, row.uvPerVertex);
                EXPECT_EQ(perCorner, row.uvPerCorner);
                const std::vector<MeshWarning> sampled = {MeshWarning::PointsFromTimeSample};
                EXPECT_EQ(read.warnings, row.sampled ? sampled : std::vector<MeshWarning>{});
            }
        }
    }
    EXPECT_EQ(meshes, 26);
}

// Values spot-checked: points, and the texture coordinates of a face corner. The cube's
// and the table's faces are each a square of a quarter in uv space, as their unwrapping
// lays them out: what a corner given another corner's uv number would break.
TEST(CrateMeshReader, RealValues) {
    struct Row {
        const char* file;
        const char* path;
        std::size_t point;
        float xyz[3];
        std::size_t corner;  // a face corner, its vertex and its uv
        std::uint32_t vertex;
        float uv[2];
        bool quarterSquares;
    };
    const Row rows[] = {
        {"tinyusdz__cube.usdz", "/Cube/Cube", 7, {-1, -1, -1}, 1, 4, {0.875f, 0.5f}, true},
        {"mayausd__Table.maya.usd",
         "/Table/mesh",
         0,
         {-127, 0, 63.5f},
         3,
         2,
         {0.375f, 0.25f},
         true},
        {"usdwg__InterpolationTest.usdz",
         "/InterpolationTest/Geom/Plane",
         3,
         {1, 0, 1},
         4,
         3,
         {1, 0},
         false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.file) + " " + row.path);
        const std::string bytes = usdc_testing::realBytes(row.file);
        RecordingSink sink;
        ASSERT_EQ(readNode(bytes, nodeAt(row.path), sink).problem, SceneRefusal::None);
        ASSERT_LT(row.point * 3 + 2, sink.head.points.size());
        EXPECT_EQ(sink.head.points[row.point * 3], row.xyz[0]);
        EXPECT_EQ(sink.head.points[row.point * 3 + 1], row.xyz[1]);
        EXPECT_EQ(sink.head.points[row.point * 3 + 2], row.xyz[2]);
        ASSERT_LT(row.corner, sink.uvs.size());
        EXPECT_EQ(sink.vertices[row.corner], row.vertex);
        const std::uint32_t uv = sink.uvs[row.corner];
        EXPECT_FLOAT_EQ(sink.head.uvs[uv * 2], row.uv[0]);
        EXPECT_FLOAT_EQ(sink.head.uvs[uv * 2 + 1], row.uv[1]);
        if (!row.quarterSquares) continue;
        for (std::size_t face = 0; face < sink.counts.size(); ++face) {
            ASSERT_EQ(sink.counts[face], 4u);
            // Going round the face, each side is a quarter along u or along v.
            for (std::size_t k = 0; k < 4; ++k) {
                const std::uint32_t a = sink.uvs[face * 4 + k];
                const std::uint32_t b = sink.uvs[face * 4 + (k + 1) % 4];
                const float du = std::fabs(sink.head.uvs[a * 2] - sink.head.uvs[b * 2]);
                const float dv = std::fabs(sink.head.uvs[a * 2 + 1] - sink.head.uvs[b * 2 + 1]);
                EXPECT_EQ(du + dv, 0.25f) << "face " << face;
                EXPECT_EQ(du * dv, 0.0f) << "face " << face;
            }
        }
    }
}

// Five points, a triangle and a quad: 7 corners.
CrateMeshSpec twoFaces() {
    CrateMeshSpec mesh;
    mesh.name = "mesh";
    mesh.points = {0, 0, 0, 1, 0, 0, 1, 1, 0, 2, 0, 0, 2, 1, 0};
    mesh.faceVertexCounts = {3, 4};
    mesh.faceVertexIndices = {0, 1, 2, 1, 3, 4, 2};
    return mesh;
}

std::vector<float> pairs(std::size_t count) {
    std::vector<float> uvs(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        uvs[i * 2] = 0.5f * static_cast<float>(i);
        uvs[i * 2 + 1] = 0.25f + static_cast<float>(i);
    }
    return uvs;
}

std::string layerOf(const CrateMeshSpec& mesh, std::uint8_t minor = 8) {
    CrateLayerSpec layer;
    layer.minorVersion = minor;
    layer.meshes.push_back(mesh);
    return testkit::crateLayerBytes(layer);
}

// Texture coordinates of each interpolation, indexed or not, each orientation, in every
// version the writer writes: the corners and their uvs as the mesh gives them.
TEST(CrateMeshReader, WrittenTextureCoordinates) {
    struct Row {
        const char* what;
        std::size_t uvs;
        std::vector<std::int32_t> uvIndices;
        const char* interpolation;
        const char* orientation;
        std::vector<std::uint32_t> vertices;   // expected corners
        std::vector<std::uint32_t> uvCorners;  // expected; empty: no uvs handed
        bool notPerCorner;                     // the warning
    };
    const std::vector<std::uint32_t> asGiven = {0, 1, 2, 1, 3, 4, 2};
    const std::vector<std::uint32_t> reversed = {2, 1, 0, 2, 4, 3, 1};
    const Row rows[] = {
        {"no uvs", 0, {}, "faceVarying", "", asGiven, {}, false},
        {"faceVarying", 7, {}, "faceVarying", "", asGiven, {0, 1, 2, 3, 4, 5, 6}, false},
        {"faceVarying, leftHanded",
         7,
         {},
         "faceVarying",
         "leftHanded",
         reversed,
         {2, 1, 0, 6, 5, 4, 3},
         false},
        {"faceVarying indexed",
         4,
         {0, 1, 2, 2, 1, 0, 3},
         "faceVarying",
         "rightHanded",
         asGiven,
         {0, 1, 2, 2, 1, 0, 3},
         false},
        {"faceVarying indexed, leftHanded",
         4,
         {0, 1, 2, 2, 1, 0, 3},
         "faceVarying",
         "leftHanded",
         reversed,
         {2, 1, 0, 3, 0, 1, 2},
         false},
        {"vertex", 5, {}, "vertex", "", asGiven, asGiven, false},
        {"vertex, leftHanded", 5, {}, "vertex", "leftHanded", reversed, reversed, false},
        {"vertex indexed", 2, {1, 0, 1, 0, 1}, "vertex", "", asGiven, {1, 0, 1, 0, 0, 1, 1}, false},
        {"uniform", 2, {}, "uniform", "", asGiven, {}, true},
        {"constant", 1, {}, "constant", "", asGiven, {}, true},
        {"no interpolation (constant)", 1, {}, "", "", asGiven, {}, true},
    };
    for (const std::uint8_t minor : {4, 7, 8}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.what) + " 0." + std::to_string(minor));
            CrateMeshSpec mesh = twoFaces();
            mesh.uvs = pairs(row.uvs);
            mesh.uvIndices = row.uvIndices;
            mesh.uvInterpolation = row.interpolation;
            mesh.orientation = row.orientation;
            RecordingSink sink;
            const MeshReadResult read = readNode(layerOf(mesh, minor), nodeAt("/mesh"), sink);
            ASSERT_EQ(read.problem, SceneRefusal::None) << read.detail;
            EXPECT_EQ(read.faces, 2);
            EXPECT_EQ(sink.head.points, mesh.points);
            EXPECT_EQ(sink.counts, (std::vector<std::uint32_t>{3, 4}));
            EXPECT_EQ(sink.vertices, row.vertices);
            EXPECT_EQ(sink.uvs, row.uvCorners);
            if (row.uvCorners.empty()) {
                EXPECT_TRUE(sink.head.uvs.empty());
                EXPECT_EQ(sink.uvlessFaces, 2);
                EXPECT_EQ(sink.head.uvSet, "");
            } else {
                EXPECT_EQ(sink.head.uvs, mesh.uvs);
                EXPECT_EQ(sink.head.uvSet, "st");
            }
            const std::vector<MeshWarning> warned = {MeshWarning::UvsNotPerCorner};
            EXPECT_EQ(read.warnings, row.notPerCorner ? warned : std::vector<MeshWarning>{});
        }
    }
}

// Which primvar gives the uvs: st of any type of pairs, else the first texture-coordinate
// primvar; a primvar of other pairs is no texture.
TEST(CrateMeshReader, WhichPrimvar) {
    struct Row {
        const char* name;
        const char* typeName;
        const char* uvSet;
    };
    const Row rows[] = {
        {"st", "float2[]", "st"},
        {"st", "texCoord2f[]", "st"},
        {"map1", "texCoord2f[]", "map1"},
        {"map1", "float2[]", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.name) + " " + row.typeName);
        CrateMeshSpec mesh = twoFaces();
        mesh.uvs = pairs(7);
        mesh.uvName = row.name;
        mesh.uvTypeName = row.typeName;
        RecordingSink sink;
        ASSERT_EQ(readNode(layerOf(mesh), nodeAt("/mesh"), sink).problem, SceneRefusal::None);
        EXPECT_EQ(sink.head.uvSet, row.uvSet);
        EXPECT_EQ(sink.head.uvs.size(), *row.uvSet == '\0' ? 0u : 14u);
    }
}

// Points given only as a time sample, a mesh inside a variant, a package, packed arrays:
// the same mesh handed over.
TEST(CrateMeshReader, WhereTheMeshIs) {
    CrateMeshSpec strip;
    strip.name = "strip";
    for (int i = 0; i <= 10; ++i) {
        strip.points.insert(strip.points.end(), {float(i), 0, 0, float(i), 1, 0});
        if (i == 10) break;
        strip.faceVertexCounts.push_back(4);
        strip.faceVertexIndices.insert(strip.faceVertexIndices.end(),
                                       {2 * i, 2 * i + 2, 2 * i + 3, 2 * i + 1});
    }
    strip.uvs = pairs(40);
    strip.uvIndices.resize(40);
    for (int c = 0; c < 40; ++c) strip.uvIndices[static_cast<std::size_t>(c)] = 39 - c;
    strip.pointsTimeSampled = true;
    CrateLayerSpec layer;
    layer.rootName = "root";
    layer.meshes.push_back(strip);
    layer.variant = testkit::CrateVariantSpec{};
    layer.variant->meshes.push_back(strip);
    const std::string bytes = testkit::crateLayerBytes(layer);
    const std::string package = usdc_testing::storedZip({{"a.usdc", bytes}, {"t.png", "png"}});
    const SceneFacts facts = scan(package);
    ASSERT_EQ(facts.nodes.size(), 2u);
    for (const std::string* scene : {&bytes, &package}) {
        for (const SceneNode& node : facts.nodes) {
            SCOPED_TRACE(node.path + (scene == &package ? " packaged" : ""));
            RecordingSink sink;
            const MeshReadResult read = readNode(*scene, node, sink);
            ASSERT_EQ(read.problem, SceneRefusal::None) << read.detail;
            EXPECT_EQ(read.warnings, std::vector<MeshWarning>{MeshWarning::PointsFromTimeSample});
            EXPECT_EQ(sink.head.points, strip.points);
            EXPECT_EQ(sink.counts, std::vector<std::uint32_t>(10, 4));
            EXPECT_EQ(sink.vertices.at(37), 20u);
            EXPECT_EQ(sink.uvs.at(37), 2u);
        }
    }
    EXPECT_EQ(facts.nodes[1].path, "/root{model=a}geo/strip");
}

// The sink stops the read: at the head, or after a face.
TEST(CrateMeshReader, SinkStops) {
    const std::string bytes = layerOf(twoFaces());
    RecordingSink atBegin;
    atBegin.stopAtBegin = true;
    MeshReadResult read = readNode(bytes, nodeAt("/mesh"), atBegin);
    EXPECT_TRUE(read.stopped);
    EXPECT_EQ(read.problem, SceneRefusal::None);
    EXPECT_TRUE(atBegin.counts.empty());
    RecordingSink afterOne;
    afterOne.stopAfterFaces = 1;
    read = readNode(bytes, nodeAt("/mesh"), afterOne);
    EXPECT_TRUE(read.stopped);
    EXPECT_EQ(read.faces, 1);
    EXPECT_EQ(afterOne.counts.size(), 1u);
}

// Faces whose indices run across the decoder's stretches (triangles and pentagons, so
// that faces straddle them), faces of no corners at the start, between and at the end,
// with no texture coordinates, with them by corner (each its place) or by vertex, and
// leftHanded reversal: handed over as given, as runs where they need no turning and their
// texture corners are their vertices; and a sink that stops inside a run.
TEST(CrateMeshReader, FacesAcrossStretchesInOrder) {
    enum class Uvs { None, ByCorner, ByVertex };
    for (const Uvs given : {Uvs::None, Uvs::ByCorner, Uvs::ByVertex}) {
        for (const bool leftHanded : {false, true}) {
            for (const bool packed : {true, false}) {
                SCOPED_TRACE(std::to_string(static_cast<int>(given)) +
                             (leftHanded ? " leftHanded" : " rightHanded") +
                             (packed ? ", packed" : ", plain"));
                CrateMeshSpec mesh;
                mesh.name = "mesh";
                mesh.compressIntArrays = packed;
                mesh.orientation = leftHanded ? "leftHanded" : "";
                const std::uint32_t points = 1000;
                for (std::uint32_t value = 0; value < 3 * points; ++value)
                    mesh.points.push_back(static_cast<float>(value) / 8.0f);
                std::vector<std::uint32_t> counts = {0};
                std::vector<std::uint32_t> vertices;
                std::vector<std::uint32_t> uvs;
                for (std::uint32_t face = 0; face < 40000; ++face) {
                    const std::uint32_t corners = face % 2 == 0 ? 3 : 5;
                    counts.push_back(corners);
                    std::vector<std::uint32_t> corner;
                    std::vector<std::uint32_t> place;
                    for (std::uint32_t k = 0; k < corners; ++k) {
                        corner.push_back((face * 7 + k * 13) % points);
                        place.push_back(static_cast<std::uint32_t>(mesh.faceVertexIndices.size()));
                        mesh.faceVertexIndices.push_back(static_cast<std::int32_t>(corner.back()));
                    }
                    if (leftHanded) {
                        std::reverse(corner.begin(), corner.end());
                        std::reverse(place.begin(), place.end());
                    }
                    vertices.insert(vertices.end(), corner.begin(), corner.end());
                    if (given == Uvs::ByCorner) uvs.insert(uvs.end(), place.begin(), place.end());
                    if (given == Uvs::ByVertex) uvs.insert(uvs.end(), corner.begin(), corner.end());
                    if (face == 20000) counts.push_back(0);
                }
                counts.push_back(0);
                for (const std::uint32_t count : counts)
                    mesh.faceVertexCounts.push_back(static_cast<std::int32_t>(count));
                if (given == Uvs::ByCorner) mesh.uvs = pairs(mesh.faceVertexIndices.size());
                if (given == Uvs::ByVertex) {
                    mesh.uvs = pairs(points);
                    mesh.uvInterpolation = "vertex";
                }
                const bool runs = !leftHanded && given != Uvs::ByCorner;
                const std::string bytes = layerOf(mesh);
                // The points read on the reader's thread or beside, on a lent one.
                const tool::LentThread lent;
                for (const SecondThread* thread :
                     {static_cast<const SecondThread*>(nullptr), &lent.lend()}) {
                    RecordingSink sink;
                    sink.thread = thread;
                    const MeshReadResult read = readNode(bytes, nodeAt("/mesh"), sink);
                    EXPECT_EQ(read.problem, SceneRefusal::None);
                    EXPECT_EQ(read.faces, static_cast<std::int64_t>(counts.size()));
                    EXPECT_TRUE(sink.head.points == mesh.points);
                    EXPECT_TRUE(sink.counts == counts);
                    EXPECT_TRUE(sink.vertices == vertices);
                    EXPECT_TRUE(sink.uvs == uvs);
                    EXPECT_EQ(sink.uvlessFaces, given == Uvs::None ? read.faces : 0);
                    // All but the faces that straddle a stretch and those of no corners.
                    if (runs) {
                        EXPECT_GT(sink.runFaces, counts.size() - 10);
                    } else {
                        EXPECT_EQ(sink.runFaces, 0u);
                    }
                    // A sink that stops on a face inside a run, or on one of no corners.
                    for (const std::size_t stop : {std::size_t{15000}, std::size_t{20003}}) {
                        RecordingSink stopping;
                        stopping.thread = thread;
                        stopping.stopAfterFaces = stop;
                        const MeshReadResult stopped = readNode(bytes, nodeAt("/mesh"), stopping);
                        EXPECT_TRUE(stopped.stopped);
                        EXPECT_EQ(stopped.faces, static_cast<std::int64_t>(stop));
                        EXPECT_EQ(stopping.counts.size(), stop);
                    }
                }
            }
        }
    }
}

// The face indices are decoded once, as the faces go: a corner beyond the points far into
// them is refused as such even where the sink stopped the read before it (at the head or
// at an earlier face), as a read that checks every corner before handing any over tells
// it; where every corner is within the points, the sink's stop is told.
TEST(CrateMeshReader, ACornerBeyondThePointsToldBeforeTheSinksStop) {
    struct Row {
        const char* what;
        std::int32_t beyond;  // the index given to face 30000's first corner; 0: none
        bool stopAtBegin;
        std::size_t stopAfterFaces;
        SceneRefusal problem;
        bool stopped;
    };
    const Row rows[] = {
        {"beyond, the sink stops at face 100", 1000, false, 100, SceneRefusal::NodeHoldsNoMesh,
         false},
        {"negative, the sink stops at the head", -1, true, SIZE_MAX, SceneRefusal::NodeHoldsNoMesh,
         false},
        {"beyond, the sink takes all", 5000, false, SIZE_MAX, SceneRefusal::NodeHoldsNoMesh, false},
        {"within, the sink stops at face 100", 0, false, 100, SceneRefusal::None, true},
        {"within, the sink takes all", 0, false, SIZE_MAX, SceneRefusal::None, false},
    };
    for (const Row& row : rows) {
        for (const bool packed : {true, false}) {
            SCOPED_TRACE(std::string(row.what) + (packed ? ", packed" : ", plain"));
            CrateMeshSpec mesh;
            mesh.name = "mesh";
            mesh.compressIntArrays = packed;
            mesh.points.assign(3 * 1000, 0.5f);
            for (std::int32_t face = 0; face < 40000; ++face) {
                mesh.faceVertexCounts.push_back(3);
                for (std::int32_t k = 0; k < 3; ++k)
                    mesh.faceVertexIndices.push_back((face + k * 7) % 1000);
            }
            if (row.beyond != 0) mesh.faceVertexIndices[3 * 30000] = row.beyond;
            RecordingSink sink;
            sink.stopAtBegin = row.stopAtBegin;
            sink.stopAfterFaces = row.stopAfterFaces;
            const MeshReadResult read = readNode(layerOf(mesh), nodeAt("/mesh"), sink);
            EXPECT_EQ(read.problem, row.problem);
            EXPECT_EQ(read.nodeProblem,
                      row.beyond != 0 ? NodeProblem::IndexBeyondPoints : NodeProblem::None);
            EXPECT_EQ(read.stopped, row.stopped);
            if (row.stopped) {
                EXPECT_EQ(read.faces, static_cast<std::int64_t>(row.stopAfterFaces));
            } else if (row.problem == SceneRefusal::None) {
                EXPECT_EQ(read.faces, 40000);
            }
        }
    }
}

// Arrays that do not hold together are refused before the sink is given anything.
TEST(CrateMeshReader, InconsistentArraysRefused) {
    struct Row {
        const char* what;
        void (*damage)(CrateMeshSpec&);
        SceneRefusal problem;
        NodeProblem nodeProblem;
        const char* detail;
    };
    const Row rows[] = {
        {"counts short of the indices",
         [](CrateMeshSpec& m) {
             m.faceVertexCounts = {3, 3};
         },
         SceneRefusal::NodeHoldsNoMesh, NodeProblem::FaceCountsMismatch, ""},
        {"a negative count",
         [](CrateMeshSpec& m) {
             m.faceVertexCounts = {-1, 8};
         },
         SceneRefusal::NodeHoldsNoMesh, NodeProblem::FaceCountsMismatch, ""},
        {"an index beyond the points", [](CrateMeshSpec& m) { m.faceVertexIndices[6] = 5; },
         SceneRefusal::NodeHoldsNoMesh, NodeProblem::IndexBeyondPoints, ""},
        {"a negative index", [](CrateMeshSpec& m) { m.faceVertexIndices[0] = -1; },
         SceneRefusal::NodeHoldsNoMesh, NodeProblem::IndexBeyondPoints, ""},
        {"no face counts", [](CrateMeshSpec& m) { m.faceVertexCounts.clear(); },
         SceneRefusal::NodeHoldsNoMesh, NodeProblem::FaceCountsMismatch, ""},
        {"no points", [](CrateMeshSpec& m) { m.points.clear(); }, SceneRefusal::NodeHoldsNoMesh,
         NodeProblem::None, ""},
        {"a uv index beyond the uvs",
         [](CrateMeshSpec& m) {
             m.uvs = pairs(4);
             m.uvIndices = {0, 1, 2, 3, 4, 0, 0};
         },
         SceneRefusal::UsdBinary, NodeProblem::None,
         "/mesh.primvars:st:indices is damaged: an index beyond its 4 texture coordinates"},
        {"fewer uvs than corners", [](CrateMeshSpec& m) { m.uvs = pairs(6); },
         SceneRefusal::UsdBinary, NodeProblem::None,
         "/mesh.primvars:st is damaged: fewer than the 7 face corners it is given for"},
        {"fewer uv indices than vertices",
         [](CrateMeshSpec& m) {
             m.uvs = pairs(2);
             m.uvIndices = {0, 1, 0, 1};
             m.uvInterpolation = "vertex";
         },
         SceneRefusal::UsdBinary, NodeProblem::None,
         "/mesh.primvars:st:indices is damaged: fewer than the 5 vertices it is given for"},
    };
    const tool::LentThread lent;
    for (const Row& row : rows) {
        for (const SecondThread* thread : {static_cast<const SecondThread*>(nullptr), &lent.lend()}) {
            SCOPED_TRACE(std::string(row.what) + (thread != nullptr ? ", points beside" : ""));
            CrateMeshSpec mesh = twoFaces();
            row.damage(mesh);
            RecordingSink sink;
            sink.thread = thread;
            const MeshReadResult read = readNode(layerOf(mesh), nodeAt("/mesh"), sink);
            EXPECT_EQ(read.problem, row.problem);
            EXPECT_EQ(read.nodeProblem, row.nodeProblem);
            EXPECT_EQ(read.detail, row.detail);
            // A corner beyond the points is found as the faces go, after the head.
            if (row.nodeProblem != NodeProblem::IndexBeyondPoints) {
                EXPECT_EQ(sink.begins, 0);
            }
        }
    }
    // A node the file does not hold (any more): the file changed since it was scanned.
    RecordingSink sink;
    EXPECT_EQ(readNode(layerOf(twoFaces()), nodeAt("/other"), sink).problem,
              SceneRefusal::SceneChanged);
}

// Damaged bytes: every cut of a layer and of a package, and every byte of a layer
// changed, are refused or read within bounds, never past an end; with the points read
// beside on a lent thread, each comes out as it does on one.
TEST(CrateMeshReader, DamagedBytes) {
    const tool::LentThread lent;
    CrateMeshSpec mesh = twoFaces();
    mesh.uvs = pairs(4);
    mesh.uvIndices = {0, 1, 2, 2, 1, 0, 3};
    mesh.orientation = "leftHanded";
    const std::string layer = layerOf(mesh);
    const std::string package = usdc_testing::storedZip({{"a.usdc", layer}});
    const SceneNode node = nodeAt("/mesh");
    for (const std::string* whole : {&layer, &package}) {
        for (std::size_t size = 16; size < whole->size(); ++size) {
            RecordingSink sink;
            const MeshReadResult read = readNode(whole->substr(0, size), node, sink);
            ASSERT_NE(read.problem, SceneRefusal::None) << size;
            RecordingSink beside;
            beside.thread = &lent.lend();
            const MeshReadResult readBeside = readNode(whole->substr(0, size), node, beside);
            ASSERT_EQ(readBeside.problem, read.problem) << size;
            ASSERT_EQ(readBeside.detail, read.detail) << size;
        }
    }
    int refused = 0;
    for (std::size_t at = 8; at < layer.size(); ++at) {
        for (const unsigned char flip : {0x01, 0x80, 0xFF}) {
            std::string damaged = layer;
            damaged[at] = static_cast<char>(damaged[at] ^ flip);
            RecordingSink sink;
            const MeshReadResult read = readNode(damaged, node, sink);
            RecordingSink beside;
            beside.thread = &lent.lend();
            const MeshReadResult readBeside = readNode(damaged, node, beside);
            ASSERT_EQ(readBeside.problem, read.problem) << at;
            ASSERT_EQ(readBeside.nodeProblem, read.nodeProblem) << at;
            ASSERT_EQ(readBeside.detail, read.detail) << at;
            ASSERT_EQ(beside.begins, sink.begins) << at;
            ASSERT_TRUE(beside.head.points == sink.head.points ||
                        (beside.head.points.size() == sink.head.points.size() &&
                         std::equal(beside.head.points.begin(), beside.head.points.end(),
                                    sink.head.points.begin(), [](float x, float y) {
                                        return x == y || (std::isnan(x) && std::isnan(y));
                                    })))
                << at;
            ASSERT_TRUE(beside.vertices == sink.vertices && beside.uvs == sink.uvs) << at;
            // The face indices decoded once, as the faces go, against decoded first to check
            // them: the same outcome, whether the sink takes all or stops at the first face.
            for (const std::size_t stop : {SIZE_MAX, std::size_t{1}}) {
                RecordingSink once;
                once.stopAfterFaces = stop;
                const MeshReadResult readOnce = readNode(damaged, node, once);
                RecordingSink first;
                first.stopAfterFaces = stop;
                ByteSource source;
                source.openMemory(damaged);
                const MeshReadResult readFirst =
                    readCrateLayerMeshCheckingFirst(source, node, first);
                ASSERT_EQ(readOnce.problem, readFirst.problem) << at;
                ASSERT_EQ(readOnce.nodeProblem, readFirst.nodeProblem) << at;
                ASSERT_EQ(readOnce.detail, readFirst.detail) << at;
                ASSERT_EQ(readOnce.stopped, readFirst.stopped) << at;
                ASSERT_EQ(readOnce.faces, readFirst.faces) << at;
                ASSERT_TRUE(readOnce.warnings == readFirst.warnings) << at;
                if (readFirst.problem == SceneRefusal::None) {
                    ASSERT_TRUE(once.counts == first.counts && once.vertices == first.vertices &&
                                once.uvs == first.uvs)
                        << at;
                }
            }
            // A refused read may have handed the head over: damaged face indices are found
            // as the faces go.
            if (read.problem != SceneRefusal::None) {
                ++refused;
                continue;
            }
            const std::size_t points = sink.head.points.size() / 3;
            const std::size_t uvs = sink.head.uvs.size() / 2;
            for (const std::uint32_t vertex : sink.vertices) ASSERT_LT(vertex, points) << at;
            for (const std::uint32_t uv : sink.uvs) ASSERT_LT(uv, uvs) << at;
        }
    }
    EXPECT_GT(refused, 0);
}

}  // namespace
