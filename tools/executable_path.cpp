#include "tools/executable_path.h"

#include <cstdio>

#include "tools/library_loader.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#endif

namespace library_loader {

#if defined(_WIN32)

std::string runningExecutable(const char*) {
    char path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    // A path cut short at the buffer's end would name another file.
    if (length == 0 || length >= sizeof path) return std::string();
    return std::string(path, length);
}

#else

namespace {

std::string resolved(const std::string& path) {
    char buffer[PATH_MAX];
    return realpath(path.c_str(), buffer) != nullptr ? std::string(buffer) : std::string();
}

bool isExecutableFile(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::string executableFromArgument(const std::string& argv0, const std::string& searchPath) {
    if (argv0.empty()) return std::string();
    if (argv0.find('/') != std::string::npos) return resolved(argv0);
    std::string::size_type start = 0;
    while (start <= searchPath.size()) {
        std::string::size_type colon = searchPath.find(':', start);
        if (colon == std::string::npos) colon = searchPath.size();
        const std::string folder = searchPath.substr(start, colon - start);
        const std::string candidate = (folder.empty() ? "." : folder) + "/" + argv0;
        if (isExecutableFile(candidate)) return resolved(candidate);
        start = colon + 1;
    }
    return std::string();
}

std::string runningExecutable(const char* argv0) {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    if (length > 0 && static_cast<std::size_t>(length) < sizeof path) {
        return std::string(path, static_cast<std::size_t>(length));
    }
    const char* searchPath = std::getenv("PATH");
    return executableFromArgument(argv0 != nullptr ? argv0 : "",
                                  searchPath != nullptr ? searchPath : "");
}

#endif

std::string libraryBeside(const std::string& executable) {
    const std::string::size_type separator = executable.find_last_of("/\\");
    if (separator == std::string::npos) return kLibraryFileName;
    return executable.substr(0, separator + 1) + kLibraryFileName;
}

namespace {

bool isReadable(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    std::fclose(file);
    return true;
}

}  // namespace

std::string libraryFor(const std::string& executable) {
    std::string beside = libraryBeside(executable);
    if (isReadable(beside)) return beside;
    const std::string::size_type name = beside.find_last_of("/\\");
    if (name == std::string::npos || name == 0) return beside;
    const std::string::size_type folder = beside.find_last_of("/\\", name - 1);
    const std::string installed = beside.substr(0, folder == std::string::npos ? 0 : folder + 1) +
                                  "lib" + beside.substr(name);
    return isReadable(installed) ? installed : beside;
}

}  // namespace library_loader
