// The command-line tool run as a process, as a user or a script runs it: where it finds
// the library, what it says on misuse, and which file it names when a command fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "support.h"
#include "usdc_support.h"
#include "tools/executable_path.h"
#include "tools/library_loader.h"

namespace {

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

TEST(Loader, GivesTheLoadersOwnMessage) {
    TempFolder folder;
    writeFile(folder / "not-a-library.txt", "plain text\n");
    for (const std::string& path :
         {folder / "missing.so", folder / "not-a-library.txt", folder.path()}) {
        SCOPED_TRACE(path);
        library_loader::Library library;
        EXPECT_FALSE(library.load(testing_support::hostPath(path)));
        EXPECT_FALSE(library.error().empty());
        EXPECT_EQ(library.find("Version"), nullptr);
        EXPECT_EQ(library.error(), "the library is not loaded");
    }
    library_loader::Library library;
    ASSERT_TRUE(library.load(testing_support::hostPath(TESSARYN_LIBRARY_PATH))) << library.error();
    EXPECT_NE(library.find("Version"), nullptr);
    EXPECT_EQ(library.find("NoSuchCommand"), nullptr);
    EXPECT_FALSE(library.error().empty());
}

TEST(Loader, LibraryBesideTheExecutable) {
    const std::string name = library_loader::kLibraryFileName;
    EXPECT_EQ(library_loader::libraryBeside("/opt/t/bin/tessaryn"), "/opt/t/bin/" + name);
    EXPECT_EQ(library_loader::libraryBeside("C:\\t\\tessaryn.exe"), "C:\\t\\" + name);
    EXPECT_EQ(library_loader::libraryBeside(""), name);
}

#if !defined(_WIN32)
// The fallback where /proc is not mounted: argv[0] found as a shell finds it.
TEST(Loader, ExecutableFromArgumentResolvesLinksAndPath) {
    TempFolder folder;
    testing_support::makeFolder(folder / "bin");
    testing_support::makeFolder(folder / "links");
    writeFile(folder / "bin/tool", "#!/bin/sh\n");
    fs::permissions(folder / "bin/tool", fs::perms::owner_all);
    writeFile(folder / "bin/plain", "not executable\n");
    fs::permissions(folder / "bin/plain", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(folder / "bin/tool", folder / "links/tool");
    const std::string real = fs::canonical(folder / "bin/tool").string();
    struct Row {
        std::string argv0;
        std::string searchPath;
        std::string expected;
    };
    const Row rows[] = {
        {"tool", "/no/such/folder:" + (folder / "bin"), real},
        {"tool", folder / "links", real},
        {folder / "links/tool", "", real},
        {"plain", folder / "bin", ""},
        {"missing", folder / "bin", ""},
        {"tool", "", ""},
        {"", folder / "bin", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.argv0 + " in " + row.searchPath);
        EXPECT_EQ(library_loader::executableFromArgument(row.argv0, row.searchPath), row.expected);
    }
}

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

// Runs `program` (the tool or a link to it, under the emulator where the build needs one)
// with `arguments` through the shell, stdin empty; `environment` goes before it.
ToolRun runProgram(const std::string& program, const std::string& arguments,
                   const std::string& environment = "") {
    TempFolder scratch;
    const std::string errors = scratch / "stderr";
    const std::string command = environment + " " + TESSARYN_EMULATOR + " " + program + " " +
                                arguments + " </dev/null 2>" + quoted(errors);
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

ToolRun runTool(const std::string& arguments) {
    return runProgram(TESSARYN_TOOL_PATH,
                      "--library " + quoted(TESSARYN_LIBRARY_PATH) + " " + arguments);
}

std::string jsonQuoted(const std::string& text) {
    return "\"" + text + "\"";  // the test's paths hold nothing JSON escapes
}

bool startsWith(const std::string& text, const std::string& start) {
    return text.compare(0, start.size(), start) == 0;
}

TEST(Tool, HelpGoesToStandardOutput) {
    for (const char* arguments : {"--help", "-h", "help", "creases --help", "help creases"}) {
        SCOPED_TRACE(arguments);
        const ToolRun run = runTool(arguments);
        EXPECT_EQ(run.status, 0);
        EXPECT_TRUE(startsWith(run.out, "usage: tessaryn")) << run.out;
        EXPECT_NE(
            run.out.find("creases OBJ SCENE [--smoothing] [--node NAME] [--prim PATH] [--value V]"),
            std::string::npos);
        EXPECT_EQ(run.err, "");
    }
}

TEST(Tool, MisuseSaysWhatWasWrongThenTheUsage) {
    struct Row {
        const char* arguments;
        const char* complaint;
    };
    const Row rows[] = {
        {"", "no command given"},
        {"frob", "unknown command 'frob'"},
        {"--frob version", "unknown option '--frob'"},
        {"creases a.obj", "missing SCENE for creases"},
        {"creases", "missing OBJ for creases"},
        {"creases a.obj b.ma c.ma", "unexpected argument 'c.ma': creases takes OBJ SCENE"},
        {"version now", "unexpected argument 'now': version takes no argument"},
        {"creases a.obj b.ma --node", "--node needs a value (NAME)"},
        {"creases a.obj b.ma --node n --value", "--value needs a value (V)"},
        {"creases a.obj b.ma --yes", "unknown option '--yes' for creases"},
        {"sweep folder --smoothing", "unknown option '--smoothing' for sweep"},
        {"creases a.obj b.ma --node ''", "--node needs a value (NAME), not an empty one"},
        {"creases a.obj b.ma --value '' --node n", "--value needs a value (V), not an empty one"},
        {"creases a.obj b.ma --value -1",
         "--value needs a decimal above 0, such as 10, 0.5 or 1e3, not '-1'"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments);
        const ToolRun run = runTool(row.arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(
            startsWith(run.err, std::string("tessaryn: ") + row.complaint + "\nusage: tessaryn"))
            << run.err;
        EXPECT_EQ(run.out, "");
    }
    const ToolRun run = runProgram(TESSARYN_TOOL_PATH, "--library");
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(startsWith(run.err, "tessaryn: --library needs a value (PATH)\n")) << run.err;
}

// Misuse is told before the library is loaded, so it exits 2 even without one.
TEST(Tool, MisuseWithoutALibrary) {
    for (const char* arguments :
         {"--library '' version", "--library /no/such.so creases a b --value x",
          "--library /no/such.so creases a b --node ''"}) {
        SCOPED_TRACE(arguments);
        const ToolRun run = runProgram(TESSARYN_TOOL_PATH, arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(startsWith(run.err, "tessaryn: --")) << run.err;
    }
}

// A bare --library name is the file in the current folder, not one in the system's.
TEST(Tool, ALibraryNamedWithoutAFolderIsTheOneHere) {
    TempFolder folder;
    fs::copy_file(TESSARYN_LIBRARY_PATH, folder / "copy.so");
    const ToolRun run = runProgram(TESSARYN_TOOL_PATH, "--library copy.so version",
                                   "cd " + quoted(folder.path()) + " &&");
    EXPECT_EQ(run.out, "TessarynDLL version 3\n") << run.err;
    EXPECT_EQ(run.status, 0);
}

TEST(Tool, OptionsWithValuesParse) {
    TempFolder folder;
    const ToolRun run = runTool("creases --node pCubeShape1 " + quoted(folder / "a.obj") +
                                " --value 2.5 --smoothing " + quoted(folder / "b.ma"));
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_TRUE(startsWith(run.err, "cannot read " + (folder / "a.obj") + " (")) << run.err;
}

// The library is found beside the tool's real file, however the tool is started.
TEST(Tool, FindsTheLibraryBesideItsRealFile) {
    TempFolder folder;
    testing_support::makeFolder(folder / "bin");
    fs::create_symlink(TESSARYN_TOOL_PATH, folder / "bin/tessaryn");
    ToolRun run = runProgram(folder / "bin/tessaryn", "version");
    EXPECT_EQ(run.out, "TessarynDLL version 3\n") << run.err;
    EXPECT_EQ(run.status, 0);

    if (std::string(TESSARYN_EMULATOR).empty()) {  // an emulator does not search PATH
        run = runProgram("tessaryn", "version", "PATH=" + quoted(folder / "bin") + ":\"$PATH\"");
        EXPECT_EQ(run.out, "TessarynDLL version 3\n") << run.err;
        EXPECT_EQ(run.status, 0);
    }

    // A copy has no library beside it: the path it tried and the loader's reason.
    fs::copy_file(TESSARYN_TOOL_PATH, folder / "tessaryn");
    run = runProgram(folder / "tessaryn", "version");
    const std::string tried = folder / library_loader::kLibraryFileName;
    library_loader::Library library;
    ASSERT_FALSE(library.load(tried));
    EXPECT_EQ(run.err, "cannot load the library " + tried + ": " + library.error() + "\n");
    EXPECT_EQ(run.status, 1);
}

TEST(Tool, ABadLibraryShowsTheLoadersMessage) {
    TempFolder folder;
    writeFile(folder / "text.so", "not a library\n");
    for (const std::string& path : {folder / "missing.so", folder / "text.so"}) {
        SCOPED_TRACE(path);
        library_loader::Library library;
        ASSERT_FALSE(library.load(path));
        const ToolRun run =
            runProgram(TESSARYN_TOOL_PATH, "--library " + quoted(path) + " version");
        EXPECT_EQ(run.err, "cannot load the library " + path + ": " + library.error() + "\n");
        EXPECT_EQ(run.status, 1);
    }
}

TEST(Tool, AFailureNamesTheFileThatCannotBeRead) {
    TempFolder folder;
    const std::string obj = folder / "cube.obj";
    const std::string scene = folder / "cube.ma";
    writeFile(obj, readFile(testing_support::examplePath("cube.obj")));
    writeFile(scene, readFile(testing_support::examplePath("cube.ma")));
    const std::string missing = folder / "missing.obj";
    testing_support::makeFolder(folder / "folder.ma");
    struct Row {
        std::string arguments;
        std::string named;  // the file the sentence must blame
    };
    const Row rows[] = {
        {"creases " + quoted(missing) + " " + quoted(scene), missing},
        {"creases " + quoted(obj) + " " + quoted(folder / "missing.ma"), folder / "missing.ma"},
        {"creases " + quoted(obj) + " " + quoted(folder / "folder.ma"), folder / "folder.ma"},
        {"vyx " + quoted(missing) + " " + quoted(folder / "out.vyx"), missing},
        {"smooth-to-groups " + quoted(missing) + " " + quoted(folder / "out.obj"), missing},
    };
    const std::string sceneBefore = readFile(scene);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments);
        const ToolRun run = runTool(row.arguments);
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(startsWith(run.err, "cannot read " + row.named + " (")) << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(readFile(scene), sceneBefore);
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"cube.ma", "cube.obj", "folder.ma"}));
}

// What a script relies on, on both scene roads: -o writes OUT (even when nothing needs to
// change) and leaves the scene alone, --dry-run writes nothing, --json puts exactly one
// object on standard output with the exit status unchanged, and a second run changes
// no byte.
TEST(Tool, CreasesForScripts) {
    TempFolder folder;
    const std::string obj = folder / "cube.obj";
    const std::string host = folder / "host.ma";
    const std::string maya = folder / "maya.ma";
    const std::string out = folder / "out.ma";
    const std::string hostScene = readFile(testing_support::examplePath("cube.ma"));
    writeFile(obj, readFile(testing_support::examplePath("cube.obj")));
    writeFile(host, hostScene);
    writeFile(maya, readFile(testing_support::realDataPath("cgkit__objects.ma")));
    const std::string mayaScene = readFile(maya);
    // cgkit's meshShape numbers the cube's vertices as the example OBJ does not: another
    // OBJ of the same shape in its order.
    const std::string mayaObj = folder / "maya.obj";
    writeFile(mayaObj,
              "v 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\n"
              "g rest\nf 1 2 4 3\ng apart\nf 3 4 6 5\ng rest\nf 5 6 8 7\nf 7 8 2 1\nf 2 8 6 4\n"
              "f 7 1 3 5\n");

    for (const bool hostRoad : {true, false}) {
        SCOPED_TRACE(hostRoad ? "host scene" : "Maya scene");
        const std::string scene = hostRoad ? host : maya;
        const std::string before = readFile(scene);
        const std::string files = quoted(hostRoad ? obj : mayaObj) + " " + quoted(scene);

        ToolRun run = runTool("creases " + files + " --dry-run");
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.out.find("nothing written (dry run)"), std::string::npos) << run.out;
        EXPECT_EQ(readFile(scene), before);

        run = runTool("creases " + files + " -o " + quoted(out) + " --json");
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out.find('\n'), run.out.size() - 1) << run.out;  // one line, one object
        EXPECT_EQ(run.out.front(), '{');
        EXPECT_NE(run.out.find("\"ok\": true"), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("\"output\": " + jsonQuoted(out)), std::string::npos) << run.out;
        EXPECT_NE(run.out.find(std::string("\"hostScene\": ") + (hostRoad ? "true" : "false")),
                  std::string::npos);
        EXPECT_NE(run.err, "");  // the sentence
        EXPECT_EQ(readFile(scene), before);
        const std::string written = readFile(out);
        EXPECT_NE(written, before);

