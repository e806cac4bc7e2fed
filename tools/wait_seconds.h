// --wait, as every command that takes a file's lock reads it.
#pragma once

#include <string>

namespace tool {

// How long a run waits for another run on its file when --wait does not say.
constexpr const char* kDefaultWait = "60";

// Seconds as --wait takes them: a decimal of 0 or more ("60", "0.5"); false for anything
// else.
bool readWaitSeconds(const std::string& text, double& seconds);

}  // namespace tool
