// The platform's enumeration of a folder's entries, behind one small interface:
// folder_enumeration_posix.cpp and folder_enumeration_windows.cpp implement it.
#pragma once

#include <cstddef>

#include "tessaryn.h"

namespace tessaryn {

// An entry name as the C library's file functions take it: at most
// TESSARYN_NAME_BUFFER_SIZE - 1 bytes and NUL.
constexpr std::size_t kEntryNameSize = TESSARYN_NAME_BUFFER_SIZE;

struct Enumeration;

// Starts listing the folder at `path` (non-empty, shorter than TESSARYN_NAME_BUFFER_SIZE
// characters) and fetches its first entry. Null when the folder cannot be listed or has
// no entry.
Enumeration* startEnumeration(const char* path);

// Fetches the next entry. False at the end or when the fetch fails.
bool fetchNextEntry(Enumeration* enumeration);

// Writes the 8-bit name of the entry fetched last, NUL-terminated, into `name`: its long
// name, else its short alternative name, else "?" when neither has an 8-bit form.
void entryName(const Enumeration* enumeration, char (&name)[kEntryNameSize]);

// Ends the enumeration and releases it.
void endEnumeration(Enumeration* enumeration);

}  // namespace tessaryn
