#pragma once

#include <string>

namespace tool {

// `tessaryn creases` on a scene without the host's placeholder line: the core's Maya
// crease rewrite. `value` is the crease value as validated (readCreaseValue). Prints the
// report, or the reason nothing was changed; 0 when the scene was rewritten, else 1.
int creasesIntoMayaScene(const std::string& obj, const std::string& scene, bool smoothing,
                         const std::string& node, const std::string& value);

}  // namespace tool
