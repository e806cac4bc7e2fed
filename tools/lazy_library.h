// The library, loaded the first time a command needs it: subcommands that never call
// it (dump, misuse, a Maya scene's creases) run without it.
#pragma once

#include <string>

#include "tools/library_loader.h"

namespace tool {

class LazyLibrary {
public:
    explicit LazyLibrary(std::string path) : path_(std::move(path)) {}
    // Null, with error() saying why, when it cannot be loaded.
    library_loader::Library* get() {
        if (!tried_) {
            loaded_ = library_.load(path_);
            tried_ = true;
        }
        return loaded_ ? &library_ : nullptr;
    }
    const std::string& path() const { return path_; }
    const std::string& error() const { return library_.error(); }

private:
    std::string path_;
    library_loader::Library library_;
    bool tried_ = false;
    bool loaded_ = false;
};

}  // namespace tool
