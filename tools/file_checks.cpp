#include "tools/file_checks.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <filesystem>
#include <system_error>

#if !defined(_WIN32)
#include <unistd.h>
#endif

#include "base/file_system.h"

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

namespace {

// The folder part of `path` with its separator ("ro/"); "./" for a bare name. A link is
// replaced by its target's file, in its target's folder.
std::string folderOf(const std::string& path) {
    std::error_code error;
    std::string real = path;
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(path, error))) {
        const std::filesystem::path target = std::filesystem::canonical(path, error);
        if (!error) real = target.string();
    }
    const std::size_t separator = real.find_last_of(tessaryn::kPathSeparators);
    return separator == std::string::npos ? std::string(".") + tessaryn::kPathSeparator
                                          : real.substr(0, separator + 1);
}

// Why no new file can be made in `folder`; empty when one can (it is removed again).
std::string whyNoNewFile(const std::string& folder) {
    if (std::FILE* unnamed = tessaryn::createUnnamedFile(folder)) {
        std::fclose(unnamed);
        return std::string();
    }
    const std::string probe =
        folder + ".tessaryn-" + std::to_string(tessaryn::processNumber()) + "-probe.tmp";
    bool taken = false;
    errno = 0;
    std::FILE* file = tessaryn::createNewFile(probe, taken);
    if (file == nullptr) return taken ? std::string() : systemReason();
    std::fclose(file);
    tessaryn::deleteFile(probe.c_str());
    return std::string();
}

// Why the existing file `path` cannot be written to; empty when it can, or is not there.
std::string whyFileRefuses(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (error || !fs::exists(status)) return std::string();
    if (fs::is_directory(status)) return "it is a folder";
    // No write bit at all: read-only for every user, root included, as the library
    // treats it (and as the read-only attribute is on Windows).
    const fs::perms writeBits =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    if ((status.permissions() & writeBits) == fs::perms::none) return "it is read-only";
#if !defined(_WIN32)
    errno = 0;
    if (::access(path.c_str(), W_OK) != 0) return systemReason();
#endif
    return std::string();
}

}  // namespace

WriteFailure whyNotWritten(const std::string& path, int error, std::uint64_t room) {
    WriteFailure failure;
    failure.reason = whyFileRefuses(path);
    if (!failure.reason.empty()) return failure;
    const std::string folder = folderOf(path);
    failure.reason = whyNoNewFile(folder);
    if (!failure.reason.empty()) {
        failure.folder = folder;
        return failure;
    }
    if (error != 0) {
        failure.reason = std::strerror(error);
        return failure;
    }
    // The failed output is gone again, so the room it met is back: a device with less
    // room than the output takes is full for it.
    std::error_code spaceError;
    const std::filesystem::space_info space = std::filesystem::space(folder, spaceError);
    if (!spaceError && space.available < (room > 0 ? room : 1))
        failure.reason = std::strerror(ENOSPC);
    return failure;
}

std::uint64_t sizeOf(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    return error ? 0 : static_cast<std::uint64_t>(size);
}

}  // namespace tool
