// tessaryn_bench: every file command of the library on generated meshes of growing size,
// each call in a process of its own, against `cat` of the same input files and against
// the durable floor (durable_floor.h). `tessaryn_bench --help` gives the usage.
//
// It also runs its own children:
//   tessaryn_bench call LIBRARY COMMAND TEXT NUMBER BUFFER
//   tessaryn_bench floor DESTINATION BYTES INPUT...
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "bench_options.h"
#include "crate_layer_generator.h"
#include "durable_floor.h"
#include "mesh_generator.h"
#include "usd_layer_generator.h"
#include "tools/library_loader.h"

namespace {

namespace fs = std::filesystem;

struct Measure {
    double seconds = 0;
    double peakMiB = 0;  // the child's ru_maxrss
    int status = 0;
};

// Runs argv in a child process with its standard output sent to /dev/null.
Measure spawn(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::fflush(stdout);  // or the child would print what is still buffered
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        if (std::freopen("/dev/null", "w", stdout) == nullptr) _exit(127);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    Measure m;
    m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    m.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    m.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    return m;
}

double megabytes(std::uintmax_t bytes) {
    return static_cast<double>(bytes) / 1e6;
}

struct Case {
    const char* command;
    std::string text;
    std::string buffer;
    std::string copyFrom;  // copied to `buffer` before each run, or empty
    std::vector<std::string> inputs;
    bool viaTool = false;  // `tessaryn creases`, for the scenes the host did not write
    // `tessaryn creases OBJ overScene --over buffer`: the scene only read, a new override
    // layer written (removed before each run).
    std::string overScene;
    // `tessaryn obj objScene buffer`: the scene's mesh out as an OBJ.
    std::string objScene;
};

// The benchmark's torus as every file command reads it.
struct BenchFiles {
    bench::MeshFiles mesh;
    std::string usdLayer;
    bench::CrateLayers crateLayers;
};

std::vector<Case> cases(const BenchFiles& files, const std::string& work) {
    const bench::MeshFiles& mesh = files.mesh;
    return {
        {"GetCreases", mesh.obj, work + "/out.ma", mesh.scene, {mesh.obj, mesh.scene}, false, "", ""},
        {"GetCreasesVyx", mesh.obj, work + "/out.vyx", "", {mesh.obj}, false, "", ""},
        {"SmoothtoGroupOBJ", mesh.obj, work + "/out.obj", "", {mesh.obj}, false, "", ""},
        {"SwapVertices", mesh.obj, work + "/target.obj", mesh.obj, {mesh.obj, mesh.obj}, false, "", ""},
        {"creases (Maya scene)",
         mesh.obj,
         work + "/out-maya.ma",
         mesh.mayaScene,
         {mesh.obj, mesh.mayaScene},
         true,
         "",
         ""},
        {"creases (USD layer)",
         mesh.obj,
         work + "/out.usda",
         files.usdLayer,
         {mesh.obj, files.usdLayer},
         true,
         "",
         ""},
        // The same mesh as a text layer and as binary layers, each given an override layer.
        {"creases --over (USD layer)", mesh.obj, work + "/over.usda", "",
         {mesh.obj, files.usdLayer}, true, files.usdLayer, ""},
        {"creases --over (binary, packed arrays)", mesh.obj, work + "/over.usda", "",
         {mesh.obj, files.crateLayers.packed}, true, files.crateLayers.packed, ""},
        {"creases --over (binary, plain arrays)", mesh.obj, work + "/over.usda", "",
         {mesh.obj, files.crateLayers.raw}, true, files.crateLayers.raw, ""},
        // Each scene layout's mesh out as an OBJ: the floor reads the scene and writes as
        // many bytes as the OBJ.
        {"obj (Maya scene)", "", work + "/mesh-out.obj", "", {mesh.mayaScene}, true, "",
         mesh.mayaScene},
        {"obj (USD layer)", "", work + "/mesh-out.obj", "", {files.usdLayer}, true, "",
         files.usdLayer},
        {"obj (binary, packed arrays)", "", work + "/mesh-out.obj", "",
         {files.crateLayers.packed}, true, "", files.crateLayers.packed},
    };
}

void prepare(const Case& c) {
    if (!c.overScene.empty()) fs::remove(c.buffer);
    if (!c.copyFrom.empty())
        fs::copy_file(c.copyFrom, c.buffer, fs::copy_options::overwrite_existing);
}

std::vector<std::string> callArgs(const std::string& self, const std::string& library,
                                  const Case& c) {
    if (c.viaTool) {
        const std::string build = fs::path(self).parent_path().parent_path().string();
        if (!c.objScene.empty()) return {build + "/tessaryn", "obj", c.objScene, c.buffer};
        if (!c.overScene.empty())
            return {build + "/tessaryn", "creases", c.text, c.overScene, "--over", c.buffer};
        return {build + "/tessaryn", "creases", c.text, c.buffer};
    }
    return {self, "call", library, c.command, c.text, "0", c.buffer};
}

int callOnce(char** argv) {
    library_loader::Library library;
    library_loader::Command command = library.load(argv[0]) ? library.find(argv[1]) : nullptr;
    if (command == nullptr) {
        std::fprintf(stderr, "%s: %s\n", argv[1], library.error().c_str());
        return 2;
    }
    std::vector<char> buffer(argv[4], argv[4] + std::string(argv[4]).size() + 1);
    buffer.resize(std::max<std::size_t>(buffer.size(), TESSARYN_NAME_BUFFER_SIZE));
    const float code =
        command(argv[2], std::atof(argv[3]), buffer.data(), static_cast<int>(buffer.size()));
    std::printf("%g\n", code);
    return code < 0 ? 1 : 0;
}

int floorOnce(int argc, char** argv) {
    std::string error;
    const std::vector<std::string> inputs(argv + 2, argv + argc);
    if (bench::writeDurableFloor(inputs, argv[0], std::strtoull(argv[1], nullptr, 10), error))
        return 0;
    std::fprintf(stderr, "floor: %s\n", error.c_str());
    return 1;
}

// The best (shortest) run of one side and the largest peak memory of its runs.
struct Side {
    double best = std::numeric_limits<double>::infinity();
    double peakMiB = 0;
    int failures = 0;

