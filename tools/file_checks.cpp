#include "tools/file_checks.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "base/line_reader.h"
#include "base/obj_lines.h"

namespace tool {

namespace {

std::string systemReason() {
    return errno != 0 ? std::strerror(errno) : "the system gave no reason";
}

// Opens `path` with `mode` and reads one byte: a folder opens on some systems and only
// fails when read.
std::string whyNotOpened(const std::string& path, const char* mode) {
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), mode);
    if (file == nullptr) return systemReason();
    errno = 0;
    char byte = 0;
    const bool failed = std::fread(&byte, 1, 1, file) == 0 && std::ferror(file) != 0;
    std::string reason = failed ? systemReason() : std::string();
    std::fclose(file);
    return reason;
}

}  // namespace

std::string whyUnreadable(const std::string& path) {
    return whyNotOpened(path, "rb");
}

std::string cannotReadBecause(const std::string& path, const std::string& why) {
    return "cannot read " + path + " (" + why + ")";
}

std::string whyUnwritable(const std::string& path) {
    return whyNotOpened(path, "r+b");
}

ObjLineCounts countObjLines(const std::string& path) {
    ObjLineCounts counts;
    tessaryn::LineReader reader;
    if (!reader.open(path.c_str())) {
        counts.whyUnreadable = whyUnreadable(path);
        if (counts.whyUnreadable.empty()) counts.whyUnreadable = "it cannot be opened";
        return counts;
    }
    std::string_view line;
    while (reader.next(line)) {
        if (tessaryn::isPositionLine(line)) {
            ++counts.positions;
        } else if (tessaryn::charAt(line, 0) != '#') {
            ++counts.others;
        }
    }
    if (reader.failed()) counts.whyUnreadable = "a read error ended it early";
    return counts;
}

}  // namespace tool
