#include "tools/counted.h"

#include "base/numbers.h"

namespace tool {

std::string counted(std::int64_t count, const char* one, const char* several) {
    std::string text;
    tessaryn::appendDecimal(text, count);
    text += ' ';
    text += count == 1 || several == nullptr ? one : several;
    if (count != 1 && several == nullptr) text += 's';
    return text;
}

}  // namespace tool
