#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/mman.h>
#endif

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <new>
#include <string>

#include "base/file_system.h"

namespace tessaryn {

bool inspectDestination(const char* path, Destination& destination) {
    destination = Destination{};
    destination.path = path;
    struct stat facts {};
    if (lstat(path, &facts) != 0) return errno == ENOENT;
    if (S_ISLNK(facts.st_mode)) {
        char* target = realpath(path, nullptr);
        if (target == nullptr) return false;  // a dangling or looping link
        destination.path = target;
        std::free(target);
        if (stat(destination.path.c_str(), &facts) != 0) return false;
    }
    if (S_ISDIR(facts.st_mode)) return false;
    // A file with no write bit is read-only even for a user whom the system would let
    // write it anyway, as a read-only file is on Windows.
    if ((facts.st_mode & 0222) == 0 || access(destination.path.c_str(), W_OK) != 0) return false;
    destination.exists = true;
    destination.permissions = facts.st_mode & 07777;
    destination.owner = facts.st_uid;
    destination.group = facts.st_gid;
    return true;
}

std::FILE* createNewFile(const std::string& path, bool& taken) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    taken = fd < 0 && errno == EEXIST;
    if (fd < 0) return nullptr;
    std::FILE* file = fdopen(fd, "wb");
    if (file != nullptr) return file;
    const int error = errno;
    ::close(fd);
    ::unlink(path.c_str());
    errno = error;
    return nullptr;
}

std::FILE* createUnnamedFile(const std::string& folder) {
#if defined(O_TMPFILE)
    const std::string where = folder.empty() ? "." : folder;
    int fd = ::open(where.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;  // a kernel or file system without unnamed files
    // The name is given through /proc; without /proc the file could never be named.
    if (access(("/proc/self/fd/" + std::to_string(fd)).c_str(), F_OK) != 0) {
        ::close(fd);
        return nullptr;
    }
    std::FILE* file = fdopen(fd, "wb");
    if (file == nullptr) ::close(fd);
    return file;
#else
    (void)folder;
    return nullptr;
#endif
}

bool nameUnnamedFile(std::FILE* file, const std::string& path, bool& taken) {
    const std::string self = "/proc/self/fd/" + std::to_string(fileno(file));
    const bool named =
        linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0;
    taken = !named && errno == EEXIST;
    return named;
}

bool syncFile(std::FILE* file) {
    return std::fflush(file) == 0 && fsync(fileno(file)) == 0;
}

void startWriteOut(std::FILE* file) {
#if defined(__linux__)
    // Every dirty page of the file not yet on its way; pages already written out or
    // under way are passed over, so asking again costs little.
    (void)sync_file_range(fileno(file), 0, 0, SYNC_FILE_RANGE_WRITE);
#else
    (void)file;
#endif
}

void syncFolder(const std::string& folder) {
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    // The rename is done whatever this answers; some file systems cannot sync a folder.
    (void)fsync(fd);
    ::close(fd);
}

unsigned long processNumber() {
    return static_cast<unsigned long>(getpid());
}

// Gives the new file the old one's owner and group. Only a privileged process may give
// a file away; any other keeps the group where it belongs to it, and else the file is
// its own, as any new file would be: the replacement goes ahead either way.
void keepOwnership(const std::string& temporaryPath, const Destination& destination) {
    const auto owner = static_cast<uid_t>(destination.owner);
    const auto group = static_cast<gid_t>(destination.group);
    if (chown(temporaryPath.c_str(), owner, group) == 0) return;
    (void)chown(temporaryPath.c_str(), static_cast<uid_t>(-1), group);
}

bool replaceDestination(const std::string& temporaryPath, const Destination& destination) {
    // The owner first: changing it clears the set-user and set-group bits chmod restores.
    if (destination.exists) keepOwnership(temporaryPath, destination);
    if (destination.exists && chmod(temporaryPath.c_str(), destination.permissions) != 0) {
        return false;
    }
    return rename(temporaryPath.c_str(), destination.path.c_str()) == 0;
}

bool seekFile(std::FILE* file, std::uint64_t offset) {
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
}

bool fileSize(std::FILE* file, std::uint64_t& size) {
    struct stat status {};
    if (fstat(fileno(file), &status) != 0 || !S_ISREG(status.st_mode)) return false;
    size = static_cast<std::uint64_t>(status.st_size);
    return true;
}

bool sameOpenFile(std::FILE* first, std::FILE* second) {
    struct stat one {};
    struct stat other {};
    return fstat(fileno(first), &one) == 0 && fstat(fileno(second), &other) == 0 &&
           one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

bool sameFile(const std::string& first, const std::string& second) {
    struct stat one {};
    struct stat other {};
    return stat(first.c_str(), &one) == 0 && stat(second.c_str(), &other) == 0 &&
           one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

bool deleteFile(const char* path) {
    return unlink(path) == 0;
}

#ifdef __linux__
namespace {
constexpr std::size_t kHugePage = std::size_t{1} << 21;
}

// Filling hundreds of megabytes of new memory 4 KiB page by page costs a page fault per
// page, about as much as reading the file; 2 MiB pages cost one fault each. So a huge
// chunk is mapped on a 2 MiB boundary and offered to the kernel as huge pages: every
// chunk after an array's first, and the first too once the array is expected to be
// large. A small array then touches only a few small pages.
void* allocateChunk(std::size_t bytes, bool huge) {
    const std::size_t mapped = huge ? bytes + kHugePage : bytes;
    void* start = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (start == MAP_FAILED) throw std::bad_alloc();
    if (!huge) return start;
    auto* first = static_cast<char*>(start);
    const std::size_t lead =
        (kHugePage - reinterpret_cast<std::uintptr_t>(first) % kHugePage) % kHugePage;
    if (lead > 0) munmap(first, lead);
    munmap(first + lead + bytes, kHugePage - lead);
#ifdef MADV_HUGEPAGE
    madvise(first + lead, bytes, MADV_HUGEPAGE);  // only advice: refused, small pages do
#endif
    return first + lead;
}

void releaseChunk(void* chunk, std::size_t bytes) {
    munmap(chunk, bytes);
}
#else
void* allocateChunk(std::size_t bytes, bool) {
    return ::operator new(bytes);
}

void releaseChunk(void* chunk, std::size_t) {
    ::operator delete(chunk);
}
#endif

}  // namespace tessaryn
