// The scene formats that take crease edges, told apart by their first bytes. Each is a
// scanner that reads its file once and reports SceneFacts, and a statement writer that
// gives a node's new crease statements; the road (scene_creases.h) serves them all.
// Adding a format is adding a row to the table in scene_formats.cpp.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/line_reader.h"
#include "crease/crease_edge_set.h"
#include "scene/scan_watcher.h"
#include "scene/scene_facts.h"

namespace tessaryn {

struct SceneFormatEntry {
    SceneFormat format;
    std::string_view header;  // the first bytes of every file of the format
    // `watcher` may be null; a scanner that has nothing to tell ignores it.
    SceneFacts (*scan)(LineReader& scene, const CreaseEdgeSet& creases, ScanWatcher* watcher);
    // The text that takes the place of the node's first crease statement, or that goes
    // at its insertAt when it has none.
    std::string (*statements)(const SceneNode& node, const std::vector<PlannedCrease>& creases);
    // Whether the scanner tells a watcher where a node's statements go while it reads, so
    // that the rewritten scene can be written during the scan.
    bool placesAsItScans;
};

// The entry of the format `head` (a file's first bytes) starts as; null, with why, for a
// form that cannot be read (a binary scene, a package) or one that is no scene.
const SceneFormatEntry* sniffSceneFormat(std::string_view head, SceneProblem& problem);

// Whether `head` starts as a scene of any form, readable or not: an OBJ argument that
// does is a scene given in the OBJ's place.
bool startsAsScene(std::string_view head);

}  // namespace tessaryn
