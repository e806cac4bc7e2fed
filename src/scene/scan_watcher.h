// What a scanner tells while it reads a scene, for a copy of the scene that is written
// during the scan instead of after it (scan_copy.h). A scanner that tells nothing still
// scans correctly: the copy is then made after the scan, as it always can be.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "scene/scene_facts.h"

namespace tessaryn {

class ScanWatcher {
public:
    virtual ~ScanWatcher() = default;
    // The scene's bytes up to `offset` have been read; `bytes` are the last of them, still
    // at hand (they end at `offset`), and leave the scanner's hands now.
    virtual void passed(std::uint64_t offset, std::string_view bytes) = 0;
    // A node that may take the creases starts at `start` (its path and short name): where
    // its crease statements go is known only once it is placed.
    virtual void nodeOpened(const std::string& path, const std::string& name,
                            std::uint64_t start) = 0;
    // Where the node's crease statements go is known: `node` holds its path, its crease
    // statements seen so far, its insertAt, indent and line ending, and its creases now.
    virtual void nodePlaced(const SceneNode& node) = 0;
};

}  // namespace tessaryn
