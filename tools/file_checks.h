// What the tool finds out about a file itself once the library has refused a call, so
// that it can name the file concerned and say why.
#pragma once

#include <string>

namespace tool {

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
