// What reading a crate layer or a package reports: a problem kind the caller turns into
// its sentence, with the detail that sentence needs (a version, what is damaged), and the
// warnings of a read that went ahead anyway.
#pragma once

#include <string>
#include <utility>

namespace tessaryn {

enum class CrateProblem {
    None,
    Unreadable,          // the file could not be read (the disk, not the data)
    NotCrate,            // no PXR-USDC bootstrap
    UnsupportedVersion,  // detail: the version, "0.2.0"
    UnknownType,         // a newer version's value type where a needed value lies
    Damaged,             // detail: what is damaged, "the PATHS section"
    NotPackage,          // no zip local header at the start
    CompressedEntry,     // detail: the entry's name
    NoLayerEntry,        // the package's first entry is no USD layer
    BadEntryName,        // detail: the entry's name
};

struct CrateResult {
    CrateProblem problem = CrateProblem::None;
    std::string detail;

    bool ok() const { return problem == CrateProblem::None; }
};

inline CrateResult crateProblem(CrateProblem problem, std::string detail = {}) {
    return CrateResult{problem, std::move(detail)};
}

inline CrateResult crateDamaged(std::string what) {
    return CrateResult{CrateProblem::Damaged, std::move(what)};
}

enum class CrateWarningKind {
    NewerVersion,    // detail: the version, read as the newest known one
    MisalignedData,  // a package entry's data not on a 64-byte boundary; detail: its name
};

struct CrateWarning {
    CrateWarningKind kind = CrateWarningKind::NewerVersion;
    std::string detail;
};

}  // namespace tessaryn
