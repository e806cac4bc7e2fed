#include "scene/maya/maya_index_range.h"

#include <limits>

namespace tessaryn {

bool readMayaIndex(std::string_view digits, std::int64_t& value) {
    constexpr std::int64_t kIndexLimit = std::numeric_limits<std::int32_t>::max();
    if (digits.empty() || digits.size() > 10) return false;
    value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return value < kIndexLimit;
}

bool readMayaIndexRange(std::string_view range, std::int64_t& first, std::int64_t& last) {
    const std::size_t colon = range.find(':');
    if (colon == std::string_view::npos) {
        if (!readMayaIndex(range, first)) return false;
        last = first;
        return true;
    }
    return readMayaIndex(range.substr(0, colon), first) &&
           readMayaIndex(range.substr(colon + 1), last) && first <= last;
}

}  // namespace tessaryn
