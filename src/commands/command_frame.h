#pragma once

#include <exception>

#include "tessaryn.h"

namespace tessaryn {

// Runs one command's work. Nothing thrown leaves the library: exhausted memory, or any
// other exception, becomes TESSARYN_UNEXPECTED. Every output is written through a
// SafeWriter, whose destructor removes its unfinished file, so no file has changed then.
template <typename Work>
float guarded(Work&& work) noexcept {
    try {
        return work();
    } catch (...) {
        return TESSARYN_UNEXPECTED;
    }
}

}  // namespace tessaryn
