// The tool's command line as each subcommand's row makes it: one valid JSON object with
// --json from every subcommand, on success, refusal and misuse (file names that are not
// UTF-8 included); options parsed as people expect; --value's decimals; each
// subcommand's help, and the manual page saying what it says.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <sys/wait.h>
#endif

#include "json_check.h"
#include "support.h"
#include "tools/json_object.h"

namespace {

using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

TEST(JsonString, BytesThatAreNotUtf8BecomeReplacementCharacters) {
    const std::string fffd = "\xEF\xBF\xBD";
    struct Row {
        std::string text;
        std::string json;
    } const rows[] = {
        {"plain", "\"plain\""},
        {"a\"b\\c\x01", "\"a\\\"b\\\\c\\u0001\""},
        {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80",
         "\"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80\""},
        {"a\xFF"
         "b",
         "\"a" + fffd + "b\""},
        {"\xC3\x28", "\"" + fffd + "(\""},                   // a lead byte without its follower
        {"\xC0\xAF", "\"" + fffd + fffd + "\""},             // an overlong '/'
        {"\xE0\x80\xAF", "\"" + fffd + fffd + fffd + "\""},  // overlong, three bytes
        {"\xED\xA0\x80", "\"" + fffd + fffd + fffd + "\""},  // a surrogate
        {"\xF4\x90\x80\x80", "\"" + fffd + fffd + fffd + fffd + "\""},  // beyond U+10FFFF
        {"x\xE2\x82", "\"x" + fffd + fffd + "\""},                      // cut short at the end
        {"\x80\xBF", "\"" + fffd + fffd + "\""},                        // stray continuation bytes
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(tool::jsonString(row.text), row.json);
        EXPECT_EQ(testing_support::jsonProblem(tool::jsonString(row.text)), "");
    }
}

TEST(JsonCheck, TellsValidFromInvalid) {
    for (const char* valid : {"{}", "{\"a\": [1, -2.5e3, true, null, \"\\u00e9\"]}\n", "[]"})
        EXPECT_EQ(testing_support::jsonProblem(valid), "") << valid;
    for (const char* invalid : {"", "{", "{\"a\" 1}", "{\"a\": 1,}", "[01]", "{} {}", "\"\xFF\"",
                                "\"a\nb\"", "\"\\x\"", "nul"})
        EXPECT_NE(testing_support::jsonProblem(invalid), "") << invalid;
}

#if !defined(_WIN32)

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string quoted(const std::string& word) {
    std::string text = "'";
    for (char c : word) text += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return text + "'";
}

// The tool with `arguments` through the shell, stdin empty, with `library`.
ToolRun runTool(const std::string& arguments,
                const std::string& library = TESSARYN_LIBRARY_PATH) {
    TempFolder scratch;
    const std::string errors = scratch / "stderr";
    const std::string command = std::string(TESSARYN_TOOL_COMMAND) + " --library " +
                                quoted(library) + " " + arguments + " </dev/null 2>" +
                                quoted(errors);
    ToolRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char chunk[4096];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) run.out.append(chunk, got);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = readFile(errors);
    return run;
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The subcommands the overview lists, by name.
std::vector<std::string> subcommandNames() {
    const std::string overview = runTool("--help").out;
    std::vector<std::string> names;
    std::size_t at = 0;
    while ((at = overview.find("\n  ", at)) != std::string::npos) {
        at += 3;
        if (overview[at] == ' ') continue;  // a summary's line
        names.push_back(overview.substr(at, overview.find_first_of(" \n", at) - at));
    }
    return names;
}

// The JSON refusal kinds that `tessaryn help NAME` lists, each asked once.
const std::string& helpedKinds(const std::string& name) {
    static std::map<std::string, std::string> kinds;
    auto found = kinds.find(name);
    if (found != kinds.end()) return found->second;
    const std::string help = runTool("help " + name).out;
    return kinds[name] = help.substr(help.find("JSON refusal kinds"));
}

// What every --json run must be: one line, one valid object, the envelope first.
void expectOneObject(const ToolRun& run, const std::string& kind) {
    ASSERT_FALSE(run.out.empty()) << run.err;
    EXPECT_EQ(run.out.find('\n'), run.out.size() - 1) << run.out;
    EXPECT_EQ(testing_support::jsonProblem(run.out), "") << run.out;
    if (kind.empty()) {
        EXPECT_EQ(run.out.compare(0, 12, "{\"ok\": true,"), 0) << run.out;
    } else {
        EXPECT_TRUE(
            contains(run.out, "{\"ok\": false, \"refusal\": \"" + kind + "\", \"reason\": \""))
            << run.out;
    }
}

const char kCubeObj[] =
    "v 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\n"
    "g rest\nf 1 2 4 3\ng top\nf 3 4 6 5\ng rest\nf 5 6 8 7\nf 7 8 2 1\nf 2 8 6 4\nf 7 1 3 5\n";

struct JsonRow {
    std::string arguments;
    int status;
    std::string kind;  // empty: done
    std::vector<std::string> facts;
};

// Each row with --json: one valid object with the envelope, the facts it names, a kind
// that the subcommand's help lists; the text on standard error.
void expectJsonRows(const std::vector<JsonRow>& rows) {
    for (const JsonRow& row : rows) {
        SCOPED_TRACE(row.arguments);
        const ToolRun run = runTool(row.arguments + " --json");
        EXPECT_EQ(run.status, row.status) << run.err;
        expectOneObject(run, row.kind);
        for (const std::string& fact : row.facts) EXPECT_TRUE(contains(run.out, fact)) << fact;
        if (!row.kind.empty() && row.kind != "misuse") {
            const std::string name = row.arguments.substr(0, row.arguments.find(' '));
            EXPECT_TRUE(contains(helpedKinds(name), row.kind)) << name;
        }
        EXPECT_FALSE(run.err.empty());
    }
}

TEST(ToolJson, CreasesGivesOneValidObject) {
    TempFolder folder;
    const std::string obj = folder / "cube.obj";
    const std::string layer = folder / "cube.usda";
    const std::string host = folder / "host.ma";
    writeFile(obj, kCubeObj);
    writeFile(layer, readFile(testing_support::realDataPath("usd/mayausd__DeformingCube.usda")));
    writeFile(host, readFile(testing_support::examplePath("cube.ma")));
    const std::string binary = testing_support::realDataPath("usdc/openusd__model.usdc");
    expectJsonRows({
        {"creases " + quoted(obj) + " " + quoted(layer),
         0,
         "",
         {"\"format\": \"usd\"", "\"node\": \"/DeformingCube/Geom/Cube\"", "\"written\": 4"}},
        {"creases " + quoted(obj) + " " + quoted(host), 0, "", {"\"hostScene\": true"}},
        // The format is known once the scene's first bytes are read, null before.
        {"creases " + quoted(folder / "none.obj") + " " + quoted(layer),
         1,
         "unreadable",
         {"\"format\": null", "\"file\": " + tool::jsonString(folder / "none.obj")}},
        {"creases " + quoted(layer) + " " + quoted(obj),
         1,
         "arguments-swapped",
         {"\"format\": null"}},
        {"creases " + quoted(obj) + " " + quoted(layer) + " --value 0",
         1,
         "value-not-positive",
         {"\"format\": \"usd\""}},
        {"creases " + quoted(obj) + " " + quoted(binary),
         1,
         "binary-needs-over",
         {"\"format\": \"usdc\""}},
        {"creases " + quoted(obj) + " " + quoted(host) + " --node nope",
         1,
         "no-such-node",
         {"\"format\": \"maya\"", "\"candidates\": [{\"path\": \"|pCube1|pCubeShape1\""}},
        {"creases " + quoted(obj), 2, "misuse", {"missing SCENE for creases"}},
        {"creases " + quoted(obj) + " " + quoted(layer) + " --value nan", 2, "misuse", {}},
    });
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"cube.obj", "cube.usda", "host.ma"}));
}

