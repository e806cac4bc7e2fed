// One JSON object, built key by key, for the tool's --json output.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tool {

// `text` as a JSON string, quotes included. Paths are bytes: each byte that is not part
// of valid UTF-8 becomes U+FFFD, so that the string is always valid JSON.
std::string jsonString(std::string_view text);

// The length of the valid UTF-8 sequence at the start of `text` (1 to 4), or 0 when its
// first byte starts none (a stray continuation byte, an overlong form, a surrogate, a
// code point beyond U+10FFFF, a sequence cut short).
std::size_t utf8SequenceLength(std::string_view text);

// `texts` as a JSON array of strings.
std::string jsonStrings(const std::vector<std::string>& texts);

class JsonObject {
public:
    JsonObject& add(const char* key, std::string_view value);
    JsonObject& add(const char* key, const char* value) {
        return add(key, std::string_view(value));
    }
    JsonObject& add(const char* key, std::int64_t value);
    JsonObject& add(const char* key, bool value);
    JsonObject& addNull(const char* key);
    // `json` is already a JSON value: an array or an object.
    JsonObject& addJson(const char* key, const std::string& json);
    // The members of `other`, after this one's.
    JsonObject& addMembers(const JsonObject& other);
    bool empty() const { return members_.empty(); }
    std::string text() const { return "{" + members_ + "}"; }

private:
    JsonObject& member(const char* key, const std::string& json);
    std::string members_;
};

}  // namespace tool
