#include "json_check.h"

#include <cstring>

#include "tools/json_object.h"

namespace testing_support {

namespace {

class Checker {
public:
    explicit Checker(const std::string& text) : text_(text) {}

    std::string check() {
        space();
        if (!value()) return problem_;
        space();
        if (at_ != text_.size()) fail("text after the value");
        return problem_;
    }

private:
    bool fail(const char* what) {
        if (problem_.empty()) problem_ = std::string(what) + " at byte " + std::to_string(at_);
        return false;
    }
    bool more() const { return at_ < text_.size(); }
    char peek() const { return more() ? text_[at_] : '\0'; }
    void space() {
        while (more() && std::strchr(" \t\r\n", text_[at_]) != nullptr) ++at_;
    }
    bool literal(const char* word) {
        const std::size_t length = std::strlen(word);
        if (text_.compare(at_, length, word) != 0) return fail("an unknown word");
        at_ += length;
        return true;
    }
    bool digits() {
        const std::size_t start = at_;
        while (more() && peek() >= '0' && peek() <= '9') ++at_;
        return at_ > start || fail("digits expected");
    }
    bool number() {
        if (peek() == '-') ++at_;
        if (peek() == '0') {
            ++at_;
        } else if (!digits()) {
            return false;
        }
        if (peek() == '.' && (++at_, !digits())) return false;
        if (peek() == 'e' || peek() == 'E') {
            ++at_;
            if (peek() == '+' || peek() == '-') ++at_;
            return digits();
        }
        return true;
    }
    bool string() {
        ++at_;  // the opening quote
        while (more()) {
            const auto byte = static_cast<unsigned char>(text_[at_]);
            if (byte == '"') {
                ++at_;
                return true;
            }
            if (byte < 0x20) return fail("a raw control character in a string");
            if (byte == '\\') {
                ++at_;
                const char escaped = peek();
                if (escaped == 'u') {
                    for (int i = 0; i < 4; ++i) {
                        ++at_;
                        if (!more() || std::strchr("0123456789abcdefABCDEF", peek()) == nullptr)
                            return fail("a bad \\u escape");
                    }
                } else if (std::strchr("\"\\/bfnrt", escaped) == nullptr || escaped == '\0') {
                    return fail("a bad escape");
                }
                ++at_;
                continue;
            }
            const std::size_t length =
                tool::utf8SequenceLength(std::string_view(text_).substr(at_));
            if (length == 0) return fail("a byte that is not UTF-8 in a string");
            at_ += length;
        }
        return fail("a string never closed");
    }
    bool array() {
        ++at_;
        space();
        if (peek() == ']') return ++at_, true;
        for (;;) {
            if (!value()) return false;
            space();
            if (peek() == ']') return ++at_, true;
            if (peek() != ',') return fail("',' or ']' expected");
            ++at_;
        }
    }
    bool object() {
        ++at_;
        space();
        if (peek() == '}') return ++at_, true;
        for (;;) {
            space();
            if (peek() != '"') return fail("a key expected");
            if (!string()) return false;
            space();
            if (peek() != ':') return fail("':' expected");
            ++at_;
            if (!value()) return false;
            space();
            if (peek() == '}') return ++at_, true;
            if (peek() != ',') return fail("',' or '}' expected");
            ++at_;
        }
    }
    bool value() {
        space();
        switch (peek()) {
            case '{':
                return object();
            case '[':
                return array();
            case '"':
                return string();
            case 't':
                return literal("true");
            case 'f':
                return literal("false");
            case 'n':
                return literal("null");
            default:
                return number();
        }
    }

    const std::string& text_;
    std::size_t at_ = 0;
    std::string problem_;
};

}  // namespace

std::string jsonProblem(const std::string& text) {
    return Checker(text).check();
}

}  // namespace testing_support