TEST(ToolJson, FileToolsGiveOneValidObject) {
    TempFolder folder;
    const std::string obj = folder / "cube.obj";
    writeFile(obj, kCubeObj);
    writeFile(folder / "short.obj", "v 0 0 0\nf 1 1 1\n");
    writeFile(folder / "bad.vyx", "not a vyx file");
    expectJsonRows({
        {"vyx " + quoted(obj) + " " + quoted(folder / "cube.vyx"),
         0,
         "",
         {"\"groups\": 2", "\"smoothing\": false", "\"vyx\": "}},
        {"vyx " + quoted(folder / "none.obj") + " " + quoted(folder / "x.vyx"),
         1,
         "unreadable",
         {"\"obj\": "}},
        {"dump " + quoted(folder / "cube.vyx"),
         0,
         "",
         {"\"blocks\": [{\"tag\": ", "\"entries\": 8}", "\"bytes\": "}},
        {"dump " + quoted(folder / "bad.vyx"), 1, "malformed", {"\"blocks\": ["}},
        {"dump " + quoted(folder / "none.vyx"), 1, "unreadable", {}},
        {"smooth-to-groups " + quoted(obj) + " " + quoted(folder / "groups.obj"),
         0,
         "",
         {"\"output\": "}},
        {"swap-vertices " + quoted(obj) + " " + quoted(folder / "groups.obj"),
         0,
         "",
         {"\"target\": "}},
        {"smooth-to-groups " + quoted(obj) + " " + quoted(obj), 1, "output-is-input", {}},
        {"swap-vertices " + quoted(obj) + " " + quoted(folder / "short.obj"),
         1,
         "counts-differ",
         {"\"sourcePositions\": 8, \"targetPositions\": 1"}},
    });
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"bad.vyx", "cube.obj", "cube.vyx",
                                                          "groups.obj", "short.obj"}));
}

