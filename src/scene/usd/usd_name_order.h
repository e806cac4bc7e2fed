// The order in which USD's writer sorts a prim's properties: "dictionary order", in
// which letters compare without regard to case and runs of digits by their value
// ("uv2" before "uv10"); names equal in that light fall back to a plain byte compare.
#pragma once

#include <string_view>

namespace tessaryn {

bool dictionaryLess(std::string_view a, std::string_view b);

}  // namespace tessaryn
