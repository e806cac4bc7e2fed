#pragma once

#include "base/outcome.h"

namespace tessaryn {

// Whether a dot stands after the last slash or backslash of `path`.
bool HasExtension(const char* path);

// Deletes every file directly inside the folder at `path` whose name has an extension;
// folders and files without a dot stay, and deletions the system refuses are passed
// over. Refused when the folder cannot be listed.
Outcome SweepFolder(const char* path);

}  // namespace tessaryn
