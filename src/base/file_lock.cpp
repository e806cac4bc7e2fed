#include "base/file_lock.h"

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "base/file_system.h"

namespace tessaryn {

namespace {

// The longest pause between two tries: short enough that a waiter follows a holder
// closely, long enough that twenty waiters do not keep a core busy.
constexpr unsigned kLongestPause = 20;

}  // namespace

std::string lockFileFor(const std::string& destination) {
    const std::string resolved = lock_platform::resolvedDestination(destination);
    if (resolved.empty()) return std::string();
    const std::size_t slash = resolved.find_last_of(kPathSeparators);
    const std::size_t name = slash == std::string::npos ? 0 : slash + 1;
    return resolved.substr(0, name) + "." + resolved.substr(name) + ".tessaryn-lock";
}

FileLock::~FileLock() {
    release();
}

LockOutcome FileLock::take(const std::string& destination, double waitSeconds) {
    using Clock = std::chrono::steady_clock;
    release();
    error_ = 0;
    lockPath_ = lockFileFor(destination);
    if (lockPath_.empty()) return LockOutcome::NoLockFile;
    const Clock::time_point deadline =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(
                           std::chrono::duration<double>(std::max(waitSeconds, 0.0)));
    unsigned pause = 1;
    // Each turn opens the file the name holds now. A turn ends without an answer only
    // when the file it locked had been deleted by its holder; the next finds the name
    // free or held by a newer file, and its wait is bounded by the same deadline.
    for (;;) {
        bool folderRefuses = false;
        errno = 0;
        const std::intptr_t handle = lock_platform::openLockFile(lockPath_, folderRefuses);
        if (handle == kNoHandle) {
            error_ = errno;
            return folderRefuses ? LockOutcome::NoLockFile : LockOutcome::Failed;
        }
        lock_platform::Attempt attempt = lock_platform::Attempt::Held;
        while ((attempt = lock_platform::tryLock(handle)) == lock_platform::Attempt::Held &&
               Clock::now() < deadline) {
            lock_platform::pauseMilliseconds(pause);
            pause = std::min(pause * 2, kLongestPause);
        }
        if (attempt != lock_platform::Attempt::Locked) {
            error_ = errno;
            lock_platform::closeLockFile(handle, lockPath_, false);
            return attempt == lock_platform::Attempt::Held ? LockOutcome::Busy
                                                           : LockOutcome::Failed;
        }
        if (lock_platform::stillNamed(handle, lockPath_)) {
            handle_ = handle;
            return LockOutcome::Taken;
        }
        lock_platform::closeLockFile(handle, lockPath_, false);
    }
}

void FileLock::release() {
    if (handle_ == kNoHandle) return;
    // Deleted while still held: a waiter that then gets the deleted file sees that the
    // name no longer holds it, and takes the one the name holds next.
    lock_platform::closeLockFile(handle_, lockPath_, true);
    handle_ = kNoHandle;
}

}  // namespace tessaryn
