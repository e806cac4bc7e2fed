// What one run of a subcommand tells: the lines it shows a person, the one sentence of its
// result, and with --json one object on standard output, the same envelope for every
// subcommand: "ok", on a refusal "refusal" (its kind) and "reason" (the sentence), then
// what the subcommand found. With --json the person's text goes to standard error.
#pragma once

#include <string>

#include "tools/json_object.h"

namespace tool {

class Reply {
public:
    explicit Reply(bool json) : json_(json) {}
    bool json() const { return json_; }

    // A line of what the command shows (a listing, a dump).
    void show(const std::string& line);
    // The sentence of a result that went well: standard output (standard error with
    // --json). Answers 0, the exit status.
    int done(const std::string& sentence);
    // A refusal or failure of kind `kind` ("unreadable"): the sentence on standard error.
    // Answers 1, the exit status. A run may be done in part and then refused.
    int refused(const char* kind, const std::string& sentence);
    // What the subcommand found, the members after the envelope.
    JsonObject& facts() { return facts_; }
    // Misuse that only the option values show (the dispatcher says it): answers 2.
    int misused(const std::string& what) {
        misuse_ = what;
        return 2;
    }
    const std::string& misuse() const { return misuse_; }

    // With --json, prints the object for a run that ended with `status`: a run that told
    // no refusal but failed is refused as "failed".
    void finish(int status) const;

private:
    bool json_;
    const char* kind_ = nullptr;
    std::string reason_;
    JsonObject facts_;
    std::string misuse_;
};

// The object of misuse, whatever the subcommand: {"ok": false, "refusal": "misuse", ...}.
std::string misuseJson(const std::string& what);

}  // namespace tool
