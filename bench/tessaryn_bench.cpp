// tessaryn_bench: every file command of the library on generated meshes of growing size,
// each call in a process of its own, against `cat` of the same input files.
//
//   tessaryn_bench [--sizes 250000,1000000,4000000] [--runs 5] [--work DIR] [--x86 BUILD]
//   tessaryn_bench call LIBRARY COMMAND TEXT NUMBER BUFFER
//
// The first form prints a Markdown table: median wall time, MB/s of input, the ratio to
// cat (measured alternately with the command, in the same run) and peak memory. With
// --x86 it also runs every command of the 32-bit build (BUILD/libTessarynDLL.so) under
// qemu-i386 on the largest mesh; peak memory is then qemu's, an upper bound.
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "mesh_generator.h"
#include "tools/library_loader.h"

namespace {

struct Measure {
    double seconds = 0;
    double peakMiB = 0;
    int status = 0;
};

// Runs argv in a child process with its standard output sent to /dev/null.
Measure spawn(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::fflush(stdout);  // or the child would print what is still buffered
    auto start = std::chrono::steady_clock::now();
    pid_t child = fork();
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
    m.peakMiB = usage.ru_maxrss / 1024.0;
    m.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    return m;
}

double fileMB(const std::string& path) {
    return std::filesystem::file_size(path) / 1e6;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Case {
    const char* command;
    std::string text;
    std::string buffer;
    std::string copyFrom;  // copied to `buffer` before each run, or empty
    std::vector<std::string> inputs;
    bool viaTool = false;  // `tessaryn creases`, for the scene as Maya writes it
};

std::vector<Case> cases(const bench::MeshFiles& mesh, const std::string& work) {
    return {
        {"GetCreases", mesh.obj, work + "/out.ma", mesh.scene, {mesh.obj, mesh.scene}},
        {"GetCreasesVyx", mesh.obj, work + "/out.vyx", "", {mesh.obj}},
        {"SmoothtoGroupOBJ", mesh.obj, work + "/out.obj", "", {mesh.obj}},
        {"SwapVertices", mesh.obj, work + "/target.obj", mesh.obj, {mesh.obj, mesh.obj}},
        {"creases (Maya scene)",
         mesh.obj,
         work + "/out-maya.ma",
         mesh.mayaScene,
         {mesh.obj, mesh.mayaScene},
         true},
    };
}

std::vector<std::string> callArgs(const std::string& self, const std::string& library,
                                  const Case& c) {
    if (c.viaTool) {
        const std::string build = std::filesystem::path(self).parent_path().parent_path().string();
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
    float code =
        command(argv[2], std::atof(argv[3]), buffer.data(), static_cast<int>(buffer.size()));
    std::printf("%g\n", code);
    return code < 0 ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 7 && std::string(argv[1]) == "call") return callOnce(argv + 2);

    std::vector<long> sizes = {250000, 1000000, 4000000};
    int runs = 5;
    std::string work = "bench-work";
    std::string x86;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string flag = argv[i];
        if (flag == "--sizes") {
            sizes.clear();
            for (std::string list = argv[i + 1]; !list.empty();) {
                sizes.push_back(std::stol(list));
                std::size_t comma = list.find(',');
                list = comma == std::string::npos ? "" : list.substr(comma + 1);
            }
        } else if (flag == "--runs") {
            runs = std::max(1, std::atoi(argv[i + 1]));
        } else if (flag == "--work") {
            work = argv[i + 1];
        } else if (flag == "--x86") {
            x86 = argv[i + 1];
        }
    }
    std::filesystem::create_directories(work);
    const std::string self = std::filesystem::canonical("/proc/self/exe").string();
    const std::string library = std::filesystem::path(self).parent_path().parent_path().string() +
                                "/" + library_loader::kLibraryFileName;

    std::printf("| command | quads | input MB | median s | MB/s | cat s | x cat | peak MiB |\n");
    std::printf("|---|---|---|---|---|---|---|---|\n");
    int failures = 0;
    bench::MeshFiles largest;
    for (long quads : sizes) {
        int side = std::max(64, static_cast<int>(std::ceil(std::sqrt(double(quads)) / 64)) * 64);
        bench::MeshFiles mesh = bench::generateTorus(work, side, side);
        largest = mesh;
        for (const Case& c : cases(mesh, work)) {
            std::vector<std::string> cat = {"cat"};
            double inputMB = 0;
            for (const std::string& input : c.inputs) {
                cat.push_back(input);
                inputMB += fileMB(input);
            }
            std::vector<double> times, catTimes;
            double peak = 0;
            for (int run = 0; run < runs; ++run) {
                if (!c.copyFrom.empty())
                    std::filesystem::copy_file(c.copyFrom, c.buffer,
                                               std::filesystem::copy_options::overwrite_existing);
                catTimes.push_back(spawn(cat).seconds);
                Measure m = spawn(callArgs(self, library, c));
                if (m.status != 0) {
                    std::fprintf(stderr, "%s on %ld quads failed in run %d\n", c.command,
                                 static_cast<long>(side) * side, run + 1);
                    ++failures;
                }
                times.push_back(m.seconds);
                peak = std::max(peak, m.peakMiB);
            }
            double t = median(times), tc = median(catTimes);
            std::printf("| %s | %ld | %.0f | %.3f | %.0f | %.3f | %.1f | %.0f |\n", c.command,
                        static_cast<long>(side) * side, inputMB, t, inputMB / t, tc, t / tc, peak);
            std::fflush(stdout);
        }
    }
    if (!x86.empty()) {
        std::printf(
            "\n32-bit build under qemu-i386, %s:\n\n| command | s | peak MiB (qemu) "
            "|\n|---|---|---|\n",
            largest.obj.c_str());
        const std::string self86 = x86 + "/bench/tessaryn_bench";
        for (const Case& c : cases(largest, work)) {
            if (!c.copyFrom.empty())
                std::filesystem::copy_file(c.copyFrom, c.buffer,
                                           std::filesystem::copy_options::overwrite_existing);
            std::vector<std::string> args = callArgs(self86, x86 + "/libTessarynDLL.so", c);
            args.insert(args.begin(), "qemu-i386");
            Measure m = spawn(args);
            if (m.status != 0) {
                std::fprintf(stderr, "%s in the 32-bit build failed\n", c.command);
                ++failures;
            }
            std::printf("| %s | %.2f | %.0f |\n", c.command, m.seconds, m.peakMiB);
        }
    }
    for (const char* name : {"/out.ma", "/out-maya.ma", "/out.vyx", "/out.obj", "/target.obj"})
        std::filesystem::remove(work + name);
    if (failures > 0) std::printf("\n%d calls failed\n", failures);
    return failures == 0 ? 0 : 1;
}
