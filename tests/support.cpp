#include "support.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "tools/library_loader.h"

#if defined(_WIN32)
#include <process.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace testing_support {

namespace {

long processId() {
#if defined(_WIN32)
    return _getpid();
#else
    return static_cast<long>(getpid());
#endif
}

// Where the test folders go. A run's fsyncs wait on the disk, which makes up much of the
// time of the cases that write large files: on Linux, /dev/shm (memory, where a sync
// costs nothing) takes them unless TMPDIR names a place of its own, or it is too small
// for the suite's files (some containers give it 64 MB). The writes, renames and syncs
// are the same calls there; only the waits go.
fs::path testFolderBase() {
#if !defined(_WIN32)
    std::error_code error;
    const fs::space_info room = fs::space("/dev/shm", error);
    if (std::getenv("TMPDIR") == nullptr && !error && room.available >= (std::uintmax_t{1} << 30) &&
        access("/dev/shm", W_OK | X_OK) == 0)
        return "/dev/shm";
#endif
    return fs::temp_directory_path();
}

}  // namespace

// Paths baked in at build time are host paths; a Windows build run under wine reaches
// them through its Z: drive.
std::string hostPath(const std::string& path) {
#if defined(_WIN32)
    if (!path.empty() && path[0] == '/') return "Z:" + path;
#endif
    return path;
}

// Named by the process and a count within it, so that test programs running side by side
// (`ctest -j2` starts one per test case) never meet in one folder. A folder of that name
// left by an earlier process of the same number is passed over, never reused.
TempFolder::TempFolder() {
    static unsigned made = 0;
    const fs::path base = testFolderBase();
    const std::string prefix = "tessaryn-test-" + std::to_string(processId()) + "-";
    for (int attempt = 0; attempt < 1000; ++attempt) {
        fs::path candidate = base / (prefix + std::to_string(made++));
        if (fs::create_directory(candidate)) {
            path_ = candidate.generic_string();
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary folder");
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(path_, ignored)) {
        fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(path_, ignored);
}

std::vector<std::string> TempFolder::entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path_))
        names.push_back(entry.path().filename().string());
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
    std::error_code error;
    return fs::symlink_status(path, error).type() != fs::file_type::not_found && !error;
}

void makeFolder(const std::string& path) {
    if (!fs::create_directory(path)) throw std::runtime_error("cannot make " + path);
}

void setReadOnly(const std::string& path, bool readOnly) {
    const fs::perms write =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    fs::permissions(path, write, readOnly ? fs::perm_options::remove : fs::perm_options::add);
}

std::string realDataPath(const std::string& name) {
    return hostPath(std::string(TESSARYN_REAL_DATA) + "/" + name);
}

std::string examplePath(const std::string& name) {
    return hostPath(std::string(TESSARYN_EXAMPLES) + "/" + name);
}

InMemory::InMemory(std::string_view bytes) : block(new char[bytes.size()]) {
    std::copy(bytes.begin(), bytes.end(), block.get());
    source.openMemory(std::string_view(block.get(), bytes.size()));
    lines.open(source);
}

std::string crlfLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

std::string toCrlf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

Command command(const char* name) {
    static library_loader::Library library;
    static const bool loaded = library.load(hostPath(TESSARYN_LIBRARY_PATH));
    if (!loaded) {
        throw std::runtime_error("cannot load " + hostPath(TESSARYN_LIBRARY_PATH) + ": " +
                                 library.error());
    }
    Command found = library.find(name);
    if (found == nullptr)
        throw std::runtime_error(std::string("no export ") + name + ": " + library.error());
    return found;
}

float call(const char* name, const char* text, double number, const std::string& second) {
    std::vector<char> buffer(std::max<std::size_t>(TESSARYN_NAME_BUFFER_SIZE, second.size() + 1),
                             '\0');
    std::copy(second.begin(), second.end(), buffer.begin());
    return command(name)(text, number, buffer.data(), static_cast<int>(buffer.size()));
}

FileCall callOnFiles(const char* name, const std::string& text,
                     const std::optional<std::string>& buffer, double number) {
    TempFolder folder;
    writeFile(folder / "text", text);
    if (buffer) writeFile(folder / "buffer", *buffer);
    FileCall result;
    result.code = call(name, (folder / "text").c_str(), number, folder / "buffer");
    result.text = fileExists(folder / "text") ? readFile(folder / "text") : "";
    result.buffer = fileExists(folder / "buffer") ? readFile(folder / "buffer") : "";
    result.entries = folder.entries();
    return result;
}

std::optional<std::string> unlessEmpty(const std::string& bytes) {
    if (bytes.empty()) return std::nullopt;
    return bytes;
}

}  // namespace testing_support
