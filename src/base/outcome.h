// What a worker reports to the command that called it. The commands turn an outcome into
// the host's float result code in one place (commands/command_frame.h); nothing below
// them knows those codes.
#pragma once

#include <cstdint>

namespace tessaryn {

enum class Outcome {
    Done,           // success; the crease workers carry a count with it
    Unreadable,     // an input cannot be opened or read
    Refused,        // the work was refused: a swap the counts forbid, a folder not listed
    NoListing,      // a listing command with no listing open
    NoMoreEntries,  // the open listing has no further entry
    Unwritable,     // a text output cannot be written
    VyxUnwritable,  // the Vyx file cannot be written
    NoCreaseEdges,  // the OBJ has no group-border edge
    NoPlaceholder,  // the scene has no crease placeholder line
    BadIndex,       // a face names a vertex or texture coordinate the OBJ lacks
    TooManyGroups,  // more distinct group lines than the crease tables take
};

// An outcome and, for a success of the crease workers, their count of groups.
struct WorkResult {
    Outcome outcome = Outcome::Done;
    std::int32_t count = 0;

    // A worker that has no count returns its outcome as it is.
    // cppcheck-suppress noExplicitConstructor
    WorkResult(Outcome what) : outcome(what) {}  // NOLINT(google-explicit-constructor)
    WorkResult(Outcome what, std::int32_t howMany) : outcome(what), count(howMany) {}
};

}  // namespace tessaryn
