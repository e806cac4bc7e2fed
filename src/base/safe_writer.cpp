#include "base/safe_writer.h"

#include <cerrno>
#include <cstring>
#include <new>

namespace tessaryn {

namespace {

constexpr std::size_t kBufferSize = std::size_t{1} << 20;

// A new file in the destination's folder, so that moving it over the destination is
// one step of one file system; its name starts with a dot and names this process.
std::FILE* createTemporaryBeside(const Destination& destination, std::string& temporaryPath) {
    std::string folder;
    std::string::size_type separator = destination.path.find_last_of(kPathSeparators);
    if (separator != std::string::npos) folder = destination.path.substr(0, separator + 1);
    static unsigned serial = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporaryPath = folder + ".tessaryn-" + std::to_string(processNumber()) + "-" +
                        std::to_string(++serial) + ".tmp";
        bool taken = false;
        std::FILE* file = createNewFile(temporaryPath, taken);
        if (file != nullptr || !taken) return file;
    }
    return nullptr;
}

}  // namespace

SafeWriter::~SafeWriter() {
    abandon();
}

bool SafeWriter::open(const char* destination) {
    abandon();
    failed_ = false;
    if (!inspectDestination(destination, destination_)) return false;
    errno = 0;
    file_ = createTemporaryBeside(destination_, temporaryPath_);
    if (file_ == nullptr && errno == ENOMEM) throw std::bad_alloc();
    if (file_ == nullptr) return false;
    std::setvbuf(file_, nullptr, _IONBF, 0);
    if (buffer_ == nullptr) buffer_.reset(new char[kBufferSize]);
    used_ = 0;
    return true;
}

void SafeWriter::flush() {
    if (used_ == 0 || failed_) return;
    if (std::fwrite(buffer_.get(), 1, used_, file_) != used_) failed_ = true;
    used_ = 0;
}

void SafeWriter::write(std::string_view bytes) {
    if (failed_ || file_ == nullptr) return;
    if (bytes.size() > kBufferSize - used_) {
        flush();
        if (bytes.size() >= kBufferSize) {
            if (!failed_ && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
                failed_ = true;
            }
            return;
        }
    }
    std::memcpy(buffer_.get() + used_, bytes.data(), bytes.size());
    used_ += bytes.size();
}

void SafeWriter::writeLine(std::string_view line) {
    write(line);
    write("\r\n");
}

bool SafeWriter::commit() {
    if (file_ == nullptr) return false;
    flush();
    bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (failed_ || !closed || !replaceDestination(temporaryPath_, destination_)) {
        std::remove(temporaryPath_.c_str());
        temporaryPath_.clear();
        return false;
    }
    temporaryPath_.clear();
    return true;
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
