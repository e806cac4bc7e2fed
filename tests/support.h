// What the tests share: temporary folders, whole-file reading and writing, and the
// built library loaded the way the host loads it. Portable to the Windows builds.
#pragma once

#include <string>
#include <vector>

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

// The path of a real file written by another tool; empty when the real files are not
// there (the test then skips).
std::string realDataPath(const std::string& name);
std::string examplePath(const std::string& name);
// A path fixed at build time, as this build reaches it (under wine, through drive Z:).
std::string hostPath(const std::string& path);

// Joins lines, each followed by CR LF, as the library writes text files.
std::string crlfLines(const std::vector<std::string>& lines);
// The text with every LF preceded by a CR.
std::string toCrlf(const std::string& text);

// A command of the built library, looked up by name in the loaded library.
Command command(const char* name);

// Calls a command with `second` in a 260-byte buffer, as the host does.
float call(const char* name, const char* text, double number, const std::string& second);

}  // namespace testing_support
