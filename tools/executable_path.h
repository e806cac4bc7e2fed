// Where the running tool is, so that it finds the library installed beside it however
// it was started: by a full path, through a symbolic link, or by name from PATH.
#pragma once

#include <string>

namespace library_loader {

// The running executable's path with symbolic links resolved, as the system reports it;
// where it cannot (Linux without /proc), `argv0` as the shell found it. Empty when
// neither tells.
std::string runningExecutable(const char* argv0);

#if !defined(_WIN32)
// `argv0` as a shell resolves it: a name with a slash stands as it is, a bare name is
// looked up in each folder of `searchPath` (PATH's form: folders separated by colons,
// an empty one meaning the current folder). Links resolved; empty when not found.
std::string executableFromArgument(const std::string& argv0, const std::string& searchPath);
#endif

// The library's path beside the executable `executable`; the bare file name when the
// executable is unknown, so that the system's own search for libraries applies.
std::string libraryBeside(const std::string& executable);

// The library the tool loads: the one beside the executable where there is one, else the
// one an install puts in the `lib` folder beside the executable's `bin` folder
// (PREFIX/bin/tessaryn, PREFIX/lib/libTessarynDLL.so); the path beside it when neither is
// there, so that the loader's refusal names the first place looked at.
std::string libraryFor(const std::string& executable);

}  // namespace library_loader
