// The library's one open folder listing, which outlives the calls of OpenFolder,
// GetFile and CloseFolder. The host calls them one at a time.
#pragma once

#include "base/outcome.h"

namespace tessaryn {

// Closes the listing the slot holds, then opens one of `path` into it. Refused when the
// folder cannot be listed; the slot is then empty.
Outcome openListingSlot(const char* path);

// Copies the next entry name of the slot's listing, NUL included, into `buffer` (at
// most TESSARYN_NAME_BUFFER_SIZE bytes): Done, NoListing or NoMoreEntries. `buffer` is
// untouched unless the outcome is Done.
Outcome nextSlotEntry(char* buffer);

// Closes the slot's listing: Done, or NoListing when the slot is empty.
Outcome closeListingSlot();

}  // namespace tessaryn
