// tessaryn: the library's commands from a shell. It loads the library and calls its
// exports by name, exactly as the host application does, and says in one sentence
// what the result code means, naming the file concerned where it can tell.
// Exit status 0 on success, 1 on failure, 2 on misuse.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "base/counted.h"
#include "scene/maya/maya_creases.h"
#include "folder/folder_sweep.h"
#include "tessaryn.h"
#include "tools/command_line.h"
#include "tools/executable_path.h"
#include "tools/file_checks.h"
#include "tools/library_loader.h"
#include "tools/maya_creases_tool.h"
#include "tools/vyx_dump.h"

namespace {

using library_loader::Command;
using library_loader::Library;
using tool::Invocation;

// What GetFile may write, whatever it is told.
constexpr std::size_t kNameBuffer = TESSARYN_NAME_BUFFER_SIZE;

// The export `name`; a library without it is not one the tool can work with.
Command required(Library& library, const char* name) {
    Command command = library.find(name);
    if (command == nullptr) {
        std::fprintf(stderr, "the library does not have the command %s: %s\n", name,
                     library.error().c_str());
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

std::string wholeNumber(float value) {
    return std::to_string(static_cast<long long>(value));
}

// The core's sentence part, for the tool's sizes.
std::string counted(std::size_t count, const char* one, const char* several = nullptr) {
    return tessaryn::counted(static_cast<std::int64_t>(count), one, several);
}

// The sentence for a failure that any command may report, or for a code it should not.
int sayFailure(float code) {
    if (code == TESSARYN_UNEXPECTED) return say(false, "out of memory; nothing was changed");
    return say(false, "unexpected result code " + std::to_string(code));
}

// "cannot read a.obj (No such file or directory)" for the first of `paths` that cannot
// be read; `fallback` when each can, as after a read error in the middle of a file.
std::string cannotRead(const std::vector<std::string>& paths, const std::string& fallback) {
    for (const std::string& path : paths) {
        const std::string why = tool::whyUnreadable(path);
        if (!why.empty()) return tool::cannotReadBecause(path, why);
    }
    return fallback;
}

// What `creases` is asked beyond its two files. The host's own scenes take only the
// smoothing choice; the node and the value serve scenes laid out as Maya writes them.
struct CreaseOptions {
    bool smoothing = false;
    std::string node;          // --node: the mesh node to crease; empty to pick it by vertex count
    bool valueGiven = false;   // --value
    std::string value = "10";  // the crease value as it is written into the scene
};

// The options of `creases`; on misuse, the sentence saying what was wrong.
std::string readCreaseOptions(const Invocation& invocation, CreaseOptions& options) {
    options.smoothing = invocation.has("--smoothing");
    options.node = invocation.value("--node");
    options.valueGiven = invocation.has("--value");
    const std::string given = invocation.value("--value");
    if (options.valueGiven && !tessaryn::readCreaseValue(given, options.value)) {
        return "--value needs a decimal of 0 or more, such as 10 or 0.5, not '" + given + "'";
    }
    return std::string();
}

std::string creasesMisuse(const Invocation& invocation) {
    CreaseOptions options;
    return readCreaseOptions(invocation, options);
}

int creases(Library& library, const std::string& obj, const std::string& scene,
            const CreaseOptions& options) {
    const bool smoothing = options.smoothing;
    // A scene with the host's placeholder goes through GetCreases as the host calls it;
    // any other is read as Maya saves it.
    bool hostScene = false;
    if (!tessaryn::readHoldsHostPlaceholder(scene.c_str(), hostScene)) {
        return say(false, cannotRead({obj, scene}, "cannot read " + scene) + "; nothing changed");
    }
    if (!hostScene)
        return tool::creasesIntoMayaScene(obj, scene, smoothing, options.node, options.value);
    if (!options.node.empty() || options.valueGiven) {
        return say(false, "--node and --value are for scenes as Maya saved them; " + scene +
                              " is a host scene with the crease placeholder; nothing changed");
    }
    float code = call(library, "GetCreases", obj, smoothing ? 1.0 : 0.0, scene);
    if (code >= 1.0f) {
        return say(true, "host scene: " + wholeNumber(code) +
                             (smoothing ? " smoothing groups" : " groups") +
                             "; creases written to " + scene);
    }
    if (code == TESSARYN_FAILED) {
        return say(false, cannotRead({obj, scene}, "cannot read " + obj + " or " + scene) +
                              "; nothing changed");
    }
    if (code == TESSARYN_TOO_MANY_GROUPS) {
        return say(false, obj + " has more than 8191 groups; nothing changed");
    }
    if (code == TESSARYN_NO_CREASE_EDGES) {
        return say(false, obj + " has no group-border edge; nothing changed");
    }
    if (code == TESSARYN_NO_PLACEHOLDER) {
        return say(false, scene + " has no crease placeholder line; nothing changed");
    }
    if (code == TESSARYN_CANNOT_WRITE)
        return say(false, "cannot write " + scene + "; it is unchanged");
    return sayFailure(code);
}

int runCreases(Library& library, const Invocation& invocation) {
    CreaseOptions options;
    readCreaseOptions(invocation, options);  // misuse was answered before the library loaded
    return creases(library, invocation.arguments[0], invocation.arguments[1], options);
}

int vyxFile(Library& library, const Invocation& invocation) {
    const std::string& obj = invocation.arguments[0];
    const std::string& out = invocation.arguments[1];
    const bool smoothing = invocation.has("--smoothing");
    float code = call(library, "GetCreasesVyx", obj, smoothing ? 1.0 : 0.0, out);
    if (code >= 0.0f) {
        return say(true, wholeNumber(code) + (smoothing ? " smoothing groups" : " groups") + "; " +
                             out + " written");
    }
    if (code == TESSARYN_FAILED) return say(false, cannotRead({obj}, "cannot read " + obj));
    if (code == TESSARYN_BAD_INDEX) {
        return say(false, obj +
                              " has a face that names a vertex or texture coordinate it does "
                              "not have; nothing written");
    }
    if (code == TESSARYN_VYX_CANNOT_WRITE)
        return say(false, "cannot write " + out + "; nothing written");
    return sayFailure(code);
}

int dump(Library&, const Invocation& invocation) {
    return dumpVyx(invocation.arguments[0]);
}

int smoothToGroups(Library& library, const Invocation& invocation) {
    const std::string& in = invocation.arguments[0];
    const std::string& out = invocation.arguments[1];
    float code = call(library, "SmoothtoGroupOBJ", in, 0.0, out);
    if (code == TESSARYN_OK) return say(true, out + " written with smoothing groups as groups");
    if (code == TESSARYN_FAILED)
        return say(false, cannotRead({in}, "cannot read " + in) + "; nothing written");
    if (code == TESSARYN_CANNOT_WRITE)
        return say(false, "cannot write " + out + "; it is unchanged");
    return sayFailure(code);
}

// "a.obj has 8 vertex positions", or why it cannot be read.
std::string positionsOf(const std::string& path, const tool::ObjLineCounts& counts) {
    if (!counts.whyUnreadable.empty()) return tool::cannotReadBecause(path, counts.whyUnreadable);
    return path + " has " + counted(counts.positions, "vertex position");
}

// Why the library refused the swap, found again by looking at the files in the order the
// library does; empty when the files show no reason.
std::string swapRefusal(const std::string& source, const tool::ObjLineCounts& from,
                        const std::string& target, const tool::ObjLineCounts& to) {
    if (!from.whyUnreadable.empty() || !to.whyUnreadable.empty()) return "";
    if (from.positions == 0) return source + " has none";
    if (to.positions == 0) return target + " has none";
    if (from.positions != to.positions) return "the counts differ";
    if (to.others == 0) return target + " holds nothing but vertex positions and comments";
    const std::string why = tool::whyUnwritable(target);
    if (!why.empty()) return "cannot write " + target + " (" + why + ")";
    return "";
}

int swapVertices(Library& library, const Invocation& invocation) {
    const std::string& source = invocation.arguments[0];
    const std::string& target = invocation.arguments[1];
    float code = call(library, "SwapVertices", source, 0.0, target);
    if (code == TESSARYN_OK)
        return say(true, target + " now has the vertex positions of " + source);
    if (code != TESSARYN_FAILED) return sayFailure(code);
    // Counted only after the refusal, so that a successful swap reads each file once.
    const tool::ObjLineCounts from = tool::countObjLines(source);
    const tool::ObjLineCounts to = tool::countObjLines(target);
    std::string sentence =
        "not swapped: " + positionsOf(source, from) + ", " + positionsOf(target, to);
    const std::string reason = swapRefusal(source, from, target, to);
    if (!reason.empty()) sentence += ": " + reason;
    if (reason.empty() && from.whyUnreadable.empty() && to.whyUnreadable.empty())
        sentence += ", and the reason cannot be told from the files";
    return say(false, sentence + "; nothing changed");
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

int list(Library& library, const Invocation& invocation) {
    std::vector<std::string> names;
    if (!listThroughLibrary(library, invocation.arguments[0], names)) {
        return say(false, "cannot list " + invocation.arguments[0]);
    }
    for (const std::string& name : names) std::printf("%s\n", name.c_str());
    return 0;
}

int remove(Library& library, const Invocation& invocation) {
    const std::string& file = invocation.arguments[0];
    if (call(library, "FileDelete", file, 0.0, "") == TESSARYN_OK)
        return say(true, file + " deleted");
    return say(false, "cannot delete " + file);
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

int sweep(Library& library, const Invocation& invocation) {
    const std::string& folder = invocation.arguments[0];
    if (!invocation.has("--yes")) {
        std::fprintf(stderr, "Delete every file in %s whose name has an extension? [y/N] ",
                     folder.c_str());
        char answer[16] = {};
        if (std::fgets(answer, sizeof answer, stdin) == nullptr ||
            (answer[0] != 'y' && answer[0] != 'Y')) {
            return say(false, "nothing deleted");
        }
    }
    std::vector<std::string> before;
    if (!listThroughLibrary(library, folder, before))
        return say(false, "cannot list " + folder + "; nothing deleted");
    showListing("before", folder, before);
    // Kinds are looked at before the sweep: a deleted file has none afterwards.
    std::vector<std::string> meant;
    for (const std::string& name : before) {
        if (isSweptFile(folder, name)) meant.push_back(name);
    }
    if (call(library, "EmptyFolder", folder, 0.0, "") != TESSARYN_OK)
        return say(false, "cannot list " + folder + "; nothing deleted");
    std::vector<std::string> after;
    if (!listThroughLibrary(library, folder, after))
        return say(false, "cannot list " + folder + " after the sweep");
    showListing("after", folder, after);

    const std::set<std::string> remaining(after.begin(), after.end());
    std::size_t deleted = 0;
    for (const std::string& name : meant) deleted += remaining.count(name);
    deleted = meant.size() - deleted;
    std::string left;
    std::size_t leftCount = 0;
    for (const std::string& name : after) {
        if (!isSweptFile(folder, name)) continue;
        left += (left.empty() ? "" : ", ") + name;
        ++leftCount;
    }
    say(true, deleted == 0 ? "no file deleted" : counted(deleted, "file") + " deleted");
    if (leftCount == 0) return 0;
    return say(false,
               "could not delete " + counted(leftCount, "file") + " with an extension: " + left);
}

int version(Library& library, const Invocation&) {
    float code = call(library, "Version", "", 0.0, "");
    return say(true, "TessarynDLL version " + wholeNumber(code));
}

struct Subcommand {
    tool::Syntax syntax;
    const char* summary;
    int (*run)(Library&, const Invocation&);
    // Misuse that only the option values show, told before the library is loaded; null
    // when the syntax says it all.
    std::string (*checkValues)(const Invocation&) = nullptr;
};

const tool::OptionSyntax kSmoothing = {"--smoothing", nullptr};

const Subcommand kSubcommands[] = {
    {{"version", {}, {}}, "the library's version number", version},
    {{"creases", {"OBJ", "SCENE"}, {kSmoothing, {"--node", "NAME"}, {"--value", "V"}}},
     "group-border edges of OBJ as creases in SCENE",
     runCreases,
     creasesMisuse},
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
        "PATH given with --library. Exit status: 0 done, 1 failed, 2 misuse.\n",
        to);
}

int misuse(const std::string& what) {
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
        if (!wrong.empty()) return misuse(wrong);
        if (subcommand.checkValues != nullptr) {
            const std::string wrongValue = subcommand.checkValues(invocation);
            if (!wrongValue.empty()) return misuse(wrongValue);
        }
        if (libraryPath.empty())
            libraryPath = library_loader::libraryFor(library_loader::runningExecutable(argv[0]));
        Library library;
        if (!library.load(libraryPath)) {
            return say(false, "cannot load the library " + libraryPath + ": " + library.error());
        }
        return subcommand.run(library, invocation);
    }
    if (tool::looksLikeOption(words[0])) return misuse("unknown option '" + words[0] + "'");
    return misuse("unknown command '" + words[0] + "'");
}
