// The few file-system operations that differ between platforms, behind one interface.
// file_system_posix.cpp and file_system_windows.cpp implement it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace tessaryn {

// The separators of a path as the host writes it, whatever the system: the backslash
// and the slash.
constexpr const char* kHostPathSeparators = "\\/";
#if defined(_WIN32)
constexpr char kPathSeparator = '\\';                         // put between a folder and a name
constexpr const char* kPathSeparators = kHostPathSeparators;  // read in a path
#else
constexpr char kPathSeparator = '/';
constexpr const char* kPathSeparators = "/";
#endif

// What an output destination is, looked at before anything is written.
struct Destination {
    std::string path;  // the file to replace: a symbolic link's target, not the link
    bool exists = false;
    unsigned permissions = 0;  // of the existing file, to give to its replacement
    // Its owner and group (POSIX), to give to its replacement where the system allows.
    unsigned long owner = 0;
    unsigned long group = 0;
};

// False when a direct write to `path` would be refused: a folder, a read-only file.
// A missing file is fine here; a missing folder fails when the temporary file is made.
bool inspectDestination(const char* path, Destination& destination);

// Creates `path` as a new, empty file opened for binary writing; never opens a file that
// is there already. Null on failure, with `taken` set when the name was in use.
std::FILE* createNewFile(const std::string& path, bool& taken);

// This process's number, which keeps its temporary names apart from other processes'.
unsigned long processNumber();

// A new file with no name in `folder` (empty for the current folder), opened for binary
// writing, that nothing sees until nameUnnamedFile links it in: a killed process leaves
// nothing behind. Null where the system or the file system has no such files (always on
// Windows); the caller then writes a named temporary file.
std::FILE* createUnnamedFile(const std::string& folder);

// Gives the unnamed file `file` the name `path` in its folder. False with `taken` set when
// the name is in use.
bool nameUnnamedFile(std::FILE* file, const std::string& path, bool& taken);

// Puts what has been written to `file` on the disk, so that a power cut after the file
// has replaced the destination cannot leave the destination empty or full of zeros.
bool syncFile(std::FILE* file);

// Asks the system to start writing what has been written to `file` out to the disk
// now, without waiting for it: the sync before the replacement then finds most of it
// done, and the disk works while the caller goes on computing. Does nothing where the
// system has no such request.
void startWriteOut(std::FILE* file);

// Puts the names in `folder` (empty for the current folder) on the disk, so that a new
// name or a rename survives a power cut. Does nothing where folders cannot be synced.
void syncFolder(const std::string& folder);

// Gives the finished, closed and synced temporary file the existing destination's
// owner and group where the system allows, and its permissions, and moves it over the
// destination in one step.
bool replaceDestination(const std::string& temporaryPath, const Destination& destination);

// Moves `file`'s position to `offset` bytes from its start, past 2 GB too.
bool seekFile(std::FILE* file, std::uint64_t offset);

// The size of the open file `file` in bytes, past 4 GB too; false for what has none (a
// folder).
bool fileSize(std::FILE* file, std::uint64_t& size);

// True when the open files `first` and `second` are one file: a second opening of a path
// still finds what the first found, not a file put in its place since.
bool sameOpenFile(std::FILE* first, std::FILE* second);

// True when `first` and `second` name one existing file, whatever their spellings and
// the links on the way: the same device and inode (POSIX), the same volume and file
// index (Windows). False when either is missing.
bool sameFile(const std::string& first, const std::string& second);

// Deletes a file; never a folder. True when it is gone.
bool deleteFile(const char* path);

// Memory for a chunk of `bytes` of a large array (chunked_array.h); `huge` asks for it on
// a 2 MiB boundary, offered to the system as huge pages where it has them. Throws
// std::bad_alloc when there is none. releaseChunk gives it back, with the same size.
void* allocateChunk(std::size_t bytes, bool huge);
void releaseChunk(void* chunk, std::size_t bytes);

}  // namespace tessaryn
