// One JSON object, built key by key, for the tool's --json output.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tool {

// `text` as a JSON string, quotes included; bytes that are not UTF-8 are given as
// they are (paths are bytes).
std::string jsonString(std::string_view text);

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
    std::string text() const { return "{" + members_ + "}"; }

private:
    JsonObject& member(const char* key, const std::string& json);
    std::string members_;
};

}  // namespace tool