        // In place, then a second run over the output: not a byte moves.
        run = runTool("creases " + files);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(readFile(scene), written);
        run = runTool("creases " + files + " --json");
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.out.find("\"changed\": false"), std::string::npos) << run.out;
        EXPECT_EQ(readFile(scene), written);
        // -o writes even then.
        writeFile(out, "old");
        EXPECT_EQ(runTool("creases " + files + " -o " + quoted(out)).status, 0);
        EXPECT_EQ(readFile(out), written);
        writeFile(scene, before);
    }

    // Refusals: one object as well, with the kind and the facts; nothing changed. Two
    // sides of this square are diagonals of the cube's faces: not edges of the node.
    const std::string square = folder / "square.obj";
    writeFile(square,
              "v 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\n"
              "g a\nf 1 2 3 4\n");
    struct Row {
        std::string arguments;
        int status;
        std::string kind;
        std::string said;  // a part of the sentence on standard error
    } rows[] = {
        {"creases " + quoted(host) + " " + quoted(obj), 1, "arguments-swapped",
         "the arguments are the wrong way round"},
        {"creases " + quoted(square) + " " + quoted(maya), 1, "edges-not-in-node",
         "the OBJ's vertices are not in the scene's order, or it is another mesh"},
        {"creases " + quoted(obj) + " " + quoted(folder / "cube.obj"), 1, "not-a-scene",
         "is neither a Maya ASCII scene nor a USD ASCII layer"},
        {"creases " + quoted(obj) + " " + quoted(host) + " --value 3", 1, "value-on-host-scene",
         "is a host scene"},
        {"creases " + quoted(obj) + " " + quoted(host) + " -o " + quoted(out) + " --dry-run", 2,
         "misuse", "-o and --dry-run exclude each other"},
        {"creases " + quoted(obj) + " " + quoted(host) + " --node nope", 1, "no-such-node",
         "has no mesh node nope; its mesh nodes: pCubeShape1 (8 vertices)"},
    };
    writeFile(out, "old");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments);
        const ToolRun run = runTool(row.arguments + " --json");
        EXPECT_EQ(run.status, row.status);
        EXPECT_EQ(run.out.find('\n'), run.out.size() - 1) << run.out;
        EXPECT_NE(run.out.find("\"refusal\": \"" + row.kind + "\""), std::string::npos) << run.out;
        EXPECT_NE(run.err.find(row.said), std::string::npos) << run.err;
    }
    EXPECT_EQ(readFile(host), hostScene);
    EXPECT_EQ(readFile(maya), mayaScene);
    EXPECT_EQ(readFile(out), "old");
    const ToolRun mismatch = runTool("creases " + quoted(square) + " " + quoted(maya) + " --json");
    EXPECT_NE(mismatch.out.find("\"missing\": 2, \"firstMissing\": [1, 4]"), std::string::npos)
        << mismatch.out;
    EXPECT_NE(mismatch.err.find("2 of the 4 crease edges of " + square +
                                " are not edges of meshShape, the first between the OBJ's "
                                "vertices 1 and 4"),
              std::string::npos)
        << mismatch.err;

    // "--" ends the options: a scene may be named like one.
    writeFile(folder / "-o", hostScene);
    const ToolRun dashed = runProgram(
        TESSARYN_TOOL_PATH,
        "--library " + quoted(TESSARYN_LIBRARY_PATH) + " creases --dry-run -- cube.obj -o",
        "cd " + quoted(folder.path()) + " &&");
    EXPECT_EQ(dashed.status, 0) << dashed.err;
}

