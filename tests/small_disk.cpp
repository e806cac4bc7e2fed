#include "small_disk.h"

#if defined(__linux__)
#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace testing_support {

namespace {

std::uint64_t roomIn(const std::string& folder) {
    struct statvfs facts {};
    if (statvfs(folder.c_str(), &facts) != 0) return 0;
    return static_cast<std::uint64_t>(facts.f_bavail) * facts.f_frsize;
}

}  // namespace

SmallDisk::SmallDisk(const std::string& folder, const char* size) : folder_(folder) {
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    static bool ownNamespace = false;
    if (!ownNamespace) {
        // Private below "/", so that the mount is seen by this process and its children.
        if (unshare(CLONE_NEWNS) != 0 ||
            mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            why_ = std::string("no mount namespace of its own: ") + std::strerror(errno);
            return;
        }
        ownNamespace = true;
    }
    const std::string options = std::string("size=") + size;
    if (mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) != 0) {
        why_ = std::string("cannot mount a tmpfs: ") + std::strerror(errno);
        return;
    }
    mounted_ = true;
}

SmallDisk::~SmallDisk() {
    if (mounted_) umount2(folder_.c_str(), MNT_DETACH);
}

bool SmallDisk::leaveRoom(std::uint64_t room) const {
    const std::uint64_t now = roomIn(folder_);
    if (now < room) return false;
    std::FILE* filler = std::fopen((folder_ + "/filler").c_str(), "ab");
    if (filler == nullptr) return false;
    std::setvbuf(filler, nullptr, _IONBF, 0);
    static const char block[4096] = {};
    std::uint64_t left = now - room;
    while (left > 0) {
        const std::size_t part =
            left < sizeof block ? static_cast<std::size_t>(left) : sizeof block;
        if (std::fwrite(block, 1, part, filler) != part) break;  // full before the count
        left -= part;
    }
    std::fclose(filler);
    return true;
}

bool SmallDisk::makeReadOnly() const {
    return mount(nullptr, folder_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

}  // namespace testing_support
#endif
