// What the tests share: temporary folders, whole-file reading and writing, and the
// built library loaded the way the host loads it.
#pragma once

#include <string>
#include <vector>

#include "tessaryn.h"

namespace testing_support {

using Command = float(TESSARYN_CALL*)(const char*, double, char*, int);

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
// The path of a real file written by another tool; empty when the real files are not
// there (the test then skips).
std::string realDataPath(const std::string& name);

// Joins lines, each followed by CR LF, as the library writes text files.
std::string crlfLines(const std::vector<std::string>& lines);

// A command of the built library, looked up by name in the loaded library.
Command command(const char* name);

// Calls a command with `second` in a 260-byte buffer, as the host does.
float call(const char* name, const char* text, double number, const std::string& second);

}  // namespace testing_support
