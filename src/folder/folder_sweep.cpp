#include "folder/folder_sweep.h"

#include <cstring>
#include <memory>
#include <string>

#include "base/file_system.h"
#include "folder/folder_listing.h"

namespace tessaryn {

namespace {

// Longest full path the sweep deletes; a longer one is passed over, never cut short,
// since a shortened path could name another file.
constexpr std::size_t kLongestSweptPath = 255;

}  // namespace

bool HasExtension(const char* path) {
    for (std::size_t i = std::strlen(path); i > 0; --i) {
        const char c = path[i - 1];
        if (c == '.') return true;
        if (std::strchr(kHostPathSeparators, c) != nullptr) return false;
    }
    return false;
}

Outcome SweepFolder(const char* path) {
    if (path == nullptr || path[0] == '\0')
        return Outcome::Refused;  // never the root folder by accident
    std::string folder = path;
    if (folder.back() != kPathSeparator) folder += kPathSeparator;
    std::unique_ptr<FolderListing, void (*)(FolderListing*)> listing(OpenListing(folder.c_str()),
                                                                     CloseListing);
    if (listing == nullptr) return Outcome::Refused;
    std::string full;
    while (const char* name = NextEntry(listing.get())) {
        // The folder's own "." and ".." entries, by name: a root folder has neither.
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        full.assign(folder).append(name);
        if (full.size() > kLongestSweptPath || !HasExtension(full.c_str())) continue;
        deleteFile(full.c_str());
    }
    return Outcome::Done;
}

}  // namespace tessaryn