// A Maya node whose mesh is its construction history is named as such, with what to do
// in Maya: when asked for, and among the candidates when none fits or none holds a mesh.
TEST(Tool, NodesWhoseMeshIsTheirHistory) {
    TempFolder folder;
    const std::string scene = folder / "scene.ma";
    const std::string historyOnly = folder / "history.ma";
    const std::string obj = folder / "cube.obj";
    writeFile(scene, readFile(testing_support::realDataPath("cgkit__objects.ma")));
    writeFile(historyOnly,
              "//Maya ASCII 2022 scene\ncreateNode transform -n \"pCube1\";\n"
              "createNode mesh -n \"pCubeShape1\" -p \"pCube1\";\n"
              "createNode polyCube -n \"polyCube1\";\n"
              "connectAttr \"polyCube1.out\" \"pCubeShape1.i\";\n");
    writeFile(obj, "v 0 0 0\nv 1 0 0\nv 1 1 0\ng a\nf 1 2 3\n");
    const std::string hint = "delete its history in Maya and save the scene";
    const std::string candidate =
        "{\"path\": \"|pCube1|pCubeShape1\", \"name\": \"pCubeShape1\", "
        "\"vertices\": 0, \"history\": true}";
    struct Row {
        std::string arguments;
        std::string kind;
        std::string said;
        std::string json;  // a part of the object
    } rows[] = {
        {quoted(scene) + " --node pCubeShape1", "node-holds-no-mesh",
         "pCubeShape1 in " + scene +
             " holds no mesh data in the file: its mesh is made by its construction history "
             "(connected on line 88); " + hint + "; nothing changed",
         "\"line\": 88, \"node\": \"|pCube1|pCubeShape1\""},
        {quoted(historyOnly) + " --node " + quoted("pCube1|pCubeShape1"), "node-holds-no-mesh",
         "(connected on line 5); " + hint, "\"line\": 5"},
        {quoted(scene), "no-fitting-node",
         "but no mesh node of " + scene + " has as many: pCubeShape1 (construction history: " +
             hint + "), meshShape (8 vertices); nothing changed",
         "\"candidates\": [" + candidate},
        {quoted(historyOnly), "no-mesh-node",
         historyOnly + " has no mesh node with vertices and edges: pCubeShape1 (construction "
                       "history: " + hint + "); nothing changed",
         "\"candidates\": [" + candidate + "]"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments);
        const ToolRun run = runTool("creases " + quoted(obj) + " " + row.arguments + " --json");
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.out.find("\"refusal\": \"" + row.kind + "\""), std::string::npos) << run.out;
        EXPECT_NE(run.out.find(row.json), std::string::npos) << run.out;
        EXPECT_NE(run.err.find(row.said), std::string::npos) << run.err;
    }
    // Other nodes' candidates say nothing of history.
    const ToolRun fitting = runTool("creases " + quoted(obj) + " " + quoted(scene) + " --json");
    EXPECT_NE(fitting.out.find("\"name\": \"meshShape\", \"vertices\": 8}"), std::string::npos)
        << fitting.out;
}