TEST(ToolJson, FolderSubcommandsGiveOneValidObject) {
    TempFolder folder;
    testing_support::makeFolder(folder / "sweep");
    writeFile(folder / "sweep/a.tmp", "x");
    writeFile(folder / "sweep/keep", "x");
    writeFile(folder / "gone.obj", "x");
    expectJsonRows({
        {"version", 0, "", {"\"version\": 3"}},
        {"ls " + quoted(folder / "sweep"), 0, "", {"\"entries\": ["}},
        {"ls " + quoted(folder / "none"), 1, "unlistable", {}},
        {"rm " + quoted(folder / "gone.obj"), 0, "", {"\"file\": "}},
        {"rm " + quoted(folder / "gone.obj"), 1, "not-deleted", {}},
        {"sweep --yes " + quoted(folder / "sweep"),
         0,
         "",
         {"\"deleted\": [\"a.tmp\"], \"left\": []"}},
        {"sweep --yes " + quoted(folder / "none"), 1, "unlistable", {}},
        // Misuse: one object too, whatever was wrong.
        {"sweep " + quoted(folder / "sweep"), 2, "misuse", {"no one to ask"}},
        {"frob", 2, "misuse", {"unknown command 'frob'"}},
    });
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"sweep"});

    // A library that does not load refuses any command that needs it, in one object too.
    const ToolRun run = runTool("ls " + quoted(folder.path()) + " --json", folder / "none.so");
    EXPECT_EQ(run.status, 1);
    expectOneObject(run, "library-not-loaded");
    EXPECT_TRUE(contains(run.out, "\"folder\": ")) << run.out;
}

// A file name is bytes: one that is not UTF-8 still gives valid JSON, each stray byte as
// U+FFFD, the valid ones as they are.
TEST(ToolJson, NamesThatAreNotUtf8) {
    TempFolder folder;
    const std::string odd = "odd-\xFF-\xC3\x28-caf\xC3\xA9.obj";
    writeFile(folder / odd, kCubeObj);
    writeFile(folder / "cube.obj", kCubeObj);
    const std::string fffd = "\xEF\xBF\xBD";
    const std::string shown = "odd-" + fffd + "-" + fffd + "(-caf\xC3\xA9.obj";
    struct Row {
        std::string arguments;
        int status;
    } const rows[] = {
        {"ls " + quoted(folder.path()), 0},
        {"creases " + quoted(folder / "cube.obj") + " " + quoted(folder / odd), 1},
        {"vyx " + quoted(folder / odd) + " " + quoted(folder / odd), 1},
        {"creases " + quoted(folder / odd) + " x.ma --node", 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments);
        const ToolRun run = runTool(row.arguments + " --json");
        EXPECT_EQ(run.status, row.status) << run.err;
        EXPECT_EQ(testing_support::jsonProblem(run.out), "") << run.out;
        if (row.status != 2) {
            EXPECT_TRUE(contains(run.out, shown)) << run.out;
        }
    }
}

