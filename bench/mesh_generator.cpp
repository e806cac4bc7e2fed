#include "mesh_generator.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <utility>

namespace bench {

namespace {

constexpr int kPatch = 64;      // group patches of kPatch x kPatch quads
constexpr int kBand = 32;       // smoothing bands of kBand rows
constexpr int kPerLine = 1000;  // scene entries per data line

bool exists(const std::string& path) {
    struct stat facts {};
    return stat(path.c_str(), &facts) == 0 && facts.st_size > 0;
}

class Output {
public:
    explicit Output(const std::string& path)
        : path_(path), file_(std::fopen((path + ".part").c_str(), "wb")) {
        if (file_ == nullptr) throw std::runtime_error("cannot write " + path);
    }
    ~Output() {
        if (file_ != nullptr) std::fclose(file_);
    }
    void print(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        va_list arguments;
        va_start(arguments, format);
        std::vfprintf(file_, format, arguments);
        va_end(arguments);
    }
    void finish() {
        if (std::fclose(file_) != 0) throw std::runtime_error("cannot write " + path_);
        file_ = nullptr;
        std::rename((path_ + ".part").c_str(), path_.c_str());
    }

private:
    std::string path_;
    std::FILE* file_;
};

struct Torus {
    int width;
    int height;
    long vertex(int i, int j) const {
        return static_cast<long>((j + height) % height) * width + (i + width) % width;
    }
    long horizontalEdge(int i, int j) const { return 2 * vertex(i, j); }
    long verticalEdge(int i, int j) const { return 2 * vertex(i, j) + 1; }
};

void writeObj(const std::string& path, const Torus& t) {
    Output out(path);
    out.print("# Generated torus of %d x %d quads\nmtllib torus.mtl\no torus\n", t.width, t.height);
    const double pi = 3.14159265358979323846;
    for (int j = 0; j < t.height; ++j) {
        for (int i = 0; i < t.width; ++i) {
            double a = 2 * pi * i / t.width, b = 2 * pi * j / t.height;
            out.print("v %.6f %.6f %.6f\n", (3 + std::cos(b)) * std::cos(a),
                      (3 + std::cos(b)) * std::sin(a), std::sin(b));
        }
    }
    for (int j = 0; j < t.height; ++j) {
        for (int i = 0; i < t.width; ++i)
            out.print("vt %.6f %.6f\n", double(i) / t.width, double(j) / t.height);
    }
    const long vertices = static_cast<long>(t.width) * t.height;
    for (long v = 0; v < vertices; v += 64) {
        out.print("#MRGB ");
        for (long k = v; k < v + 64 && k < vertices; ++k)
            out.print("%02x%06lx", unsigned(k % 256), (k * 2654435761UL) & 0xFFFFFF);
        out.print("\n");
    }
    out.print("usemtl surface\n");
    for (int j = 0; j < t.height; ++j) {
        if (j % kBand == 0) out.print("s %d\n", j / kBand + 1);
        for (int i = 0; i < t.width; ++i) {
            if (i % kPatch == 0) out.print("g patch_%d_%d\n", i / kPatch, j / kPatch);
            long a = t.vertex(i, j) + 1, b = t.vertex(i + 1, j) + 1, c = t.vertex(i + 1, j + 1) + 1,
                 d = t.vertex(i, j + 1) + 1;
            out.print("f %ld/%ld %ld/%ld %ld/%ld %ld/%ld\n", a, a, b, b, c, c, d, d);
        }
    }
    out.finish();
}

// Scene layouts: the host's (each data block on one line after its statement, smaller
// vertex first, the crease placeholder) or Maya's own (numbers on the statement line and
// wrapped, every other edge larger vertex first, an empty crease statement).
enum class Layout { Host, Maya };

constexpr int kMayaVerticesPerLine = 4;
constexpr int kMayaEdgesPerLine = 7;

// Opens the statement of entries [first, last]: Maya starts the numbers on its line.
void beginBlock(Output& out, Layout layout, const char* attribute, long first, long last) {
    out.print(
        layout == Layout::Maya ? "\tsetAttr \".%s[%ld:%ld]\" " : "\tsetAttr \".%s[%ld:%ld]\"\n\t\t",
        attribute, first, last);
}

// Maya wraps every `perLine` entries; the host writes one line.
void wrap(Output& out, Layout layout, long written, long perLine, bool more) {
    if (layout == Layout::Maya && more && written % perLine == 0) out.print("\n\t\t");
}

// Edge `k`'s two vertices in the order the scene gives them: the host's smaller first;
// Maya's the same for the edges along a row, larger first for those along a column.
std::pair<long, long> storedEdge(const Torus& t, long k, Layout layout) {
    const long v = k / 2;
    const int i = static_cast<int>(v % t.width), j = static_cast<int>(v / t.width);
    const long other = k % 2 == 0 ? t.vertex(i + 1, j) : t.vertex(i, j + 1);
    const bool largerFirst = layout == Layout::Maya && k % 2 == 1;
    return largerFirst ? std::make_pair(std::max(v, other), std::min(v, other))
                       : std::make_pair(std::min(v, other), std::max(v, other));
}

// A face's number for edge `k` walked from vertex `from`: the edge itself where the scene
// gives it from there, else -k - 1, the edge walked backwards.
long walkedEdge(const Torus& t, long k, long from, Layout layout) {
    return storedEdge(t, k, layout).first == from ? k : -k - 1;
}

void writeScene(const std::string& path, const Torus& t, Layout layout) {
    Output out(path);
    const long vertices = static_cast<long>(t.width) * t.height;
    const long edges = 2 * vertices;
    out.print("//Maya ASCII 2020 scene\n//Name: torus.ma\nrequires maya \"2020\";\n");
    out.print(
        "createNode transform -n \"torus\";\ncreateNode mesh -n \"torusShape\" -p \"torus\";\n");
    out.print("\tsetAttr -k off \".v\";\n\tsetAttr -s %ld \".vt\";\n", vertices);
    const double pi = 3.14159265358979323846;
    for (long v = 0; v < vertices; v += kPerLine) {
        long last = std::min(v + kPerLine, vertices) - 1;
        beginBlock(out, layout, "vt", v, last);
        for (long k = v; k <= last; ++k) {
            int i = static_cast<int>(k % t.width), j = static_cast<int>(k / t.width);
            double a = 2 * pi * i / t.width, b = 2 * pi * j / t.height;
            out.print(" %.6f %.6f %.6f", (3 + std::cos(b)) * std::cos(a),
                      (3 + std::cos(b)) * std::sin(a), std::sin(b));
            wrap(out, layout, k - v + 1, kMayaVerticesPerLine, k < last);
        }
        out.print(";\n");
    }
    out.print("\tsetAttr -s %ld \".ed\";\n", edges);
    for (long e = 0; e < edges; e += kPerLine) {
        long last = std::min(e + kPerLine, edges) - 1;
        beginBlock(out, layout, "ed", e, last);
        for (long k = e; k <= last; ++k) {
            const std::pair<long, long> edge = storedEdge(t, k, layout);
            out.print(" %ld %ld 0", edge.first, edge.second);
            wrap(out, layout, k - e + 1, kMayaEdgesPerLine, k < last);
        }
        out.print(";\n");
    }
    out.print("\tsetAttr -s %ld \".fc[0:%ld]\" -type \"polyFaces\"\n", vertices, vertices - 1);
    for (int j = 0; j < t.height; ++j) {
        for (int i = 0; i < t.width; ++i) {
            // Around the face: along its row, up, back along the next row, down.
            out.print("\t\tf 4 %ld %ld %ld %ld\n",
                      walkedEdge(t, t.horizontalEdge(i, j), t.vertex(i, j), layout),
                      walkedEdge(t, t.verticalEdge(i + 1, j), t.vertex(i + 1, j), layout),
                      walkedEdge(t, t.horizontalEdge(i, j + 1), t.vertex(i + 1, j + 1), layout),
                      walkedEdge(t, t.verticalEdge(i, j), t.vertex(i, j + 1), layout));
        }
    }
    if (layout == Layout::Maya) {
        out.print("\t\t;\n\tsetAttr \".cd\" -type \"dataPolyComponent\" Index_Data Edge 0 ;\n");
    } else {
        out.print(
            "\t\t;\n  \tsetAttr \".cd\" -type \"dataPolyComponent\" Index_Data Edge 0\n\t\t;\n");
    }
    out.print("select -ne :time1;\n\tsetAttr \".o\" 1;\n// End of torus.ma\n");
    out.finish();
}

}  // namespace

MeshFiles generateTorus(const std::string& folder, int width, int height) {
    const std::string stem =
        folder + "/torus-" + std::to_string(width) + "x" + std::to_string(height);
    MeshFiles files{stem + ".obj", stem + ".ma", stem + "-maya.ma"};
    const Torus torus{width, height};
    if (!exists(files.obj)) writeObj(files.obj, torus);
    if (!exists(files.scene)) writeScene(files.scene, torus, Layout::Host);
    if (!exists(files.mayaScene)) writeScene(files.mayaScene, torus, Layout::Maya);
    return files;
}

}  // namespace bench
