// The `v` and `vt` lines of a mesh's OBJ, formatted a block of lines at a time from the
// head's arrays and handed to the writer in order. With a lent thread, the blocks are
// formatted on two threads, every other block on each: the text is the same either way.
#pragma once

#include <cstddef>

#include "base/safe_writer.h"
#include "base/second_thread.h"
#include "scene/scene_mesh.h"

namespace tessaryn {

// Lines a block: about a megabyte of text, enough that the threads seldom wait for each
// other's turn, few enough that their buffers stay small.
constexpr std::size_t kHeadBlockLines = 16384;

// Writes one `v` line per point of `head`, then one `vt` line per texture coordinate, to
// `out`, `blockLines` lines a block; on the calling thread alone when `thread` is null or
// can lend none. Every point must be finite.
void writeHeadLines(const MeshHead& head, SafeWriter& out, const SecondThread* thread,
                    std::size_t blockLines = kHeadBlockLines);

}  // namespace tessaryn
