#include "scene_obj/obj_mesh_writer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "base/numbers.h"

namespace tessaryn {

namespace {

// The longest a number of one corner takes: 20 digits, '/', 20 digits, a blank.
constexpr std::size_t kCornerBytes = 48;
constexpr std::size_t kFloatLineBytes = 4 + 3 * (kShortestFloatBytes + 1) + 2;

}  // namespace

std::string escapedForComment(std::string_view text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            escaped += "\\\\";
        } else if (c == '\n') {
            escaped += "\\n";
        } else if (c == '\r') {
            escaped += "\\r";
        } else if (c == '\t') {
            escaped += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            escaped += "\\x";
            escaped += kHex[byte >> 4];
            escaped += kHex[byte & 15];
        } else {
            escaped += c;
        }
    }
    return escaped;
}

ObjMeshWriter::ObjMeshWriter(SafeWriter& out, std::string_view scene, std::string_view node)
    : out_(out), buffer_(new char[kBufferSize]) {
    // Straight to the writer: nothing is buffered yet.
    out_.write("# mesh " + escapedForComment(node) + " of " + escapedForComment(scene) + "\r\n");
}

bool ObjMeshWriter::refuse(SceneRefusal refusal, NodeProblem problem, std::string detail) {
    refusal_ = refusal;
    nodeProblem_ = problem;
    detail_ = std::move(detail);
    return false;
}

void ObjMeshWriter::flush() {
    out_.write(std::string_view(buffer_.get(), used_));
    used_ = 0;
}

void ObjMeshWriter::finish() {
    flush();
}

void ObjMeshWriter::putNumber(std::uint64_t number) {
    char digits[20];
    char* end = digits + sizeof digits;
    char* p = end;
    do {
        *--p = static_cast<char>('0' + number % 10);
        number /= 10;
    } while (number != 0);
    const auto length = static_cast<std::size_t>(end - p);
    std::memcpy(buffer_.get() + used_, p, length);
    used_ += length;
}

void ObjMeshWriter::putFloat(float value) {
    buffer_[used_++] = ' ';
    used_ = static_cast<std::size_t>(putShortestDecimal(buffer_.get() + used_, value) -
                                     buffer_.get());
}

bool ObjMeshWriter::begin(const MeshHead& head) {
    begun_ = true;
    const std::size_t points = head.points.size() / 3;
    const float* p = head.points.data();
    for (std::size_t vertex = 0; vertex < points; ++vertex, p += 3) {
        if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2]))
            return refuse(SceneRefusal::PointNotFinite, NodeProblem::None,
                          "vertex " + std::to_string(vertex) + ", counted from 0");
        room(kFloatLineBytes);
        buffer_[used_++] = 'v';
        putFloat(p[0]);
        putFloat(p[1]);
        putFloat(p[2]);
        buffer_[used_++] = '\r';
        buffer_[used_++] = '\n';
    }
    vertices_ = static_cast<std::int64_t>(points);
    const std::size_t uvCount = head.uvs.size() / 2;
    const float* t = head.uvs.data();
    for (std::size_t uv = 0; uv < uvCount; ++uv, t += 2) {
        room(kFloatLineBytes);
        buffer_[used_++] = 'v';
        buffer_[used_++] = 't';
        putFloat(t[0]);
        putFloat(t[1]);
        buffer_[used_++] = '\r';
        buffer_[used_++] = '\n';
    }
    uvs_ = static_cast<std::int64_t>(uvCount);
    return true;
}

bool ObjMeshWriter::face(const std::uint32_t* vertices, const std::uint32_t* uvs,
                         std::size_t corners) {
    if (corners < 3)
        return refuse(SceneRefusal::FaceTooFewCorners, NodeProblem::None,
                      "face " + std::to_string(faces_) + ", counted from 0, has " +
                          std::to_string(corners) + (corners == 1 ? " corner" : " corners"));
    room(2);
    buffer_[used_++] = 'f';
    for (std::size_t corner = 0; corner < corners; ++corner) {
        if (vertices[corner] >= static_cast<std::uint64_t>(vertices_))
            return refuse(SceneRefusal::NodeHoldsNoMesh, NodeProblem::IndexBeyondPoints,
                          "face " + std::to_string(faces_));
        if (uvs != nullptr && uvs[corner] >= static_cast<std::uint64_t>(uvs_))
            return refuse(SceneRefusal::NodeHoldsNoMesh, NodeProblem::UvsMismatch,
                          "face " + std::to_string(faces_));
        room(kCornerBytes);
        buffer_[used_++] = ' ';
        putNumber(std::uint64_t{vertices[corner]} + 1);
        if (uvs != nullptr) {
            buffer_[used_++] = '/';
            putNumber(std::uint64_t{uvs[corner]} + 1);
        }
    }
    room(2);
    buffer_[used_++] = '\r';
    buffer_[used_++] = '\n';
    ++faces_;
    return true;
}

}  // namespace tessaryn
