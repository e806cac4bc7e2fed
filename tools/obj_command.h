// `tessaryn obj SCENE OUT.obj`: one mesh node of a scene written out as an OBJ in the
// node's own vertex order, for the host to draw groups on and `creases` to bring back.
#pragma once

#include <string>
#include <vector>

#include "tools/command_line.h"
#include "tools/lazy_library.h"

namespace tool {

// The options `obj` takes, for its syntax.
std::vector<OptionSyntax> objOptions();

// Runs `obj`; the exit status (0 written, 1 refused or failed). On misuse sets `misuse`
// to what was wrong and writes nothing.
int runObj(LazyLibrary& library, const Invocation& invocation, std::string& misuse);

}  // namespace tool
