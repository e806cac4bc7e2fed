// What the tool finds out about a file itself once the library has refused a call, so
// that it can name the file concerned and say why.
#pragma once

#include <cstdint>
#include <string>

namespace tool {

// Why a file could not be written, as far as the tool can tell after the failure.
struct WriteFailure {
    // The folder that takes no new file, as the path names it ("ro/", "./"): the output
    // is made beside the file it replaces, so that is the cause. Empty otherwise.
    std::string folder;
    // The system's words ("No space left on device"), or "it is read-only", "it is a
    // folder"; empty when the files do not tell.
    std::string reason;
};

// Why `path` could not be written. `error` is the errno of the failing call where the
// caller has it (0 when not: the library's commands answer a result code alone), and
// `room` the bytes the output may take, weighed against the room left on its device
// when nothing else tells. Looks in this order: the file itself (a folder, read-only,
// not permitted), a file created in its folder and removed again, `error`, the room.
WriteFailure whyNotWritten(const std::string& path, int error, std::uint64_t room);

// The size of the file `path`; 0 when it has none or cannot be looked at.
std::uint64_t sizeOf(const std::string& path);

// Why `path` cannot be read, in the system's words; empty when it can.
std::string whyUnreadable(const std::string& path);

// Why `path` cannot be opened for writing (without changing it); empty when it can.
std::string whyUnwritable(const std::string& path);

// Why the file `path` could not be deleted, as far as the tool can tell: it is missing,
// a folder, or its folder refuses; empty when it cannot tell.
std::string whyNotDeleted(const std::string& path);

// Why the folder `path` cannot be listed, in the system's words; empty when it can.
std::string whyNotListed(const std::string& path);

}  // namespace tool
