// The help the tool prints, from the rows of its subcommands.
#include <cstring>

#include "tools/subcommand.h"

namespace tool {

namespace {

constexpr std::size_t kWidth = 88;  // the longest line the help wraps to

// `words` wrapped to lines of kWidth, each starting with `indent`.
std::string wrapped(const std::string& words, const std::string& indent) {
    std::string text;
    std::string line = indent;
    std::size_t at = 0;
    while (at < words.size()) {
        std::size_t end = words.find(' ', at);
        if (end == std::string::npos) end = words.size();
        const std::string word = words.substr(at, end - at);
        at = end + 1;
        if (word.empty()) continue;
        if (line.size() > indent.size() && line.size() + 1 + word.size() > kWidth) {
            text += line + "\n";
            line = indent;
        }
        if (line.size() > indent.size()) line += " ";
        line += word;
    }
    return text + line + "\n";
}

// The summary as one run of words: the rows break theirs for the overview.
std::string summaryWords(const char* summary) {
    std::string words;
    for (const char* c = summary; *c != '\0'; ++c) {
        if (*c == '\n') {
            words += ' ';
            while (c[1] == ' ') ++c;
        } else {
            words += *c;
        }
    }
    return words;
}

// "  1  text", the text wrapped under itself.
std::string listItem(const char* label, const std::string& text) {
    const std::string indent = "  " + std::string(std::strlen(label), ' ') + "  ";
    return "  " + std::string(label) + "  " + wrapped(text, indent).substr(indent.size());
}

const char kMisuse[] =
    "misuse: an unknown option, an option without its value, with a wrong one or given "
    "twice, a missing or extra argument; nothing changed";

}  // namespace

std::vector<OptionSyntax> commonOptions() {
    return {{"--json", nullptr,
             "standard output carries exactly one JSON object, on success and on refusal "
             "alike: \"ok\", on a refusal \"refusal\" (its kind) and \"reason\" (the sentence), "
             "then what the command found; the text goes to standard error, the exit status "
             "is the same"},
            {"--help", nullptr, "show this help and do nothing else"},
            {"-h", nullptr, "the same as --help", "--help"}};
}

Syntax withCommonOptions(const Syntax& syntax) {
    Syntax full = syntax;
    for (const OptionSyntax& common : commonOptions()) {
        bool listed = false;
        for (const OptionSyntax& option : syntax.options)
            listed = listed || std::strcmp(option.name, common.name) == 0;
        if (!listed) full.options.push_back(common);
    }
    return full;
}

bool asksForHelp(const std::string& word) {
    return word == "--help" || word == "-h";
}

std::string usageLine(const Subcommand& subcommand) {
    return "usage: tessaryn [--library PATH] " + syntaxLine(subcommand.syntax) + " [--json]\n";
}

std::string overviewHelp(const std::vector<Subcommand>& subcommands) {
    std::string text = "usage: tessaryn [--library PATH] COMMAND ARGUMENTS [--json]\n";
    for (const Subcommand& subcommand : subcommands) {
        text += "  " + syntaxLine(subcommand.syntax) + "\n" + "      " + subcommand.summary + "\n";
    }
    text +=
        "The library is the one beside the tool's own file (symbolic links followed), or\n"
        "PATH given with --library; it is loaded only by commands that call it. Exit status:\n"
        "0 done, 1 failed or refused (nothing changed), 2 misuse. \"--\" ends the options;\n"
        "an option that takes a value takes it as the next word or as --name=VALUE. Every\n"
        "command takes --json; \"tessaryn help COMMAND\" or \"tessaryn COMMAND --help\" tells\n"
        "its options, exit statuses and JSON refusal kinds.\n";
    return text;
}

std::string subcommandHelp(const Subcommand& subcommand) {
    std::string text = usageLine(subcommand) + "\n";
    text += wrapped(summaryWords(subcommand.summary), "  ") + "\n";
    text += "options:\n";
    for (const OptionSyntax& option : withCommonOptions(subcommand.syntax).options) {
        std::string names = option.name;
        if (option.valueName != nullptr) names += std::string(" ") + option.valueName;
        text += "  " + names + "\n" + wrapped(option.help, "      ");
    }
    text += "  --\n      ends the options: the words after it are arguments\n";
    text += "\nexit status:\n" + listItem("0", "done") + listItem("1", subcommand.failed) +
            listItem("2", kMisuse);
    std::string kinds = "misuse";
    for (const char* kind : subcommand.refusals) kinds += std::string(", ") + kind;
    text += "\nJSON refusal kinds (\"refusal\" with --json):\n" + wrapped(kinds, "  ");
    return text;
}

}  // namespace tool
