#include "tools/library_loader.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace library_loader {

namespace {

// Looking up an export without a library would search the whole process instead.
Command notLoaded(std::string& error) {
    error = "the library is not loaded";
    return nullptr;
}

}  // namespace

#if defined(_WIN32)
const char* const kLibraryFileName = "TessarynDLL.dll";

namespace {

// The system's sentence for the last error, without the line break it ends with.
std::string lastErrorMessage() {
    const DWORD code = GetLastError();
    char text[512] = {};
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' ||
                          text[length - 1] == ' ' || text[length - 1] == '.')) {
        --length;
    }
    if (length == 0) return "error " + std::to_string(code);
    return std::string(text, length) + " (error " + std::to_string(code) + ")";
}

}  // namespace

bool Library::load(const std::string& path) {
    handle_ = LoadLibraryA(path.c_str());
    error_ = handle_ == nullptr ? lastErrorMessage() : std::string();
    return handle_ != nullptr;
}

Command Library::find(const char* name) {
    if (handle_ == nullptr) return notLoaded(error_);
    FARPROC symbol = GetProcAddress(static_cast<HMODULE>(handle_), name);
    error_ = symbol == nullptr ? lastErrorMessage() : std::string();
    return reinterpret_cast<Command>(reinterpret_cast<void*>(symbol));
}

#else
const char* const kLibraryFileName = "libTessarynDLL.so";

namespace {

std::string loaderMessage() {
    const char* message = dlerror();
    return message != nullptr ? message : "the loader gave no reason";
}

}  // namespace

bool Library::load(const std::string& path) {
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    error_ = handle_ == nullptr ? loaderMessage() : std::string();
    return handle_ != nullptr;
}

Command Library::find(const char* name) {
    if (handle_ == nullptr) return notLoaded(error_);
    dlerror();  // a null export is only an error when dlerror says so afterwards
    void* symbol = dlsym(handle_, name);
    error_ = symbol == nullptr ? loaderMessage() : std::string();
    return reinterpret_cast<Command>(symbol);
}
#endif

}  // namespace library_loader
