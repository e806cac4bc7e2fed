#include "tools/wait_seconds.h"

#include <cstddef>

namespace tool {

namespace {
// The longest --wait taken, in whole seconds' digits: over three months.
constexpr std::size_t kWaitDigits = 7;
}  // namespace

bool readWaitSeconds(const std::string& text, double& seconds) {
    std::size_t whole = 0;
    while (whole < text.size() && text[whole] >= '0' && text[whole] <= '9') ++whole;
    if (whole == 0 || whole > kWaitDigits) return false;
    seconds = 0.0;
    for (std::size_t i = 0; i < whole; ++i) seconds = seconds * 10.0 + (text[i] - '0');
    if (whole == text.size()) return true;
    if (text[whole] != '.' || whole + 1 == text.size()) return false;
    double scale = 0.1;
    for (std::size_t i = whole + 1; i < text.size(); ++i, scale /= 10.0) {
        if (text[i] < '0' || text[i] > '9') return false;
        seconds += scale * (text[i] - '0');
    }
    return true;
}

}  // namespace tool
