// tessaryn: the library's commands from a shell. It loads the library and calls its
// exports by name, exactly as the host application does, and says in one sentence
// what the result code means. Exit status 0 on success, 1 on failure, 2 on misuse.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "crease/maya_creases.h"
#include "tessaryn.h"
#include "tools/maya_creases_tool.h"
#include "tools/vyx_dump.h"

namespace {

using Command = float(TESSARYN_CALL*)(const char*, double, char*, int);

const char* const kUsage =
    "usage: tessaryn [--library PATH] COMMAND ARGUMENTS\n"
    "  version                            the library's version number\n"
    "  creases OBJ SCENE [--smoothing] [--node NAME] [--value V]\n"
    "                                     group-border edges of OBJ as creases in SCENE\n"
    "  vyx OBJ VYX [--smoothing]          OBJ as a Vyx file with crease flags\n"
    "  dump VYX                           show what a Vyx file holds\n"
    "  smooth-to-groups IN OUT            IN with smoothing groups as groups, into OUT\n"
    "  swap-vertices SOURCE TARGET        TARGET gets the vertex positions of SOURCE\n"
    "  ls FOLDER                          list the entries of FOLDER\n"
    "  rm FILE                            delete FILE\n"
    "  sweep FOLDER [--yes]               delete the files in FOLDER whose names have an "
    "extension\n";

class Library {
public:
    bool load(const std::string& path) {
#if defined(_WIN32)
        handle_ = LoadLibraryA(path.c_str());
#else
        handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
        return handle_ != nullptr;
    }
    Command find(const char* name) const {
#if defined(_WIN32)
        return reinterpret_cast<Command>(
            reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name)));
#else
        return reinterpret_cast<Command>(dlsym(handle_, name));
#endif
    }

private:
    void* handle_ = nullptr;
};

std::string libraryBesideTool(const char* argv0) {
#if defined(_WIN32)
    const char* name = "TessarynDLL.dll";
#else
    const char* name = "libTessarynDLL.so";
#endif
    std::string tool(argv0);
    std::string::size_type slash = tool.find_last_of("/\\");
    return slash == std::string::npos ? std::string("./") + name : tool.substr(0, slash + 1) + name;
}

// Calls a command with `second` in a writable, NUL-terminated buffer, as the host does.
float call(Command command, const std::string& text, double number, const std::string& second) {
    if (command == nullptr) {
        std::fputs("the library does not have this command\n", stderr);
        std::exit(1);
    }
    std::vector<char> buffer(second.begin(), second.end());
    buffer.resize(second.size() < 260 ? 260 : second.size() + 1, '\0');
    return command(text.c_str(), number, buffer.data(), static_cast<int>(buffer.size()));
}

int say(bool ok, const std::string& sentence) {
    std::fprintf(ok ? stdout : stderr, "%s\n", sentence.c_str());
    return ok ? 0 : 1;
}

std::string wholeNumber(float value) {
    return std::to_string(static_cast<long long>(value));
}

// The sentence for a failure that any command may report, or for a code it should not.
int sayFailure(float code) {
    if (code == TESSARYN_UNEXPECTED) return say(false, "out of memory; nothing was changed");
    return say(false, "unexpected result code " + std::to_string(code));
}

MayaCreaseOptions mayaOptions;  // --node and --value of `creases`

