// The library's one open folder listing, which outlives the calls of OpenFolder,
// GetFile and CloseFolder. The host calls them one at a time.
#pragma once

namespace tessaryn {

// Closes the listing the slot holds, then opens one of `path` into it. False when the
// folder cannot be listed; the slot is then empty.
bool openListingSlot(const char* path);

enum class SlotEntry { Written, NoListing, End };

// Copies the next entry name of the slot's listing, NUL included, into `buffer`
// (at most 260 bytes). `buffer` is untouched unless the result is Written.
SlotEntry nextSlotEntry(char* buffer);

// Closes the slot's listing. False when the slot is empty.
bool closeListingSlot();

}  // namespace tessaryn
