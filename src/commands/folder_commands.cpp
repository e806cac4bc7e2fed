// The folder services: one folder listing read a name per call, and deletions.
#include "base/file_system.h"
#include "commands/command_frame.h"
#include "folder/folder_sweep.h"
#include "folder/listing_slot.h"

using namespace tessaryn;

TESSARYN_API OpenFolder(const char* text, double, char*, int) {
    return runWorker([&] { return openListingSlot(text); });
}

TESSARYN_API GetFile(const char*, double, char* buffer, int) {
    if (buffer == nullptr) return TESSARYN_FAILED;  // and the listing stays where it was
    return runWorker([&] { return nextSlotEntry(buffer); });
}

TESSARYN_API CloseFolder(const char*, double, char*, int) {
    return runWorker([] { return closeListingSlot(); });
}

TESSARYN_API FileDelete(const char* text, double, char*, int) {
    if (text == nullptr) return TESSARYN_FAILED;
    return runWorker([&] { return deleteFile(text) ? Outcome::Done : Outcome::Refused; });
}

TESSARYN_API EmptyFolder(const char* text, double, char*, int) {
    return runWorker([&] { return SweepFolder(text); });
}
