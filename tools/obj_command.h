// `tessaryn obj SCENE OUT.obj`: one mesh node of a scene written out as an OBJ in the
// node's own vertex order, for the host to draw groups on and `creases` to bring back.
#pragma once

#include <string>
#include <vector>

#include "tools/command_line.h"
#include "tools/lazy_library.h"
#include "tools/reply.h"

namespace tool {

// The options `obj` takes, for its syntax.
std::vector<OptionSyntax> objOptions();

// Runs `obj`, saying what came of it through `reply`; the exit status (0 written, 1 refused
// or failed, 2 misuse that only the option values show).
int runObj(LazyLibrary& library, const Invocation& invocation, Reply& reply);

// The kinds of refusal its JSON object may give.
std::vector<const char*> objRefusalKinds();

}  // namespace tool
