#include "tools/command_line.h"

#include "tools/sentences.h"

namespace tool {

namespace {

const OptionSyntax* findOption(const Syntax& syntax, const std::string& name) {
    for (const OptionSyntax& option : syntax.options) {
        if (name == option.name) return &option;
    }
    return nullptr;
}

// The name an option is found by: its own, or the one it is another spelling of.
const char* canonicalName(const OptionSyntax& option) {
    return option.spellingOf != nullptr ? option.spellingOf : option.name;
}

// "OBJ SCENE", or empty.
std::string argumentList(const Syntax& syntax) {
    std::string list;
    for (const char* argument : syntax.arguments)
        list.append(list.empty() ? "" : " ").append(argument);
    return list;
}

// A word that would be taken for an option where a value is due. A negative number
// ("-1") is not one: it is a wrong value, which the option's own check names.
bool looksLikeOptionForAValue(const std::string& word) {
    if (!looksLikeOption(word)) return false;
    const char second = word[1];
    return !((second >= '0' && second <= '9') || second == '.');
}


}  // namespace

bool looksLikeOption(const std::string& word) {
    return word.size() > 1 && word[0] == '-';
}

bool Invocation::has(const char* option) const {
    for (const auto& given : options) {
        if (given.first == option) return true;
    }
    return false;
}

std::string Invocation::value(const char* option) const {
    for (const auto& given : options) {
        if (given.first == option) return given.second;
    }
    return std::string();
}

std::string parseInvocation(const Syntax& syntax, const std::vector<std::string>& words,
                            Invocation& invocation) {
    invocation = Invocation();
    // The spelling each option was given by, for the misuse of giving it twice.
    std::vector<std::pair<std::string, std::string>> spelled;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        // "--" ends the options: a file named "-o" or "--json" can follow.
        if (word == "--" && !optionsEnded) {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || !looksLikeOption(word)) {
            if (invocation.arguments.size() == syntax.arguments.size()) {
                return misuseSentence(Misuse::UnexpectedArgument,
                                      {word, syntax.name, argumentList(syntax)});
            }
            invocation.arguments.push_back(word);
            continue;
        }
        // "--name=value": the value may be anything, a leading '-' included.
        const std::size_t equals =
            word.compare(0, 2, "--") == 0 ? word.find('=') : std::string::npos;
        const std::string name = word.substr(0, equals);
        const OptionSyntax* option = findOption(syntax, name);
        if (option == nullptr) return misuseSentence(Misuse::UnknownOption, {name, syntax.name, ""});
        const char* canonical = canonicalName(*option);
        for (const auto& given : spelled) {
            if (given.first != canonical) continue;
            return misuseSentence(Misuse::GivenTwice, {name, "", given.second});
        }
        spelled.emplace_back(canonical, name);
        if (option->valueName == nullptr) {
            if (equals != std::string::npos)
                return misuseSentence(Misuse::TakesNoValue, {name, "", ""});
            invocation.options.emplace_back(canonical, std::string());
            continue;
        }
        std::string value;
        if (equals != std::string::npos) {
            value = word.substr(equals + 1);
        } else {
            if (i + 1 == words.size())
                return misuseSentence(Misuse::NeedsValue, {name, "", option->valueName});
            value = words[++i];
            if (looksLikeOptionForAValue(value))
                return misuseSentence(Misuse::OptionForAValue, {name, value, option->valueName});
        }
        // Given explicitly, an empty value is a mistake (an unset variable in a script),
        // not a request for the default.
        if (value.empty()) return misuseSentence(Misuse::EmptyValue, {name, "", option->valueName});
        invocation.options.emplace_back(canonical, value);
    }
    if (invocation.arguments.size() < syntax.arguments.size()) {
        return misuseSentence(Misuse::MissingArgument,
                              {syntax.arguments[invocation.arguments.size()], syntax.name, ""});
    }
    return std::string();
}

std::string syntaxLine(const Syntax& syntax) {
    std::string line = syntax.name;
    for (const char* argument : syntax.arguments) line.append(" ").append(argument);
    for (const OptionSyntax& option : syntax.options) {
        line.append(" [").append(option.name);
        if (option.valueName != nullptr) line.append(" ").append(option.valueName);
        line.append("]");
    }
    return line;
}

}  // namespace tool
