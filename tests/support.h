// What the tests share: temporary folders, whole-file reading and writing, and the
// built library loaded the way the host loads it. Portable to the Windows builds.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_source.h"
#include "base/line_reader.h"
#include "tools/library_loader.h"

namespace testing_support {

using Command = library_loader::Command;

// A fresh folder, removed with everything in it when the object goes.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }
    // The path of `name` inside the folder.
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    // Names of everything inside, sorted.
    std::vector<std::string> entries() const;

private:
    std::string path_;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
bool fileExists(const std::string& path);
void makeFolder(const std::string& path);
// Read-only as the system knows it (no write bits; the read-only attribute on Windows).
void setReadOnly(const std::string& path, bool readOnly);

// The path of a real file written by another tool, in tests/real (see SOURCES.md there).
std::string realDataPath(const std::string& name);
std::string examplePath(const std::string& name);
// A path fixed at build time, as this build reaches it (under wine, through drive Z:).
std::string hostPath(const std::string& path);

// A copy of `bytes` in a heap block of exactly their size, a memory source on it and a
// line reader opened on that: the readers read the block where it lies, so the address
// sanitizer sees any read past its end.
struct InMemory {
    explicit InMemory(std::string_view bytes);
    InMemory(const InMemory&) = delete;
    InMemory& operator=(const InMemory&) = delete;

    std::unique_ptr<char[]> block;
    tessaryn::ByteSource source;
    tessaryn::LineReader lines;
};

// Joins lines, each followed by CR LF, as the library writes text files.
std::string crlfLines(const std::vector<std::string>& lines);
// The text with every LF preceded by a CR.
std::string toCrlf(const std::string& text);

// A command of the built library, looked up by name in the loaded library.
Command command(const char* name);

// What a call on files left in its folder.
struct FileCall {
    float code = 0;
    std::string text;    // the `text` file afterwards
    std::string buffer;  // the `buffer` file afterwards, "" when there is none
    std::vector<std::string> entries;
};

// Calls the command `name` as the host does, in a fresh folder, on the file "text" holding
// `text` and, when `buffer` is given, the file "buffer" holding it.
FileCall callOnFiles(const char* name, const std::string& text,
                     const std::optional<std::string>& buffer, double number = 0);

// `bytes` as a buffer file's contents, none when it is empty.
std::optional<std::string> unlessEmpty(const std::string& bytes);

// A cube in eight vertices and six quads whose top face alone is in group "top".
inline const std::string kCubeObj =
    "v 0 0 1\nv 1 0 1\nv 0 1 1\nv 1 1 1\nv 0 1 0\nv 1 1 0\nv 0 0 0\nv 1 0 0\n"
    "g sides\nf 1 2 4 3\ng top\nf 3 4 6 5\ng sides\nf 5 6 8 7\nf 7 8 2 1\nf 2 8 6 4\nf 7 1 3 5\n";

// The line a scene holds where the crease list is to go.
inline const std::string kPlaceholder =
    "  \tsetAttr \".cd\" -type \"dataPolyComponent\" Index_Data Edge 0";

// Calls a command with `second` in a buffer of at least TESSARYN_NAME_BUFFER_SIZE
// bytes, as the host does.
float call(const char* name, const char* text, double number, const std::string& second);

}  // namespace testing_support
