// One row of the tool's table of subcommands: everything the tool knows of a subcommand
// comes from its row (its syntax, its help, its JSON refusal kinds, the function that runs
// it); the options every subcommand takes (--json, --help) are added to each.
#pragma once

#include <string>
#include <vector>

#include "tools/command_line.h"
#include "tools/lazy_library.h"
#include "tools/reply.h"

namespace tool {

struct Subcommand {
    Syntax syntax;  // its options each with their help
    const char* summary;
    // Runs it: says what came of it through `reply`, answers the exit status. Misuse
    // that only the option values show goes to reply.misused(). The library is loaded
    // only by a run that calls it.
    int (*run)(LazyLibrary& library, const Invocation& invocation, Reply& reply);
    // The kinds of refusal its JSON object may give, misuse aside.
    std::vector<const char*> refusals = {};
    // What exit status 1 means for it.
    const char* failed = "refused or failed: nothing changed";
};

// The options every subcommand takes: --json and --help (-h).
std::vector<OptionSyntax> commonOptions();

// `syntax` with the common options it does not list itself.
Syntax withCommonOptions(const Syntax& syntax);

// A word that asks for help: --help or -h.
bool asksForHelp(const std::string& word);

// `tessaryn --help`: what the tool is, each subcommand's syntax and summary.
std::string overviewHelp(const std::vector<Subcommand>& subcommands);

// `tessaryn help NAME`, `tessaryn NAME --help`: its usage, each option explained, its exit
// statuses and its JSON refusal kinds.
std::string subcommandHelp(const Subcommand& subcommand);

// The usage line of one subcommand, as misuse shows it.
std::string usageLine(const Subcommand& subcommand);

}  // namespace tool
