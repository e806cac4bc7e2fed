// `tessaryn creases OBJ SCENE`: the core's crease road for every scene, from a shell.
#pragma once

#include <string>

#include "tools/command_line.h"
#include "tools/lazy_library.h"

namespace tool {

// The options `creases` takes, for its syntax (a function: the syntax table of another
// file is built from it while statics are initialised).
std::vector<OptionSyntax> creaseOptions();

// Runs `creases`; the exit status (0 done, 1 refused or failed). On misuse sets `misuse`
// to what was wrong and writes nothing.
int runCreases(LazyLibrary& library, const Invocation& invocation, std::string& misuse);

// The misuse of a `creases` run as its one JSON object, for --json.
std::string creasesMisuseJson(const std::string& what);

}  // namespace tool
