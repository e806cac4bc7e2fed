#include "durable_floor.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace bench {

namespace {

constexpr std::size_t kBlock = std::size_t{1} << 20;

std::string folderOf(const std::string& path) {
    const std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash + 1);
}

bool fail(std::string& error, const std::string& what) {
    error = what + ": " + std::strerror(errno);
    return false;
}

// Reads `path` through `block`, keeping its first block's bytes there as the pattern
// written later. False on a read error.
bool readWhole(const std::string& path, char* block, std::size_t& pattern) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool first = pattern == 0;
    ssize_t got = 0;
    while ((got = ::read(fd, first ? block : block + kBlock, kBlock)) > 0) {
        if (first) pattern = static_cast<std::size_t>(got);
        first = false;
    }
    ::close(fd);
    return got == 0;
}

}  // namespace

bool writeDurableFloor(const std::vector<std::string>& inputs, const std::string& destination,
                       std::uint64_t bytes, std::string& error) {
    // One block holds the pattern, the next takes every later read.
    std::unique_ptr<char[]> block(new char[2 * kBlock]);
    std::size_t pattern = 0;
    for (const std::string& input : inputs) {
        if (!readWhole(input, block.get(), pattern)) return fail(error, "cannot read " + input);
    }
    if (pattern == 0) {
        std::memset(block.get(), 'x', kBlock);
        pattern = kBlock;
    }
    const std::string temporary = folderOf(destination) + ".floor-" + std::to_string(getpid());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return fail(error, "cannot create " + temporary);
    for (std::uint64_t left = bytes; left > 0;) {
        const std::size_t part = left < pattern ? static_cast<std::size_t>(left) : pattern;
        if (::write(fd, block.get(), part) != static_cast<ssize_t>(part)) {
            ::close(fd);
            ::unlink(temporary.c_str());
            return fail(error, "cannot write " + temporary);
        }
        left -= part;
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) return fail(error, "cannot sync " + temporary);
    if (std::rename(temporary.c_str(), destination.c_str()) != 0)
        return fail(error, "cannot rename to " + destination);
    const int folder = ::open(folderOf(destination).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return fail(error, "cannot open the folder of " + destination);
    const bool synced = ::fsync(folder) == 0;
    ::close(folder);
    return synced || fail(error, "cannot sync the folder of " + destination);
}

}  // namespace bench
