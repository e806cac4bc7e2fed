// `tessaryn creases` on Maya's own scenes: the core's Maya crease rewrite, from a shell.
#include "tools/maya_creases_tool.h"

#include <cstdio>
#include <new>

#include "crease/maya_creases.h"

bool takeMayaCreaseOptions(std::vector<std::string>& words, MayaCreaseOptions& options) {
    for (std::size_t i = 0; i < words.size();) {
        const bool node = words[i] == "--node";
        if (!node && words[i] != "--value") {
            ++i;
            continue;
        }
        if (i + 1 == words.size()) {
            std::fprintf(stderr, "%s needs a value\n", words[i].c_str());
            return false;
        }
        if (node) {
            options.node = words[i + 1];
        } else if (!tessaryn::readCreaseValue(words[i + 1], options.value)) {
            std::fprintf(stderr,
                         "--value needs a decimal of 0 or more, such as 10 or 0.5, not %s\n",
                         words[i + 1].c_str());
            return false;
        }
        options.given = true;
        words.erase(words.begin() + static_cast<std::ptrdiff_t>(i),
                    words.begin() + static_cast<std::ptrdiff_t>(i) + 2);
    }
    return true;
}

int creasesIntoMayaScene(const std::string& obj, const std::string& scene, bool smoothing,
                         const MayaCreaseOptions& options) {
    tessaryn::MayaCreaseRequest request;
    request.objPath = obj;
    request.scenePath = scene;
    request.smoothing = smoothing;
    request.node = options.node;
    request.value = options.value;
    try {
        const tessaryn::MayaCreaseReport report = tessaryn::WriteMayaCreases(request);
        std::fprintf(report.ok ? stdout : stderr, "%s\n", report.message.c_str());
        return report.ok ? 0 : 1;
    } catch (const std::bad_alloc&) {
        std::fputs("out of memory; nothing was changed\n", stderr);
        return 1;
    }
}
