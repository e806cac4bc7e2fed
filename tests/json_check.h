// A strict check of JSON text, for the tool's --json output: one value and nothing but
// white space around it, strings of valid UTF-8 without raw control characters.
#pragma once

#include <string>

namespace testing_support {

// Empty when `text` is one valid JSON value; else what is wrong and where.
std::string jsonProblem(const std::string& text);

}  // namespace testing_support