    void add(const Measure& m) {
        best = std::min(best, m.seconds);
        peakMiB = std::max(peakMiB, m.peakMiB);
        if (m.status != 0) ++failures;
    }
};

// One row: the command, cat and the durable floor in turn, `runs` times, after one
// call of the command that is not counted (it warms the cache and gives the size of
// the output the floor writes).
int measureCase(const std::string& self, const std::string& library, const Case& c, long quads,
                int runs) {
    prepare(c);
    const Measure warmUp = spawn(callArgs(self, library, c));
    if (!c.objScene.empty() && warmUp.status == 1) {
        // Refused: a format whose mesh this build does not read yet (the tool said why).
        std::printf("| %s | %ld | refused | | | | | | | |\n", c.command, quads);
        return 0;
    }
    if (warmUp.status != 0 || !fs::exists(c.buffer)) {
        std::fprintf(stderr, "%s on %ld quads failed\n", c.command, quads);
        return 1;
    }
    const std::uintmax_t outputBytes = fs::file_size(c.buffer);
    std::vector<std::string> cat = {"cat"};
    std::vector<std::string> floor = {self, "floor", c.buffer, std::to_string(outputBytes)};
    std::uintmax_t inputBytes = 0;
    for (const std::string& input : c.inputs) {
        cat.push_back(input);
        floor.push_back(input);
        inputBytes += fs::file_size(input);
    }
    Side command, cats, floors;
    for (int run = 0; run < runs; ++run) {
        cats.add(spawn(cat));
        floors.add(spawn(floor));
        prepare(c);
        command.add(spawn(callArgs(self, library, c)));
    }
    std::printf("| %s | %ld | %.0f | %.0f | %.3f | %.3f | %.3f | %.1f | %.2f | %.0f |\n", c.command,
                quads, megabytes(inputBytes), megabytes(outputBytes), command.best, cats.best,
                floors.best, command.best / cats.best, command.best / floors.best, command.peakMiB);
    std::fflush(stdout);
    const int failures = command.failures + cats.failures + floors.failures;
    if (failures > 0)
        std::fprintf(stderr, "%s on %ld quads: %d runs failed\n", c.command, quads, failures);
    return failures;
}

// Each command of the 32-bit build once under qemu-i386; peak memory is qemu's.
int measureX86(const std::string& x86, const BenchFiles& mesh, const std::string& work,
               long quads) {
    std::printf(
        "\n32-bit build under qemu-i386, %ld quads (one run each):\n\n"
        "| command | s | peak MiB (qemu) |\n|---|---|---|\n",
        quads);
    const std::string self86 = x86 + "/bench/tessaryn_bench";
    int failures = 0;
    for (const Case& c : cases(mesh, work)) {
        prepare(c);
        std::vector<std::string> args = callArgs(self86, x86 + "/libTessarynDLL.so", c);
        args.insert(args.begin(), "qemu-i386");
        const Measure m = spawn(args);
        if (m.status != 0) {
            std::fprintf(stderr, "%s in the 32-bit build failed\n", c.command);
            ++failures;
        }
        std::printf("| %s | %.2f | %.0f |\n", c.command, m.seconds, m.peakMiB);
    }
    return failures;
}

std::string temporaryFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/tessaryn-bench-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) return "";
    return pattern;
}

