// What the fuzz targets share: a folder of their own for the files the library reads
// and writes, and line splitting as the library does it.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_source.h"
#include "base/line_reader.h"

namespace fuzzing {

// Bytes in memory and a line reader on them, which reads them where they lie.
struct InMemory {
    explicit InMemory(std::string_view bytes) {
        source.openMemory(bytes);
        lines.open(source);
    }
    tessaryn::ByteSource source;
    tessaryn::LineReader lines;
};

// One folder per fuzzing process, in memory where the system has such a place.
inline const std::string& folder() {
    static const std::string path = [] {
        std::string base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
        std::string made = base + "/tessaryn-fuzz-" + std::to_string(getpid());
        std::filesystem::create_directories(made);
        return made;
    }();
    return path;
}

inline std::string path(const char* name) {
    return folder() + "/" + name;
}

inline void writeBytes(const std::string& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string readBytes(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

inline bool exists(const std::string& file) {
    return std::filesystem::exists(file);
}

// The lines of a text as the library reads them: split at LF, a CR right before the LF
// dropped, no empty line after a final LF.
inline std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t stop = text.find('\n', start);
        if (stop == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        std::size_t end = stop > start && text[stop - 1] == '\r' ? stop - 1 : stop;
        lines.push_back(text.substr(start, end - start));
        start = stop + 1;
    }
    return lines;
}

// Only the files a target put there itself: no temporary file may be left behind.
inline std::size_t entryCount() {
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder())) {
        (void)entry;
        ++count;
    }
    return count;
}

// A failed invariant: abort, so that libFuzzer reports the input.
inline void check(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

}  // namespace fuzzing
