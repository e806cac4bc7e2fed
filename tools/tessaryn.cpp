// tessaryn: the library's commands from a shell. It loads the library and calls its
// exports by name, exactly as the host application does, and says in one sentence
// what the result code means, naming the file concerned where it can tell (the sentences
// themselves are in sentences.cpp).
// Exit status 0 on success, 1 on failure, 2 on misuse.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "base/file_system.h"
#include "folder/folder_sweep.h"
#include "objtools/swap_vertices.h"
#include "tessaryn.h"
#include "tools/command_line.h"
#include "tools/counted.h"
#include "tools/creases_command.h"
#include "tools/executable_path.h"
#include "tools/lazy_library.h"
#include "tools/library_loader.h"
#include "tools/obj_command.h"
#include "tools/sentences.h"
#include "tools/vyx_dump.h"

namespace {

using library_loader::Command;
using tool::CommandFacts;
using tool::Invocation;
using tool::Said;
using Library = tool::LazyLibrary;

// What GetFile may write, whatever it is told.
constexpr std::size_t kNameBuffer = TESSARYN_NAME_BUFFER_SIZE;

// The export `name`, the library loaded first if it is not yet; a library that does not
// load, or lacks it, is not one the tool can work with.
Command required(Library& lazy, const char* name) {
    CommandFacts facts;
    library_loader::Library* library = lazy.get();
    if (library == nullptr) {
        facts.library = lazy.path();
        facts.reason = lazy.error();
        std::fprintf(stderr, "%s\n", tool::commandSentence(Said::LibraryNotLoaded, facts).c_str());
        std::exit(1);
    }
    Command command = library->find(name);
    if (command == nullptr) {
        facts.command = name;
        facts.reason = library->error();
        std::fprintf(stderr, "%s\n", tool::commandSentence(Said::CommandMissing, facts).c_str());
        std::exit(1);
    }
    return command;
}

// Calls a command with `second` in a writable, NUL-terminated buffer, as the host does.
float call(Library& library, const char* name, const std::string& text, double number,
           const std::string& second) {
    Command command = required(library, name);
    std::vector<char> buffer(second.begin(), second.end());
    buffer.resize(second.size() < kNameBuffer ? kNameBuffer : second.size() + 1, '\0');
    return command(text.c_str(), number, buffer.data(), static_cast<int>(buffer.size()));
}

int say(bool ok, const std::string& sentence) {
    std::fprintf(ok ? stdout : stderr, "%s\n", sentence.c_str());
    return ok ? 0 : 1;
}

// Prints the sentence for `said`: on standard output when `ok`, else on standard error.
int say(bool ok, Said said, const CommandFacts& facts) {
    return say(ok, tool::commandSentence(said, facts));
}

// A result code that counts something (groups, the version) as a whole number.
std::int64_t wholeNumber(float code) {
    return static_cast<std::int64_t>(code);
}

// counted() for the tool's sizes.
std::string counted(std::size_t count, const char* one, const char* several = nullptr) {
    return tool::counted(static_cast<std::int64_t>(count), one, several);
}

// A failure that any command may report, or a code it should not.
int sayFailure(float code) {
    CommandFacts facts;
    facts.code = code;
    return say(false, code == TESSARYN_UNEXPECTED ? Said::OutOfMemory : Said::UnexpectedCode,
               facts);
}

int runCreases(Library& library, const Invocation& invocation, std::string& misuse) {
    return tool::runCreases(library, invocation, misuse);
}

// The output names the input (by any path, links followed): refused before the library
// is called, which would replace the input with what it makes of it.
bool outputIsInput(const CommandFacts& facts) {
    return tessaryn::sameFile(facts.out, facts.path);
}

int vyxFile(Library& library, const Invocation& invocation, std::string&) {
    CommandFacts facts;
    facts.path = invocation.arguments[0];
    facts.out = invocation.arguments[1];
    if (outputIsInput(facts)) return say(false, Said::OutputIsInput, facts);
    facts.smoothing = invocation.has("--smoothing");
    float code = call(library, "GetCreasesVyx", facts.path, facts.smoothing ? 1.0 : 0.0, facts.out);
    if (code >= 0.0f) {
        facts.count = wholeNumber(code);
        return say(true, Said::VyxWritten, facts);
    }
    if (code == TESSARYN_FAILED) return say(false, Said::VyxUnreadable, facts);
    if (code == TESSARYN_BAD_INDEX) return say(false, Said::VyxBadIndex, facts);
    if (code == TESSARYN_VYX_CANNOT_WRITE) return say(false, Said::VyxUnwritable, facts);
    return sayFailure(code);
}

int dump(Library&, const Invocation& invocation, std::string&) {
    return dumpVyx(invocation.arguments[0]);
}

int smoothToGroups(Library& library, const Invocation& invocation, std::string&) {
    CommandFacts facts;
    facts.path = invocation.arguments[0];
    facts.out = invocation.arguments[1];
    if (outputIsInput(facts)) return say(false, Said::OutputIsInput, facts);
    float code = call(library, "SmoothtoGroupOBJ", facts.path, 0.0, facts.out);
    if (code == TESSARYN_OK) return say(true, Said::GroupsWritten, facts);
    if (code == TESSARYN_FAILED) return say(false, Said::GroupsUnreadable, facts);
    if (code == TESSARYN_CANNOT_WRITE) return say(false, Said::GroupsUnwritable, facts);
    return sayFailure(code);
}

int swapVertices(Library& library, const Invocation& invocation, std::string&) {
    const std::string& source = invocation.arguments[0];
    const std::string& target = invocation.arguments[1];
    CommandFacts facts;
    facts.path = source;
    facts.out = target;
    // TARGET is rewritten in place by design; only a TARGET that is SOURCE is refused.
    if (outputIsInput(facts)) return say(false, Said::OutputIsInput, facts);
    float code = call(library, "SwapVertices", source, 0.0, target);
    if (code == TESSARYN_OK) return say(true, Said::Swapped, facts);
    if (code != TESSARYN_FAILED) return sayFailure(code);
    // Counted only after the refusal, so that a successful swap reads each file once; the
    // reason is the one the swap itself decides by.
    const tessaryn::SwapLineCounts from = tessaryn::countSwapLines(source.c_str());
    const tessaryn::SwapLineCounts to = tessaryn::countSwapLines(target.c_str());
    return say(false,
               tool::swapSentence(source, from, target, to, tessaryn::swapRefusal(from, to)));
}

// The entries of `folder` through the library's listing, as the host sees them, without
// the folder's own "." and "..". False when the folder cannot be listed.
bool listThroughLibrary(Library& library, const std::string& folder,
                        std::vector<std::string>& names) {
    names.clear();
    if (call(library, "OpenFolder", folder, 0.0, "") != TESSARYN_OK) return false;
    Command getFile = required(library, "GetFile");
    std::vector<char> name(kNameBuffer, '\0');
    while (getFile("", 0.0, name.data(), static_cast<int>(name.size())) == TESSARYN_OK) {
        if (std::strcmp(name.data(), ".") != 0 && std::strcmp(name.data(), "..") != 0)
            names.emplace_back(name.data());
    }
    call(library, "CloseFolder", "", 0.0, "");
    return true;
}

int list(Library& library, const Invocation& invocation, std::string&) {
    CommandFacts facts;
    facts.path = invocation.arguments[0];
    std::vector<std::string> names;
    if (!listThroughLibrary(library, facts.path, names)) return say(false, Said::NotListed, facts);
    for (const std::string& name : names) std::printf("%s\n", name.c_str());
    return 0;
}

int remove(Library& library, const Invocation& invocation, std::string&) {
    CommandFacts facts;
    facts.path = invocation.arguments[0];
    if (call(library, "FileDelete", facts.path, 0.0, "") == TESSARYN_OK)
        return say(true, Said::Deleted, facts);
    return say(false, Said::NotDeleted, facts);
}

bool isFolder(const std::string& folder, const std::string& name) {
    std::error_code error;
    return std::filesystem::is_directory(
        std::filesystem::symlink_status(folder + "/" + name, error));
}

// A file the sweep is meant to delete: its name has an extension and it is not a folder
// (the library leaves folders whatever their names).
bool isSweptFile(const std::string& folder, const std::string& name) {
    return tessaryn::HasExtension(name.c_str()) && !isFolder(folder, name);
}

void showListing(const char* when, const std::string& folder,
                 const std::vector<std::string>& names) {
    std::printf("%s: %s in %s\n", when, counted(names.size(), "entry", "entries").c_str(),
                folder.c_str());
    for (const std::string& name : names)
        std::printf("  %s%s\n", name.c_str(), isFolder(folder, name) ? "/" : "");
}

int sweep(Library& library, const Invocation& invocation, std::string&) {
    CommandFacts facts;
    facts.path = invocation.arguments[0];
    const std::string& folder = facts.path;
    if (!invocation.has("--yes")) {
        std::fprintf(stderr, "Delete every file in %s whose name has an extension? [y/N] ",
                     folder.c_str());
        char answer[16] = {};
        if (std::fgets(answer, sizeof answer, stdin) == nullptr ||
            (answer[0] != 'y' && answer[0] != 'Y')) {
            return say(false, Said::SweepDeclined, facts);
        }
    }
    std::vector<std::string> before;
    if (!listThroughLibrary(library, folder, before))
        return say(false, Said::SweepNotListed, facts);
    showListing("before", folder, before);
    // Kinds are looked at before the sweep: a deleted file has none afterwards.
    std::vector<std::string> meant;
    for (const std::string& name : before) {
        if (isSweptFile(folder, name)) meant.push_back(name);
    }
    if (call(library, "EmptyFolder", folder, 0.0, "") != TESSARYN_OK)
        return say(false, Said::SweepNotEmptied, facts);
    std::vector<std::string> after;
    if (!listThroughLibrary(library, folder, after))
        return say(false, Said::SweepNotListedAfter, facts);
    showListing("after", folder, after);

    const std::set<std::string> remaining(after.begin(), after.end());
    std::size_t kept = 0;
    for (const std::string& name : meant) kept += remaining.count(name);
    facts.count = static_cast<std::int64_t>(meant.size() - kept);
    say(true, Said::SweepDeleted, facts);
    std::int64_t leftCount = 0;
    for (const std::string& name : after) {
        if (!isSweptFile(folder, name)) continue;
        facts.left += (facts.left.empty() ? "" : ", ") + name;
        ++leftCount;
    }
    if (leftCount == 0) return 0;
    facts.count = leftCount;
    return say(false, Said::SweepLeft, facts);
}

int version(Library& library, const Invocation&, std::string&) {
    CommandFacts facts;
    facts.count = wholeNumber(call(library, "Version", "", 0.0, ""));
    return say(true, Said::Version, facts);
}

struct Subcommand {
    tool::Syntax syntax;
    const char* summary;
    // Misuse that only the option values show sets the string; the library is loaded
    // only by a command that calls it.
    int (*run)(Library&, const Invocation&, std::string& misuse);
};

const tool::OptionSyntax kSmoothing = {"--smoothing", nullptr};

const Subcommand kSubcommands[] = {
    {{"version", {}, {}}, "the library's version number", version},
    {{"creases", {"OBJ", "SCENE"}, tool::creaseOptions()},
     "group-border edges of OBJ as the creases of a mesh node of a Maya ASCII scene or a\n"
     "      mesh prim of a USD layer, text or binary (.usd, .usdc, .usdz) (-o: into OUT;\n"
     "      --over: a new USD layer overriding SCENE, the only way for a binary one); runs\n"
     "      on one file take turns, each waiting at most --wait seconds (60) for the other",
     runCreases},
    {{"obj", {"SCENE", "OUT.obj"}, tool::objOptions()},
     "a mesh node of SCENE (any scene creases reads) as an OBJ in its own vertex order, for\n"
     "      the host to draw groups on and creases to bring back",
     tool::runObj},
    {{"vyx", {"OBJ", "VYX"}, {kSmoothing}}, "OBJ as a Vyx file with crease flags", vyxFile},
    {{"dump", {"VYX"}, {}}, "show what a Vyx file holds", dump},
    {{"smooth-to-groups", {"IN", "OUT"}, {}},
     "IN with smoothing groups as groups, into OUT",
     smoothToGroups},
    {{"swap-vertices", {"SOURCE", "TARGET"}, {}},
     "TARGET gets the vertex positions of SOURCE",
     swapVertices},
    {{"ls", {"FOLDER"}, {}}, "list the entries of FOLDER", list},
    {{"rm", {"FILE"}, {}}, "delete FILE", remove},
    {{"sweep", {"FOLDER"}, {{"--yes", nullptr}}},
     "delete the files in FOLDER whose names have an extension (asks unless --yes)",
     sweep},
};

void printUsage(std::FILE* to) {
    std::fputs("usage: tessaryn [--library PATH] COMMAND ARGUMENTS\n", to);
    for (const Subcommand& subcommand : kSubcommands) {
        std::fprintf(to, "  %s\n      %s\n", tool::syntaxLine(subcommand.syntax).c_str(),
                     subcommand.summary);
    }
    std::fputs(
        "The library is the one beside the tool's own file (symbolic links followed), or\n"
        "PATH given with --library; it is loaded only by commands that call it. Exit status:\n"
        "0 done, 1 failed or refused (nothing changed), 2 misuse. \"--\" ends the options.\n",
        to);
}

// With --json (only `creases` takes it) standard output still carries one object.
int misuse(const std::string& what, bool json = false) {
    if (json) std::printf("%s\n", tool::creasesMisuseJson(what).c_str());
    std::fprintf(stderr, "tessaryn: %s\n", what.c_str());
    printUsage(stderr);
    return 2;
}

bool asksForHelp(const std::string& word) {
    return word == "--help" || word == "-h";
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> words(argv + 1, argv + argc);
    std::string libraryPath;
    if (!words.empty() && words[0] == "--library") {
        if (words.size() < 2) return misuse("--library needs a value (PATH)");
        if (words[1].empty()) return misuse("--library needs a value (PATH), not an empty one");
        libraryPath = words[1];
#if !defined(_WIN32)
        // dlopen looks for a name without a '/' in the system's folders, not here.
        if (libraryPath.find('/') == std::string::npos) libraryPath = "./" + libraryPath;
#endif
        words.erase(words.begin(), words.begin() + 2);
    }
    if (words.empty()) return misuse("no command given");
    if (words[0] == "help" || std::any_of(words.begin(), words.end(), asksForHelp)) {
        printUsage(stdout);
        return 0;
    }

    for (const Subcommand& subcommand : kSubcommands) {
        if (words[0] != subcommand.syntax.name) continue;
        Invocation invocation;
        const std::string wrong = tool::parseInvocation(
            subcommand.syntax, std::vector<std::string>(words.begin() + 1, words.end()),
            invocation);
        const bool json = std::find(words.begin(), words.end(), "--json") != words.end();
        if (!wrong.empty()) return misuse(wrong, json);
        if (libraryPath.empty())
            libraryPath = library_loader::libraryFor(library_loader::runningExecutable(argv[0]));
        Library library(libraryPath);
        std::string wrongValue;
        const int status = subcommand.run(library, invocation, wrongValue);
        return wrongValue.empty() ? status : misuse(wrongValue, json);
    }
    if (tool::looksLikeOption(words[0])) return misuse("unknown option '" + words[0] + "'");
    return misuse("unknown command '" + words[0] + "'");
}
