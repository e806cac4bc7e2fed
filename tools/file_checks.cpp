#include "tools/file_checks.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <filesystem>
#include <system_error>

#if !defined(_WIN32)
#include <unistd.h>
#endif

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

std::string whyUnwritable(const std::string& path) {
    return whyNotOpened(path, "r+b");
}

std::string whyNotDeleted(const std::string& path) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::symlink_status(path, error);
    if (error || !std::filesystem::exists(status))
        return std::strerror(error ? error.value() : ENOENT);
    if (std::filesystem::is_directory(status)) return "it is a folder";
#if !defined(_WIN32)
    const std::string folder = std::filesystem::path(path).parent_path().string();
    errno = 0;
    if (::access(folder.empty() ? "." : folder.c_str(), W_OK | X_OK) != 0) return systemReason();
#endif
    return std::string();
}

std::string whyNotListed(const std::string& path) {
    std::error_code error;
    std::filesystem::directory_iterator listing(path, error);
    return error ? error.message() : std::string();
}

}  // namespace tool
