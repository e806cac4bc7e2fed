// flock, not fcntl: an fcntl lock is dropped when any descriptor of the file closes in
// the process, and a flock lock belongs to the open file description alone. The lock
// file is opened nowhere else, so even where flock is carried out with fcntl locks (NFS)
// no other descriptor can let it go.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <string>

#include "base/file_lock.h"

namespace tessaryn {
namespace lock_platform {

std::string resolvedDestination(const std::string& destination) {
    if (char* real = realpath(destination.c_str(), nullptr)) {
        std::string resolved = real;
        std::free(real);
        return resolved;
    }
    // Not there yet (or a dangling link): its folder resolved, its own name as given.
    const std::size_t slash = destination.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : destination.substr(0, slash + 1);
    char* real = realpath(folder.c_str(), nullptr);
    if (real == nullptr) return std::string();
    std::string resolved = real;
    std::free(real);
    if (resolved.empty() || resolved.back() != '/') resolved += '/';
    return resolved + destination.substr(slash == std::string::npos ? 0 : slash + 1);
}

std::intptr_t openLockFile(const std::string& path, bool& folderRefuses) {
    // Read-only is enough for flock, and lets a user who cannot write the file others
    // made lock it all the same.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    folderRefuses = fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS ||
                               errno == ENOENT || errno == ENOTDIR);
    return fd < 0 ? FileLock::kNoHandle : static_cast<std::intptr_t>(fd);
}

Attempt tryLock(std::intptr_t handle) {
    if (flock(static_cast<int>(handle), LOCK_EX | LOCK_NB) == 0) return Attempt::Locked;
    return errno == EWOULDBLOCK || errno == EINTR ? Attempt::Held : Attempt::Failed;
}

bool stillNamed(std::intptr_t handle, const std::string& path) {
    struct stat held {};
    struct stat named {};
    return fstat(static_cast<int>(handle), &held) == 0 && lstat(path.c_str(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

void closeLockFile(std::intptr_t handle, const std::string& path, bool remove) {
    if (remove) (void)::unlink(path.c_str());
    ::close(static_cast<int>(handle));
}

void pauseMilliseconds(unsigned milliseconds) {
    struct timespec pause {};
    pause.tv_sec = static_cast<time_t>(milliseconds / 1000);
    pause.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
    (void)nanosleep(&pause, nullptr);
}

}  // namespace lock_platform
}  // namespace tessaryn
