#include "tools/reply.h"

#include <cstdio>

namespace tool {

void Reply::show(const std::string& line) {
    std::fprintf(json_ ? stderr : stdout, "%s\n", line.c_str());
}

int Reply::done(const std::string& sentence) {
    show(sentence);
    return 0;
}

int Reply::refused(const char* kind, const std::string& sentence) {
    std::fprintf(stderr, "%s\n", sentence.c_str());
    kind_ = kind;
    reason_ = sentence;
    return 1;
}

void Reply::finish(int status) const {
    if (!json_) return;
    const bool ok = status == 0 && kind_ == nullptr;
    JsonObject object;
    object.add("ok", ok);
    if (!ok) {
        object.add("refusal", kind_ != nullptr ? kind_ : "failed").add("reason", reason_);
    }
    object.addMembers(facts_);
    std::printf("%s\n", object.text().c_str());
}

std::string misuseJson(const std::string& what) {
    return JsonObject().add("ok", false).add("refusal", "misuse").add("reason", what).text();
}

}  // namespace tool
