#include "folder/listing_slot.h"

#include <cstring>

#include "folder/folder_listing.h"

namespace tessaryn {

namespace {
FolderListing* currentListing = nullptr;
}

bool openListingSlot(const char* path) {
    CloseListing(currentListing);
    currentListing = nullptr;
    currentListing = OpenListing(path);
    return currentListing != nullptr;
}

SlotEntry nextSlotEntry(char* buffer) {
    if (currentListing == nullptr) return SlotEntry::NoListing;
    const char* name = NextEntry(currentListing);
    if (name == nullptr) return SlotEntry::End;
    std::memcpy(buffer, name, std::strlen(name) + 1);
    return SlotEntry::Written;
}

bool closeListingSlot() {
    if (currentListing == nullptr) return false;
    CloseListing(currentListing);
    currentListing = nullptr;
    return true;
}

}  // namespace tessaryn
