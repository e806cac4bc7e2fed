// A small tmpfs mounted for a test (Linux, where the test may mount: as root), in a mount
// namespace of the test process's own, so that it vanishes with the process however it
// ends; the tool's runs, its children, see it too. Filled up on demand, to make writes
// fail with ENOSPC where they would otherwise succeed.
#pragma once

#if defined(__linux__)
#include <cstdint>
#include <string>

namespace testing_support {

class SmallDisk {
public:
    // Makes `folder` and mounts a tmpfs of `size` (as mount's size option: "256k") on it;
    // mounted() says whether that worked, why() why not.
    SmallDisk(const std::string& folder, const char* size);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& why() const { return why_; }

    // Fills it with one file, "filler", until `room` bytes are left (0: none at all).
    // False when it has less room than that already.
    bool leaveRoom(std::uint64_t room) const;
    // Mounts it again read-only: no file in it can be written or created any more.
    bool makeReadOnly() const;

private:
    std::string folder_;
    std::string why_;
    bool mounted_ = false;
};

}  // namespace testing_support
#endif
