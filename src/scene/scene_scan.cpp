#include "scene/scene_scan.h"

#include <cerrno>

#include "base/byte_source.h"

namespace tessaryn {

SceneFacts scanOpenedScene(const SceneFormatEntry& format, LineReader& opened,
                           const std::string& path, const CreaseEdgesAhead& creases,
                           ScanWatcher* watcher, int& error) {
    error = 0;
    SceneFacts facts;
    if (format.scan != nullptr) {
        facts = format.scan(opened, creases, watcher);
        opened.close();
        return facts;
    }
    opened.close();
    ByteSource file;
    errno = 0;
    if (!file.openFile(path.c_str())) {
        error = errno;
        facts.format = format.format;
        facts.problem = SceneRefusal::Unreadable;
        return facts;
    }
    facts = format.scanFile(file, creases);
    if (file.failed()) facts.problem = SceneRefusal::Unreadable;
    return facts;
}

}  // namespace tessaryn