TEST(Tool, ARefusedSwapGivesBothCountsAndTheReason) {
    TempFolder folder;
    const std::string a = folder / "a.obj";
    const std::string b = folder / "b.obj";
    struct Row {
        std::string source;
        std::string target;
        std::string sentence;
    };
    const Row rows[] = {
        {"v 1 1 1\nv 2 2 2\nf 1 2\n", "v 0 0 0\nf 1\n",
         a + " has 2 vertex positions, " + b + " has 1 vertex position: the counts differ"},
        {"v 1 1 1\n", "# old\nv 0 0 0\n# more\n",
         a + " has 1 vertex position, " + b + " has 1 vertex position: " + b +
             " holds nothing but vertex positions and comments"},
        {"vt 1 1\nv\t1 1 1\n", "v 0 0 0\nf 1\n",
         a + " has 0 vertex positions, " + b + " has 1 vertex position: " + a + " has none"},
        {"v 1 1 1\r\nv 2 2 2\r\n", "vn 0 0 1\r\nf 1\r\n",
         a + " has 2 vertex positions, " + b + " has 0 vertex positions: " + b + " has none"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.sentence);
        writeFile(a, row.source);
        writeFile(b, row.target);
        const ToolRun run = runTool("swap-vertices " + quoted(a) + " " + quoted(b));
        EXPECT_EQ(run.err, "not swapped: " + row.sentence + "; nothing changed\n");
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(readFile(b), row.target);
    }
    const ToolRun run = runTool("swap-vertices " + quoted(folder / "none.obj") + " " + quoted(b));
    EXPECT_TRUE(startsWith(run.err, "not swapped: cannot read " + (folder / "none.obj") + " (No"))
        << run.err;
    EXPECT_NE(run.err.find(", " + b + " has 0 vertex positions; nothing changed\n"),
              std::string::npos)
        << run.err;
}

TEST(Tool, ARefusedSwapNamesATargetItCannotWrite) {
    if (geteuid() == 0) GTEST_SKIP() << "permission bits do not stop root";
    TempFolder folder;
    writeFile(folder / "a.obj", "v 1 1 1\nf 1\n");
    writeFile(folder / "b.obj", "v 0 0 0\nf 1\n");
    testing_support::setReadOnly(folder / "b.obj", true);
    testing_support::setReadOnly(folder.path(), true);
    const ToolRun run =
        runTool("swap-vertices " + quoted(folder / "a.obj") + " " + quoted(folder / "b.obj"));
    testing_support::setReadOnly(folder.path(), false);
    EXPECT_TRUE(startsWith(run.err, "not swapped: " + (folder / "a.obj") +
                                        " has 1 vertex position, " + (folder / "b.obj") +
                                        " has 1 vertex position: cannot write " +
                                        (folder / "b.obj") + " ("))
        << run.err;
    EXPECT_EQ(run.status, 1);
}

// The other commands' sentences, success and failure, each on its own stream with its
// exit status; one group is "1 group".
TEST(Tool, EachCommandSaysWhatCameOfIt) {
    TempFolder folder;
    const std::string one = folder / "one.obj";
    const std::string bad = folder / "bad.obj";
    const std::string none = folder / "none/out";  // in a folder that does not exist
    writeFile(one, "v 0 0 0\nv 1 0 0\nv 0 1 0\ng a\ns 1\nf 1 2 3\n");
    writeFile(bad, "v 0 0 0\nf 1 2 3\n");
    struct Row {
        std::string arguments;
        std::string out;
        std::string err;
        int status;
    };
    const Row rows[] = {
        {"vyx " + quoted(one) + " " + quoted(folder / "one.vyx"),
         "1 group; " + (folder / "one.vyx") + " written\n", "", 0},
        {"vyx --smoothing " + quoted(one) + " " + quoted(folder / "one.vyx"),
         "1 smoothing group; " + (folder / "one.vyx") + " written\n", "", 0},
        {"vyx " + quoted(bad) + " " + quoted(folder / "bad.vyx"), "",
         bad + " has a face that names a vertex or texture coordinate it does not have; nothing "
               "written\n",
         1},
        {"vyx " + quoted(one) + " " + quoted(none), "",
         "cannot create a file in " + (folder / "none/") +
             ": No such file or directory; nothing written\n",
         1},
        {"smooth-to-groups " + quoted(one) + " " + quoted(none), "",
         "cannot create a file in " + (folder / "none/") +
             ": No such file or directory; nothing written\n",
         1},
        {"rm " + quoted(folder / "missing"), "",
         "cannot delete " + (folder / "missing") + " (No such file or directory)\n", 1},
        {"ls " + quoted(folder / "missing"), "",
         "cannot list " + (folder / "missing") + " (No such file or directory)\n", 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments);
        const ToolRun run = runTool(row.arguments);
        EXPECT_EQ(run.out, row.out);
        EXPECT_EQ(run.err, row.err);
        EXPECT_EQ(run.status, row.status);
    }
}

