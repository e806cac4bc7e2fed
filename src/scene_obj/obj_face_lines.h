// The `f` lines of a mesh's OBJ when a second thread helps. Faces come one at a time from
// the scene's reader and are gathered into batches; the lent thread formats and writes a
// batch while the reader goes on, and when it is still busy with the last one (or could
// not be started), the reader's own thread formats the next itself, unless the lent thread
// can have it queued after the one it is on. Batches are written in the order they were
// gathered, so the text is the one the faces make written one by one.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "base/safe_writer.h"
#include "base/second_thread.h"
#include "scene_obj/block_turns.h"

namespace tessaryn {

// The most text a corner takes: a blank, a 32-bit number from 1 (10 digits), '/', another.
constexpr std::size_t kFaceCornerBytes = 24;

// Writes an `f` line at `at`, with room for 3 + corners * kFaceCornerBytes bytes: the
// vertex numbers from 1 and, when `uvs` is not null, the texture coordinates' after a '/'.
// Gives the line's end.
char* putFaceLine(char* at, const std::uint32_t* vertices, const std::uint32_t* uvs,
                  std::size_t corners);

class FaceLines {
public:
    // Writes to `out`; on two threads once `thread` is started.
    FaceLines(SafeWriter& out, const SecondThread* thread);
    FaceLines(const FaceLines&) = delete;
    FaceLines& operator=(const FaceLines&) = delete;
    // Lets the lent thread go (after the batch it has, if any).
    ~FaceLines();

    // Starts the lent thread's work; false when there is none to be had.
    bool start();
    // One face, as putFaceLine takes it; the numbers are copied.
    void add(const std::uint32_t* vertices, const std::uint32_t* uvs, std::size_t corners);
    // A run of faces, as ObjMeshWriter::faces takes it; the numbers are copied, but for
    // texture coordinate numbers that are the vertex numbers themselves.
    void addRun(const std::uint32_t* counts, std::size_t faceCount, const std::uint32_t* vertices,
                const std::uint32_t* uvs);
    // Writes the faces still gathered and waits until every batch is written.
    void finish();

private:
    // Numbers appended a face at a time: a face's three or four stored one by one, where a
    // vector's insert would call the C library's copy for each.
    struct Numbers {
        std::unique_ptr<std::uint32_t[]> values;
        std::size_t size = 0;
        std::size_t room = 0;
        void append(const std::uint32_t* from, std::size_t count);
        // Room for `count` more at the end, counted as held; gives where they go.
        std::uint32_t* extend(std::size_t count);
        // Stores over the `size` numbers held, making their memory this thread's to write.
        void claim();
    };
    struct Batch {
        Numbers corners;  // each face's, the top bit set when it has uvs
        Numbers vertices;
        Numbers uvs;
        bool uvsAreVertices = false;  // the faces' uvs are their vertex numbers: none stored
        std::size_t turn = 0;         // its place among the batches written
        void claim();
        void clear();
        std::size_t textBound() const;
    };
    struct Text {
        std::unique_ptr<char[]> bytes;
        std::size_t room = 0;
        void makeRoom(std::size_t size);
    };

    static void runLent(void* self);
    void handOver();
    // Formats `batch` into `text` and writes it once the batches before it are written.
    void write(const Batch& batch, Text& text);
    void stop();

    const SecondThread* thread_;
    bool running_ = false;
    Batch gathering_;
    Text ownText_;
    std::size_t batches_ = 0;  // batches handed over or written so far
    // Shared with the lent thread.
    BlockTurns turns_;
    std::mutex mutex_;
    std::condition_variable changed_;
    Batch lent_;
    Text lentText_;
    bool lentFull_ = false;  // lent_ waits for the lent thread, or is being written by it
    // The batch after lent_, which the lent thread takes next: a reader a little quicker
    // for a while leaves it one in hand rather than formatting the next one itself.
    Batch queued_;
    Text queuedText_;
    bool queuedFull_ = false;
    bool stopping_ = false;
};

}  // namespace tessaryn
