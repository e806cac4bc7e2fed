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
#include "tools/json_object.h"
#include "tools/lazy_library.h"
#include "tools/library_loader.h"
#include "tools/obj_command.h"
#include "tools/reply.h"
#include "tools/sentences.h"
#include "tools/subcommand.h"
#include "tools/vyx_dump.h"

namespace {

using library_loader::Command;
using tool::CommandFacts;
using tool::Invocation;
using tool::Reply;
using tool::Said;
using Library = tool::LazyLibrary;

// What GetFile may write, whatever it is told.
constexpr std::size_t kNameBuffer = TESSARYN_NAME_BUFFER_SIZE;

// A library that does not load, or lacks a command: no command can go on. Thrown from
// wherever the library is first needed, told by the dispatcher.
struct LibraryFailure {
    Said said;
    CommandFacts facts;
};

// The export `name`, the library loaded first if it is not yet; a library that does not
// load, or lacks it, is not one the tool can work with.
Command required(Library& lazy, const char* name) {
    CommandFacts facts;
    library_loader::Library* library = lazy.get();
    if (library == nullptr) {
        facts.library = lazy.path();
        facts.reason = lazy.error();
        throw LibraryFailure{Said::LibraryNotLoaded, facts};
    }
    Command command = library->find(name);
    if (command == nullptr) {
        facts.command = name;
        facts.reason = library->error();
        throw LibraryFailure{Said::CommandMissing, facts};
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

// Tells the sentence for `said`: a result that went well, or a refusal of its kind.
int say(Reply& reply, Said said, const CommandFacts& facts) {
    const std::string sentence = tool::commandSentence(said, facts);
    const char* kind = tool::saidKind(said);
    return kind == nullptr ? reply.done(sentence) : reply.refused(kind, sentence);
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
int sayFailure(Reply& reply, float code) {
    CommandFacts facts;
    facts.code = code;
    return say(reply, code == TESSARYN_UNEXPECTED ? Said::OutOfMemory : Said::UnexpectedCode,
               facts);
}

// The refusal kinds of every command that calls the library.
const std::vector<const char*> kLibraryKinds = {"library-not-loaded", "command-missing",
                                                "out-of-memory", "unexpected-code"};

// `kinds` and then those of a command that calls the library.
std::vector<const char*> callingKinds(std::vector<const char*> kinds) {
    kinds.insert(kinds.end(), kLibraryKinds.begin(), kLibraryKinds.end());
    return kinds;
}

// The output names the input (by any path, links followed): refused before the library
// is called, which would replace the input with what it makes of it.
bool outputIsInput(const CommandFacts& facts) {
    return tessaryn::sameFile(facts.out, facts.path);
}

int vyxFile(Library& library, const Invocation& invocation, Reply& reply) {
    CommandFacts facts;
    facts.path = invocation.arguments[0];
    facts.out = invocation.arguments[1];
    facts.smoothing = invocation.has("--smoothing");
    reply.facts().add("obj", facts.path).add("vyx", facts.out).add("smoothing", facts.smoothing);
    if (outputIsInput(facts)) return say(reply, Said::OutputIsInput, facts);
    float code = call(library, "GetCreasesVyx", facts.path, facts.smoothing ? 1.0 : 0.0, facts.out);
    if (code >= 0.0f) {
        facts.count = wholeNumber(code);
        reply.facts().add("groups", facts.count);
        return say(reply, Said::VyxWritten, facts);
    }
    if (code == TESSARYN_FAILED) return say(reply, Said::VyxUnreadable, facts);
    if (code == TESSARYN_BAD_INDEX) return say(reply, Said::VyxBadIndex, facts);
    if (code == TESSARYN_VYX_CANNOT_WRITE) return say(reply, Said::VyxUnwritable, facts);
    return sayFailure(reply, code);
}

int dump(Library&, const Invocation& invocation, Reply& reply) {
    return dumpVyx(invocation.arguments[0], reply);
}

int smoothToGroups(Library& library, const Invocation& invocation, Reply& reply) {
    CommandFacts facts;
    facts.path = invocation.arguments[0];
    facts.out = invocation.arguments[1];
    reply.facts().add("input", facts.path).add("output", facts.out);
    if (outputIsInput(facts)) return say(reply, Said::OutputIsInput, facts);
    float code = call(library, "SmoothtoGroupOBJ", facts.path, 0.0, facts.out);
    if (code == TESSARYN_OK) return say(reply, Said::GroupsWritten, facts);
    if (code == TESSARYN_FAILED) return say(reply, Said::GroupsUnreadable, facts);
    if (code == TESSARYN_CANNOT_WRITE) return say(reply, Said::GroupsUnwritable, facts);
    return sayFailure(reply, code);
}

// A file's vertex positions for --json: null when it cannot be read.
void addPositions(Reply& reply, const char* key, const tessaryn::SwapLineCounts& counts) {
    if (!counts.read) {
        reply.facts().addNull(key);
        return;
    }
    reply.facts().add(key, static_cast<std::int64_t>(counts.positions));
}

int swapVertices(Library& library, const Invocation& invocation, Reply& reply) {
    const std::string& source = invocation.arguments[0];
    const std::string& target = invocation.arguments[1];
    CommandFacts facts;
    facts.path = source;
    facts.out = target;
    reply.facts().add("source", source).add("target", target);
    // TARGET is rewritten in place by design; only a TARGET that is SOURCE is refused.
    if (outputIsInput(facts)) return say(reply, Said::OutputIsInput, facts);
    float code = call(library, "SwapVertices", source, 0.0, target);
    if (code == TESSARYN_OK) return say(reply, Said::Swapped, facts);
    if (code != TESSARYN_FAILED) return sayFailure(reply, code);
    // Counted only after the refusal, so that a successful swap reads each file once; the
    // reason is the one the swap itself decides by.
    const tessaryn::SwapLineCounts from = tessaryn::countSwapLines(source.c_str());
    const tessaryn::SwapLineCounts to = tessaryn::countSwapLines(target.c_str());
    addPositions(reply, "sourcePositions", from);
    addPositions(reply, "targetPositions", to);
    const tessaryn::SwapRefusal refusal = tessaryn::swapRefusal(from, to);
    return reply.refused(tool::swapKind(refusal),
                         tool::swapSentence(source, from, target, to, refusal));
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

int list(Library& library, const Invocation& invocation, Reply& reply) {
    CommandFacts facts;
    facts.path = invocation.arguments[0];
    reply.facts().add("folder", facts.path);
    std::vector<std::string> names;
    if (!listThroughLibrary(library, facts.path, names)) return say(reply, Said::NotListed, facts);
    for (const std::string& name : names) reply.show(name);
    reply.facts().addJson("entries", tool::jsonStrings(names));
    return 0;
}

int remove(Library& library, const Invocation& invocation, Reply& reply) {
    CommandFacts facts;
    facts.path = invocation.arguments[0];
    reply.facts().add("file", facts.path);
    if (call(library, "FileDelete", facts.path, 0.0, "") == TESSARYN_OK)
        return say(reply, Said::Deleted, facts);
    return say(reply, Said::NotDeleted, facts);
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

void showListing(Reply& reply, const char* when, const std::string& folder,
                 const std::vector<std::string>& names) {
    reply.show(std::string(when) + ": " + counted(names.size(), "entry", "entries") + " in " +
               folder);
    for (const std::string& name : names)
        reply.show("  " + name + (isFolder(folder, name) ? "/" : ""));
}

int sweep(Library& library, const Invocation& invocation, Reply& reply) {
    CommandFacts facts;
    facts.path = invocation.arguments[0];
    const std::string& folder = facts.path;
    if (!invocation.has("--yes")) {
        if (reply.json()) {
            return reply.misused(tool::misuseSentence(tool::Misuse::SweepJsonNeedsYes));
        }
        std::fprintf(stderr, "Delete every file in %s whose name has an extension? [y/N] ",
                     folder.c_str());
        char answer[16] = {};
        if (std::fgets(answer, sizeof answer, stdin) == nullptr ||
            (answer[0] != 'y' && answer[0] != 'Y')) {
            return say(reply, Said::SweepDeclined, facts);
        }
    }
    reply.facts().add("folder", folder);
    std::vector<std::string> before;
    if (!listThroughLibrary(library, folder, before))
        return say(reply, Said::SweepNotListed, facts);
    showListing(reply, "before", folder, before);
    // Kinds are looked at before the sweep: a deleted file has none afterwards.
    std::vector<std::string> meant;
    for (const std::string& name : before) {
        if (isSweptFile(folder, name)) meant.push_back(name);
    }
    if (call(library, "EmptyFolder", folder, 0.0, "") != TESSARYN_OK)
        return say(reply, Said::SweepNotEmptied, facts);
    std::vector<std::string> after;
    if (!listThroughLibrary(library, folder, after))
        return say(reply, Said::SweepNotListedAfter, facts);
    showListing(reply, "after", folder, after);

    const std::set<std::string> remaining(after.begin(), after.end());
    std::vector<std::string> deleted;
    for (const std::string& name : meant) {
        if (remaining.count(name) == 0) deleted.push_back(name);
    }
    std::vector<std::string> left;
    for (const std::string& name : after) {
        if (isSweptFile(folder, name)) left.push_back(name);
    }
    reply.facts().addJson("deleted", tool::jsonStrings(deleted));
    reply.facts().addJson("left", tool::jsonStrings(left));
    facts.count = static_cast<std::int64_t>(deleted.size());
    say(reply, Said::SweepDeleted, facts);
    if (left.empty()) return 0;
    for (const std::string& name : left) facts.left += (facts.left.empty() ? "" : ", ") + name;
    facts.count = static_cast<std::int64_t>(left.size());
    return say(reply, Said::SweepLeft, facts);
}

int version(Library& library, const Invocation&, Reply& reply) {
    CommandFacts facts;
    facts.count = wholeNumber(call(library, "Version", "", 0.0, ""));
    reply.facts().add("version", facts.count);
    return say(reply, Said::Version, facts);
}

using tool::Subcommand;

const tool::OptionSyntax kSmoothing = {
    "--smoothing", nullptr,
    "the crease flags mark the borders of the OBJ's smoothing groups (s lines) instead of "
    "its groups (g lines)"};

const std::vector<Subcommand> kSubcommands = {
    {{"version", {}, {}}, "the library's version number", version, callingKinds({})},
    {{"creases", {"OBJ", "SCENE"}, tool::creaseOptions()},
     "group-border edges of OBJ as the creases of a mesh node of a Maya ASCII scene or a\n"
     "      mesh prim of a USD layer, text or binary (.usd, .usdc, .usdz) (-o: into OUT;\n"
     "      --over: a new USD layer overriding SCENE, the only way for a binary one); runs\n"
     "      on one file take turns, each waiting at most --wait seconds (60) for the other",
     tool::runCreases,
     tool::creaseRefusalKinds()},
    {{"obj", {"SCENE", "OUT.obj"}, tool::objOptions()},
     "a mesh node of SCENE (any scene creases reads) as an OBJ in its own vertex order, for\n"
     "      the host to draw groups on and creases to bring back",
     tool::runObj,
     tool::objRefusalKinds(),
     "refused or failed: nothing written"},
    {{"vyx", {"OBJ", "VYX"}, {kSmoothing}},
     "OBJ as a Vyx file with crease flags",
     vyxFile,
     callingKinds({"output-is-input", "unreadable", "bad-index", "unwritable"})},
    {{"dump", {"VYX"}, {}}, "show what a Vyx file holds", dump, {"unreadable", "malformed"}},
    {{"smooth-to-groups", {"IN", "OUT"}, {}},
     "IN with smoothing groups as groups, into OUT",
     smoothToGroups,
     callingKinds({"output-is-input", "unreadable", "unwritable"})},
    {{"swap-vertices", {"SOURCE", "TARGET"}, {}},
     "TARGET gets the vertex positions of SOURCE",
     swapVertices,
     callingKinds({"output-is-input", "unreadable", "no-positions", "counts-differ",
                   "only-positions", "unwritable"})},
    {{"ls", {"FOLDER"}, {}}, "list the entries of FOLDER", list, callingKinds({"unlistable"})},
    {{"rm", {"FILE"}, {}}, "delete FILE", remove, callingKinds({"not-deleted"})},
    {{"sweep",
      {"FOLDER"},
      {{"--yes", nullptr, "delete without asking; --json needs it, as there is no one to ask"}}},
     "delete the files in FOLDER whose names have an extension (asks unless --yes)",
     sweep,
     callingKinds({"declined", "unlistable", "files-left"}),
     "refused or failed, or a file with an extension is left (folders are never deleted)"},
};

const Subcommand* findSubcommand(const std::string& name) {
    for (const Subcommand& subcommand : kSubcommands) {
        if (name == subcommand.syntax.name) return &subcommand;
    }
    return nullptr;
}

// With --json standard output still carries one object. After a subcommand's misuse its
// usage line, else the overview.
int misuse(const std::string& what, bool json, const Subcommand* subcommand = nullptr) {
    if (json) std::printf("%s\n", tool::misuseJson(what).c_str());
    std::fprintf(stderr, "tessaryn: %s\n", what.c_str());
    if (subcommand == nullptr) {
        std::fputs(tool::overviewHelp(kSubcommands).c_str(), stderr);
    } else {
        std::fprintf(stderr, "%s(tessaryn help %s: its options, exit statuses and refusals)\n",
                     tool::usageLine(*subcommand).c_str(), subcommand->syntax.name);
    }
    return 2;
}

// The words before "--", where options are.
std::vector<std::string> optionWords(const std::vector<std::string>& words) {
    return std::vector<std::string>(words.begin(), std::find(words.begin(), words.end(), "--"));
}

bool asksForJson(const std::vector<std::string>& words) {
    for (const std::string& word : optionWords(words)) {
        if (word == "--json" || word.compare(0, 7, "--json=") == 0) return true;
    }
    return false;
}

// `tessaryn help [COMMAND]`, `tessaryn --help`: on standard output.
int help(const std::vector<std::string>& words, bool json) {
    if (words.size() == 1) {
        std::fputs(tool::overviewHelp(kSubcommands).c_str(), stdout);
        return 0;
    }
    const Subcommand* subcommand = findSubcommand(words[1]);
    if (subcommand == nullptr || words.size() > 2) {
        return misuse(words.size() > 2
                          ? tool::misuseSentence(tool::Misuse::HelpTakesOne)
                          : tool::misuseSentence(tool::Misuse::UnknownCommand, {words[1], "", ""}),
                      json);
    }
    std::fputs(tool::subcommandHelp(*subcommand).c_str(), stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> words(argv + 1, argv + argc);
    const bool json = asksForJson(words);
    std::string libraryPath;
    if (!words.empty() && words[0] == "--library") {
        if (words.size() < 2)
            return misuse(
                tool::misuseSentence(tool::Misuse::NeedsValue, {"--library", "", "PATH"}), json);
        if (words[1].empty())
            return misuse(
                tool::misuseSentence(tool::Misuse::EmptyValue, {"--library", "", "PATH"}), json);
        libraryPath = words[1];
#if !defined(_WIN32)
        // dlopen looks for a name without a '/' in the system's folders, not here.
        if (libraryPath.find('/') == std::string::npos) libraryPath = "./" + libraryPath;
#endif
        words.erase(words.begin(), words.begin() + 2);
    }
    if (words.empty()) return misuse(tool::misuseSentence(tool::Misuse::NoCommand), json);
    if (words[0] == "help" || tool::asksForHelp(words[0])) return help(words, json);

    const Subcommand* subcommand = findSubcommand(words[0]);
    if (subcommand == nullptr) {
        const tool::Misuse kind =
            tool::looksLikeOption(words[0]) ? tool::Misuse::UnknownOption : tool::Misuse::UnknownCommand;
        return misuse(tool::misuseSentence(kind, {words[0], "", ""}), json);
    }
    const std::vector<std::string> given(words.begin() + 1, words.end());
    const std::vector<std::string> options = optionWords(given);
    if (std::any_of(options.begin(), options.end(), tool::asksForHelp)) {
        std::fputs(tool::subcommandHelp(*subcommand).c_str(), stdout);
        return 0;
    }
    Invocation invocation;
    const std::string wrong =
        tool::parseInvocation(tool::withCommonOptions(subcommand->syntax), given, invocation);
    if (!wrong.empty()) return misuse(wrong, json, subcommand);
    if (libraryPath.empty())
        libraryPath = library_loader::libraryFor(library_loader::runningExecutable(argv[0]));
    Library library(libraryPath);
    Reply reply(json);
    int status = 1;
    try {
        status = subcommand->run(library, invocation, reply);
    } catch (const LibraryFailure& failure) {
        status = say(reply, failure.said, failure.facts);
    }
    if (!reply.misuse().empty()) return misuse(reply.misuse(), json, subcommand);
    reply.finish(status);
    return status;
}
