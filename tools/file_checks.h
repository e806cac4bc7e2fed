// What the tool finds out about a file itself once the library has refused a call, so
// that it can name the file concerned and say why.
#pragma once

#include <cstddef>
#include <string>

namespace tool {

// Why `path` cannot be read, in the system's words; empty when it can.
std::string whyUnreadable(const std::string& path);

// "cannot read a.obj (No such file or directory)": the file and the system's reason.
std::string cannotReadBecause(const std::string& path, const std::string& why);

// Why `path` cannot be opened for writing (without changing it); empty when it can.
std::string whyUnwritable(const std::string& path);

// An OBJ file's lines as the vertex swap sorts them.
struct ObjLineCounts {
    std::string whyUnreadable;  // empty when the file was read to its end
    std::size_t positions = 0;  // vertex-position lines: "v" and a blank
    std::size_t others = 0;     // lines that are neither positions nor comments
};

ObjLineCounts countObjLines(const std::string& path);

}  // namespace tool
