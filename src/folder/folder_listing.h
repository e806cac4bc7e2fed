// One open listing of one folder: the entries directly inside it, one name at a time.
#pragma once

#include "folder/folder_enumeration.h"

namespace tessaryn {

struct FolderListing {
    Enumeration* search = nullptr;  // null once the enumeration has ended
    bool firstPending = false;      // the first entry is fetched but not handed out
    char entryName[kEntryNameSize] = {};
};

// A listing of the folder at `path`, or null: an absent or empty path, one of
// TESSARYN_NAME_BUFFER_SIZE characters or more, or a folder that cannot be listed or
// has no entry.
FolderListing* OpenListing(const char* path);

// The name of the next entry, valid until the next call, or null at the end. Once it
// has given the end it gives the end again.
const char* NextEntry(FolderListing* listing);

// Ends the enumeration if it still runs and releases the listing.
void CloseListing(FolderListing* listing);

}  // namespace tessaryn
