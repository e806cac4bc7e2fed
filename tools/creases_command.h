// `tessaryn creases OBJ SCENE`: the core's crease road for every scene, from a shell.
#pragma once

#include <string>

#include "tools/command_line.h"
#include "tools/lazy_library.h"
#include "tools/reply.h"

namespace tool {

// The options `creases` takes, for its syntax (a function: the syntax table of another
// file is built from it while statics are initialised).
std::vector<OptionSyntax> creaseOptions();

// Runs `creases`; the exit status (0 done, 1 refused or failed, 2 misuse, told through
// reply.misused() before anything is read).
int runCreases(LazyLibrary& library, const Invocation& invocation, Reply& reply);

}  // namespace tool
