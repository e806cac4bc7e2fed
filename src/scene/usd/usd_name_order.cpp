#include "scene/usd/usd_name_order.h"

#include <cstddef>

namespace tessaryn {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool dictionaryLess(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            // Compare the runs by value: leading zeros aside, the longer run is larger,
            // and runs of one length compare digit by digit.
            while (i < a.size() && a[i] == '0') ++i;
            while (j < b.size() && b[j] == '0') ++j;
            std::size_t endA = i;
            std::size_t endB = j;
            while (endA < a.size() && isDigit(a[endA])) ++endA;
            while (endB < b.size() && isDigit(b[endB])) ++endB;
            if (endA - i != endB - j) return endA - i < endB - j;
            for (; i < endA; ++i, ++j)
                if (a[i] != b[j]) return a[i] < b[j];
            continue;
        }
        const char x = lower(a[i]);
        const char y = lower(b[j]);
        if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size()) return j < b.size();
    return a < b;
}

}  // namespace tessaryn
