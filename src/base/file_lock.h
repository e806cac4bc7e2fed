// A lock that runs of the tool take on a file they are about to replace, so that runs
// on one file take turns: each reads the file as the one before left it. It is a lock
// file beside the destination, ".NAME.tessaryn-lock" in the folder of the file the path
// names (links followed, so that every spelling of one file takes one lock), locked
// whole by the system's advisory locks: the system drops the lock when its process ends,
// however it ends. The library's commands neither take nor wait for it.
#pragma once

#include <cstdint>
#include <string>

namespace tessaryn {

enum class LockOutcome {
    Taken,       // held until release() or the object goes
    Busy,        // another holder kept it for the whole wait
    NoLockFile,  // the folder takes no new file (or is missing): nothing can be replaced there
    Failed,      // the lock file could not be opened or locked; error() says why
};

class FileLock {
public:
    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Takes the lock of `destination`, waiting up to `waitSeconds` (0: one try) for
    // another holder to let it go.
    LockOutcome take(const std::string& destination, double waitSeconds);
    void release();

    bool held() const { return handle_ != kNoHandle; }
    const std::string& lockPath() const { return lockPath_; }
    int error() const { return error_; }  // the system's error number after Failed

    static constexpr std::intptr_t kNoHandle = -1;

private:
    std::intptr_t handle_ = kNoHandle;
    std::string lockPath_;
    int error_ = 0;
};

// The lock file that guards `destination`; empty when its folder cannot be found.
std::string lockFileFor(const std::string& destination);

// What each platform gives the lock (file_lock_posix.cpp, file_lock_windows.cpp).
namespace lock_platform {

enum class Attempt { Locked, Held, Failed };

// Opens, creating it if need be, the lock file; kNoHandle on failure, with
// `folderRefuses` set when the folder takes no new file.
std::intptr_t openLockFile(const std::string& path, bool& folderRefuses);
Attempt tryLock(std::intptr_t handle);
// The locked file is still the one `path` names: a holder that let it go may have
// deleted it meanwhile, and a lock on a deleted file guards nothing.
bool stillNamed(std::intptr_t handle, const std::string& path);
// Lets the lock go and closes the file; `remove` deletes it first where the platform
// deletes its lock files.
void closeLockFile(std::intptr_t handle, const std::string& path, bool remove);
void pauseMilliseconds(unsigned milliseconds);
// `destination` with its folder (and, for an existing file, its links) resolved.
std::string resolvedDestination(const std::string& destination);

}  // namespace lock_platform

}  // namespace tessaryn
