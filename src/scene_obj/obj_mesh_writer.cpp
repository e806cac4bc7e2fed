#include "scene_obj/obj_mesh_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "scene_obj/obj_head_lines.h"

namespace tessaryn {

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
                             const SecondThread* thread, bool pointLines)
    : out_(out), thread_(thread), buffer_(new char[kBufferSize]), pointLines_(pointLines) {
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
    if (faceLines_ != nullptr) faceLines_->finish();
    flush();
}

void ObjMeshWriter::pointLines(std::string_view lines, std::int64_t points) {
    // Nothing is buffered before the head: the header went straight to the writer.
    out_.writeThrough(lines);
    pointLinesTaken_ += points;
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
    if (thread_ != nullptr) {
        faceLines_ = std::make_unique<FaceLines>(out_, thread_);
        if (!faceLines_->start()) faceLines_.reset();
    }
    vertices_ = pointLinesTaken_ + static_cast<std::int64_t>(points);
    uvs_ = static_cast<std::int64_t>(head.uvs.size() / 2);
    return true;
}

bool ObjMeshWriter::face(const std::uint32_t* vertices, const std::uint32_t* uvs,
                         std::size_t corners) {
    if (corners < 3)
        return refuse(SceneRefusal::FaceTooFewCorners, NodeProblem::None,
                      "face " + std::to_string(faces_) + ", counted from 0, has " +
                          std::to_string(corners) + (corners == 1 ? " corner" : " corners"));
    for (std::size_t corner = 0; corner < corners; ++corner) {
        if (vertices[corner] >= static_cast<std::uint64_t>(vertices_))
            return refuse(SceneRefusal::NodeHoldsNoMesh, NodeProblem::IndexBeyondPoints,
                          "face " + std::to_string(faces_));
        if (uvs != nullptr && uvs[corner] >= static_cast<std::uint64_t>(uvs_))
            return refuse(SceneRefusal::NodeHoldsNoMesh, NodeProblem::UvsMismatch,
                          "face " + std::to_string(faces_));
    }
    ++faces_;
    if (faceLines_ != nullptr)
        faceLines_->add(vertices, uvs, corners);
    else
        putFace(vertices, uvs, corners);
    return true;
}

void ObjMeshWriter::putFace(const std::uint32_t* vertices, const std::uint32_t* uvs,
                            std::size_t corners) {
    const std::size_t bytes = 3 + corners * kFaceCornerBytes;
    if (bytes <= kBufferSize) {
        room(bytes);
        used_ = static_cast<std::size_t>(putFaceLine(buffer_.get() + used_, vertices, uvs, corners) -
                                         buffer_.get());
        return;
    }
    // A face too long for the buffer gets a line of its own.
    flush();
    std::unique_ptr<char[]> line(new char[bytes]);
    const char* end = putFaceLine(line.get(), vertices, uvs, corners);
    out_.write(std::string_view(line.get(), static_cast<std::size_t>(end - line.get())));
}

std::size_t ObjMeshWriter::faces(const std::uint32_t* counts, std::size_t faceCount,
                                 const std::uint32_t* vertices, const std::uint32_t* uvs) {
    // Nearly every run holds nothing to refuse: its fewest corners and largest numbers tell
    // so in loops the compiler makes wide. Where they do not, the faces go one by one, and
    // the one refused is told as face() tells it.
    std::uint32_t fewest = UINT32_MAX;
    std::size_t corners = 0;
    for (std::size_t f = 0; f < faceCount; ++f) {
        fewest = std::min(fewest, counts[f]);
        corners += counts[f];
    }
    const auto largest = [corners](const std::uint32_t* numbers) {
        std::uint32_t most = 0;
        for (std::size_t at = 0; at < corners; ++at) most = std::max(most, numbers[at]);
        return most;
    };
    const std::uint32_t mostVertex = largest(vertices);
    const std::uint32_t mostUv = uvs == nullptr ? 0 : uvs == vertices ? mostVertex : largest(uvs);
    if (fewest < 3 || mostVertex >= static_cast<std::uint64_t>(vertices_) ||
        (uvs != nullptr && mostUv >= static_cast<std::uint64_t>(uvs_)))
        return MeshSink::faces(counts, faceCount, vertices, uvs);
    faces_ += static_cast<std::int64_t>(faceCount);
    if (faceLines_ != nullptr) {
        faceLines_->addRun(counts, faceCount, vertices, uvs);
        return faceCount;
    }
    for (std::size_t f = 0; f < faceCount; ++f) {
        putFace(vertices, uvs, counts[f]);
        vertices += counts[f];
        if (uvs != nullptr) uvs += counts[f];
    }
    return faceCount;
}

}  // namespace tessaryn
