// The indices of a Maya attribute name: "7" or "0:165" inside ".ed[...]". An index stays
// below the int32 limit, so that the highest index plus one is an int32.
#pragma once

#include <cstdint>
#include <string_view>

namespace tessaryn {

// A plain index of at most ten digits below the limit.
bool readMayaIndex(std::string_view digits, std::int64_t& value);

// "a:b" (a <= b) or "a" (both a).
bool readMayaIndexRange(std::string_view range, std::int64_t& first, std::int64_t& last);

}  // namespace tessaryn
