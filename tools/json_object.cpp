#include "tools/json_object.h"

#include <cstdio>

namespace tool {

namespace {

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

}  // namespace

std::size_t utf8SequenceLength(std::string_view text) {
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = at(0);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    // The second byte's range is what rules out overlong forms, surrogates and code
    // points beyond U+10FFFF.
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() < length || at(1) < low || at(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (!isContinuation(at(i))) return 0;
    }
    return length;
}

std::string jsonString(std::string_view text) {
    std::string json = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80) {
            const std::size_t length = utf8SequenceLength(text.substr(i));
            if (length == 0) {
                json += "\xEF\xBF\xBD";  // U+FFFD REPLACEMENT CHARACTER
                ++i;
            } else {
                json.append(text.substr(i, length));
                i += length;
            }
            continue;
        }
        ++i;
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

std::string jsonStrings(const std::vector<std::string>& texts) {
    std::string json = "[";
    for (const std::string& text : texts) {
        if (json.size() > 1) json += ", ";
        json += jsonString(text);
    }
    return json + "]";
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

JsonObject& JsonObject::addMembers(const JsonObject& other) {
    if (other.members_.empty()) return *this;
    if (!members_.empty()) members_ += ", ";
    members_ += other.members_;
    return *this;
}

}  // namespace tool
