#include "crate_layer_generator.h"

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "writers/crate_writer.h"

namespace bench {

namespace {

using tessaryn::testkit::CrateLayerSpec;
using tessaryn::testkit::CrateMeshSpec;

bool exists(const std::string& path) {
    struct stat facts {};
    return stat(path.c_str(), &facts) == 0 && facts.st_size > 0;
}

// The text layer's mesh, vertex for vertex and corner for corner.
CrateLayerSpec torusLayer(int width, int height) {
    CrateLayerSpec layer;
    layer.defaultPrim = "torus";
    layer.upAxis = "Z";
    layer.metersPerUnit = 0.01;
    layer.rootName = "torus";
    layer.meshes.emplace_back();
    CrateMeshSpec& mesh = layer.meshes.back();
    mesh.name = "torusShape";
    const auto quads = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    const auto vertex = [&](int i, int j) {
        return static_cast<std::int32_t>((j + height) % height * width + (i + width) % width);
    };
    // Each array is sized once: at 4M quads they are 128 MB together.
    mesh.points.reserve(3 * quads);
    mesh.faceVertexCounts.assign(quads, 4);
    mesh.faceVertexIndices.reserve(4 * quads);
    const double pi = 3.14159265358979323846;
    for (int j = 0; j < height; ++j) {
        for (int i = 0; i < width; ++i) {
            const double a = 2 * pi * i / width;
            const double b = 2 * pi * j / height;
            mesh.points.push_back(static_cast<float>((3 + std::cos(b)) * std::cos(a)));
            mesh.points.push_back(static_cast<float>((3 + std::cos(b)) * std::sin(a)));
            mesh.points.push_back(static_cast<float>(std::sin(b)));
            for (const std::int32_t corner :
                 {vertex(i, j), vertex(i + 1, j), vertex(i + 1, j + 1), vertex(i, j + 1)})
                mesh.faceVertexIndices.push_back(corner);
        }
    }
    return layer;
}

void writeLayer(const CrateLayerSpec& layer, const std::string& path) {
    std::string error;
    if (!tessaryn::testkit::writeCrateLayerFile(layer, path + ".part", error))
        throw std::runtime_error(error);
    std::rename((path + ".part").c_str(), path.c_str());
}

}  // namespace

CrateLayers generateTorusCrateLayers(const std::string& folder, int width, int height) {
    const std::string stem =
        folder + "/torus-" + std::to_string(width) + "x" + std::to_string(height);
    CrateLayers layers = {stem + ".usdc", stem + "-raw.usdc"};
    if (exists(layers.packed) && exists(layers.raw)) return layers;
    CrateLayerSpec layer = torusLayer(width, height);
    layer.meshes[0].compressIntArrays = true;
    writeLayer(layer, layers.packed);
    layer.meshes[0].compressIntArrays = false;
    writeLayer(layer, layers.raw);
    return layers;
}

}  // namespace bench
