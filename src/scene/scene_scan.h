// A scene's one scan, whatever its format: a text form's scanner reads on from the line
// reader that told the format; a binary form's scanner opens the file again to seek about
// it. Shared by the roads that read a scene (creases in, a mesh out).
#pragma once

#include <string>

#include "base/line_reader.h"
#include "crease/crease_edges_ahead.h"
#include "scene/scan_watcher.h"
#include "scene/scene_facts.h"
#include "scene/scene_formats.h"

namespace tessaryn {

// Scans the scene at `path`, whose format `format` is and which `opened` has open from its
// start; `opened` is closed once the scan no longer needs it. A file that cannot be read
// gives the problem Unreadable, with the system's error number in `error` where one is
// known (0 otherwise).
SceneFacts scanOpenedScene(const SceneFormatEntry& format, LineReader& opened,
                           const std::string& path, const CreaseEdgesAhead& creases,
                           ScanWatcher* watcher, int& error);

}  // namespace tessaryn
