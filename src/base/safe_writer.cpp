#include "base/safe_writer.h"

#include <cerrno>
#include <cstring>
#include <new>

namespace tessaryn {

namespace {

constexpr std::size_t kBufferSize = std::size_t{1} << 20;
// The write-out of a large file is started every this many bytes, so that it runs
// while the file is being made instead of all of it in the sync at the end.
constexpr std::uint64_t kWriteOutStep = std::uint64_t{16} << 20;

// The folder part of `path`, separator included; empty for a bare name.
std::string folderOf(const std::string& path) {
    std::string::size_type separator = path.find_last_of(kPathSeparators);
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

// A hidden name in `folder` that names this process: `.tessaryn-PID-N.tmp`.
std::string nextTemporaryName(const std::string& folder) {
    static unsigned serial = 0;
    return folder + ".tessaryn-" + std::to_string(processNumber()) + "-" +
           std::to_string(++serial) + ".tmp";
}

// Gives `claim` hidden names beside the destination (in its folder, so that moving the
// file over the destination is one step of one file system) until one is not taken.
// False when no name could be claimed.
template <typename Claim>
bool claimTemporaryName(const Destination& destination, std::string& temporaryPath, Claim claim) {
    const std::string folder = folderOf(destination.path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporaryPath = nextTemporaryName(folder);
        bool taken = false;
        if (claim(temporaryPath, taken)) return true;
        if (!taken) break;
    }
    temporaryPath.clear();
    return false;
}

// The file the new contents go to: unnamed where the system allows, else named.
std::FILE* createTemporaryBeside(const Destination& destination, std::string& temporaryPath) {
    temporaryPath.clear();
    std::FILE* file = createUnnamedFile(folderOf(destination.path));
    if (file != nullptr) return file;
    errno = 0;
    claimTemporaryName(destination, temporaryPath, [&file](const std::string& path, bool& taken) {
        file = createNewFile(path, taken);
        return file != nullptr;
    });
    return file;
}

// Gives the complete unnamed file its name: the destination's own when there is none to
// replace, else a hidden one that then replaces the destination.
bool nameTemporary(std::FILE* file, const Destination& destination, std::string& temporaryPath,
                   bool& inPlace) {
    bool taken = false;
    inPlace = !destination.exists && nameUnnamedFile(file, destination.path, taken);
    if (inPlace) return true;
    return claimTemporaryName(destination, temporaryPath,
                              [file](const std::string& path, bool& pathTaken) {
                                  return nameUnnamedFile(file, path, pathTaken);
                              });
}

}  // namespace

SafeWriter::~SafeWriter() {
    abandon();
}

bool SafeWriter::open(const char* destination) {
    abandon();
    failed_ = false;
    error_ = 0;
    errno = 0;
    if (!inspectDestination(destination, destination_)) return false;
    errno = 0;
    file_ = createTemporaryBeside(destination_, temporaryPath_);
    if (file_ == nullptr && errno == ENOMEM) throw std::bad_alloc();
    if (file_ == nullptr) return false;
    std::setvbuf(file_, nullptr, _IONBF, 0);
    if (buffer_ == nullptr) buffer_.reset(new char[kBufferSize]);
    used_ = 0;
    unstarted_ = 0;
    return true;
}

// Marks the writer failed, keeping the reason of the first failure only.
void SafeWriter::fail() {
    if (!failed_) error_ = errno;
    failed_ = true;
}

void SafeWriter::flush() {
    if (used_ == 0 || failed_) return;
    if (std::fwrite(buffer_.get(), 1, used_, file_) != used_) fail();
    written(used_);
    used_ = 0;
}

void SafeWriter::written(std::size_t bytes) {
    unstarted_ += bytes;
    if (unstarted_ < kWriteOutStep || failed_) return;
    startWriteOut(file_);
    unstarted_ = 0;
}

void SafeWriter::write(std::string_view bytes) {
    if (failed_ || file_ == nullptr) return;
    if (bytes.size() > kBufferSize - used_) {
        flush();
        if (bytes.size() >= kBufferSize) {
            if (!failed_ && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
                fail();
            }
            written(bytes.size());
            return;
        }
    }
    std::memcpy(buffer_.get() + used_, bytes.data(), bytes.size());
    used_ += bytes.size();
}

void SafeWriter::writeThrough(std::string_view bytes) {
    if (failed_ || file_ == nullptr) return;
    flush();
    if (!failed_ && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) fail();
    written(bytes.size());
}

void SafeWriter::writeAt(std::uint64_t offset, std::string_view bytes) {
    if (failed_ || file_ == nullptr) return;
    flush();
    if (failed_ || !seekFile(file_, offset) ||
        std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
        fail();
    }
    written(bytes.size());
}

void SafeWriter::writeLine(std::string_view line) {
    write(line);
    write("\r\n");
}

bool SafeWriter::commit() {
    if (file_ == nullptr) return false;
    flush();
    bool inPlace = false;
    errno = 0;
    bool ready = !failed_ && syncFile(file_);
    if (ready && temporaryPath_.empty()) {
        ready = nameTemporary(file_, destination_, temporaryPath_, inPlace);
    }
    if (!ready) fail();
    errno = 0;
    bool closed = std::fclose(file_) == 0;
    if (!closed) fail();
    file_ = nullptr;
    if (inPlace) {
        // Linked straight in as the destination, which did not exist before.
        if (!closed) {
            deleteFile(destination_.path.c_str());
            errno = error_;
        }
    } else if (!ready || !closed || !replaceDestination(temporaryPath_, destination_)) {
        if (!failed_) fail();  // the replacement's own reason
        abandon();
        errno = error_;
        return false;
    }
    temporaryPath_.clear();
    // The file is in place whatever this answers.
    syncFolder(folderOf(destination_.path));
    return closed;
}

void SafeWriter::abandon() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temporaryPath_.empty()) {
        std::remove(temporaryPath_.c_str());
        temporaryPath_.clear();
    }
}

}  // namespace tessaryn
