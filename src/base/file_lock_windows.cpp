// LockFileEx locks are mandatory: a locked byte cannot be read by others. The lock is
// therefore put on one byte far past the end of the lock file, which nobody reads. The
// lock file is opened without FILE_SHARE_DELETE, so that it cannot be deleted or renamed
// while anyone holds it open, and is never deleted: a delete that waits for other
// handles leaves a name that cannot be opened until they close.
#include <windows.h>

#include <cerrno>
#include <string>

#include "base/file_lock.h"

namespace tessaryn {
namespace lock_platform {

namespace {

// Where the lock sits: past any size a lock file reaches.
constexpr DWORD kLockedByteHigh = 0x7FFFFFFF;

HANDLE handleOf(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

OVERLAPPED lockedByte() {
    OVERLAPPED at{};
    at.Offset = 0;
    at.OffsetHigh = kLockedByteHigh;
    return at;
}

// The file an existing path names, links and junctions followed; false when none.
bool finalPath(const std::string& path, std::string& resolved) {
    HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    char buffer[MAX_PATH + 8];
    const DWORD length =
        GetFinalPathNameByHandleA(file, buffer, sizeof buffer, FILE_NAME_NORMALIZED);
    CloseHandle(file);
    if (length == 0 || length >= sizeof buffer) return false;
    resolved.assign(buffer, length);
    if (resolved.compare(0, 4, "\\\\?\\") == 0 && resolved.size() > 6 && resolved[5] == ':')
        resolved.erase(0, 4);
    return true;
}

}  // namespace

std::string resolvedDestination(const std::string& destination) {
    std::string resolved;
    if (finalPath(destination, resolved)) return resolved;
    char buffer[MAX_PATH + 8];
    const DWORD length = GetFullPathNameA(destination.c_str(), sizeof buffer, buffer, nullptr);
    if (length == 0 || length >= sizeof buffer) return std::string();
    return std::string(buffer, length);
}

std::intptr_t openLockFile(const std::string& path, bool& folderRefuses) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        folderRefuses = false;
        return reinterpret_cast<std::intptr_t>(file);
    }
    const DWORD error = GetLastError();
    folderRefuses = error == ERROR_ACCESS_DENIED || error == ERROR_PATH_NOT_FOUND ||
                    error == ERROR_WRITE_PROTECT;
    errno = folderRefuses ? EACCES : EIO;
    return FileLock::kNoHandle;
}

Attempt tryLock(std::intptr_t handle) {
    OVERLAPPED at = lockedByte();
    if (LockFileEx(handleOf(handle), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                   &at))
        return Attempt::Locked;
    const DWORD error = GetLastError();
    if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING) return Attempt::Held;
    errno = EIO;
    return Attempt::Failed;
}

bool stillNamed(std::intptr_t, const std::string&) {
    return true;  // the lock file cannot be deleted while it is open, and never is
}

void closeLockFile(std::intptr_t handle, const std::string&, bool) {
    // Closing would let the lock go too, but only once the system gets to it.
    OVERLAPPED at = lockedByte();
    UnlockFileEx(handleOf(handle), 0, 1, 0, &at);
    CloseHandle(handleOf(handle));
}

void pauseMilliseconds(unsigned milliseconds) {
    Sleep(milliseconds);
}

}  // namespace lock_platform
}  // namespace tessaryn