bool hasLine(const std::string& text, const std::string& line) {
    return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
}

TEST(Tool, SweepCountsWhatItDeletedAndNamesWhatIsLeft) {
    TempFolder folder;
    // The library passes over a path longer than 255 bytes, which even root cannot
    // change: the one file left behind whoever runs the test.
    const std::string longName = std::string(250, 'f') + ".obj";
    for (const std::string& name :
         {std::string("a.obj"), std::string("b.tar.gz"), std::string("README"), longName}) {
        writeFile(folder / name, "x");
    }
    testing_support::makeFolder(folder / "images.d");
    ToolRun run = runTool("sweep --yes " + quoted(folder.path()));
    EXPECT_TRUE(hasLine(run.out, "before: 5 entries in " + folder.path())) << run.out;
    EXPECT_TRUE(hasLine(run.out, "  images.d/")) << run.out;
    EXPECT_TRUE(hasLine(run.out, "after: 3 entries in " + folder.path())) << run.out;
    EXPECT_TRUE(hasLine(run.out, "2 files deleted")) << run.out;
    EXPECT_EQ(run.err, "could not delete 1 file with an extension: " + longName + "\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"README", longName, "images.d"}));

    fs::remove(folder / longName);
    run = runTool("sweep --yes " + quoted(folder.path()));
    EXPECT_TRUE(hasLine(run.out, "no file deleted")) << run.out;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.status, 0);

    run = runTool("sweep --yes " + quoted(folder / "missing"));
    EXPECT_EQ(run.err, "cannot list " + (folder / "missing") +
                           " (No such file or directory); nothing deleted\n");
    EXPECT_EQ(run.status, 1);
}

TEST(Tool, SweepOfAFolderItCannotChange) {
    if (geteuid() == 0) GTEST_SKIP() << "permission bits do not stop root";
    TempFolder folder;
    writeFile(folder / "a.obj", "x");
    writeFile(folder / "b.ma", "x");
    testing_support::setReadOnly(folder.path(), true);
    const ToolRun run = runTool("sweep --yes " + quoted(folder.path()));
    testing_support::setReadOnly(folder.path(), false);
    EXPECT_TRUE(hasLine(run.out, "no file deleted")) << run.out;
    EXPECT_TRUE(run.err == "could not delete 2 files with an extension: a.obj, b.ma\n" ||
                run.err == "could not delete 2 files with an extension: b.ma, a.obj\n")
        << run.err;
    EXPECT_EQ(run.status, 1);
}

// An output that names an input, by another spelling, a symbolic or a hard link, is
// refused before anything is written; swap-vertices rewrites TARGET by design, so there
// only a TARGET that is SOURCE counts.
TEST(Tool, AnOutputThatNamesAnInputIsRefused) {
    TempFolder folder;
    testing_support::makeFolder(folder / "sub");
    const std::string obj = folder / "cube.obj";
    const std::string layer = folder / "cube.usda";
    writeFile(obj, testing_support::kCubeObj);
    writeFile(layer, "#usda 1.0\n");
    const std::string scene = folder / "cube.ma";
    writeFile(scene, readFile(testing_support::examplePath("cube.ma")));
    fs::create_symlink(obj, folder / "sub/link.obj");
    fs::create_hard_link(obj, folder / "sub/hard.obj");
    const std::string other = quoted(folder / "sub/../cube.obj");
    const std::string link = quoted(folder / "sub/link.obj");
    const std::string hard = quoted(folder / "sub/hard.obj");
    const std::string sameAs = " names the same file as ";
    struct Row {
        std::string arguments;
        std::string kind;  // the JSON refusal of `creases`, empty for the others
        std::string said;
    } const rows[] = {
        {"creases " + quoted(obj) + " " + quoted(scene) + " -o " + other, "output-is-input",
         "-o " + folder / "sub/../cube.obj" + sameAs + "the OBJ " + obj},
        {"creases " + quoted(obj) + " " + quoted(scene) + " -o " + hard, "output-is-input",
         sameAs + "the OBJ"},
        {"creases " + quoted(obj) + " " + quoted(layer) + " --over " + link, "output-is-input",
         "--over " + folder / "sub/link.obj" + sameAs + "the OBJ " + obj},
        {"vyx " + quoted(obj) + " " + link, "", folder / "sub/link.obj" + sameAs + obj},
        {"smooth-to-groups " + link + " " + other, "", sameAs + folder / "sub/link.obj"},
        {"swap-vertices " + quoted(obj) + " " + hard, "", sameAs + obj},
    };
    const std::vector<std::string> before = folder.entries();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments);
        const ToolRun run = runTool(row.arguments + (row.kind.empty() ? "" : " --json"));
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find(row.said), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("; nothing changed"), std::string::npos) << run.err;
        if (!row.kind.empty()) {
            EXPECT_NE(run.out.find("\"refusal\": \"" + row.kind + "\""), std::string::npos)
                << run.out;
        }
        EXPECT_EQ(readFile(obj), testing_support::kCubeObj);
        EXPECT_TRUE(fs::is_symlink(folder / "sub/link.obj"));
        EXPECT_EQ(folder.entries(), before);
    }
    // An output beside the input, not the input itself, is written as ever.
    const ToolRun swapped = runTool("swap-vertices " + quoted(obj) + " " + quoted(scene));
    EXPECT_NE(swapped.err.find("not swapped"), std::string::npos) << swapped.err;
    EXPECT_EQ(runTool("vyx " + quoted(obj) + " " + quoted(folder / "cube.vyx")).status, 0);
}

