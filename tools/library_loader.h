// Loading the built library as the host does: by path, then each command by its name.
// The tool, the tests and the benchmark all load it through here.
#pragma once

#include <string>

#include "tessaryn.h"

namespace library_loader {

// An exported command, called with the four arguments every export takes.
using Command = float(TESSARYN_CALL*)(const char*, double, char*, int);

// The library's file name as the build writes it on this platform.
extern const char* const kLibraryFileName;

// A library loaded by path. It is never unloaded: the commands it hands out stay
// callable until the process ends, which is how the host and the tests use them.
class Library {
public:
    // False when the system's loader refuses `path`; error() then says why, in the
    // loader's own words.
    bool load(const std::string& path);
    // The export `name`, or null with error() saying why.
    Command find(const char* name);
    const std::string& error() const { return error_; }

private:
    void* handle_ = nullptr;
    std::string error_;
};

}  // namespace library_loader
