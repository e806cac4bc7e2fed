// What the tool says: every sentence it prints for a command's result (the reports of the
// core's crease road, a refused vertex swap, and the outcomes of the other commands as the
// tool tells them from the library's codes), and the refusal kinds of --json. The core
// reports outcomes and facts; only this file phrases them.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "objtools/swap_vertices.h"
#include "scene/scene_creases.h"
#include "scene_obj/scene_obj.h"

namespace tool {

// What a `creases` run was asked, as the user wrote it.
struct CreaseRun {
    std::string obj;
    std::string scene;
    std::string out;
    std::string node;  // --node (or --prim) as given
    std::string over;  // --over as given
    std::string wait;  // --wait as given, or the default
    std::string value;  // --value as given
    bool smoothing = false;
    bool valueGiven = false;
    bool dryRun = false;
    std::string library;  // the library that could not be loaded, and why
    std::string libraryError;
};

// How the tool names the things of a scene format: the one place in the tool that tells
// formats apart.
struct FormatWords {
    const char* json;     // the JSON "format": "maya", "usd"
    const char* mesh;     // what the format calls a mesh: "mesh node", "mesh prim"
    const char* meshHas;  // what makes one a mesh: " with vertices and edges"
    const char* option;   // the option that names one: "--node", "--prim"
    const char* file;     // what the format calls its file: "scene", "layer"
    tessaryn::SceneFormat format;
    // Nodes go by their paths: the last names of a layer's prims repeat ("mesh_0").
    bool byPath;
    // Why a node holds no mesh is told (USD prims: no faces, counts that disagree, ...).
    bool namesNodeProblems;
};
const FormatWords& wordsFor(tessaryn::SceneFormat format);

// The report as one sentence (a refusal ends "; nothing changed").
std::string creaseSentence(const tessaryn::SceneCreaseReport& report, const CreaseRun& run);

// What an `obj` run was asked, as the user wrote it.
struct ObjRun {
    std::string scene;
    std::string out;
    std::string node;  // --node (or --prim) as given
    std::string wait;  // --wait as given, or the default
};

// The report of an `obj` run as one sentence (a refusal ends "; nothing written").
std::string objSentence(const tessaryn::SceneObjReport& report, const ObjRun& run);

// The JSON name of a warning of the mesh read for an OBJ: "points-from-time-sample".
const char* meshWarningKind(tessaryn::MeshWarning warning);
// The JSON name of a warning of the scene or node: "subdivision-none".
const char* sceneWarningKind(tessaryn::SceneWarning warning);

// The refusal kind --json gives, such as "edges-not-in-node"; null for Done.
const char* refusalKind(tessaryn::SceneRefusal outcome);

// The refusal kinds --json gives for `outcomes`, in their order.
std::vector<const char*> refusalKinds(std::initializer_list<tessaryn::SceneRefusal> outcomes);

// Every refusal kind of `creases`, in the order of the outcomes.
std::vector<const char*> creaseRefusalKinds();

// The file a failure concerns and the system's reason: "a.obj (No such file or
// directory)". The error number when the core has one, else the file asked again: by
// `why` when given, else as a file to read or to write.
std::string fileAndReason(const std::string& path, int error, bool writing,
                          std::string (*why)(const std::string&) = nullptr);

// "not swapped: a.obj has 8 vertex positions, b.obj has 7 vertex positions: the counts
// differ; nothing changed".
std::string swapSentence(const std::string& source, const tessaryn::SwapLineCounts& from,
                         const std::string& target, const tessaryn::SwapLineCounts& to,
                         tessaryn::SwapRefusal refusal);

// What a command other than `creases` came to, as the tool tells it from the library's
// result code and, after a failure, from the files themselves.
enum class Said {
    // Any command that calls the library.
    LibraryNotLoaded,
    CommandMissing,
    OutOfMemory,
    UnexpectedCode,
    // vyx OBJ VYX
    VyxWritten,
    VyxUnreadable,
    VyxBadIndex,
    VyxUnwritable,
    // smooth-to-groups IN OUT
    GroupsWritten,
    GroupsUnreadable,
    GroupsUnwritable,
    // swap-vertices SOURCE TARGET (its refusals: swapSentence)
    Swapped,
    // vyx, smooth-to-groups, swap-vertices: the output is an input
    OutputIsInput,
    // ls FOLDER
    NotListed,
    // rm FILE
    Deleted,
    NotDeleted,
    // sweep FOLDER
    SweepDeclined,
    SweepNotListed,
    SweepNotEmptied,
    SweepNotListedAfter,
    SweepDeleted,
    SweepLeft,
    // version
    Version,
};

// The facts a sentence names; each names only those its command has.
struct CommandFacts {
    std::string path;        // what the command reads or works on: OBJ, IN, SOURCE, FILE, FOLDER
    std::string out;         // what it writes: VYX, OUT, TARGET
    std::int64_t count = 0;  // groups written, files deleted or left, the version number
    bool smoothing = false;  // vyx --smoothing
    std::string left;        // the files a sweep left, comma-separated
    std::string library;     // the library's path
    std::string command;     // the export the library lacks
    std::string reason;      // the loader's reason
    float code = 0.0f;       // a result code the tool did not expect
};

// The sentence for `said`, as the tool prints it (without the line break).
std::string commandSentence(Said said, const CommandFacts& facts);

// What was wrong with a command line (exit status 2).
enum class Misuse {
    NoCommand,
    UnknownCommand,      // word
    UnknownOption,       // word; command, when it follows one
    UnexpectedArgument,  // word, command; detail: the arguments it takes ("OBJ SCENE"), if any
    MissingArgument,     // word: the argument's name ("SCENE"), command
    NeedsValue,          // word: the option; detail: its value's name ("NAME")
    EmptyValue,          // as NeedsValue
    BadCreaseValue,      // word: what --value was given
    BadWait,             // word: what --wait was given
    BadThreads,          // word: what --threads was given
    OutWithDryRun,
    OverWith,  // word: the option --over was given with, "-o" or "--dry-run"
    GivenTwice,       // word: the option as given the second time; detail: the first time
    TakesNoValue,     // word: a flag given as --flag=value
    OptionForAValue,  // word: the option; command: the option-like word; detail: value's name
    SweepJsonNeedsYes,
    HelpTakesOne,
};

struct MisuseFacts {
    std::string word;
    std::string command;
    std::string detail;
};

// What was wrong, as the tool says it before the usage (without the line break).
std::string misuseSentence(Misuse misuse, const MisuseFacts& facts = MisuseFacts());

// The refusal kind --json gives for `said`, such as "unwritable"; null for an outcome that
// went well.
const char* saidKind(Said said);

// The refusal kind --json gives for a refused swap.
const char* swapKind(tessaryn::SwapRefusal refusal);

}  // namespace tool
