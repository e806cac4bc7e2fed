#include "scene_obj/obj_mesh_writer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "scene_obj/obj_head_lines.h"

namespace tessaryn {

namespace {

// The longest a number of one corner takes: 20 digits, '/', 20 digits, a blank.
constexpr std::size_t kCornerBytes = 48;

// The decimal digits of `number` written at `at`; gives their end. Two digits a step from
// a table of the hundred pairs: half the divisions of a digit at a time.
char* putDecimal(char* at, std::uint64_t number) {
    static const char kPairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    char digits[20];
    char* end = digits + sizeof digits;
    char* p = end;
    while (number >= 100) {
        const auto pair = static_cast<std::size_t>(number % 100) * 2;
        number /= 100;
        p -= 2;
        p[0] = kPairs[pair];
        p[1] = kPairs[pair + 1];
    }
    if (number >= 10) {
        p -= 2;
        p[0] = kPairs[number * 2];
        p[1] = kPairs[number * 2 + 1];
    } else {
        *--p = static_cast<char>('0' + number);
    }
    const auto length = static_cast<std::size_t>(end - p);
    std::memcpy(at, p, length);
    return at + length;
}

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

ObjMeshWriter::ObjMeshWriter(SafeWriter& out, std::string_view scene, std::string_view node,
                             const SecondThread* thread)
    : out_(out), thread_(thread), buffer_(new char[kBufferSize]) {
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

bool ObjMeshWriter::begin(const MeshHead& head) {
    begun_ = true;
    const std::size_t points = head.points.size() / 3;
    const float* p = head.points.data();
    for (std::size_t vertex = 0; vertex < points; ++vertex, p += 3) {
        if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2]))
            return refuse(SceneRefusal::PointNotFinite, NodeProblem::None,
                          "vertex " + std::to_string(vertex) + ", counted from 0");
    }
    flush();
    writeHeadLines(head, out_, thread_);
    vertices_ = static_cast<std::int64_t>(points);
    uvs_ = static_cast<std::int64_t>(head.uvs.size() / 2);
    return true;
}

bool ObjMeshWriter::face(const std::uint32_t* vertices, const std::uint32_t* uvs,
                         std::size_t corners) {
    if (corners < 3)
        return refuse(SceneRefusal::FaceTooFewCorners, NodeProblem::None,
                      "face " + std::to_string(faces_) + ", counted from 0, has " +
                          std::to_string(corners) + (corners == 1 ? " corner" : " corners"));
    // A face whose whole line fits the buffer is given its room once, and written
    // through a local pointer (stores through a char pointer could touch any member).
    const bool fits = corners <= (kBufferSize - 4) / kCornerBytes;
    room(fits ? 4 + corners * kCornerBytes : 2);
    char* at = buffer_.get() + used_;
    *at++ = 'f';
    for (std::size_t corner = 0; corner < corners; ++corner) {
        if (vertices[corner] >= static_cast<std::uint64_t>(vertices_))
            return refuse(SceneRefusal::NodeHoldsNoMesh, NodeProblem::IndexBeyondPoints,
                          "face " + std::to_string(faces_));
        if (uvs != nullptr && uvs[corner] >= static_cast<std::uint64_t>(uvs_))
            return refuse(SceneRefusal::NodeHoldsNoMesh, NodeProblem::UvsMismatch,
                          "face " + std::to_string(faces_));
        if (!fits) {
            used_ = static_cast<std::size_t>(at - buffer_.get());
            room(kCornerBytes + 2);
            at = buffer_.get() + used_;
        }
        *at++ = ' ';
        at = putDecimal(at, std::uint64_t{vertices[corner]} + 1);
        if (uvs != nullptr) {
            *at++ = '/';
            at = putDecimal(at, std::uint64_t{uvs[corner]} + 1);
        }
    }
    *at++ = '\r';
    *at++ = '\n';
    used_ = static_cast<std::size_t>(at - buffer_.get());
    ++faces_;
    return true;
}

}  // namespace tessaryn
