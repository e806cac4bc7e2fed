#include "tools/json_object.h"

#include <cstdio>

namespace tool {

std::string jsonString(std::string_view text) {
    std::string json = "\"";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            json += escaped;
        } else {
            json += c;
        }
    }
    return json + "\"";
}

JsonObject& JsonObject::member(const char* key, const std::string& json) {
    if (!members_.empty()) members_ += ", ";
    members_ += jsonString(key) + ": " + json;
    return *this;
}

JsonObject& JsonObject::add(const char* key, std::string_view value) {
    return member(key, jsonString(value));
}

JsonObject& JsonObject::add(const char* key, std::int64_t value) {
    return member(key, std::to_string(value));
}

JsonObject& JsonObject::add(const char* key, bool value) {
    return member(key, value ? "true" : "false");
}

JsonObject& JsonObject::addNull(const char* key) {
    return member(key, "null");
}

JsonObject& JsonObject::addJson(const char* key, const std::string& json) {
    return member(key, json);
}

}  // namespace tool
