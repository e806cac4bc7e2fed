#include "folder/folder_listing.h"

#include <cstring>
#include <memory>

namespace tessaryn {

FolderListing* OpenListing(const char* path) {
    if (path == nullptr || path[0] == '\0') return nullptr;
    if (std::strlen(path) >= kEntryNameSize) return nullptr;
    auto listing = std::make_unique<FolderListing>();
    listing->search = startEnumeration(path);
    if (listing->search == nullptr) return nullptr;
    listing->firstPending = true;
    return listing.release();
}

const char* NextEntry(FolderListing* listing) {
    if (listing->firstPending) {
        listing->firstPending = false;
    } else if (listing->search == nullptr) {
        return nullptr;
    } else if (!fetchNextEntry(listing->search)) {
        endEnumeration(listing->search);
        listing->search = nullptr;
        return nullptr;
    }
    entryName(listing->search, listing->entryName);
    return listing->entryName;
}

void CloseListing(FolderListing* listing) {
    if (listing == nullptr) return;
    if (listing->search != nullptr) endEnumeration(listing->search);
    delete listing;
}

}  // namespace tessaryn
