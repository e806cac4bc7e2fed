// The structure of a crate file: its bootstrap (magic, version, table of contents) and
// the six sections every layer holds (TOKENS, STRINGS, FIELDS, FIELDSETS, PATHS, SPECS),
// read into tables that name everything else by index. Only the sections are read here;
// the values they point at stay in the file until someone asks for them.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/byte_source.h"
#include "scene/usdc/crate_result.h"

namespace tessaryn {

constexpr std::uint32_t kNoIndex = UINT32_MAX;
// The value that ends a spec's run of field indices in the FIELDSETS list.
constexpr std::uint32_t kFieldSetEnd = UINT32_MAX;

struct CrateVersion {
    unsigned major = 0;
    unsigned minor = 0;
    unsigned patch = 0;
};

std::string versionText(const CrateVersion& version);

// The kinds of spec a path may have.
enum class CrateSpecType : std::uint32_t {
    Attribute = 1,
    Prim = 6,
    PseudoRoot = 7,
    Relationship = 8,
    Variant = 10,
    VariantSet = 11,
};

// One path: its parent path's index and the element it appends. A property's element is
// appended after a '.'; a variant selection's element is "{set=variant}" ("{set=}" for
// the set itself) and is appended as it is.
struct CratePathNode {
    std::uint32_t parent = kNoIndex;
    std::uint32_t token = 0;
    bool property = false;
    bool present = false;  // the table may have unused slots
};

struct CrateSpec {
    std::uint32_t path = 0;
    std::uint32_t fieldSet = 0;  // where its run of fields starts in fieldSets
    std::uint32_t type = 0;
};

struct CrateTables {
    CrateVersion version;
    std::vector<std::string> tokens;
    std::unordered_map<std::string, std::uint32_t> tokenIndex;  // the first token of a text
    std::vector<std::uint32_t> strings;      // the token of each string
    std::vector<std::uint32_t> fieldNames;   // the token of each field's name
    std::vector<std::uint64_t> fieldValues;  // the value rep of each field
    std::vector<std::uint32_t> fieldSets;
    std::vector<CratePathNode> paths;
    std::vector<CrateSpec> specs;
    std::vector<std::uint32_t> specOfPath;  // kNoIndex for a path without spec
    // (parent, element token, property) → the child's path index; see childKey.
    std::unordered_map<std::uint64_t, std::uint32_t> children;
};

inline std::uint64_t childKey(std::uint32_t parent, std::uint32_t token, bool property) {
    // Both indices are below kMaxCrateElements (2^28), so the key cannot collide.
    return (std::uint64_t{parent} << 30) | (std::uint64_t{token} << 1) | (property ? 1u : 0u);
}

// Reads the bootstrap and the six sections. Versions 0.0.x and 0.4.0 onwards are read; a
// minor version above the newest known one is read with a NewerVersion warning.
CrateResult readCrateTables(ByteSource& source, CrateTables& tables,
                            std::vector<CrateWarning>& warnings);

// The newest minor version whose value types are all known.
constexpr unsigned kNewestKnownMinor = 12;

}  // namespace tessaryn