TEST(ToolOptions, ParsedAsPeopleExpect) {
    TempFolder folder;
    const std::string obj = folder / "cube.obj";
    const std::string layer = folder / "cube.usda";
    writeFile(obj, kCubeObj);
    const std::string original =
        readFile(testing_support::realDataPath("usd/mayausd__DeformingCube.usda"));
    writeFile(layer, original);
    const std::string files = quoted(obj) + " " + quoted(layer);
    struct Row {
        std::string arguments;
        int status;
        std::string said;  // the sentence or the misuse
    } const rows[] = {
        // A value that looks like an option is not taken by accident.
        {"creases " + files + " --prim --dry-run", 2,
         "tessaryn: --prim needs a value (PATH), not the option '--dry-run'; write "
         "--prim=VALUE for a value that starts with -\n"},
        {"creases " + files + " -o --dry-run", 2,
         "-o needs a value (OUT), not the option '--dry-run'; a file whose name starts with - "
         "can be named ./-NAME"},
        {"creases " + files + " --node -- a", 2,
         "--node needs a value (NAME), not the option '--'"},
        // ... unless given with '=', which takes any value.
        {"creases " + files + " --prim=--odd --dry-run", 1, "has no mesh prim --odd"},
        {"creases " + files + " --prim=Cube --value=.5 --wait=0.5 --threads=1 --dry-run", 0,
         "would be written (value 0.5)"},
        // Twice, in any spelling.
        {"creases " + files + " --node a --prim b", 2,
         "tessaryn: --prim is given twice: --node and --prim are one option\n"},
        {"creases " + files + " --prim=a --node=a", 2, "--node is given twice: --prim and --node"},
        {"creases " + files + " --json --json", 2, "tessaryn: --json is given twice\n"},
        {"creases " + files + " --value 1 --value=1", 2, "--value is given twice"},
        {"creases " + files + " -h --help", 0, ""},
        {"vyx a b --smoothing --smoothing", 2, "--smoothing is given twice"},
        // A flag takes no value; a negative number is a value, and a wrong one.
        {"creases " + files + " --dry-run=yes", 2, "--dry-run takes no value"},
        {"creases " + files + " --frob=1", 2, "unknown option '--frob' for creases"},
        {"creases " + files + " --node=", 2, "--node needs a value (NAME), not an empty one"},
        {"creases " + files + " --wait -1", 2, "--wait needs a number of seconds of 0 or more"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments);
        const ToolRun run = runTool(row.arguments);
        EXPECT_EQ(run.status, row.status) << run.err;
        EXPECT_TRUE(contains(run.err + run.out, row.said)) << run.err;
        if (row.status == 2) {
            EXPECT_TRUE(contains(run.err, "\nusage: tessaryn")) << run.err;
        }
    }
    EXPECT_EQ(readFile(layer), original);
}

// --value on a Maya scene and on a USD layer alike: any finite decimal, written as the
// shortest that reads back as the same float; one that is no crease as a float is refused
// on both; one that is no decimal is misuse.
void expectCreaseValues(const std::string& sceneName, const std::string& node) {
    TempFolder folder;
    const std::string obj = testing_support::realDataPath("tinyobj__issue-162-smoothing-group.obj");
    const std::string scene = folder / "scene";
    const std::string original = readFile(testing_support::realDataPath(sceneName));
    writeFile(scene, original);
    struct Row {
        const char* value;
        int status;
        std::string expected;  // the value written, the refusal kind, or the misuse
    } const rows[] = {
        {"1e3", 0, "1000"},
        {"5.", 0, "5"},
        {".5", 0, "0.5"},
        {"0.1000000001", 0, "0.1"},
        {"2.5E-1", 0, "0.25"},
        {"0", 1, "value-not-positive"},
        {"0.0e7", 1, "value-not-positive"},
        {"1e-50", 1, "value-not-positive"},
        {"1e39", 1, "value-not-positive"},
        {"-1", 2, "--value needs a decimal above 0, such as 10, 0.5 or 1e3, not '-1'"},
        {"nan", 2, "not 'nan'"},
        {"inf", 2, "not 'inf'"},
        {"ten", 2, "not 'ten'"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        const ToolRun run = runTool("creases --smoothing " + quoted(obj) + " " + quoted(scene) +
                                    " --node " + node + " --json --value " + row.value);
        EXPECT_EQ(run.status, row.status) << run.err;
        if (row.status == 0) {
            EXPECT_TRUE(contains(run.out, "\"value\": \"" + row.expected + "\"")) << run.out;
            EXPECT_TRUE(contains(run.err, "(value " + row.expected + ")")) << run.err;
            writeFile(scene, original);
            continue;
        }
        EXPECT_TRUE(contains(run.out, row.status == 1 ? "\"refusal\": \"" + row.expected
                                                      : "\"refusal\": \"misuse\""))
            << run.out;
        EXPECT_TRUE(row.status == 1 || contains(run.out, row.expected)) << run.out;
        EXPECT_EQ(readFile(scene), original);
    }
}

TEST(ToolOptions, CreaseValuesOnAMayaScene) {
    expectCreaseValues("mayausd__UsdExportMeshTest.ma", "creasedShape");
}

TEST(ToolOptions, CreaseValuesOnAUsdLayer) {
    expectCreaseValues("usd/mayausd__UsdImportUVSetsTestWithCreases.usda", "CreasedCube");
}

// Text as the manual page renders it: no requests, no font changes, hyphens as they are,
// white space as single blanks.
std::string renderedWords(const std::string& roff) {
    std::string words;
    std::size_t at = 0;
    while (at < roff.size()) {
        std::size_t end = roff.find('\n', at);
        if (end == std::string::npos) end = roff.size();
        const std::string line = roff.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && (line[0] == '.' || line[0] == '\'')) continue;
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size()) {
                const char next = line[++i];
                if (next == 'f')
                    ++i;  // \fB, \fI, \fR
                else if (next == '-')
                    words += '-';
                else if (next == 'e')
                    words += '\\';
                continue;  // \& and the like give nothing
            }
            words += line[i];
        }
        words += ' ';
    }
    return words;
}

