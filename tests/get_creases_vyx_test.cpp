// GetCreasesVyx through the built library; every written file is read back block by
// block, and the worked examples are compared byte for byte.
#include <gtest/gtest.h>
#include <sys/stat.h>
#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "base/line_reader.h"
#include "vyx/mesh_blocks.h"
#include "vyx/mesh_survey.h"
#include "vyx/vyx_format.h"
#include "vyx/vyx_writer.h"
#include "tools/vyx_reader.h"
#include "support.h"

using testing_support::call;
using testing_support::kCubeObj;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;
namespace vyx = tessaryn::vyx;

namespace {

struct Converted {
    float code = 0;
    std::string bytes;  // the written file, empty when none
    vyx::File file;

    std::vector<std::int32_t> tags() const {
        std::vector<std::int32_t> tags;
        for (const vyx::Block& block : file.blocks) tags.push_back(block.tag);
        return tags;
    }
    template <typename T>
    std::vector<T> block(std::int32_t tag) const {
        const vyx::Block* found = file.find(tag);
        return found == nullptr ? std::vector<T>() : vyx::records<T>(*found);
    }
    std::vector<std::int32_t> faces() const { return block<std::int32_t>(vyx::kFaceTag); }
    std::vector<std::uint8_t> creases() const { return block<std::uint8_t>(vyx::kCreaseTag); }
    std::vector<std::uint16_t> groups() const { return block<std::uint16_t>(vyx::kFaceGroupTag); }
    std::vector<float> textures() const { return block<float>(vyx::kTextureTag); }
};

Converted convert(const std::string& obj, double number = 0.0) {
    testing_support::FileCall done =
        testing_support::callOnFiles("GetCreasesVyx", obj, std::nullopt, number);
    Converted result;
    result.code = done.code;
    result.bytes = done.buffer;
    if (!result.bytes.empty()) {
        EXPECT_EQ(vyx::parse(result.bytes, result.file), "");
    }
    EXPECT_EQ(done.entries.size(), result.bytes.empty() ? 1u : 2u);
    return result;
}

#if !defined(_WIN32)
// ConvertObjToVyx as it runs where the system gives no temporary file, so that its second
// pass reads the OBJ again: in a child process whose file limit leaves room for two files
// only, the OBJ and the output. The count on success, -1 when the OBJ was unreadable, -2
// for another refusal, -3 when the child did not answer.
int convertWithoutSpillFiles(const std::string& obj, const std::string& vyx, bool smoothing) {
    const pid_t child = fork();
    if (child == 0) {
        int limit = 0;
        for (int fd = 0, free = 0; free < 2; ++fd) {
            if (fcntl(fd, F_GETFD) == -1) ++free;
            limit = fd + 1;
        }
        const rlimit files{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
        if (setrlimit(RLIMIT_NOFILE, &files) != 0) _exit(253);
        const tessaryn::WorkResult result =
            tessaryn::ConvertObjToVyx(obj.c_str(), vyx.c_str(), smoothing);
        if (result.outcome == tessaryn::Outcome::Done) _exit(result.count);
        _exit(result.outcome == tessaryn::Outcome::Unreadable ? 254 : 255);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -3;
    const int code = WEXITSTATUS(status);
    return code == 254 ? -1 : code == 255 ? -2 : code == 253 ? -3 : code;
}
#endif

// An independent encoding of a Vyx file, for the byte-for-byte checks.
void putInt(std::string& out, std::int32_t value) {
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((static_cast<std::uint32_t>(value) >> (8 * i)) & 0xFF);
}
void putFloat(std::string& out, float value) {
    std::int32_t bits;
    std::memcpy(&bits, &value, 4);
    putInt(out, bits);
}
std::string fileHeader() {
    return std::string("Vyxb 1.0") + std::string(24, '\0');
}
void putBlockHeader(std::string& out, std::int32_t tag, std::int32_t payload, std::int32_t count) {
    putInt(out, tag);
    putInt(out, payload + 16);
    putInt(out, count);
    putInt(out, 0);
}
std::string endMarker() {
    return std::string(16, '\0');
}

TEST(GetCreasesVyx, AnEmptyObjGivesAnEightyByteFile) {
    Converted result = convert("# nothing\n");
    EXPECT_EQ(result.code, 0.0f);
    std::string expected = fileHeader();
    putBlockHeader(expected, vyx::kVertexTag, 0, 0);
    putBlockHeader(expected, vyx::kFaceTag, 0, 0);
    expected += endMarker();
    EXPECT_EQ(expected.size(), 80u);
    EXPECT_EQ(result.bytes, expected);
}

TEST(GetCreasesVyx, OneTexturedTriangleInOneGroup) {
    Converted result = convert(
        "v 0 0 0\nv 1 0 0\nv 0 1 0.5\nvt 0.25 0.5\nvt 1 0\nvt 0 1\ng only\nf 1/1 2/2 3/3\n");
    EXPECT_EQ(result.code, 1.0f);
    std::string expected = fileHeader();
    putBlockHeader(expected, vyx::kVertexTag, 36, 3);
    for (float v : {0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f, 1.f, 0.5f}) putFloat(expected, v);
    putBlockHeader(expected, vyx::kFaceTag, 16, 1);
    for (int c : {0, 1, 2, -1}) putInt(expected, c);
    putBlockHeader(expected, vyx::kTextureTag, 32, 1);
    for (float t : {0.25f, 0.5f, 1.f, 0.f, 0.f, 1.f, 0.f, 0.f}) putFloat(expected, t);
    putBlockHeader(expected, vyx::kFaceGroupTag, 2, 1);
    expected += std::string("\x21\x00", 2);  // one group name: the smoothing value 33
    putBlockHeader(expected, vyx::kCreaseTag, 1, 1);
    expected += '\x3F';  // all three edges are open borders
    expected += endMarker();
    EXPECT_EQ(result.bytes, expected);
}

TEST(GetCreasesVyx, TheTopFaceOfACube) {
    Converted result = convert(kCubeObj);
    EXPECT_EQ(result.code, 2.0f);
    EXPECT_EQ(result.tags(), (std::vector<std::int32_t>{vyx::kVertexTag, vyx::kFaceTag,
                                                        vyx::kFaceGroupTag, vyx::kCreaseTag}));
    EXPECT_EQ(result.creases(), (std::vector<std::uint8_t>{0x30, 0xFF, 0x03, 0x00, 0x30, 0x30}));
    EXPECT_EQ(result.groups(), (std::vector<std::uint16_t>{33, 66, 33, 33, 33, 33}));
    EXPECT_EQ(result.faces(), (std::vector<std::int32_t>{0, 1, 3, 2, 2, 3, 5, 4, 4, 5, 7, 6,
                                                         6, 7, 1, 0, 1, 7, 5, 3, 6, 0, 2, 4}));
}

TEST(GetCreasesVyx, CreaseSourcesAndGroupValues) {
    // A closed cube: one group line, two smoothing bands (front+top+back, the rest).
    const std::string smoothCube =
        "v 0 0 1\nv 1 0 1\nv 0 1 1\nv 1 1 1\nv 0 1 0\nv 1 1 0\nv 0 0 0\nv 1 0 0\n"
        "g all\ns 1\nf 1 2 4 3\nf 3 4 6 5\nf 5 6 8 7\ns 2\nf 7 8 2 1\nf 2 8 6 4\nf 7 1 3 5\n";
    struct Row {
        const char* what;
        std::string obj;
        double number;
        float code;
        std::vector<std::uint8_t> creases;
        std::vector<std::uint16_t> groups;
    } rows[] = {
        {"no group line", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", 0, 0, {0x00}, {33}},
        {"one group name: no creases, smoothing values written",
         smoothCube,
         0,
         1,
         {0, 0, 0, 0, 0, 0},
         {33, 33, 33, 66, 66, 66}},
        {"smoothing bands as the source",
         smoothCube,
         1.0,
         2,
         {0xCF, 0xCC, 0xFC, 0x33, 0xFC, 0xFC},
         {33, 33, 33, 66, 66, 66}},
        {"0.999 is not set", smoothCube, 0.999, 1, {0, 0, 0, 0, 0, 0}, {33, 33, 33, 66, 66, 66}},
        {"faces before the first group line join it",
         "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nf 1 2 3\ng a\nf 2 4 3\ng b\n",
         0,
         2,
         {0x33, 0x0F},
         {33, 33}},
        {"a trailing blank makes another group; a repeat continues",
         "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\ng a\nf 1 2 3\ng a \nf 2 4 3\ng a\nf 1 2 3\n",
         0,
         2,
         {0x0C, 0x3F, 0x0C},
         {33, 66, 33}},
        {"group values by first appearance in smoothing mode",
         "v 0 0 0\nv 1 0 0\nv 0 1 0\ng b\nf 1 2 3\ng a\nf 1 2 3\ng b\nf 1 2 3\n",
         1.0,
         0,
         {0, 0, 0},
         {33, 66, 33}},
        {"a face with five corners keeps four and uses five edges",
         "v 0 0 0\nv 1 0 0\nv 2 1 0\nv 1 2 0\nv 0 1 0\ng a\nf 1 2 3 4 5\n",
         0,
         1,
         {0x3F},
         {33}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Converted result = convert(row.obj, row.number);
        EXPECT_EQ(result.code, row.code);
        EXPECT_EQ(result.creases(), row.creases);
        EXPECT_EQ(result.groups(), row.groups);
    }
}

TEST(GetCreasesVyx, CornerFormsAndTextureCorners) {
    const std::string table =
        "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nv 2 2 2\n"
        "vt 0.5 0.5\nvt 0.25 0.75\nvt 1 1\nvt 0 0.5\n";
    struct Row {
        const char* what;
        std::string faces;
        std::vector<std::int32_t> corners;
        std::vector<float> textures;
    } rows[] = {
        {"5/2 and 5 give vertex 4", "f 5/2 1 2\n", {4, 0, 1, -1}, {0.25f, 0.75f, 0, 0, 0, 0, 0, 0}},
        {"v/vt/vn gives its texture index",
         "f 1/1/9 2/2/9 3/3/9 4/4/9\n",
         {0, 1, 2, 3},
         {0.5f, 0.5f, 0.25f, 0.75f, 1, 1, 0, 0.5f}},
        {"v//vn and v/ give no texture index", "f 1//3 2/ 3//1\n", {0, 1, 2, -1}, {}},
        {"relative indices count back from the last entry read",
         "f -1/-1 -2/-4 -5/-2\n",
         {4, 3, 0, -1},
         {0, 0.5f, 0.5f, 0.5f, 1, 1, 0, 0}},
        {"a five-corner face gives four texture corners",
         "f 1/1 2/2 3/3 4/4 5/1\n",
         {0, 1, 2, 3},
         {0.5f, 0.5f, 0.25f, 0.75f, 1, 1, 0, 0.5f}},
        {"only textured faces add texture corners",
         "f 1 2 3\nf 1/4 2/4 3/4\n",
         {0, 1, 2, -1, 0, 1, 2, -1},
         {0, 0.5f, 0, 0.5f, 0, 0.5f, 0, 0}},
        {"a face with no corner adds no face", "f\nf x 1 2\nf 1 2 3\n", {0, 1, 2, -1}, {}},
        {"tabs separate corners", "f\t1\t2\t3\n", {0, 1, 2, -1}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Converted result = convert(table + row.faces);
        EXPECT_EQ(result.code, 0.0f);
        EXPECT_EQ(result.faces(), row.corners);
        EXPECT_EQ(result.textures(), row.textures);
        const vyx::Block* texture = result.file.find(vyx::kTextureTag);
        if (texture != nullptr) {
            EXPECT_EQ(static_cast<std::size_t>(texture->count), row.textures.size() / 8);
        }
    }
}

TEST(GetCreasesVyx, VerticesTextureCoordinatesColoursAndMasks) {
    Converted result = convert(
        "v 1 2 3 4\nv 1 x 3\nvt 0.5 0.25 9\nvt 7\nvn 0 0 1\nv\tignored\n"
        "#MRGB ff1020300aBbCcDd123\n#MRGB 00000000\nf 1/1 2/2 3/2\nv 5 6 7\n");
    EXPECT_EQ(result.code, 0.0f);
    EXPECT_EQ(result.block<float>(vyx::kVertexTag),
              (std::vector<float>{1, 2, 3, 1, 0, 0, 5, 6, 7}));
    EXPECT_EQ(result.textures(), (std::vector<float>{0.5f, 0.25f, 7, 0, 7, 0, 0, 0}));
    EXPECT_EQ(result.block<std::uint8_t>(vyx::kColourTag),
              (std::vector<std::uint8_t>{0x30, 0x20, 0x10, 0, 0xDD, 0xCC, 0xBB, 0, 0, 0, 0, 0}));
    EXPECT_EQ(result.block<std::uint8_t>(vyx::kMaskTag),
              (std::vector<std::uint8_t>{0xFF, 0x0A, 0}));

    // Pairs that are not two hex digits read like a stream: blanks skipped, digits up
    // to the first other character, none as 0.
    Converted odd = convert("v 0 0 0\n#MRGB  fg1 2x\t\n");
    EXPECT_EQ(odd.block<std::uint8_t>(vyx::kColourTag), (std::vector<std::uint8_t>{0, 2, 0, 0}));
    EXPECT_EQ(odd.block<std::uint8_t>(vyx::kMaskTag), (std::vector<std::uint8_t>{0x0F}));

    // One chunk fewer than vertices: neither block.
    Converted fewer = convert("v 0 0 0\nv 1 0 0\n#MRGB ff102030\n#MRGB\n");
    EXPECT_EQ(fewer.tags(), (std::vector<std::int32_t>{vyx::kVertexTag, vyx::kFaceTag}));
}

TEST(GetCreasesVyx, ThousandsOfGroupNames) {
    std::string obj = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    for (int i = 1; i <= 3000; ++i) obj += "g n" + std::to_string(i) + "\nf 1 2 3\n";
    Converted result = convert(obj);
    EXPECT_EQ(result.code, 3000.0f);
    std::vector<std::uint16_t> groups = result.groups();
    ASSERT_EQ(groups.size(), 3000u);
    EXPECT_EQ(groups[1985], static_cast<std::uint16_t>(33 * 1986));  // 65538 wraps to 2
    EXPECT_EQ(groups[1985], 2);
    EXPECT_EQ(result.creases(), std::vector<std::uint8_t>(3000, 0x3F));
}

// A 400 x 400 grid of quads, every vertex with its own texture coordinate, in two groups
// split at column 200: positions, faces, texture corners and texture coordinates each
// fill more than one chunk of the reader's arrays.
TEST(GetCreasesVyx, AMeshAcrossChunkBoundaries) {
    constexpr int kSide = 400, kSplit = 200;
    auto vertex = [](int i, int j) { return j * kSide + i; };
    std::string obj;
    for (int j = 0; j < kSide; ++j) {
        for (int i = 0; i < kSide; ++i) {
            obj += "v " + std::to_string(i) + " " + std::to_string(j) + " 0\n";
            obj += "vt " + std::to_string(j) + " " + std::to_string(i) + "\n";
        }
    }
    const int faces = (kSide - 1) * (kSide - 1);
    std::string expected = fileHeader();
    putBlockHeader(expected, vyx::kVertexTag, 12 * kSide * kSide, kSide * kSide);
    for (int j = 0; j < kSide; ++j) {
        for (int i = 0; i < kSide; ++i) {
            for (float c : {float(i), float(j), 0.0f}) putFloat(expected, c);
        }
    }
    std::string faceBlock, textureBlock, groupBlock, creaseBlock;
    putBlockHeader(faceBlock, vyx::kFaceTag, 16 * faces, faces);
    putBlockHeader(textureBlock, vyx::kTextureTag, 32 * faces, faces);
    putBlockHeader(groupBlock, vyx::kFaceGroupTag, 2 * faces, faces);
    putBlockHeader(creaseBlock, vyx::kCreaseTag, faces, faces);
    for (const bool left : {true, false}) {
        obj += left ? "g left\n" : "g right\n";
        for (int j = 0; j + 1 < kSide; ++j) {
            for (int i = left ? 0 : kSplit; i < (left ? kSplit : kSide - 1); ++i) {
                const int corners[4] = {vertex(i, j), vertex(i + 1, j), vertex(i + 1, j + 1),
                                        vertex(i, j + 1)};
                obj += "f";
                for (int c : corners) {
                    obj += " " + std::to_string(c + 1) + "/" + std::to_string(c + 1);
                    putInt(faceBlock, c);
                    putFloat(textureBlock, float(c / kSide));
                    putFloat(textureBlock, float(c % kSide));
                }
                obj += "\n";
                putInt(groupBlock, left ? 33 : 66);
                groupBlock.resize(groupBlock.size() - 2);  // 16 bits, low byte first
                // Crease edges: the grid's outline and the split, both sides of it.
                int flags = 0;
                if (j == 0) flags |= 0x03;
                if (i + 1 == kSplit || i + 1 == kSide - 1) flags |= 0x0C;
                if (j + 2 == kSide) flags |= 0x30;
                if (i == 0 || i == kSplit) flags |= 0xC0;
                creaseBlock += static_cast<char>(flags);
            }
        }
    }
    expected += faceBlock + textureBlock + groupBlock + creaseBlock + endMarker();
    Converted result = convert(obj);
    EXPECT_EQ(result.code, 2.0f);
    EXPECT_EQ(result.bytes.size(), expected.size());
    EXPECT_TRUE(result.bytes == expected) << "the Vyx file differs from the expected bytes";
}

TEST(GetCreasesVyx, FacesThatNameMissingEntriesAreRefused) {
    const std::string mesh = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\n";
    for (const char* face : {"f 0 1 2\n", "f 1 2 4\n", "f 1 2 -4\n", "f 1/2 2 3\n", "f 1/0 2 3\n",
                             "f -1/-2 2 3\n", "f 1 2 3 2147483648\n"}) {
        SCOPED_TRACE(face);
        TempFolder folder;
        writeFile(folder / "mesh.obj", mesh + face);
        writeFile(folder / "mesh.vyx", "old");
        EXPECT_EQ(call("GetCreasesVyx", (folder / "mesh.obj").c_str(), 0, folder / "mesh.vyx"),
                  TESSARYN_BAD_INDEX);
        EXPECT_EQ(readFile(folder / "mesh.vyx"), "old");
    }
    // A forward reference to a vertex read later is an entry of the file.
    EXPECT_EQ(convert("f 1 2 3\nv 0 0 0\nv 1 0 0\nv 0 1 0\n").code, 0.0f);
}

TEST(GetCreasesVyx, ArgumentsAndDestinations) {
    TempFolder folder;
    writeFile(folder / "mesh.obj", kCubeObj);
    const std::string obj = folder / "mesh.obj";
    std::string out = folder / "out.vyx";
    auto command = testing_support::command("GetCreasesVyx");
    EXPECT_EQ(command(nullptr, 0, &out[0], 0), TESSARYN_CREASE_ARGUMENT_ABSENT);
    EXPECT_EQ(command(obj.c_str(), 0, nullptr, 0), TESSARYN_CREASE_ARGUMENT_ABSENT);
    EXPECT_EQ(call("GetCreasesVyx", (folder / "missing.obj").c_str(), 0, out), TESSARYN_FAILED);
    EXPECT_EQ(call("GetCreasesVyx", obj.c_str(), 0, folder / "no/such/folder.vyx"),
              TESSARYN_VYX_CANNOT_WRITE);
    EXPECT_EQ(call("GetCreasesVyx", obj.c_str(), 0, folder.path()), TESSARYN_VYX_CANNOT_WRITE);
    writeFile(out, "read-only");
    testing_support::setReadOnly(out, true);
    EXPECT_EQ(call("GetCreasesVyx", obj.c_str(), 0, out), TESSARYN_VYX_CANNOT_WRITE);
    EXPECT_EQ(readFile(out), "read-only");
    testing_support::setReadOnly(out, false);
    EXPECT_EQ(call("GetCreasesVyx", obj.c_str(), 0, out), 2.0f);
    const std::string first = readFile(out);
    // The OBJ itself as the destination: read in full first, then replaced.
    EXPECT_EQ(call("GetCreasesVyx", obj.c_str(), 0, obj), 2.0f);
    EXPECT_EQ(readFile(obj), first);
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"mesh.obj", "out.vyx"}));
}

// The conversion reads the OBJ twice: once whole (counts, crease edges, positions),
// then from the first face or colour line to the last. Whatever the order of the lines,
// the same mesh gives the same file; what the lines before the second read's start set
// (entries read so far, the current groups) must carry into it.
TEST(GetCreasesVyx, TheSameMeshWhateverTheOrderOfItsLines) {
    const std::string positions =
        "v 0 0 1\nv 1 0 1\nv 0 1 1\nv 1 1 1\nv 0 1 0\nv 1 1 0\nv 0 0 0\nv 1 0 0\n";
    const std::string textures = "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n";
    const std::string colours =
        "#MRGB ff102030ee112233dd332211cc000000\n"
        "#MRGB 01abcdef02abcdef03abcdef04abcdef\n";
    const std::string faces =
        "g sides\ns 1\nf 1/1 2/2 4/3 3/4\ng top\nf 3/1 4/2 6/3 5/4\ng sides\ns 2\n"
        "f 5 6 8 7\nf 7/1 8/2 2/3 1/4\nf 2 8 6\nf 7 1 3 5\n";
    const std::string canonical = positions + textures + colours + faces;
    struct Row {
        const char* what;
        std::string obj;
    };
    const Row rows[] = {
        {"faces first, their vertices after", faces + positions + textures + colours},
        {"colours after the faces", positions + textures + faces + colours},
        {"colours among the faces",
         positions + textures + "g sides\ns 1\nf 1/1 2/2 4/3 3/4\n" + colours +
             "g top\nf 3/1 4/2 6/3 5/4\ng sides\ns 2\nf 5 6 8 7\nf 7/1 8/2 2/3 1/4\nf 2 8 6\n"
             "f 7 1 3 5\n"},
        {"group lines before the vertices",
         "g sides\ns 1\n" + positions + textures + colours +
             "f 1/1 2/2 4/3 3/4\ng top\nf 3/1 4/2 6/3 5/4\ng sides\ns 2\nf 5 6 8 7\n"
             "f 7/1 8/2 2/3 1/4\nf 2 8 6\nf 7 1 3 5\n"},
        {"relative indices, vertices among the faces",
         "v 0 0 1\nv 1 0 1\nv 0 1 1\nv 1 1 1\n" + textures + colours +
             "g sides\ns 1\nf -4/-4 -3/-3 -1/-2 -2/-1\nv 0 1 0\nv 1 1 0\n"
             "g top\nf 3/1 4/2 -1/3 -2/4\nv 0 0 0\nv 1 0 0\ng sides\ns 2\n"
             "f -4 -3 -1 -2\nf -2/-4 -1/-3 2/-2 1/-1\nf 2 -1 -3\nf -2 1 3 5\n"},
    };
    for (double number : {0.0, 1.0}) {
        const Converted expected = convert(canonical, number);
        ASSERT_EQ(expected.tags().size(), 7u);  // every block, the colours' included
        for (const Row& row : rows) {
            SCOPED_TRACE(row.what);
            const Converted result = convert(row.obj, number);
            EXPECT_EQ(result.code, expected.code);
            EXPECT_TRUE(result.bytes == expected.bytes) << "the files differ";
#if !defined(_WIN32)
            // The second pass as it runs without a temporary file: the OBJ read again.
            TempFolder folder;
            writeFile(folder / "mesh.obj", row.obj);
            EXPECT_EQ(
                convertWithoutSpillFiles(folder / "mesh.obj", folder / "mesh.vyx", number > 0),
                static_cast<int>(expected.code));
            EXPECT_TRUE(readFile(folder / "mesh.vyx") == expected.bytes) << "read again, differs";
#endif
        }
    }
}

#if !defined(_WIN32)
// An input that gives its lines once, a FIFO here: the second pass copies back what
// the first read set aside, so it converts as a file does. Without that copy it cannot
// be read a second time: the call answers -1 at once rather than wait for a writer, and
// writes nothing.
TEST(GetCreasesVyx, AnInputThatGivesItsLinesOnce) {
    const Converted expected = convert(kCubeObj);
    for (const bool spill : {true, false}) {
        SCOPED_TRACE(spill ? "set aside" : "read again");
        TempFolder folder;
        const std::string fifo = folder / "mesh.obj";
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        const std::string out = folder / "out.vyx";
        if (spill) {
            std::thread writer([&fifo] { std::ofstream(fifo, std::ios::binary) << kCubeObj; });
            const tessaryn::WorkResult result =
                tessaryn::ConvertObjToVyx(fifo.c_str(), out.c_str(), false);
            writer.join();
            EXPECT_EQ(result.count, 2);
            EXPECT_TRUE(readFile(out) == expected.bytes);
        } else {
            // The child reads the FIFO while this process writes it.
            int answer = -3;
            std::thread converter([&] { answer = convertWithoutSpillFiles(fifo, out, false); });
            std::ofstream(fifo, std::ios::binary) << kCubeObj;
            converter.join();
            EXPECT_EQ(answer, -1);
            EXPECT_EQ(folder.entries(), (std::vector<std::string>{"mesh.obj"}));
        }
    }
}
#endif

// The second read must find the lines the first one counted; a file changed in between
// is refused (the layout written so far no longer fits it).
TEST(GetCreasesVyx, AFileChangedBetweenTheTwoReadsIsRefused) {
    const std::string before =
        "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\n#MRGB ff102030ff102030ff102030\n"
        "g a\nf 1/1 2/1 3/1\ng b\nf 3 2 1\n";
    struct Row {
        const char* what;
        std::string after;
    };
    const Row rows[] = {
        {"a face fewer",
         "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\n#MRGB ff102030ff102030ff102030\n"
         "g a\nf 1/1 2/1 3/1\ng b\n"},
        {"a face more",
         "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\n#MRGB ff102030ff102030ff102030\n"
         "g a\nf 1/1 2/1 3/1\nf 1 2 3\nf 1 2 3\ng b\nf 3 2 1\n"},
        {"another group name",
         "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\n#MRGB ff102030ff102030ff102030\n"
         "g a\nf 1/1 2/1 3/1\ng c\nf 3 2 1\n"},
        {"a vertex that is not there",
         "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\n"
         "#MRGB ff102030ff102030ff102030\ng a\nf 1/1 2/1 3/1\n"
         "g b\nf 3 2 9\n"},
        {"a texture corner that is not there",
         "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\n#MRGB ff102030ff102030ff102030\n"
         "g a\nf 1/1 2/1 3/7\ng b\nf 3 2 1\n"},
        {"a colour more",
         "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\n"
         "#MRGB ff102030ff102030ff102030ff102030\ng a\nf 1/1 2/1 3/1\n"
         "g b\nf 3 2 1\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TempFolder folder;
        const std::string obj = folder / "mesh.obj";
        writeFile(obj, before);
        tessaryn::LineReader reader;
        ASSERT_TRUE(reader.open(obj.c_str()));
        tessaryn::BlockStream positions;
        tessaryn::MeshSurvey survey;
        tessaryn::surveyObjMesh(reader, false, positions, nullptr, survey);
        ASSERT_FALSE(reader.failed());
        ASSERT_FALSE(survey.badIndex);
        writeFile(obj, row.after);
        ASSERT_TRUE(reader.open(obj.c_str(), survey.firstOffset));
        tessaryn::BlockStream faces, textures, masks, colours, groups, creases;
        tessaryn::MeshBlockStreams blocks{faces, textures, masks, colours, groups, creases};
        EXPECT_FALSE(tessaryn::fillMeshBlocks(reader, survey, blocks));
    }
    // Unchanged, the same reads agree.
    TempFolder folder;
    writeFile(folder / "mesh.obj", before);
    tessaryn::LineReader reader;
    ASSERT_TRUE(reader.open((folder / "mesh.obj").c_str()));
    tessaryn::BlockStream positions;
    tessaryn::MeshSurvey survey;
    tessaryn::surveyObjMesh(reader, false, positions, nullptr, survey);
    ASSERT_TRUE(reader.open((folder / "mesh.obj").c_str(), survey.firstOffset));
    tessaryn::BlockStream faces, textures, masks, colours, groups, creases;
    tessaryn::MeshBlockStreams blocks{faces, textures, masks, colours, groups, creases};
    EXPECT_TRUE(tessaryn::fillMeshBlocks(reader, survey, blocks));
    EXPECT_EQ(faces.count(), 2u);
    EXPECT_EQ(masks.count(), 3u);
}

TEST(GetCreasesVyx, RealObjFiles) {
    Converted spider = convert(readFile(testing_support::realDataPath("assimp__spider.obj")));
    EXPECT_EQ(spider.code, 19.0f);
    ASSERT_NE(spider.file.find(vyx::kVertexTag), nullptr);
    EXPECT_EQ(spider.file.find(vyx::kVertexTag)->count, 762);
    EXPECT_EQ(spider.file.find(vyx::kFaceTag)->count, 1368);
    EXPECT_EQ(spider.file.find(vyx::kTextureTag)->count, 1368);
    Converted smooth = convert(readFile(testing_support::realDataPath("assimp__spider.obj")), 1.0);
    EXPECT_EQ(smooth.code, 2.0f);

    // The cube of 12 triangles, one smoothing group per side: every cube edge is a
    // crease and no diagonal is, so each triangle has exactly two crease edges.
    Converted cube = convert(
        readFile(testing_support::realDataPath("tinyobj__issue-162-smoothing-group.obj")), 1.0);
    EXPECT_EQ(cube.code, 6.0f);
    for (std::uint8_t flags : cube.creases()) {
        int edges = ((flags & 0x03) != 0) + ((flags & 0x0C) != 0) + ((flags & 0x30) != 0);
        EXPECT_EQ(edges, 2) << int{flags};
    }
}

}  // namespace
