#include <dirent.h>

#include <cstring>
#include <new>

#include "folder/folder_enumeration.h"

namespace tessaryn {

// Names on POSIX systems are 8-bit text already; there is no short alternative name.
struct Enumeration {
    DIR* folder = nullptr;
    const dirent* entry = nullptr;
};

Enumeration* startEnumeration(const char* path) {
    DIR* folder = opendir(path);
    if (folder == nullptr) return nullptr;
    const dirent* first = readdir(folder);
    if (first == nullptr) {
        closedir(folder);
        return nullptr;
    }
    auto* enumeration = new (std::nothrow) Enumeration{folder, first};
    if (enumeration == nullptr) closedir(folder);
    return enumeration;
}

bool fetchNextEntry(Enumeration* enumeration) {
    enumeration->entry = readdir(enumeration->folder);
    return enumeration->entry != nullptr;
}

void entryName(const Enumeration* enumeration, char (&name)[kEntryNameSize]) {
    const char* found = enumeration->entry->d_name;
    std::size_t length = std::strlen(found);
    if (length >= kEntryNameSize) {
        found = "?";
        length = 1;
    }
    std::memcpy(name, found, length + 1);
}

void endEnumeration(Enumeration* enumeration) {
    closedir(enumeration->folder);
    delete enumeration;
}

}  // namespace tessaryn