std::string singleSpaced(const std::string& text) {
    std::string spaced;
    for (char c : text) {
        const bool blank = c == ' ' || c == '\n';
        if (blank && (spaced.empty() || spaced.back() == ' ')) continue;
        spaced += blank ? ' ' : c;
    }
    return spaced;
}

// Each subcommand's help, however asked for; the manual page has every option with the
// words of its help, every exit status and every refusal kind the help gives.
TEST(ToolHelp, EverySubcommandAndTheManualPage) {
    const std::vector<std::string> names = subcommandNames();
    ASSERT_GE(names.size(), 9u);
    const std::string manual = readFile(TESSARYN_MAN_PAGE);
    const std::string manualWords = singleSpaced(renderedWords(manual));
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string& name = names[i];
        SCOPED_TRACE(name);
        const ToolRun help = runTool("help " + name);
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.err, "");
        EXPECT_EQ(
            help.out.compare(0, 34 + name.size(), "usage: tessaryn [--library PATH] " + name + " "),
            0)
            << help.out;
        // Each form in turn, over the subcommands: --help, -h, and among arguments.
        const std::string forms[] = {" --help", " -h", " a b c --help"};
        const std::string asked = name + forms[i % 3];
        const ToolRun run = runTool(asked);
        EXPECT_EQ(run.out, help.out) << asked;
        EXPECT_EQ(run.status, 0) << asked;
        EXPECT_TRUE(contains(manual, ".SS " + name + "\n"));
        // The sections of the help, each line of an entry joined to the next.
        const std::string options = help.out.substr(help.out.find("\noptions:\n") + 10);
        const std::string exits = options.substr(options.find("\nexit status:\n") + 14);
        const std::string kinds = exits.substr(exits.find("\nJSON refusal kinds") + 1);
        std::size_t at = 0;
        int explained = 0;
        while (at < options.size() && options.compare(at, 2, "  ") == 0 && options[at + 2] != ' ') {
            const std::size_t nameEnd = options.find('\n', at);
            std::size_t end = nameEnd;
            while (options.compare(end + 1, 6, "      ") == 0) end = options.find('\n', end + 1);
            const std::string option = options.substr(at + 2, nameEnd - at - 2);
            const std::string explanation =
                singleSpaced(options.substr(nameEnd + 1, end - nameEnd));
            EXPECT_FALSE(explanation.empty()) << option;
            EXPECT_TRUE(contains(manualWords, explanation)) << option << ": " << explanation;
            at = end + 1;
            ++explained;
        }
        EXPECT_GE(explained, 4) << options;  // its own, --json, --help, -h, --
        for (const char* status : {"  0  ", "  1  ", "  2  "}) {
            const std::size_t from = exits.find(status) + 5;
            std::size_t end = exits.find('\n', from);
            while (exits.compare(end + 1, 5, "     ") == 0) end = exits.find('\n', end + 1);
            const std::string meaning = singleSpaced(exits.substr(from, end - from));
            EXPECT_TRUE(contains(manualWords, meaning)) << meaning;
        }
        const std::string kindList = singleSpaced(kinds.substr(kinds.find('\n') + 1));
        EXPECT_TRUE(contains(manualWords, kindList.substr(0, kindList.size() - 1))) << kindList;
    }
    const ToolRun unknown = runTool("help frob");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_TRUE(contains(unknown.err, "unknown command 'frob'")) << unknown.err;
}

#endif

}  // namespace