// USD layers take the road of Maya scenes: in place, -o, --dry-run, --json, a second run
// that changes nothing, and the override layer that leaves the asset as it was.
TEST(Tool, CreasesIntoUsdLayers) {
    TempFolder folder;
    const std::string obj = folder / "cube.obj";
    const std::string layer = folder / "cube.usda";
    const std::string out = folder / "out.usda";
    // DeformingCube's cube numbers its points as this OBJ; the top face is a group apart.
    writeFile(obj,
              "v 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\n"
              "g rest\nf 1 2 4 3\ng top\nf 3 4 6 5\ng rest\nf 5 6 8 7\nf 7 8 2 1\nf 2 8 6 4\n"
              "f 7 1 3 5\n");
    const std::string original =
        readFile(testing_support::realDataPath("usd/mayausd__DeformingCube.usda"));
    const std::string statements =
        "            int[] creaseIndices = [2, 3, 2, 4, 3, 5, 4, 5]\n"
        "            int[] creaseLengths = [2, 2, 2, 2]\n"
        "            float[] creaseSharpnesses = [10, 10, 10, 10]\n";
    // USD's writer puts them before extent, the first property that sorts after them.
    const std::size_t extent = original.find("            float3[] extent.timeSamples");
    const std::string expected = original.substr(0, extent) + statements + original.substr(extent);
    const std::string files = quoted(obj) + " " + quoted(layer);
    writeFile(layer, original);

    const ToolRun dry = runTool("creases " + files + " --dry-run");
    EXPECT_EQ(dry.status, 0);
    EXPECT_NE(dry.out.find("/DeformingCube/Geom/Cube in " + layer +
                           ": 4 crease edges would be written (value 10), 0 replaced; 2 groups"),
              std::string::npos)
        << dry.out;
    EXPECT_EQ(readFile(layer), original);

    const ToolRun toOut = runTool("creases " + files + " -o " + quoted(out));
    EXPECT_EQ(toOut.status, 0) << toOut.err;
    EXPECT_EQ(readFile(out), expected);
    EXPECT_EQ(readFile(layer), original);

    const ToolRun inPlace = runTool("creases " + files + " --json");
    EXPECT_EQ(inPlace.status, 0) << inPlace.err;
    EXPECT_EQ(readFile(layer), expected);
    for (const std::string key :
         {"\"ok\": true", "\"format\": \"usd\"", "\"node\": \"/DeformingCube/Geom/Cube\"",
          "\"written\": 4", "\"changed\": true", "\"warnings\": [\"subdivision-none\"]"})
        EXPECT_NE(inPlace.out.find(key), std::string::npos) << key << inPlace.out;
    EXPECT_NE(inPlace.err.find("subdivisionScheme is \"none\""), std::string::npos);

    const ToolRun again = runTool("creases " + files);
    EXPECT_EQ(again.status, 0);
    EXPECT_NE(again.out.find("already has its 4 crease edges"), std::string::npos) << again.out;
    EXPECT_EQ(readFile(layer), expected);

    // The override layer: the asset only read; a prim in a variant reached by its path.
    const std::string variants = folder / "variants.usda";
    const std::string variantsText =
        readFile(testing_support::realDataPath("usd/mayausd__multi_variants.usda"));
    writeFile(variants, variantsText);
    const std::string over = folder / "shot/over.usda";
    testing_support::makeFolder(folder / "shot");
    const std::string cubeC = "/RootPrim/PrimWithVariant{modelingVariant=C}ModelC/CubeC";
    const ToolRun overRun = runTool("creases " + quoted(obj) + " " + quoted(variants) + " --prim " +
                                    quoted(cubeC) + " --over " + quoted(over));
    EXPECT_EQ(overRun.status, 0) << overRun.err;
    EXPECT_EQ(readFile(variants), variantsText);
    const std::string overText = readFile(over);
    for (const std::string part :
         {"#usda 1.0\n", "    defaultPrim = \"RootPrim\"\n", "        @../variants.usda@\n",
          "        variantSet \"modelingVariant\" = {\n            \"C\" {\n", "over \"CubeC\"",
          "int[] creaseIndices = [2, 3, 2, 4, 3, 5, 4, 5]"})
        EXPECT_NE(overText.find(part), std::string::npos) << part << overText;

    // Refusals: one sentence, one object, nothing changed.
    const std::string binary = folder / "binary.usd";
    writeFile(binary, std::string("PXR-USDC\0\0\0\0", 12));
    const std::string package = folder / "package.usdz";
    writeFile(package, std::string("PK\3\4\0\0\0\0", 8));
    const std::string diagonal = folder / "diagonal.obj";
    writeFile(diagonal,
              "v 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\n"
              "g a\nf 1 4 6\n");
    const std::string maya = folder / "maya.ma";
    writeFile(maya, readFile(testing_support::realDataPath("cgkit__objects.ma")));
    struct Row {
        std::string arguments;
        int status;
        std::string kind;
        std::string said;
    } const rows[] = {
        {quoted(obj) + " " + quoted(binary), 1, "binary-needs-over",
         "is a binary USD layer, which is never rewritten: give its creases to an override layer "
         "with --over OUT.usda"},
        {quoted(obj) + " " + quoted(package), 1, "binary-needs-over", "with --over OUT.usda"},
        {quoted(obj) + " " + quoted(binary) + " --over " + quoted(out), 1, "usd-binary",
         "is a binary USD layer that cannot be read"},
        {quoted(obj) + " " + quoted(package) + " --dry-run", 1, "usd-package",
         "is a USD package (.usdz) that cannot be read"},
        {quoted(obj) + " " + quoted(variants), 1, "several-fitting-nodes",
         "/RootPrim/PrimWithVariant{modelingVariant=A}ModelA/ConeA{extraStuff=Cube}ExtraCube (8 "
         "vertices), " +
             cubeC + " (8 vertices); choose one with --prim"},
        {quoted(diagonal) + " " + quoted(variants) + " --node " + quoted(cubeC), 1,
         "edges-not-in-node", "not in the layer's order"},
        {quoted(obj) + " " + quoted(variants) + " --over " + quoted(variants), 1,
         "over-is-the-layer", "names " + variants + " itself"},
        {quoted(obj) + " " + quoted(maya) + " --over " + quoted(out), 1, "over-needs-usd-layer",
         "is no USD layer"},
        {quoted(obj) + " " + quoted(variants) + " --node " + quoted(cubeC) + " --value 0.0", 1,
         "value-not-positive", "--value 0.0 is not above 0 as a 32-bit float"},
        {quoted(obj) + " " + quoted(variants) + " --over " + quoted(out) + " -o " + quoted(out), 2,
         "misuse", "--over and -o exclude each other"},
    };
    writeFile(out, "old");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments);
        const ToolRun run = runTool("creases " + row.arguments + " --json");
        EXPECT_EQ(run.status, row.status);
        EXPECT_NE(run.out.find("\"refusal\": \"" + row.kind + "\""), std::string::npos) << run.out;
        EXPECT_NE(run.err.find(row.said), std::string::npos) << run.err;
    }
    EXPECT_EQ(readFile(variants), variantsText);
    EXPECT_EQ(readFile(out), "old");
    EXPECT_EQ(folder.entries().size(), 9u);  // no temporary file left
}

