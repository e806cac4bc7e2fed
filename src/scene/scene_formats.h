// The scene formats, each one row of the table in scene_formats.cpp: the first bytes that
// tell it, what it can do, its scanner and its statement writer. The road and the tool
// ask the row; nothing else tells one format from another. Forms that cannot be read (a
// binary Maya scene) are rows too, with the refusal they earn.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/byte_source.h"
#include "base/line_reader.h"
#include "crease/crease_edges_ahead.h"
#include "scene/scan_watcher.h"
#include "scene/scene_facts.h"
#include "scene/scene_mesh.h"
#include "scene/scene_refusal.h"

namespace tessaryn {

struct SceneFormatEntry {
    SceneFormat format;
    // Forms that cannot be read: why. None for the readable ones.
    SceneRefusal refused;
    std::string_view header;  // the first bytes of every file of the form
    // `watcher` may be null; a scanner that has nothing to tell ignores it.
    SceneFacts (*scan)(LineReader& scene, const CreaseEdgesAhead& creases, ScanWatcher* watcher);
    // A binary form's scanner, which seeks about the file instead (scan is null then).
    SceneFacts (*scanFile)(ByteSource& file, const CreaseEdgesAhead& creases);
    // The text that takes the place of the node's first crease statement, or that goes
    // at its insertAt when it has none.
    std::string (*statements)(const SceneNode& node, const std::vector<PlannedCrease>& creases);
    bool rewritesInPlace;     // the scene itself (or a copy of it, -o) takes the creases
    bool takesOverrideLayer;  // an override layer can give the node its creases instead
    bool zeroIsNoCrease;      // a crease value of 0 is a smooth edge, not a crease
    // The scanner tells a watcher where a node's statements go while it reads, so that the
    // rewritten scene can be written during the scan.
    bool placesAsItScans;
    // Reads one node's geometry, for a scene written out as an OBJ; null: not yet read.
    MeshReader readMesh;
    // A quicker scan for that road, where the format has one: it passes the nodes' faces
    // over unread, so its nodes carry no problem of their faces, which readMesh then
    // finds in the node it reads (what it cannot judge so, it says: wholeScanNeeded).
    // Null: the road scans as every road does.
    SceneFacts (*scanPassingFaces)(LineReader& scene);
};

// The row of the form `head` (a file's first bytes) starts as, readable or refused; null
// for bytes that are no scene.
const SceneFormatEntry* sniffSceneFormat(std::string_view head);

}  // namespace tessaryn
