// Loaded into a run of the tool with LD_PRELOAD: every sync of a file fails as a disk that
// has no room for what it was given fails it, after each write has been taken. So the
// failure comes where a full network or thinly provisioned disk reports it, at the sync.
#include <cerrno>

// Seen from outside although the build hides every other symbol.
#define FAULT_EXPORT __attribute__((visibility("default")))

extern "C" FAULT_EXPORT int fsync(int) {
    errno = ENOSPC;
    return -1;
}

extern "C" FAULT_EXPORT int fdatasync(int) {
    errno = ENOSPC;
    return -1;
}
