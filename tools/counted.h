// A count with the noun it counts, for the tool's sentences.
#pragma once

#include <cstdint>
#include <string>

namespace tool {

// "1 group", "2 groups"; with `several` for a noun that does not just take an s:
// "1 vertex", "8 vertices".
std::string counted(std::int64_t count, const char* one, const char* several = nullptr);

}  // namespace tool