// --over onto a layer that exists: a second prim joins it, a rerun says it changes
// nothing, and a file that is no override layer of the scene is refused saying what it is.
TEST(Tool, CreasesJoinAnExistingOverrideLayer) {
    TempFolder folder;
    const std::string obj = folder / "cube.obj";
    writeFile(obj,
              "v 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\n"
              "g rest\nf 1 2 4 3\ng top\nf 3 4 6 5\ng rest\nf 5 6 8 7\nf 7 8 2 1\nf 2 8 6 4\n"
              "f 7 1 3 5\n");
    const std::string variants = folder / "variants.usda";
    writeFile(variants,
              readFile(testing_support::realDataPath("usd/mayausd__multi_variants.usda")));
    const std::string over = folder / "shot.usda";
    const std::string files = quoted(obj) + " " + quoted(variants) + " --over " + quoted(over);
    const std::string cubeC = "/RootPrim/PrimWithVariant{modelingVariant=C}ModelC/CubeC";
    const std::string extraCube =
        "/RootPrim/PrimWithVariant{modelingVariant=A}ModelA/ConeA{extraStuff=Cube}ExtraCube";
    EXPECT_EQ(runTool("creases " + files + " --prim " + quoted(cubeC)).status, 0);
    const ToolRun joined = runTool("creases " + files + " --prim " + quoted(extraCube));
    EXPECT_EQ(joined.status, 0) << joined.err;
    EXPECT_NE(joined.out.find(extraCube + " in " + variants +
                              ": 4 crease edges written (value 10) into the override layer " +
                              over + ", 0 replaced; 2 groups; " + variants + " unchanged"),
              std::string::npos)
        << joined.out;
    const std::string both = readFile(over);
    EXPECT_NE(both.find("over \"CubeC\""), std::string::npos) << both;
    EXPECT_NE(both.find("over \"ExtraCube\""), std::string::npos) << both;

    const ToolRun again = runTool("creases " + files + " --prim " + quoted(cubeC) + " --json");
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.err.find(cubeC + " in " + variants +
                             ": already has its 4 crease edges (values kept) with the override "
                             "layer " +
                             over + "; 2 groups; unchanged"),
              std::string::npos)
        << again.err;
    for (const std::string key : {"\"output\": null", "\"changed\": false", "\"replaced\": 4"})
        EXPECT_NE(again.out.find(key), std::string::npos) << key << again.out;
    EXPECT_EQ(readFile(over), both);

    const std::string maya = folder / "scene.ma";
    writeFile(maya, readFile(testing_support::realDataPath("cgkit__objects.ma")));
    const std::string bare = folder / "bare.usda";
    writeFile(bare, "#usda 1.0\n");
    const std::string unrelated = folder / "unrelated.usda";
    writeFile(unrelated, "#usda 1.0\n(\n    subLayers = [@./bare.usda@]\n)\n");
    const struct {
        std::string file;
        std::string what;
    } refused[] = {{maya, "it is a Maya ASCII scene"},
                   {bare, "it names no sublayers"},
                   {unrelated, "it does not name it among its sublayers"}};
    for (const auto& row : refused) {
        SCOPED_TRACE(row.file);
        const std::string before = readFile(row.file);
        const ToolRun run = runTool("creases " + quoted(obj) + " " + quoted(variants) + " --prim " +
                                    quoted(cubeC) + " --over " + quoted(row.file) + " --json");
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.out.find("\"refusal\": \"over-layer-foreign\""), std::string::npos)
            << run.out;
        EXPECT_NE(run.out.find("\"file\": \"" + row.file + "\""), std::string::npos) << run.out;
        EXPECT_NE(run.err.find("--over " + row.file + " is not an override layer of " + variants +
                               ": " + row.what + "; nothing changed"),
                  std::string::npos)
            << run.err;
        EXPECT_EQ(readFile(row.file), before);
    }
    EXPECT_EQ(folder.entries().size(), 6u);  // no temporary file left
}

// One thread or two (the option, else the environment), the same run: the same words, the
// same layer; a count the tool does not take is misuse.
TEST(Tool, CreasesOnOneThreadOrTwo) {
    TempFolder folder;
    writeFile(folder / "cube.obj",
              "v 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\nv 0 0 0\n"
              "g rest\nf 1 2 4 3\ng top\nf 3 4 6 5\ng rest\nf 5 6 8 7\nf 7 8 2 1\nf 2 8 6 4\n"
              "f 7 1 3 5\n");
    const std::string original =
        readFile(testing_support::realDataPath("usd/mayausd__DeformingCube.usda"));
    const struct {
        const char* environment;
        const char* option;
    } rows[] = {{"", ""}, {"", "--threads 1"}, {"", "--threads 2"}, {"TESSARYN_THREADS=1", ""}};
    std::string first;
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.environment) + " " + row.option);
        writeFile(folder / "cube.usda", original);
        const ToolRun run =
            runProgram(TESSARYN_TOOL_PATH,
                       "--library " + quoted(TESSARYN_LIBRARY_PATH) + " creases " + row.option +
                           " " + quoted(folder / "cube.obj") + " " + quoted(folder / "cube.usda"),
                       row.environment);
        EXPECT_EQ(run.status, 0) << run.err;
        if (first.empty()) first = readFile(folder / "cube.usda");
        EXPECT_EQ(readFile(folder / "cube.usda"), first);
        EXPECT_NE(first, original);
    }
    const ToolRun three = runTool("creases --threads 3 a.obj b.usda");
    EXPECT_EQ(three.status, 2);
    EXPECT_NE(three.err.find("--threads takes 1 or 2, not '3'"), std::string::npos) << three.err;
}


