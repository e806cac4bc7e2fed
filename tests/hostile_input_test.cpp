// Hostile input through the exported commands: huge lines, NUL bytes, binary garbage,
// stray CRs, numbers of thousands of digits, indices at the edge of 32 bits, and huge
// counts of groups, placeholders and files. Each gets the result the commands define,
// and no call crashes or changes a file it fails on.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "vyx/vyx_format.h"
#include "tools/vyx_reader.h"
#include "support.h"

using testing_support::crlfLines;
using testing_support::kPlaceholder;
using testing_support::TempFolder;
using testing_support::writeFile;

namespace {

const std::string kSquare = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\ng a\nf 1 2 3\nf 1 3 4\n";
const std::string kSquareScene =
    "setAttr -s 5 \".ed[0:4]\"\n0 1 0 1 2 0 2 3 0 0 3 0 0 2 0\n" + kPlaceholder + "\n;\n";

struct Result {
    float code;
    std::string output;  // the buffer file afterwards ("" when there is none)
};

// Runs `command` with files holding `text` and, when given, `buffer`.
Result run(const char* command, const std::string& text, const std::string& buffer,
           double number = 0) {
    testing_support::FileCall done =
        testing_support::callOnFiles(command, text, testing_support::unlessEmpty(buffer), number);
    return {done.code, done.buffer};
}

std::string vyxProblem(const std::string& bytes) {
    tessaryn::vyx::File file;
    return tessaryn::vyx::parse(bytes, file);
}

TEST(HostileInput, AHundredMegabyteLine) {
    const std::string huge(100u << 20, 'x');
    // A comment of 100 MB before a mesh, and a group name of 100 MB.
    Result creases = run("GetCreases", "#" + huge + "\n" + kSquare, kSquareScene);
    EXPECT_EQ(creases.code, 1.0f);
    EXPECT_EQ(run("GetCreases", "g " + huge + "\n" + kSquare, kSquareScene).code, 2.0f);
    Result vyx = run("GetCreasesVyx", "#" + huge + "\n" + kSquare, "");
    EXPECT_EQ(vyx.code, 1.0f);
    EXPECT_EQ(vyxProblem(vyx.output), "");
    // A smoothing group of 100 MB keeps 256 characters of it.
    Result smooth = run("SmoothtoGroupOBJ", "s" + huge + "\nf 1\n", "");
    EXPECT_EQ(smooth.code, 0.0f);
    EXPECT_EQ(smooth.output, crlfLines({"# Exported from Tessaryn plugin test version",
                                        "g " + huge.substr(0, 256), "f 1"}));
    // A position line of 100 MB is copied whole.
    Result swap = run("SwapVertices", "v " + huge + "\n", "v 0 0 0\nf 1\n");
    EXPECT_EQ(swap.code, 0.0f);
    EXPECT_EQ(swap.output,
              crlfLines({"# written by Gimbalist plugin for Modelvex", "v " + huge, "f 1"}));
    // A scene data line of 100 MB: sixteen million edges, the last ones the square's.
    std::string data;
    data.reserve(100u << 20);
    while (data.size() < (100u << 20)) data += "9 9 0 ";
    data += "0 1 0 1 2 0 2 3 0 0 3 0";
    Result scene = run("GetCreases", kSquare,
                       "setAttr -s 1 \".ed[0:1]\"\n" + data + "\n" + kPlaceholder + "\n;\n");
    EXPECT_EQ(scene.code, 1.0f);
    const std::size_t n = (data.size() - 23) / 6;  // the square's edges follow n others
    std::string indices;
    for (std::size_t k = n; k < n + 4; ++k) indices += std::to_string(k) + " 1000 ";
    EXPECT_NE(scene.output.find("Edge 4\r\n " + indices + " ;\r\n"), std::string::npos);
}

TEST(HostileInput, NulBytesAndStrayCarriageReturns) {
    using namespace std::string_literals;
    // NUL is an ordinary character: "g a\0b" and "g a\0c" are two groups, and a NUL ends
    // a number as any other character does.
    const std::string nulGroups =
        "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\ng a\0b\nf 1 2 3\ng a\0c\nf 1 3 4\0 9\n"s;
    Result creases = run("GetCreases", nulGroups, kSquareScene);
    EXPECT_EQ(creases.code, 2.0f);
    EXPECT_NE(creases.output.find("Edge 5\r\n 0 1000 1 1000 2 1000 3 1000 4 1000  ;"),
              std::string::npos);
    Result smooth = run("SmoothtoGroupOBJ", "g \0x\ns\0\nv\r\nlast\r"s, "");
    EXPECT_EQ(smooth.output, crlfLines({"# Exported from Tessaryn plugin test version", "# \0x"s,
                                        "g \0"s, "last\r"}));
    // A lone CR does not split a line: "g a\rf 1 2 3" is one group line, and the face
    // after it, ended by a CR with no LF, is a triangle of three crease edges.
    Result lone = run("GetCreases", "g a\rf 1 2 3\nf 1 2 3\r", kSquareScene);
    EXPECT_EQ(lone.code, 1.0f);
    EXPECT_NE(lone.output.find("Edge 3\r\n 0 1000 1 1000 4 1000  ;"), std::string::npos);
}

TEST(HostileInput, NumbersOfThousandsOfDigitsAndIndicesAtTheEdgeOf32Bits) {
    const std::string digits(5000, '9');
    // GetCreases reads 32-bit corners: a corner that overflows ends the face there.
    EXPECT_EQ(run("GetCreases", "g a\nf 1 2 3 " + digits + " 4\n", kSquareScene).code, 1.0f);
    EXPECT_EQ(run("GetCreases", "g a\nf 1 2 2147483648\n", kSquareScene).code,
              TESSARYN_NO_CREASE_EDGES);
    EXPECT_EQ(run("GetCreases", "g a\nf 1 2 -2147483649\n", kSquareScene).code,
              TESSARYN_NO_CREASE_EDGES);
    EXPECT_EQ(run("GetCreases", "g a\nf 1 2 2147483647\n", kSquareScene).code, 1.0f);
    EXPECT_EQ(run("GetCreases", "g a\nf 1 2 -2147483648\n", kSquareScene).code, 1.0f);
    // A scene number that overflows ends its data line.
    Result scene =
        run("GetCreases", kSquare,
            "setAttr -s 1 \".ed[0]\"\n0 1 0 2147483648 1 0 1 2 0\n" + kPlaceholder + "\n");
    EXPECT_NE(scene.output.find("Edge 1\r\n 0 1000  ;"), std::string::npos);
    // The Vyx command refuses indices that name no vertex, and 5000-digit coordinates
    // read as 0.
    const std::string mesh = "v 0 0 0\nv 1 0 0\nv 1 1 0\n";
    for (const char* face : {"f 1 2 2147483648\n", "f 1 2 -2147483649\n", "f 1 2 4294967296\n",
                             "f 1 2 -4\n", "f 0 1 2\n"}) {
        SCOPED_TRACE(face);
        EXPECT_EQ(run("GetCreasesVyx", mesh + face, "").code, TESSARYN_BAD_INDEX);
    }
    Result corners =
        run("GetCreasesVyx",
            mesh + "f 1 2 3 " + digits + "\nv " + digits + " 1e99999 0." + digits + "\n", "");
    EXPECT_EQ(corners.code, 0.0f);
    EXPECT_EQ(vyxProblem(corners.output), "");
}

TEST(HostileInput, BinaryGarbageGetsAResultCode) {
    std::mt19937 random(2026);
    const std::set<float> creaseCodes = {TESSARYN_FAILED, TESSARYN_NO_CREASE_EDGES,
                                         TESSARYN_NO_PLACEHOLDER, TESSARYN_TOO_MANY_GROUPS};
    for (int round = 0; round < 60; ++round) {
        std::string garbage(random() % 4000, '\0');
        for (char& c : garbage) c = static_cast<char>(random() % 256);
        // Garbage is sprinkled with the characters the readers look for.
        for (int k = 0; k < 40 && !garbage.empty(); ++k) {
            const char* pieces[] = {"\nf ", "\ng ", "\ns ", "\nv ", "\nvt ", "\n#MRGB ",
                                    "/",    "//",   " 1",   " -2",  "\r\n"};
            std::string piece = pieces[random() % 11];
            garbage.insert(random() % garbage.size(), piece);
        }
        SCOPED_TRACE(round);
        Result creases = run("GetCreases", garbage, kSquareScene);
        if (creases.code < 1.0f) {
            EXPECT_TRUE(creaseCodes.count(creases.code)) << creases.code;
            EXPECT_EQ(creases.output, kSquareScene);
        }
        Result scene = run("GetCreases", kSquare, garbage);
        if (scene.code < 1.0f) {
            EXPECT_EQ(scene.output, garbage);
        }
        Result vyx = run("GetCreasesVyx", garbage, "");
        if (vyx.code >= 0.0f) {
            EXPECT_EQ(vyxProblem(vyx.output), "");
        } else {
            EXPECT_EQ(vyx.code, TESSARYN_BAD_INDEX);
            EXPECT_EQ(vyx.output, "");
        }
        EXPECT_EQ(run("SmoothtoGroupOBJ", garbage, "").code, 0.0f);
        Result swap = run("SwapVertices", garbage, garbage);
        if (swap.code != 0.0f) {
            EXPECT_EQ(swap.output, garbage);
        }
    }
}

TEST(HostileInput, HugeCountsOfNamesPlaceholdersAndBlocks) {
    // 100,000 group names for the Vyx command.
    std::string obj = "v 0 0 0\nv 1 0 0\nv 1 1 0\n";
    for (int i = 0; i < 100000; ++i) obj += "g n" + std::to_string(i) + "\nf 1 2 3\n";
    Result vyx = run("GetCreasesVyx", obj, "");
    EXPECT_EQ(vyx.code, 100000.0f);
    EXPECT_EQ(vyxProblem(vyx.output), "");
    // 10,000 placeholder lines: only the last is replaced, with the line after it.
    std::string scene = "setAttr -s 4 \".ed[0:3]\"\n0 1 0 1 2 0 2 3 0 0 3 0\n";
    std::string expected = crlfLines({"setAttr -s 4 \".ed[0:3]\"", "0 1 0 1 2 0 2 3 0 0 3 0"});
    for (int i = 0; i < 10000; ++i) {
        scene += kPlaceholder + "\nkeep " + std::to_string(i) + "\n";
        if (i < 9999) expected += crlfLines({kPlaceholder, "keep " + std::to_string(i)});
    }
    expected += crlfLines({"  setAttr \".cd\" -type \"dataPolyComponent\" Index_Data Edge 4",
                           " 0 1000 1 1000 2 1000 3 1000  ;"});
    Result many = run("GetCreases", kSquare, scene);
    EXPECT_EQ(many.code, 1.0f);
    EXPECT_EQ(many.output, expected);
    // Edge blocks that are each other's data lines add no edges.
    std::string blocks = "setAttr -s 4 \".ed\"\n";
    for (int i = 0; i < 1000; ++i) blocks += "\".ed[0:3]\"\n";
    blocks += "0 1 0 1 2 0\n" + kPlaceholder + "\n;\n";
    EXPECT_NE(run("GetCreases", kSquare, blocks).output.find("Edge 2\r\n 0 1000 1 1000  ;"),
              std::string::npos);
}

#if !defined(_WIN32)  // under Windows a 255-byte name in the temporary folder passes MAX_PATH
TEST(HostileInput, LongNamesAndPathsAndAFolderOfTenThousandFiles) {
    TempFolder folder;
    auto openFolder = testing_support::command("OpenFolder");
    auto getFile = testing_support::command("GetFile");
    auto closeFolder = testing_support::command("CloseFolder");
    // A file name of 255 bytes comes back whole.
    const std::string longName = std::string(251, 'n') + ".txt";
    writeFile(folder / longName, "");
    ASSERT_EQ(openFolder(folder.path().c_str(), 0, nullptr, 0), TESSARYN_OK);
    std::vector<std::string> names;
    char buffer[TESSARYN_NAME_BUFFER_SIZE];
    while (getFile(nullptr, 0, buffer, TESSARYN_NAME_BUFFER_SIZE) == TESSARYN_OK)
        names.push_back(buffer);
    EXPECT_NE(std::find(names.begin(), names.end(), longName), names.end());
    EXPECT_EQ(closeFolder(nullptr, 0, nullptr, 0), TESSARYN_OK);
    for (std::size_t length : {260u, 4000u}) {
        std::string path =
            folder.path() + "/" + std::string(length - folder.path().size() - 1, 'p');
        EXPECT_EQ(openFolder(path.c_str(), 0, nullptr, 0), TESSARYN_FAILED);
        EXPECT_EQ(testing_support::command("EmptyFolder")(path.c_str(), 0, nullptr, 0),
                  TESSARYN_FAILED);
    }
    // EmptyFolder over 10,000 files with an extension and 10 without.
    TempFolder crowd;
    for (int i = 0; i < 10000; ++i) writeFile(crowd / ("f" + std::to_string(i) + ".tmp"), "");
    for (int i = 0; i < 10; ++i) writeFile(crowd / ("keep" + std::to_string(i)), "");
    EXPECT_EQ(testing_support::command("EmptyFolder")(crowd.path().c_str(), 0, nullptr, 0),
              TESSARYN_OK);
    EXPECT_EQ(crowd.entries().size(), 10u);
}

#endif

}  // namespace
