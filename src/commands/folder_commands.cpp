// The folder services: one folder listing read a name per call, and deletions.
#include "base/file_system.h"
#include "commands/command_frame.h"
#include "folder/folder_sweep.h"
#include "folder/listing_slot.h"

using namespace tessaryn;

TESSARYN_API OpenFolder(const char* text, double, char*, int) {
    return guarded([&] { return openListingSlot(text) ? TESSARYN_OK : TESSARYN_FAILED; });
}

TESSARYN_API GetFile(const char*, double, char* buffer, int) {
    if (buffer == nullptr) return TESSARYN_FAILED;  // and the listing stays where it was
    switch (nextSlotEntry(buffer)) {
        case SlotEntry::Written:
            return TESSARYN_OK;
        case SlotEntry::End:
            return TESSARYN_NO_MORE_ENTRIES;
        case SlotEntry::NoListing:
            break;
    }
    return TESSARYN_FAILED;
}

TESSARYN_API CloseFolder(const char*, double, char*, int) {
    return closeListingSlot() ? TESSARYN_OK : TESSARYN_FAILED;
}

TESSARYN_API FileDelete(const char* text, double, char*, int) {
    if (text == nullptr) return TESSARYN_FAILED;
    return deleteFile(text) ? TESSARYN_OK : TESSARYN_FAILED;
}

TESSARYN_API EmptyFolder(const char* text, double, char*, int) {
    return guarded([&] { return SweepFolder(text) ? TESSARYN_OK : TESSARYN_FAILED; });
}
