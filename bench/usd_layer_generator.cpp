#include "usd_layer_generator.h"

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace bench {

namespace {

bool exists(const std::string& path) {
    struct stat facts {};
    return stat(path.c_str(), &facts) == 0 && facts.st_size > 0;
}

// Text gathered in a large block and written whole: a layer of hundreds of megabytes
// in small fprintf calls would take longer to make than to scan.
class LayerOutput {
public:
    explicit LayerOutput(const std::string& path)
        : path_(path), file_(std::fopen((path + ".part").c_str(), "wb")) {
        if (file_ == nullptr) throw std::runtime_error("cannot write " + path);
        text_.reserve(kBlock + 256);
    }
    ~LayerOutput() {
        if (file_ != nullptr) std::fclose(file_);
    }
    LayerOutput(const LayerOutput&) = delete;
    LayerOutput& operator=(const LayerOutput&) = delete;

    void add(const char* text) {
        text_ += text;
        if (text_.size() >= kBlock) flush();
    }
    void add(long value) {
        char digits[24];
        std::snprintf(digits, sizeof digits, "%ld", value);
        add(digits);
    }
    void add(double value) {
        char digits[32];
        std::snprintf(digits, sizeof digits, "%.8g", value);
        add(digits);
    }
    void finish() {
        flush();
        if (std::fclose(file_) != 0) throw std::runtime_error("cannot write " + path_);
        file_ = nullptr;
        std::rename((path_ + ".part").c_str(), path_.c_str());
    }

private:
    static constexpr std::size_t kBlock = std::size_t{1} << 20;
    void flush() {
        if (std::fwrite(text_.data(), 1, text_.size(), file_) != text_.size())
            throw std::runtime_error("cannot write " + path_);
        text_.clear();
    }

    std::string path_;
    std::FILE* file_;
    std::string text_;
};

void writeLayer(const std::string& path, int width, int height) {
    LayerOutput out(path);
    const long vertices = static_cast<long>(width) * height;
    const auto vertex = [&](int i, int j) {
        return static_cast<long>((j + height) % height) * width + (i + width) % width;
    };
    out.add(
        "#usda 1.0\n(\n    defaultPrim = \"torus\"\n    metersPerUnit = 0.01\n"
        "    upAxis = \"Z\"\n)\n\ndef Xform \"torus\" (\n    kind = \"component\"\n)\n{\n"
        "    def Mesh \"torusShape\" (\n        prepend apiSchemas = [\"MaterialBindingAPI\"]\n"
        "    )\n    {\n        uniform bool doubleSided = 1\n"
        "        float3[] extent = [(-4, -4, -1), (4, 4, 1)]\n"
        "        int[] faceVertexCounts = [");
    for (long f = 0; f < vertices; ++f) out.add(f == 0 ? "4" : ", 4");
    out.add("]\n        int[] faceVertexIndices = [");
    for (int j = 0; j < height; ++j) {
        for (int i = 0; i < width; ++i) {
            const long corners[4] = {vertex(i, j), vertex(i + 1, j), vertex(i + 1, j + 1),
                                     vertex(i, j + 1)};
            for (int k = 0; k < 4; ++k) {
                if (i > 0 || j > 0 || k > 0) out.add(", ");
                out.add(corners[k]);
            }
        }
    }
    out.add(
        "]\n        rel material:binding = </torus/Looks/surface>\n"
        "        point3f[] points = [");
    const double pi = 3.14159265358979323846;
    for (int j = 0; j < height; ++j) {
        for (int i = 0; i < width; ++i) {
            const double a = 2 * pi * i / width;
            const double b = 2 * pi * j / height;
            out.add(i == 0 && j == 0 ? "(" : ", (");
            out.add((3 + std::cos(b)) * std::cos(a));
            out.add(", ");
            out.add((3 + std::cos(b)) * std::sin(a));
            out.add(", ");
            out.add(std::sin(b));
            out.add(")");
        }
    }
    out.add("]\n        texCoord2f[] primvars:st = [");
    for (int j = 0; j < height; ++j) {
        for (int i = 0; i < width; ++i) {
            out.add(i == 0 && j == 0 ? "(" : ", (");
            out.add(static_cast<double>(i) / width);
            out.add(", ");
            out.add(static_cast<double>(j) / height);
            out.add(")");
        }
    }
    out.add("] (\n            interpolation = \"vertex\"\n        )\n    }\n}\n\n");
    out.finish();
}

}  // namespace

std::string generateTorusLayer(const std::string& folder, int width, int height) {
    const std::string path =
        folder + "/torus-" + std::to_string(width) + "x" + std::to_string(height) + ".usda";
    if (!exists(path)) writeLayer(path, width, height);
    return path;
}

}  // namespace bench
