// The OBJ a scene's mesh becomes: a header comment naming the scene and the node, one `v`
// line per point, one `vt` line per texture coordinate, one `f` line per face (1-based
// numbers, `v/vt` corners where there are texture coordinates), and nothing else: no
// group lines, which the host draws. Lines end in CR LF, as every text file the library
// writes. Numbers are formatted into a buffer of its own, handed to the writer a large
// block at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/safe_writer.h"
#include "base/second_thread.h"
#include "scene/scene_mesh.h"
#include "scene_obj/obj_face_lines.h"

namespace tessaryn {

// `text` fit for one line of a comment: each control byte (a line break above all) and
// the backslash given as an escape, \n, \r, \t, \\ or \xHH.
std::string escapedForComment(std::string_view text);

class ObjMeshWriter : public MeshSink {
public:
    // Writes into `out`, open on the OBJ; `scene` and `node` are named in the header. With
    // `thread`, the lines are formatted on two threads (obj_head_lines.h, obj_face_lines.h);
    // with `pointLines`, the reader may make the points' lines itself.
    ObjMeshWriter(SafeWriter& out, std::string_view scene, std::string_view node,
                  const SecondThread* thread = nullptr, bool pointLines = false);
    ObjMeshWriter(const ObjMeshWriter&) = delete;
    ObjMeshWriter& operator=(const ObjMeshWriter&) = delete;

    // False, refusing the mesh, when a point is not finite.
    bool begin(const MeshHead& head) override;
    // False, refusing the mesh, for a face of fewer than three corners, or a number
    // beyond the points or texture coordinates (a reader's fault: the OBJ stays valid).
    bool face(const std::uint32_t* vertices, const std::uint32_t* uvs,
              std::size_t corners) override;
    // A run checked whole, then gathered or formatted as face() would each face of it.
    std::size_t faces(const std::uint32_t* counts, std::size_t faceCount,
                      const std::uint32_t* vertices, const std::uint32_t* uvs) override;
    bool takesPointLines() const override { return pointLines_ && !begun_; }
    // Each line is a point's, as MeshSink::takesPointLines tells.
    void pointLines(std::string_view lines, std::int64_t points) override;
    // The thread the writer is lent, free for the reader until the head comes.
    const SecondThread* readerThread() const override { return thread_; }
    // Hands what is buffered to the writer; before its commit.
    void finish();

    bool begun() const { return begun_; }
    // Why the writer refused the mesh; None when it did not.
    SceneRefusal refusal() const { return refusal_; }
    NodeProblem nodeProblem() const { return nodeProblem_; }
    const std::string& detail() const { return detail_; }
    std::int64_t vertices() const { return vertices_; }
    std::int64_t uvs() const { return uvs_; }
    std::int64_t faces() const { return faces_; }

private:
    // Room for `bytes` more in the buffer, handing it to the writer when full.
    void room(std::size_t bytes) {
        if (kBufferSize - used_ < bytes) flush();
    }
    void flush();
    // A face's line, checked, into the buffer (or a line of its own when too long for it).
    void putFace(const std::uint32_t* vertices, const std::uint32_t* uvs, std::size_t corners);
    bool refuse(SceneRefusal refusal, NodeProblem problem, std::string detail);

    // Twice the SafeWriter's buffer: a full one goes to the file as it is, not copied
    // into the writer's buffer first.
    static constexpr std::size_t kBufferSize = std::size_t{2} << 20;

    SafeWriter& out_;
    const SecondThread* thread_;
    std::unique_ptr<char[]> buffer_;  // left uninitialised: only used_ bytes count
    std::unique_ptr<FaceLines> faceLines_;  // the faces' batches, with a lent thread
    std::size_t used_ = 0;
    bool pointLines_ = false;
    std::int64_t pointLinesTaken_ = 0;
    bool begun_ = false;
    SceneRefusal refusal_ = SceneRefusal::None;
    NodeProblem nodeProblem_ = NodeProblem::None;
    std::string detail_;
    std::int64_t vertices_ = 0;
    std::int64_t uvs_ = 0;
    std::int64_t faces_ = 0;
};

}  // namespace tessaryn
