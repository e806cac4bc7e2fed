// Crease edges of an OBJ into a Maya ASCII scene as Maya saved it: the OBJ's group-border
// edges, found as GetCreases finds them, become the crease statement of one mesh node,
// and every other byte of the scene stays as it was. The command-line tool's road for
// scenes without the host's placeholder line; not a command of the library.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "scene/maya/maya_scene_reader.h"

namespace tessaryn {

struct MayaCreaseRequest {
    std::string objPath;
    std::string scenePath;
    bool smoothing = false;    // smoothing groups instead of groups
    std::string node;          // empty: the one mesh node with the OBJ's vertex count
    std::string value = "10";  // as readCreaseValue writes it
};

struct MayaCreaseReport {
    bool ok = false;
    // One or two lines reporting what was written, or the one sentence saying why
    // nothing was (the scene is then unchanged).
    std::string message;
    std::string unreadable;  // the input that could not be read, when that was the reason
    std::string node;
    std::int32_t groupCount = 0;
    std::int64_t borderEdges = 0;  // the OBJ's crease edges
    std::int64_t written = 0;      // crease edges written into the node
    std::int64_t replaced = 0;     // creases the node had before, value above 0
    std::int64_t notInNode = 0;    // border edges that are not edges of the node
};

MayaCreaseReport writeMayaCreases(const MayaCreaseRequest& request);

// A crease value: digits with at most one point, 0 or more. Gives it as it is written
// into the scene, without leading or trailing zeros ("010.50" as "10.5").
bool readCreaseValue(std::string_view text, std::string& written);

// Whether the scene holds the host's crease placeholder line, which GetCreases fills in.
// False when it cannot be read.
bool readHoldsHostPlaceholder(const char* scenePath, bool& holds);

// The change the rewrite makes: the bytes [start, end) of the scene give way to `text`.
struct SceneEdit {
    std::uint64_t start = 0;
    std::uint64_t end = 0;
    std::string text;
};

// The node's crease statement with its crease edges at `value`, laid out as Maya writes
// it, in place of its old one or, without one, after its .fc statement.
SceneEdit creaseStatementEdit(const MayaMeshNode& node, std::string_view value);

// What the scene was when it was read: its size in bytes read, and its modification
// time, taken before the read.
struct SceneStamp {
    std::uint64_t size = 0;
    std::filesystem::file_time_type modified;
    bool modifiedKnown = false;
};
// The scene's modification time now; the size is the reader's to fill in.
SceneStamp stampScene(const std::string& path);

enum class SceneRewrite { Written, Changed, Unreadable, Unwritable };

// The scene with the edit made, through a temporary file that replaces it at the end;
// Changed, and the scene left alone, when it is no longer what `read` describes.
SceneRewrite rewriteMayaScene(const std::string& path, const SceneEdit& edit,
                              const SceneStamp& read);

}  // namespace tessaryn
