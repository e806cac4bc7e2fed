// The one place where workers' outcomes become the host's result codes, and the one
// place that catches everything.
#pragma once

#include "base/outcome.h"
#include "tessaryn.h"

namespace tessaryn {

inline float resultCode(WorkResult result) {
    switch (result.outcome) {
        case Outcome::Done:
            return static_cast<float>(result.count);
        case Outcome::Unreadable:
        case Outcome::Refused:
        case Outcome::NoListing:
            return TESSARYN_FAILED;
        // GetFile's end of listing and a text output not written share the value -3.
        case Outcome::NoMoreEntries:  // NOLINT(bugprone-branch-clone)
            return TESSARYN_NO_MORE_ENTRIES;
        case Outcome::Unwritable:
            return TESSARYN_CANNOT_WRITE;
        case Outcome::VyxUnwritable:
            return TESSARYN_VYX_CANNOT_WRITE;
        case Outcome::NoCreaseEdges:
            return TESSARYN_NO_CREASE_EDGES;
        case Outcome::NoPlaceholder:
            return TESSARYN_NO_PLACEHOLDER;
        case Outcome::BadIndex:
            return TESSARYN_BAD_INDEX;
        case Outcome::TooManyGroups:
            return TESSARYN_TOO_MANY_GROUPS;
    }
    return TESSARYN_UNEXPECTED;
}

// Runs one command's work and gives its result code. Nothing thrown leaves the library:
// exhausted memory, or any other exception, becomes TESSARYN_UNEXPECTED. Every output
// is written through a SafeWriter, whose destructor removes its unfinished file, so no
// file has changed then.
template <typename Work>
float runWorker(Work&& work) noexcept {
    try {
        return resultCode(work());
    } catch (...) {
        return TESSARYN_UNEXPECTED;
    }
}

}  // namespace tessaryn
