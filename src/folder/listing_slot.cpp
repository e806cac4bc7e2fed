#include "folder/listing_slot.h"

#include <cstring>

#include "folder/folder_listing.h"

namespace tessaryn {

namespace {
FolderListing* currentListing = nullptr;
}

Outcome openListingSlot(const char* path) {
    CloseListing(currentListing);
    currentListing = nullptr;
    currentListing = OpenListing(path);
    return currentListing != nullptr ? Outcome::Done : Outcome::Refused;
}

Outcome nextSlotEntry(char* buffer) {
    if (currentListing == nullptr) return Outcome::NoListing;
    const char* name = NextEntry(currentListing);
    if (name == nullptr) return Outcome::NoMoreEntries;
    std::memcpy(buffer, name, std::strlen(name) + 1);
    return Outcome::Done;
}

Outcome closeListingSlot() {
    if (currentListing == nullptr) return Outcome::NoListing;
    CloseListing(currentListing);
    currentListing = nullptr;
    return Outcome::Done;
}

}  // namespace tessaryn
