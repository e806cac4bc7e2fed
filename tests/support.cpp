#include "support.h"

#include <dirent.h>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testing_support {

namespace {

void removeTree(const std::string& path) {
    struct stat facts {};
    if (lstat(path.c_str(), &facts) != 0) return;
    if (S_ISDIR(facts.st_mode)) {
        chmod(path.c_str(), 0700);
        if (DIR* folder = opendir(path.c_str())) {
            while (dirent* entry = readdir(folder)) {
                std::string name = entry->d_name;
                if (name != "." && name != "..") removeTree(path + "/" + name);
            }
            closedir(folder);
        }
        rmdir(path.c_str());
    } else {
        unlink(path.c_str());
    }
}

}  // namespace

TempFolder::TempFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/tessaryn-test-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = name.data();
}

TempFolder::~TempFolder() { removeTree(path_); }

std::vector<std::string> TempFolder::entries() const {
    std::vector<std::string> names;
    if (DIR* folder = opendir(path_.c_str())) {
        while (dirent* entry = readdir(folder)) {
            std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        closedir(folder);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out) throw std::runtime_error("cannot write " + path);
}

bool fileExists(const std::string& path) {
    struct stat facts {};
    return lstat(path.c_str(), &facts) == 0;
}

std::string realDataPath(const std::string& name) {
    const std::string folder = TESSARYN_REAL_DATA;
    return folder.empty() ? folder : folder + "/" + name;
}

std::string crlfLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

Command command(const char* name) {
    static void* library = dlopen(TESSARYN_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) throw std::runtime_error(std::string("dlopen: ") + dlerror());
    void* symbol = dlsym(library, name);
    if (symbol == nullptr) throw std::runtime_error(std::string("no export ") + name);
    return reinterpret_cast<Command>(symbol);
}

float call(const char* name, const char* text, double number, const std::string& second) {
    std::vector<char> buffer(std::max<std::size_t>(260, second.size() + 1), '\0');
    std::copy(second.begin(), second.end(), buffer.begin());
    return command(name)(text, number, buffer.data(), static_cast<int>(buffer.size()));
}

}  // namespace testing_support