// `obj` on one thread or two: the same OBJ from a real layer of some 64,000 point and
// texture coordinate lines, enough blocks for both threads to take turns.
TEST(Tool, ObjOnOneThreadOrTwo) {
    TempFolder folder;
    const std::string layer = testing_support::realDataPath("usd/arnoldusd__test_0135_test.usda");
    const struct {
        const char* environment;
        const char* option;
    } rows[] = {{"TESSARYN_THREADS=1", ""}, {"", ""}, {"", "--threads 1"}, {"", "--threads=2"}};
    std::string first;
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.environment) + " " + row.option);
        const ToolRun run = runProgram(
            TESSARYN_TOOL_PATH, "obj " + std::string(row.option) + " " + quoted(layer) + " " +
                                    quoted(folder / "mesh.obj"),
            row.environment);
        EXPECT_EQ(run.status, 0) << run.err;
        if (first.empty()) first = readFile(folder / "mesh.obj");
        EXPECT_TRUE(readFile(folder / "mesh.obj") == first);
    }
    EXPECT_EQ(std::count(first.begin(), first.end(), '\n'), 1 + 12874 + 51416 + 12854);
    const ToolRun zero = runTool("obj --threads 0 a.usda b.obj");
    EXPECT_EQ(zero.status, 2);
    EXPECT_NE(zero.err.find("--threads takes 1 or 2, not '0'"), std::string::npos) << zero.err;
}

// `obj`: a sentence or one JSON object, exit 0, 1 or 2, and a refused run leaves no OUT.
TEST(Tool, ObjForScripts) {
    TempFolder folder;
    const std::string layer = folder / "cube.usda";
    const std::string out = folder / "cube.obj";
    writeFile(layer, readFile(testing_support::realDataPath(
                         "usd/mayausd__UsdImportUVSetsTestWithCreases.usda")));
    ToolRun run = runTool("obj " + quoted(layer) + " " + quoted(out));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("8 vertices, 14 texture coordinates, 6 faces written to " + out),
              std::string::npos)
        << run.out;
    run = runTool("obj " + quoted(layer) + " " + quoted(out) + " --prim CreasedCube --json");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.find('\n'), run.out.size() - 1) << run.out;
    for (const char* key : {"\"ok\": true", "\"format\": \"usd\"", "\"vertices\": 8",
                            "\"uvs\": 14", "\"faces\": 6", "\"points\": \"default\"",
                            "\"name\": \"CreasedCube\"", "\"warnings\": []"})
        EXPECT_NE(run.out.find(key), std::string::npos) << key << " in " << run.out;

    const std::string deforming = folder / "deforming.usda";
    writeFile(deforming, readFile(testing_support::realDataPath("usd/mayausd__DeformingCube.usda")));
    run = runTool("obj " + quoted(deforming) + " " + quoted(out) + " --json");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("\"points\": \"first time sample\""), std::string::npos) << run.out;
    EXPECT_NE(run.err.find("first time sample"), std::string::npos) << run.err;

    struct Refused {
        std::string arguments;
        const char* kind;
    } refusals[] = {
        {quoted(layer) + " " + quoted(layer), "output-is-input"},
        {quoted(layer) + " " + quoted(folder / "x.obj") + " --prim Nothing", "no-such-node"},
        {quoted(folder / "missing.usda") + " " + quoted(folder / "x.obj"), "unreadable"},
    };
    for (const Refused& refused : refusals) {
        run = runTool("obj " + refused.arguments + " --json");
        EXPECT_EQ(run.status, 1) << refused.arguments;
        EXPECT_NE(run.out.find(std::string("\"refusal\": \"") + refused.kind + "\""),
                  std::string::npos)
            << run.out;
        EXPECT_NE(run.err.find("nothing written"), std::string::npos) << run.err;
    }
    EXPECT_FALSE(testing_support::fileExists(folder / "x.obj"));
    EXPECT_EQ(readFile(layer), readFile(testing_support::realDataPath(
                                   "usd/mayausd__UsdImportUVSetsTestWithCreases.usda")));
    run = runTool("obj " + quoted(layer) + " " + quoted(out) + " --wait x");
    EXPECT_EQ(run.status, 2);
}

// A binary layer read all the same, of a newer version or at an odd place in its package:
// `obj` and `creases` say so, in the sentence and in --json's warnings.
TEST(Tool, BinaryLayerWarnings) {
    TempFolder folder;
    std::string newer = usdc_testing::realBytes("tinyusdz__suzanne.usdc");
    newer[9] = 13;  // version 0.13.0
    const struct {
        const char* name;
        std::string bytes;
        const char* kind;
        const char* said;
    } rows[] = {
        {"newer.usdc", newer, "newer-binary-version",
         "; note: the layer is of a newer binary version than this tool knows"},
        {"odd.usdz",
         usdc_testing::storedZip({{"a.usdc", usdc_testing::realBytes("tinyusdz__suzanne.usdc")}},
                                 true),
         "package-layer-misaligned",
         "; note: the package's layer does not start on a 64-byte boundary"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string scene = folder / row.name;
        const std::string obj = folder / "mesh.obj";
        writeFile(scene, row.bytes);
        ToolRun run = runTool("obj " + quoted(scene) + " " + quoted(obj));
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.out.find(row.said), std::string::npos) << run.out;
        run = runTool("obj " + quoted(scene) + " " + quoted(obj) + " --json");
        EXPECT_NE(run.out.find("\"warnings\": [\"" + std::string(row.kind) + "\"]"),
                  std::string::npos)
            << run.out;
        // Two groups on the mesh's faces: the first face and the rest.
        std::string grouped = readFile(obj);
        grouped.insert(grouped.find("\nf ") + 1, "g first\n");
        grouped.insert(grouped.find("\nf ", grouped.find("g first")) + 1, "g rest\n");
        writeFile(obj, grouped);
        run = runTool("creases " + quoted(obj) + " " + quoted(scene) + " --dry-run");
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.out.find(row.said), std::string::npos) << run.out;
        // The mesh is not subdivided, which the crease road tells as well.
        run = runTool("creases " + quoted(obj) + " " + quoted(scene) + " --dry-run --json");
        EXPECT_NE(
            run.out.find("\"warnings\": [\"" + std::string(row.kind) + "\", \"subdivision-none\"]"),
            std::string::npos)
            << run.out;
    }
}

#endif

}  // namespace
