#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <new>
#include <string>

#include "base/file_system.h"

namespace tessaryn {

namespace {

// The file a symbolic link or junction points to, as a path the ANSI functions take.
bool finalPath(const char* path, std::string& resolved) {
    HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    char buffer[MAX_PATH + 8];
    DWORD length = GetFinalPathNameByHandleA(file, buffer, sizeof buffer, FILE_NAME_NORMALIZED);
    CloseHandle(file);
    if (length == 0 || length >= sizeof buffer) return false;
    resolved.assign(buffer, length);
    if (resolved.compare(0, 4, "\\\\?\\") == 0 && resolved.size() > 6 && resolved[5] == ':') {
        resolved.erase(0, 4);
    }
    return true;
}

// Puts an open file's data and its entry on the disk; NTFS writes its log with them,
// which holds the renames that came before.
bool flushHandle(HANDLE file) {
    return FlushFileBuffers(file) != 0;
}

// The system's last error as the C library's error number, so that a caller tells the
// reason in one way on every platform.
bool failWithLastError() {
    switch (GetLastError()) {
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            errno = EACCES;
            break;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            errno = ENOENT;
            break;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            errno = EEXIST;
            break;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            errno = ENOSPC;
            break;
        case ERROR_WRITE_PROTECT:
            errno = EROFS;
            break;
        default:
            errno = EIO;
            break;
    }
    return false;
}

// The volume and index of the file `path` names, links followed; false when none.
bool fileIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION& identity) {
    HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool known = GetFileInformationByHandle(file, &identity) != 0;
    CloseHandle(file);
    return known;
}

}  // namespace

bool inspectDestination(const char* path, Destination& destination) {
    destination = Destination{};
    destination.path = path;
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return true;
        return failWithLastError();
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        if (!finalPath(path, destination.path)) return failWithLastError();
        attributes = GetFileAttributesA(destination.path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return failWithLastError();
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        errno = EISDIR;
        return false;
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        errno = EACCES;
        return false;
    }
    destination.exists = true;
    destination.permissions = attributes;
    return true;
}

std::FILE* createNewFile(const std::string& path, bool& taken) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    taken = file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS;
    if (file == INVALID_HANDLE_VALUE) {
        failWithLastError();
        return nullptr;
    }
    int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_BINARY | _O_WRONLY);
    if (descriptor < 0) {
        CloseHandle(file);
        DeleteFileA(path.c_str());
        return nullptr;
    }
    std::FILE* stream = _fdopen(descriptor, "wb");
    if (stream == nullptr) {
        _close(descriptor);
        DeleteFileA(path.c_str());
    }
    return stream;
}

std::FILE* createUnnamedFile(const std::string&) {
    return nullptr;  // Windows has no unnamed files: the named temporary file is used
}

bool nameUnnamedFile(std::FILE*, const std::string&, bool& taken) {
    taken = false;
    return false;
}

bool syncFile(std::FILE* file) {
    if (std::fflush(file) != 0) return false;
    return flushHandle(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file))));
}

void startWriteOut(std::FILE*) {
    // Windows has no request to start a write-out without waiting for it.
}

void syncFolder(const std::string&) {
    // A folder cannot be flushed here; replaceDestination makes its renames reach the disk.
}

unsigned long processNumber() {
    return GetCurrentProcessId();
}

bool replaceDestination(const std::string& temporaryPath, const Destination& destination) {
    // ReplaceFile keeps the destination's attributes and security; a new file is moved.
    if (destination.exists && ReplaceFileA(destination.path.c_str(), temporaryPath.c_str(), nullptr,
                                           REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
        // ReplaceFile has no write-through of its own: flushing the replaced file makes
        // the replacement reach the disk. The file is in place whatever this answers.
        HANDLE replaced = CreateFileA(destination.path.c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (replaced != INVALID_HANDLE_VALUE) {
            flushHandle(replaced);
            CloseHandle(replaced);
        }
        return true;
    }
    // Write-through: the call returns once the move is on the disk.
    return MoveFileExA(temporaryPath.c_str(), destination.path.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool seekFile(std::FILE* file, std::uint64_t offset) {
    return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
}

bool fileSize(std::FILE* file, std::uint64_t& size) {
    struct _stat64 status {};
    if (_fstat64(_fileno(file), &status) != 0 || (status.st_mode & _S_IFREG) == 0) return false;
    size = static_cast<std::uint64_t>(status.st_size);
    return true;
}

bool sameOpenFile(std::FILE* first, std::FILE* second) {
    BY_HANDLE_FILE_INFORMATION one{};
    BY_HANDLE_FILE_INFORMATION other{};
    const auto handle = [](std::FILE* file) {
        return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    };
    return GetFileInformationByHandle(handle(first), &one) != 0 &&
           GetFileInformationByHandle(handle(second), &other) != 0 &&
           one.dwVolumeSerialNumber == other.dwVolumeSerialNumber &&
           one.nFileIndexHigh == other.nFileIndexHigh && one.nFileIndexLow == other.nFileIndexLow;
}

bool sameFile(const std::string& first, const std::string& second) {
    BY_HANDLE_FILE_INFORMATION one{};
    BY_HANDLE_FILE_INFORMATION other{};
    return fileIdentity(first, one) && fileIdentity(second, other) &&
           one.dwVolumeSerialNumber == other.dwVolumeSerialNumber &&
           one.nFileIndexHigh == other.nFileIndexHigh && one.nFileIndexLow == other.nFileIndexLow;
}

bool deleteFile(const char* path) {
    return std::remove(path) == 0;  // deletes files, never folders
}

// Plain heap memory: large pages need a privilege that hosts do not grant.
void* allocateChunk(std::size_t bytes, bool) {
    return ::operator new(bytes);
}

void releaseChunk(void* chunk, std::size_t) {
    ::operator delete(chunk);
}

}  // namespace tessaryn
