// The tool's command line read against the syntax of one subcommand: its arguments in
// order, and options that are flags or take a value, anywhere among them.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace tool {

struct OptionSyntax {
    const char* name;       // "--node"
    const char* valueName;  // "NAME" for an option that takes a value, null for a flag
};

struct Syntax {
    const char* name;
    std::vector<const char*> arguments;  // by the names the usage shows: "OBJ", "SCENE"
    std::vector<OptionSyntax> options;
};

// What one command line asked of a subcommand.
struct Invocation {
    std::vector<std::string> arguments;
    std::vector<std::pair<std::string, std::string>> options;  // name and value, as given

    bool has(const char* option) const;
    // The value of the last `option` given; empty when it was not given.
    std::string value(const char* option) const;
};

// Fills `invocation` from `words`, the words after the subcommand's name. On misuse it
// answers the sentence that says what was wrong; empty when the words fit.
std::string parseInvocation(const Syntax& syntax, const std::vector<std::string>& words,
                            Invocation& invocation);

// A word that is an option rather than an argument. A lone "-" is an argument (a file
// of that name), as most tools take it.
bool looksLikeOption(const std::string& word);

// "creases OBJ SCENE [--smoothing] [--node NAME]", as the usage shows the syntax.
std::string syntaxLine(const Syntax& syntax);

}  // namespace tool
