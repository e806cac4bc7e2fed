#include "vyx/obj_mesh_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <limits>
#include <string_view>
#include <vector>

#include "base/edge_sets.h"
#include "base/name_table.h"
#include "base/numbers.h"
#include "base/obj_lines.h"
#include "crease/crease_collector.h"
#include "crease/face_corners.h"

namespace tessaryn {

namespace {

// Skips the line's first word (the v or vt) and reads up to `count` floats; the first
// that does not read, and every one after it, stays 0.
void readCoordinates(std::string_view line, float* values, int count) {
    TextCursor cursor(line);
    skipSpace(cursor);
    while (!cursor.atEnd() && !isStreamSpace(*cursor.position)) ++cursor.position;
    for (int i = 0; i < count; ++i) {
        if (!readFloat(cursor, values[i])) return;
    }
}

// The value of each character as a hexadecimal digit, or -1.
struct HexDigits {
    std::int8_t value[256];
    constexpr HexDigits() : value() {
        for (int c = 0; c < 256; ++c) {
            value[c] = c >= '0' && c <= '9'   ? static_cast<std::int8_t>(c - '0')
                       : c >= 'a' && c <= 'f' ? static_cast<std::int8_t>(c - 'a' + 10)
                       : c >= 'A' && c <= 'F' ? static_cast<std::int8_t>(c - 'A' + 10)
                                              : std::int8_t{-1};
        }
    }
    int operator()(char c) const { return value[static_cast<unsigned char>(c)]; }
};
constexpr HexDigits kHexDigit;

// A pair of characters read as a hexadecimal number: leading white space skipped, the
// digits up to the first character that is not one; no digit reads as 0.
std::uint8_t hexPair(const char* pair) {
    const int high = kHexDigit(pair[0]);
    const int low = kHexDigit(pair[1]);
    if (high >= 0 && low >= 0) return static_cast<std::uint8_t>(high * 16 + low);
    int i = 0;
    while (i < 2 && isStreamSpace(pair[i])) ++i;
    unsigned value = 0;
    for (; i < 2 && kHexDigit(pair[i]) >= 0; ++i)
        value = value * 16 + static_cast<unsigned>(kHexDigit(pair[i]));
    return static_cast<std::uint8_t>(value);
}

// "#MRGB" and one more character, then chunks of 8 characters: mask, red, green, blue.
void readColourChunks(std::string_view line, VyxMesh& mesh) {
    for (std::size_t at = 6; at + 8 <= line.size(); at += 8) {
        const char* chunk = line.data() + at;
        mesh.colours.push_back(
            Colour{{hexPair(chunk + 6), hexPair(chunk + 4), hexPair(chunk + 2), 0}});
        mesh.masks.push_back(hexPair(chunk));
    }
}

// The name of a group or smoothing-group line: everything from its third character on.
std::string_view nameOf(std::string_view line) {
    return line.size() > 2 ? line.substr(2) : std::string_view();
}

// One kind of group lines: its names numbered from 1 and the id faces now belong to.
struct GroupKind {
    NameTable names;
    std::uint32_t current = 1;  // faces before the first line carry the first name's id

    void enter(std::string_view line) { current = names.add(nameOf(line)) + 1; }
    std::uint16_t value() const { return static_cast<std::uint16_t>(33u * current); }
};

// Resolves an OBJ index against the entries read so far: k > 0 is entry k, k < 0 counts
// back from the last. Gives -1 for an index that cannot name an entry of the file;
// indices beyond the entries read so far are checked once the whole file is read.
std::int64_t resolveIndex(std::int64_t written, std::size_t readSoFar) {
    std::int64_t index = written > 0 ? written - 1 : static_cast<std::int64_t>(readSoFar) + written;
    if (written == 0 || index < 0 || index > std::numeric_limits<std::int32_t>::max()) return -1;
    return index;
}

class MeshBuilder {
public:
    MeshBuilder(VyxMesh& mesh, bool smoothingSource)
        : mesh_(mesh), source_(smoothingSource ? smoothing_ : groups_) {}

    void line(std::string_view line) {
        switch (line[0]) {
            case 'v':
                if (charAt(line, 1) == ' ') {
                    float xyz[3] = {0, 0, 0};
                    readCoordinates(line, xyz, 3);
                    mesh_.positions.push_back(Position{xyz[0], xyz[1], xyz[2]});
                } else if (charAt(line, 1) == 't') {
                    float uv[2] = {0, 0};
                    readCoordinates(line, uv, 2);
                    mesh_.textureTable.push_back(TexturePoint{uv[0], uv[1]});
                }
                return;
            case '#':
                if (line.compare(0, 5, "#MRGB") == 0) readColourChunks(line, mesh_);
                return;
            case 'g':
                groups_.enter(line);
                return;
            case 's':
                smoothing_.enter(line);
                return;
            case 'f':
                face(line);
                return;
            default:
                return;
        }
    }

