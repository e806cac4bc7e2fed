#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "folder/folder_enumeration.h"

namespace tessaryn {

struct Enumeration {
    HANDLE search = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW found{};
};

namespace {

// Converts a wide name into `name` under the current C locale; false when it has no
// 8-bit form or does not fit.
bool toNarrow(const wchar_t* wide, char (&name)[kEntryNameSize]) {
    // _TRUNCATE makes a name that does not fit an error (STRUNCATE), never a cut name.
    std::size_t converted = 0;
    return wide[0] != L'\0' && wcstombs_s(&converted, name, kEntryNameSize, wide, _TRUNCATE) == 0;
}

}  // namespace

Enumeration* startEnumeration(const char* path) {
    wchar_t widePath[kEntryNameSize];
    std::size_t converted = 0;
    if (mbstowcs_s(&converted, widePath, kEntryNameSize, path, _TRUNCATE) != 0) {
        return nullptr;
    }
    wchar_t full[MAX_PATH + 2];
    DWORD length = GetFullPathNameW(widePath, MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    // The pattern for every entry: a backslash unless the path ends in one, a slash or a
    // colon, then an asterisk.
    wchar_t last = full[length - 1];
    if (last != L'\\' && last != L'/' && last != L':') full[length++] = L'\\';
    full[length++] = L'*';
    full[length] = L'\0';
    auto* enumeration = new (std::nothrow) Enumeration;
    if (enumeration == nullptr) return nullptr;
    enumeration->search = FindFirstFileW(full, &enumeration->found);
    if (enumeration->search == INVALID_HANDLE_VALUE) {
        delete enumeration;
        return nullptr;
    }
    return enumeration;
}

bool fetchNextEntry(Enumeration* enumeration) {
    return FindNextFileW(enumeration->search, &enumeration->found) != 0;
}

void entryName(const Enumeration* enumeration, char (&name)[kEntryNameSize]) {
    if (toNarrow(enumeration->found.cFileName, name)) return;
    if (toNarrow(enumeration->found.cAlternateFileName, name)) return;
    std::memcpy(name, "?", 2);
}

void endEnumeration(Enumeration* enumeration) {
    FindClose(enumeration->search);
    delete enumeration;
}

}  // namespace tessaryn
