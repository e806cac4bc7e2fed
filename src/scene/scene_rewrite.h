// The one rewrite every scene format shares: the scene copied through SafeWriter with
// byte ranges replaced, in place or into another file, and refused when the scene is no
// longer what was read.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "scene/scene_refusal.h"
#include "base/safe_writer.h"
#include "scene/scene_facts.h"

namespace tessaryn {

// What a scene was when it was read: its size in bytes read, and its modification
// time, taken before the read (so that a save during the read shows as a change).
struct SceneStamp {
    std::uint64_t size = 0;
    std::filesystem::file_time_type modified;
    bool modifiedKnown = false;
};
// The scene's modification time now; the size is the scanner's to fill in.
SceneStamp stampScene(const std::string& path);

// Writes `destination` (the scene itself, or another file) as the scene with `text` in
// place of the first of `ranges` and the others removed; an empty range inserts. No
// ranges: a copy. Changed, and nothing written, when the scene is no longer what `read`
// describes. `error` gets the system's error number of a failure (0 when it gave none).
SceneRefusal rewriteScene(const std::string& scene, const std::string& destination,
                          const std::vector<ByteRange>& ranges, std::string_view text,
                          const SceneStamp& read, int& error);

// What every copy of a scene shares with rewriteScene, for one made another way.
// The size of the buffer copySceneBytes takes.
constexpr std::size_t kSceneCopyBlock = std::size_t{1} << 20;
// Copies `count` bytes from `in` to `out` (or skips them when `out` is null) through
// `buffer`; false when the file holds fewer.
bool copySceneBytes(std::FILE* in, SafeWriter* out, std::uint64_t count, char* buffer);
// The end of a rewrite once `in` stands at the end of the bytes that were read: closes
// `in`, then moves `writer`'s file into place unless the scene holds more bytes, was
// saved again since `read`, or did not give what was read (`sameBytes` false).
SceneRefusal finishRewrite(std::FILE*& in, bool sameBytes, const std::string& scene,
                           const SceneStamp& read, SafeWriter& writer, int& error);

}  // namespace tessaryn
