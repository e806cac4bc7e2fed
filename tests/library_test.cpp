// The library as a host sees it: its export table, Version, and the command-line tool
// that loads it.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "support.h"

#if !defined(_WIN32)
#include <sys/wait.h>
#endif

namespace {

#if !defined(_WIN32)
// The Windows builds' export tables are checked with objdump by CI, and their tool is
// not run from a shell here.
std::string runShell(const std::string& command, int& status) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return output;
    char chunk[4096];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) output.append(chunk, got);
    status = pclose(pipe);
    return output;
}

TEST(Library, ExportsExactlyTheCommands) {
    int status = -1;
    std::string table =
        runShell("nm -D --defined-only " + std::string(TESSARYN_LIBRARY_PATH), status);
    ASSERT_EQ(status, 0);
    std::set<std::string> exported;
    std::size_t start = 0;
    while (start < table.size()) {
        std::size_t stop = table.find('\n', start);
        std::string line = table.substr(start, stop - start);
        start = stop == std::string::npos ? table.size() : stop + 1;
        std::size_t name = line.rfind(' ');
        if (name != std::string::npos) exported.insert(line.substr(name + 1));
    }
    const std::set<std::string> commands = {
        "Version",     "OpenFolder",   "GetFile",          "CloseFolder", "FileDelete",
        "EmptyFolder", "SwapVertices", "SmoothtoGroupOBJ", "GetCreases",  "GetCreasesVyx"};
    EXPECT_EQ(exported, commands);
}

#endif

TEST(Library, VersionIsThreeWhateverItIsGiven) {
    auto version = testing_support::command("Version");
    char buffer[4] = "abc";
    EXPECT_EQ(version(nullptr, 0, nullptr, 0), 3.0f);
    EXPECT_EQ(version("x", -5.5, buffer, -1), 3.0f);
    EXPECT_STREQ(buffer, "abc");
}

