// `tessaryn creases` on Maya's own scenes: the core's Maya crease rewrite, from a shell.
#include "tools/maya_creases_tool.h"

#include <cstdio>
#include <new>

#include "scene/maya/maya_creases.h"
#include "tools/file_checks.h"

namespace tool {

int creasesIntoMayaScene(const std::string& obj, const std::string& scene, bool smoothing,
                         const std::string& node, const std::string& value) {
    try {
        const tessaryn::MayaCreaseReport report =
            tessaryn::writeMayaCreases({obj, scene, smoothing, node, value});
        std::string message = report.message;
        // The system's reason, where the file itself still gives one.
        const std::string why =
            report.unreadable.empty() ? std::string() : whyUnreadable(report.unreadable);
        if (!why.empty()) {
            message = cannotReadBecause(report.unreadable, why) + "; nothing changed";
        }
        std::fprintf(report.ok ? stdout : stderr, "%s\n", message.c_str());
        return report.ok ? 0 : 1;
    } catch (const std::bad_alloc&) {
        std::fputs("out of memory; nothing was changed\n", stderr);
        return 1;
    }
}

}  // namespace tool
