// The ten commands called over and over in one process, as a long host session calls
// them: listings opened and closed, files converted and deleted. Memory must stay flat;
// the sanitizer build runs a shorter loop under LeakSanitizer.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "support.h"

using testing_support::call;
using testing_support::TempFolder;
using testing_support::writeFile;

namespace {

// Resident memory is only a fair measure natively: an emulator's own code cache grows
// with the calls, and the address sanitizer holds freed memory back on purpose (its leak
// checker sees to leaks there instead).
#if defined(TESSARYN_UNDER_ADDRESS_SANITIZER) || defined(TESSARYN_UNDER_EMULATOR) || defined(_WIN32)
constexpr int kRounds = 1000;
constexpr bool kMeasureMemory = false;
#else
constexpr int kRounds = 10000;  // ten calls a round: 100,000 calls
constexpr bool kMeasureMemory = true;
#endif

// Resident memory in KiB, or 0 where it cannot be read.
long residentKiB() {
    long pages = 0, resident = 0;
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr) return 0;
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(statm);
    return resident * 4;
}

TEST(Repeat, TheTenCommandsOverAndOverKeepMemoryFlat) {
    TempFolder folder;
    const std::string obj = folder / "mesh.obj";
    const std::string scene = folder / "mesh.ma";
    const std::string sceneText =
        "setAttr -s 4 \".ed[0:3]\"\n0 1 0 1 2 0 2 3 0 0 3 0\n  \tsetAttr \".cd\" x\n;\n";
    writeFile(obj,
              "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\n#MRGB ff102030ff102030ff102030ff102030\n"
              "g a\ns 1\nf 1/1 2/1 3/1\ng b\ns 2\nf 1 3 4\n");
    auto openFolder = testing_support::command("OpenFolder");
    auto getFile = testing_support::command("GetFile");
    auto closeFolder = testing_support::command("CloseFolder");
    auto emptyFolder = testing_support::command("EmptyFolder");
    auto fileDelete = testing_support::command("FileDelete");
    auto version = testing_support::command("Version");
    const std::string sweep = folder / "sweep";
    testing_support::makeFolder(sweep);
    char name[TESSARYN_NAME_BUFFER_SIZE];
    long warm = 0;
    for (int round = 0; round < kRounds; ++round) {
        if (round == kRounds / 10) warm = residentKiB();
        writeFile(scene, sceneText);
        ASSERT_EQ(call("GetCreases", obj.c_str(), 0, scene), 2.0f);
        ASSERT_EQ(call("GetCreasesVyx", obj.c_str(), round % 2, folder / "mesh.vyx"), 2.0f);
        ASSERT_EQ(call("SmoothtoGroupOBJ", obj.c_str(), 0, folder / "smooth.obj"), 0.0f);
        ASSERT_EQ(call("SwapVertices", obj.c_str(), 0, folder / "smooth.obj"), 0.0f);
        ASSERT_EQ(openFolder(folder.path().c_str(), 0, nullptr, 0), 0.0f);
        while (getFile(nullptr, 0, name, TESSARYN_NAME_BUFFER_SIZE) == 0.0f) {
        }
        if (round % 2 == 0) {  // otherwise the next open closes it
            ASSERT_EQ(closeFolder(nullptr, 0, nullptr, 0), 0.0f);
        }
        writeFile(sweep + "/a.tmp", "");
        ASSERT_EQ(emptyFolder(sweep.c_str(), 0, nullptr, 0), 0.0f);
        ASSERT_EQ(fileDelete((folder / "mesh.vyx").c_str(), 0, nullptr, 0), 0.0f);
        ASSERT_EQ(version(nullptr, 0, nullptr, 0), 3.0f);
    }
    closeFolder(nullptr, 0, nullptr, 0);
    const long grown = residentKiB() - warm;
    std::printf("%d calls; resident memory grew by %ld KiB after warm-up\n", kRounds * 10, grown);
    if (kMeasureMemory) {
        EXPECT_LT(grown, 2048);
    }
}

}  // namespace