#if !defined(_WIN32)
TEST(Tool, CreasesOnTheExamplesAndItsSentences) {
    testing_support::TempFolder folder;
    const std::string tool =
        std::string(TESSARYN_TOOL_COMMAND) + " --library " + TESSARYN_LIBRARY_PATH + " ";
    const std::string obj = folder / "cube.obj";
    const std::string scene = folder / "cube.ma";
    testing_support::writeFile(obj,
                               testing_support::readFile(testing_support::examplePath("cube.obj")));
    testing_support::writeFile(scene,
                               testing_support::readFile(testing_support::examplePath("cube.ma")));
    int status = -1;
    EXPECT_EQ(runShell(tool + "creases " + obj + " " + scene + " 2>&1", status),
              "host scene: 2 groups; creases written to " + scene + "\n");
    EXPECT_EQ(status, 0);
    EXPECT_NE(testing_support::readFile(scene).find("Index_Data Edge 4\r\n 1 1000 2 1000 6 1000 "
                                                    "7 1000  ;\r\n"),
              std::string::npos);
    // Filled in, the placeholder is gone: the scene is then read as Maya would save it.
    EXPECT_EQ(runShell(tool + "creases " + obj + " " + scene + " --smoothing 2>&1", status),
              "|pCube1|pCubeShape1 in " + scene +
                  ": 8 crease edges written (2 values kept, the others 10), 4 replaced (2 on other "
                  "edges dropped); 2 smoothing groups\n");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(runShell(tool + "version", status), "TessarynDLL version 3\n");

    const std::string vyx = folder / "cube.vyx";
    EXPECT_EQ(runShell(tool + "vyx " + obj + " " + vyx + " --smoothing 2>&1", status),
              "2 smoothing groups; " + vyx + " written\n");
    EXPECT_EQ(status, 0);
    std::string dump = runShell(tool + "dump " + vyx + " 2>&1", status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(dump.find("40002  crease flags             22 bytes          6 entries"),
              std::string::npos)
        << dump;
    std::string bytes = testing_support::readFile(vyx);
    testing_support::writeFile(vyx, bytes.substr(0, bytes.size() - 1));
    dump = runShell(tool + "dump " + vyx + " 2>&1", status);
    EXPECT_NE(status, 0);
    EXPECT_NE(dump.find("is not a well-formed Vyx file: truncated"), std::string::npos) << dump;
    runShell(tool + "creases only-one-argument 2>&1", status);
    EXPECT_NE(status, 0);
}

// A scene as Maya saved it, with several nodes of the OBJ's vertex count.
TEST(Tool, CreasesIntoARealMayaScene) {
    const std::string real = testing_support::realDataPath("mayausd__UsdExportMeshTest.ma");
    testing_support::TempFolder folder;
    const std::string tool =
        std::string(TESSARYN_TOOL_COMMAND) + " --library " + TESSARYN_LIBRARY_PATH + " ";
    const std::string obj =
        testing_support::realDataPath("tinyobj__issue-162-smoothing-group.obj") + " ";
    const std::string scene = folder / "scene.ma";
    const std::string original = testing_support::readFile(real);
    testing_support::writeFile(scene, original);
    int status = -1;
    std::string said = runShell(tool + "creases " + obj + scene + " --smoothing 2>&1", status);
    EXPECT_NE(said.find("TestNormalsMeshShape (8 vertices), creasedShape (8 vertices); choose one "
                        "with --node; nothing changed\n"),
              std::string::npos)
        << said;
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(
        runShell(tool + "creases " + obj + scene + " --smoothing --node creasedShape 2>&1", status),
        "|UsdExportMeshTest|creased|creasedShape in " + scene +
            ": already has its 12 crease edges (values kept); 6 smoothing groups; unchanged\n");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(testing_support::readFile(scene), original);
    runShell(tool + "creases " + obj + scene + " --node creasedShape --value ten 2>&1", status);
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_EQ(runShell(tool + "creases " + obj + scene + " --value 0.50 --node creasedShape 2>&1",
                       status),
              "|UsdExportMeshTest|creased|creasedShape in " + scene +
                  ": 4 crease edges written (value 0.5), 12 replaced (8 on other edges dropped); "
                  "2 groups\n");
    const std::size_t from = original.find("Index_Data Edge 12 ");
    const std::size_t to = original.find(";", from) + 1;
    EXPECT_EQ(testing_support::readFile(scene),
              original.substr(0, from) +
                  "Index_Data Edge 4 \n\t\t0 0.5 \n\t\t1 0.5 \n\t\t2 0.5 \n\t\t3 0.5 ;" +
                  original.substr(to));
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"scene.ma"});

    // The host's own scenes take no crease value: the export writes its own.
    const std::string host = folder / "host.ma";
    const std::string cube = testing_support::readFile(testing_support::examplePath("cube.ma"));
    testing_support::writeFile(host, cube);
    EXPECT_EQ(runShell(tool + "creases " + obj + host + " --value 2 2>&1", status),
              "--value is for scenes as Maya saved them; " + host +
                  " is a host scene with the crease placeholder; nothing changed\n");
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(testing_support::readFile(host), cube);
}

TEST(Tool, LineToolsAndFolderServices) {
    testing_support::TempFolder folder;
    const std::string tool =
        std::string(TESSARYN_TOOL_COMMAND) + " --library " + TESSARYN_LIBRARY_PATH + " ";
    testing_support::writeFile(folder / "a.obj", "v 1 1 1\ns 1\nf 1\n");
    testing_support::writeFile(folder / "b.obj", "v 0 0 0\nf 1\n");
    int status = -1;
    EXPECT_EQ(runShell(tool + "smooth-to-groups " + (folder / "a.obj") + " " + (folder / "c.obj"),
                       status),
              folder / "c.obj" + " written with smoothing groups as groups\n");
    EXPECT_EQ(
        runShell(tool + "swap-vertices " + (folder / "a.obj") + " " + (folder / "b.obj"), status),
        folder / "b.obj" + " now has the vertex positions of " + (folder / "a.obj") + "\n");
    EXPECT_EQ(status, 0);
    std::string listing = runShell(tool + "ls " + folder.path(), status);
    EXPECT_NE(listing.find("\nc.obj\n"), std::string::npos) << listing;
    EXPECT_EQ(runShell(tool + "rm " + (folder / "c.obj"), status), folder / "c.obj" + " deleted\n");
    EXPECT_EQ(runShell("echo n | " + tool + "sweep " + folder.path() + " 2>&1", status),
              "Delete every file in " + folder.path() +
                  " whose name has an extension? [y/N] nothing deleted\n");
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"a.obj", "b.obj"}));
    runShell(tool + "sweep --yes " + folder.path(), status);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(folder.entries().empty());
}

#endif

}  // namespace
