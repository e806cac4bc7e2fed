#include "tools/command_line.h"

#include "tools/sentences.h"

namespace tool {

namespace {

const OptionSyntax* findOption(const Syntax& syntax, const std::string& word) {
    for (const OptionSyntax& option : syntax.options) {
        if (word == option.name) return &option;
    }
    return nullptr;
}

// "OBJ SCENE", or empty.
std::string argumentList(const Syntax& syntax) {
    std::string list;
    for (const char* argument : syntax.arguments)
        list.append(list.empty() ? "" : " ").append(argument);
    return list;
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
    std::string found;
    for (const auto& given : options) {
        if (given.first == option) found = given.second;
    }
    return found;
}

std::string parseInvocation(const Syntax& syntax, const std::vector<std::string>& words,
                            Invocation& invocation) {
    invocation = Invocation();
    bool optionsEnded = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        // "--" ends the options: a file named "-o" or "--json" can follow.
        if (word == "--" && !optionsEnded) {
            optionsEnded = true;
            continue;
        }
        const OptionSyntax* option = optionsEnded ? nullptr : findOption(syntax, word);
        if (option == nullptr && !optionsEnded && looksLikeOption(word))
            return misuseSentence(Misuse::UnknownOption, {word, syntax.name, ""});
        if (option == nullptr) {
            if (invocation.arguments.size() == syntax.arguments.size()) {
                return misuseSentence(Misuse::UnexpectedArgument,
                                      {word, syntax.name, argumentList(syntax)});
            }
            invocation.arguments.push_back(word);
            continue;
        }
        if (option->valueName == nullptr) {
            invocation.options.emplace_back(word, std::string());
            continue;
        }
        if (i + 1 == words.size())
            return misuseSentence(Misuse::NeedsValue, {word, "", option->valueName});
        // Given explicitly, an empty value is a mistake (an unset variable in a script),
        // not a request for the default.
        if (words[i + 1].empty())
            return misuseSentence(Misuse::EmptyValue, {word, "", option->valueName});
        invocation.options.emplace_back(word, words[++i]);
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