    void finish() {
        mesh_.groupNames = groups_.names.size();
        mesh_.smoothingNames = smoothing_.names.size();
        mesh_.sourceCount = static_cast<std::int32_t>(source_.names.size());
        if (maxVertex_ >= static_cast<std::int64_t>(mesh_.positions.size()) ||
            maxTexture_ >= static_cast<std::int64_t>(mesh_.textureTable.size())) {
            mesh_.badIndex = true;
        }
        EdgeMap creases;
        const std::vector<EdgeKey> edges = collector_.takeCreaseEdges(mesh_.sourceCount > 0);
        creases.reserve(edges.size());
        for (EdgeKey edge : edges) creases.insert(edge, 0);
        const auto reach = static_cast<std::uint32_t>(std::min<std::size_t>(
            mesh_.positions.size(), std::numeric_limits<std::int32_t>::max()));
        const EdgeEndFilter creaseEnds(edges, reach);
        mesh_.faces.forEachRun([&](const FaceCorners* run, std::size_t count) {
            for (std::size_t i = 0; i < count; ++i) {
                mesh_.creaseFlags.push_back(creaseFlags(run[i], creaseEnds, creases));
            }
        });
    }

private:
    static std::uint8_t creaseFlags(const FaceCorners& face, const EdgeEndFilter& creaseEnds,
                                    const EdgeMap& creases) {
        const std::int32_t* c = face.corner;
        auto crease = [&](std::int32_t a, std::int32_t b) {
            return a >= 0 && b >= 0 && creaseEnds.mayJoin(a, b) &&
                   creases.find(edgeKey(a, b)) != nullptr;
        };
        std::uint8_t flags = 0;
        if (crease(c[0], c[1])) flags |= 0x03;
        if (crease(c[1], c[2])) flags |= 0x0C;
        if (c[3] == kNoCorner) {
            if (crease(c[2], c[0])) flags |= 0x30;
        } else {
            if (crease(c[2], c[3])) flags |= 0x30;
            if (crease(c[3], c[0])) flags |= 0xC0;
        }
        return flags;
    }

    void face(std::string_view line) {
        FaceCorners corners{{kNoCorner, kNoCorner, kNoCorner, kNoCorner}};
        FaceCorners textures{{kNoCorner, kNoCorner, kNoCorner, kNoCorner}};
        int cornerCount = 0;
        int textureCount = 0;
        collector_.beginFace(source_.current);
        auto onVertex = [&](std::int64_t written) {
            std::int64_t index = resolveIndex(written, mesh_.positions.size());
            if (index < 0) mesh_.badIndex = true;
            if (index > maxVertex_) maxVertex_ = index;
            auto vertex = static_cast<std::int32_t>(index);
            if (cornerCount < 4) corners.corner[cornerCount] = vertex;
            collector_.addCorner(vertex);
            ++cornerCount;
            return true;
        };
        auto onTexture = [&](std::int64_t written) {
            std::int64_t index = resolveIndex(written, mesh_.textureTable.size());
            if (index < 0) mesh_.badIndex = true;
            if (index > maxTexture_) maxTexture_ = index;
            if (textureCount < 4) textures.corner[textureCount] = static_cast<std::int32_t>(index);
            ++textureCount;
            return true;
        };
        readFaceCorners(line.size() > 2 ? line.substr(2) : std::string_view(), onVertex, onTexture);
        if (cornerCount == 0) return;  // no corner read: no face, nothing toggled
        collector_.endFace();
        mesh_.faces.push_back(corners);
        if (textureCount > 0) mesh_.faceTextures.push_back(textures);
        mesh_.faceGroupValues.push_back(groups_.value());
        mesh_.faceSmoothingValues.push_back(smoothing_.value());
    }

    VyxMesh& mesh_;
    GroupKind groups_;
    GroupKind smoothing_;
    GroupKind& source_;
    CreaseCollector collector_;
    std::int64_t maxVertex_ = -1;
    std::int64_t maxTexture_ = -1;
};

// An OBJ of this size or more makes arrays of megabytes: they take huge pages at once.
constexpr std::uintmax_t kLargeObjBytes = std::uintmax_t{32} << 20;

void expectLargeMesh(VyxMesh& mesh) {
    mesh.positions.expectLarge();
    mesh.textureTable.expectLarge();
    mesh.faces.expectLarge();
    mesh.faceTextures.expectLarge();
    mesh.faceGroupValues.expectLarge();
    mesh.faceSmoothingValues.expectLarge();
    mesh.colours.expectLarge();
    mesh.masks.expectLarge();
    mesh.creaseFlags.expectLarge();
}

}  // namespace

bool readObjMesh(const char* objPath, bool smoothingSource, VyxMesh& mesh) {
    LineReader reader;
    if (!reader.open(objPath)) return false;
    std::error_code unknown;
    const std::uintmax_t bytes = std::filesystem::file_size(objPath, unknown);
    if (!unknown && bytes >= kLargeObjBytes) expectLargeMesh(mesh);
    return readObjMesh(reader, smoothingSource, mesh);
}

bool readObjMesh(LineReader& obj, bool smoothingSource, VyxMesh& mesh) {
    MeshBuilder builder(mesh, smoothingSource);
    std::string_view line;
    while (obj.next(line)) {
        if (!line.empty()) builder.line(line);
    }
    if (obj.failed()) return false;
    builder.finish();
    return true;
}

}  // namespace tessaryn