int creases(const Library& library, const std::vector<std::string>& args, bool smoothing) {
    const std::string& obj = args[0];
    const std::string& scene = args[1];
    // Scenes as Maya saved them have no placeholder line; the host's own scenes go
    // through GetCreases, as the host calls it.
    bool hostScene = false;
    if (!tessaryn::readHoldsHostPlaceholder(scene.c_str(), hostScene)) {
        return say(false, "cannot read " + scene + "; nothing changed");
    }
    if (!hostScene) return creasesIntoMayaScene(obj, scene, smoothing, mayaOptions);
    if (mayaOptions.given) {
        return say(false, "--node and --value are for scenes as Maya saved them; " + scene +
                              " is a host scene with the crease placeholder; nothing changed");
    }
    float code = call(library.find("GetCreases"), obj, smoothing ? 1.0 : 0.0, scene);
    if (code >= 1.0f) {
        return say(true, "host scene: " + wholeNumber(code) +
                             (smoothing ? " smoothing groups" : " groups") +
                             "; creases written to " + scene);
    }
    if (code == TESSARYN_FAILED) return say(false, "cannot read " + obj + " or " + scene);
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

int vyxFile(const Library& library, const std::vector<std::string>& args, bool smoothing) {
    const std::string& obj = args[0];
    const std::string& out = args[1];
    float code = call(library.find("GetCreasesVyx"), obj, smoothing ? 1.0 : 0.0, out);
    if (code >= 0.0f) {
        return say(true, wholeNumber(code) + (smoothing ? " smoothing groups" : " groups") + "; " +
                             out + " written");
    }
    if (code == TESSARYN_FAILED) return say(false, "cannot read " + obj);
    if (code == TESSARYN_BAD_INDEX) {
        return say(false, obj +
                              " has a face that names a vertex or texture coordinate it does "
                              "not have; nothing written");
    }
    if (code == TESSARYN_VYX_CANNOT_WRITE)
        return say(false, "cannot write " + out + "; nothing written");
    return sayFailure(code);
}

int dump(const Library&, const std::vector<std::string>& args, bool) {
    return dumpVyx(args[0]);
}

int smoothToGroups(const Library& library, const std::vector<std::string>& args, bool) {
    float code = call(library.find("SmoothtoGroupOBJ"), args[0], 0.0, args[1]);
    if (code == TESSARYN_OK) return say(true, args[1] + " written with smoothing groups as groups");
    if (code == TESSARYN_FAILED) return say(false, "cannot read " + args[0] + "; nothing written");
    if (code == TESSARYN_CANNOT_WRITE)
        return say(false, "cannot write " + args[1] + "; it is unchanged");
    return sayFailure(code);
}

int swapVertices(const Library& library, const std::vector<std::string>& args, bool) {
    float code = call(library.find("SwapVertices"), args[0], 0.0, args[1]);
    if (code == TESSARYN_OK)
        return say(true, args[1] + " now has the vertex positions of " + args[0]);
    if (code == TESSARYN_FAILED) {
        return say(false,
                   "not swapped: a file cannot be read or written, a file has no vertex "
                   "positions, the counts differ, or " +
                       args[1] + " holds nothing but positions and comments; nothing changed");
    }
    return sayFailure(code);
}

int list(const Library& library, const std::vector<std::string>& args, bool) {
    if (call(library.find("OpenFolder"), args[0], 0.0, "") != TESSARYN_OK) {
        return say(false, "cannot list " + args[0]);
    }
    Command getFile = library.find("GetFile");
    std::vector<char> name(260, '\0');
    while (getFile != nullptr && getFile("", 0.0, name.data(), 260) == TESSARYN_OK) {
        std::printf("%s\n", name.data());
    }
    call(library.find("CloseFolder"), "", 0.0, "");
    return 0;
}

int remove(const Library& library, const std::vector<std::string>& args, bool) {
    if (call(library.find("FileDelete"), args[0], 0.0, "") == TESSARYN_OK) {
        return say(true, args[0] + " deleted");
    }
    return say(false, "cannot delete " + args[0]);
}

int sweep(const Library& library, const std::vector<std::string>& args, bool confirmed) {
    if (!confirmed) {
        std::fprintf(stderr, "Delete every file in %s whose name has an extension? [y/N] ",
                     args[0].c_str());
        char answer[16] = {};
        if (std::fgets(answer, sizeof answer, stdin) == nullptr ||
            (answer[0] != 'y' && answer[0] != 'Y')) {
            return say(false, "nothing deleted");
        }
    }
    if (call(library.find("EmptyFolder"), args[0], 0.0, "") == TESSARYN_OK) {
        return say(true, "files with an extension deleted from " + args[0]);
    }
    return say(false, "cannot list " + args[0] + "; nothing deleted");
}

struct Subcommand {
    const char* name;
    std::size_t arguments;
    const char* option;  // the one flag it takes, or nullptr
    int (*run)(const Library&, const std::vector<std::string>&, bool);
};

int version(const Library& library, const std::vector<std::string>&, bool) {
    float code = call(library.find("Version"), "", 0.0, "");
    return say(true, "TessarynDLL version " + wholeNumber(code));
}

const Subcommand kSubcommands[] = {
    {"version", 0, nullptr, version},
    {"creases", 2, "--smoothing", creases},
    {"vyx", 2, "--smoothing", vyxFile},
    {"dump", 1, nullptr, dump},
    {"smooth-to-groups", 2, nullptr, smoothToGroups},
    {"swap-vertices", 2, nullptr, swapVertices},
    {"ls", 1, nullptr, list},
    {"rm", 1, nullptr, remove},
    {"sweep", 1, "--yes", sweep},
};

int usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> words(argv + 1, argv + argc);
    std::string libraryPath = libraryBesideTool(argv[0]);
    if (words.size() >= 2 && words[0] == "--library") {
        libraryPath = words[1];
        words.erase(words.begin(), words.begin() + 2);
    }
    if (words.empty()) return usage();
    if (words[0] == "creases" && !takeMayaCreaseOptions(words, mayaOptions)) return usage();

    for (const Subcommand& subcommand : kSubcommands) {
        if (words[0] != subcommand.name) continue;
        std::vector<std::string> args;
        bool flag = false;
        for (std::size_t i = 1; i < words.size(); ++i) {
            if (subcommand.option != nullptr && words[i] == subcommand.option) {
                flag = true;
            } else {
                args.push_back(words[i]);
            }
        }
        if (args.size() != subcommand.arguments) return usage();
        Library library;
        if (!library.load(libraryPath)) {
            return say(false, "cannot load the library " + libraryPath);
        }
        return subcommand.run(library, args, flag);
    }
    return usage();
}