int runBenchmark(const bench::Options& options, const std::string& work) {
    const std::string self = fs::canonical("/proc/self/exe").string();
    const std::string library = fs::path(self).parent_path().parent_path().string() + "/" +
                                library_loader::kLibraryFileName;

    std::printf(
        "Best of %d runs of each side (the command, cat of its inputs, the durable "
        "floor), alternating; peak memory is the largest of the command's runs.\n\n",
        options.runs);
    std::printf(
        "| command | quads | input MB | output MB | s | cat s | floor s | x cat | "
        "x floor | peak MiB |\n|---|---|---|---|---|---|---|---|---|---|\n");
    int failures = 0;
    BenchFiles largest;
    long largestQuads = 0;
    for (long quads : options.sizes) {
        // At least two group patches a side, or GetCreases finds no border to crease.
        const int side =
            std::max(128, static_cast<int>(std::ceil(std::sqrt(double(quads)) / 64)) * 64);
        const BenchFiles mesh = {bench::generateTorus(work, side, side),
                                 bench::generateTorusLayer(work, side, side),
                                 bench::generateTorusCrateLayers(work, side, side)};
        largest = mesh;
        largestQuads = static_cast<long>(side) * side;
        for (const Case& c : cases(mesh, work)) {
            if (std::string(c.command).compare(0, options.only.size(), options.only) != 0)
                continue;
            failures += measureCase(self, library, c, largestQuads, options.runs);
        }
    }
    if (!options.x86.empty()) failures += measureX86(options.x86, largest, work, largestQuads);
    for (const char* name :
         {"/out.ma", "/out-maya.ma", "/out.usda", "/over.usda", "/out.vyx", "/out.obj", "/mesh-out.obj",
          "/target.obj"})
        fs::remove(work + name);
    if (failures > 0) std::printf("\n%d runs failed\n", failures);
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 7 && std::string(argv[1]) == "call") return callOnce(argv + 2);
    if (argc >= 5 && std::string(argv[1]) == "floor") return floorOnce(argc - 2, argv + 2);

    bench::Options options;
    std::string error;
    if (!bench::parseOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::fprintf(stderr, "tessaryn_bench: %s\n%s", error.c_str(), bench::kUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(bench::kUsage, stdout);
        return 0;
    }
    const bool temporary = options.work.empty();
    const std::string work = temporary ? temporaryFolder() : options.work;
    if (work.empty()) {
        std::perror("tessaryn_bench: cannot make a temporary folder");
        return 1;
    }
    int status = 1;
    try {
        fs::create_directories(work);
        status = runBenchmark(options, work);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "tessaryn_bench: %s\n", failure.what());
    }
    std::error_code ignored;
    if (temporary) fs::remove_all(work, ignored);
    return status;
}
