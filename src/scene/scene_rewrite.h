// The one rewrite every scene format shares: the scene copied through SafeWriter with
// byte ranges replaced, in place or into another file, and refused when the scene is no
// longer what was read.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

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

enum class SceneRewrite { Written, Changed, Unreadable, Unwritable };

// Writes `destination` (the scene itself, or another file) as the scene with `text` in
// place of the first of `ranges` and the others removed; an empty range inserts. No
// ranges: a copy. Changed, and nothing written, when the scene is no longer what `read`
// describes. `error` gets the system's error number of a failure (0 when it gave none).
SceneRewrite rewriteScene(const std::string& scene, const std::string& destination,
                          const std::vector<ByteRange>& ranges, std::string_view text,
                          const SceneStamp& read, int& error);

}  // namespace tessaryn
