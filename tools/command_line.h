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
    const char* help = "";  // what it does, as --help explains it
    // The option this one is another spelling of ("--prim" of "--node"): the two are one
    // option, given at most once, found by that name.
    const char* spellingOf = nullptr;
};

struct Syntax {
    const char* name;
    std::vector<const char*> arguments;  // by the names the usage shows: "OBJ", "SCENE"
    std::vector<OptionSyntax> options;
};

// What one command line asked of a subcommand.
struct Invocation {
    std::vector<std::string> arguments;
    // Name and value; an option given by another spelling goes by the one it spells.
    std::vector<std::pair<std::string, std::string>> options;

    bool has(const char* option) const;
    // The value of `option`; empty when it was not given.
    std::string value(const char* option) const;
};

// Fills `invocation` from `words`, the words after the subcommand's name. On misuse it
// answers the sentence that says what was wrong; empty when the words fit. An option that
// takes a value takes the next word or, for one spelled with "--", "--name=value"; a next
// word that looks like an option is misuse (no value is taken by accident), and so is an
// option given twice, in any of its spellings.
std::string parseInvocation(const Syntax& syntax, const std::vector<std::string>& words,
                            Invocation& invocation);

// A word that is an option rather than an argument. A lone "-" is an argument (a file
// of that name), as most tools take it.
bool looksLikeOption(const std::string& word);

// "creases OBJ SCENE [--smoothing] [--node NAME]", as the usage shows the syntax.
std::string syntaxLine(const Syntax& syntax);

}  // namespace tool
