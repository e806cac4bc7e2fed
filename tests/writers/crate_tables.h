// The tables of a crate layer, gathered while its values are written and written after
// them as the six structural sections: tokens, strings (by token), fields (a name token
// and a value rep), field sets (runs of field indexes, each ended by 0xFFFFFFFF), the
// path tree and the specs (path, field set, spec type).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "crate_output.h"

namespace tessaryn::testkit {

enum class SpecType : std::uint32_t {
    Attribute = 1,
    Prim = 6,
    PseudoRoot = 7,
    Variant = 10,
    VariantSet = 11,
};

struct CrateField {
    std::string name;
    std::uint64_t rep = 0;
};

struct PathNode {
    std::uint32_t element = 0;  // token of the name it appends to its parent's path
    bool property = false;
    std::vector<std::uint32_t> children;  // path indexes, in the order added
};

struct SpecRecord {
    std::uint32_t path = 0;
    std::uint32_t fieldSet = 0;
    SpecType type = SpecType::Prim;
};

struct CrateTables {
    CrateTables();

    std::vector<std::string> tokens;
    std::map<std::string, std::uint32_t> tokenIndexes;
    std::vector<std::uint32_t> strings;  // token of each string
    std::map<std::uint32_t, std::uint32_t> stringIndexes;
    std::vector<std::uint32_t> fieldNames;
    std::vector<std::uint64_t> fieldReps;
    std::map<std::pair<std::uint32_t, std::uint64_t>, std::uint32_t> fieldIndexes;
    std::vector<std::uint32_t> fieldSets;
    std::vector<PathNode> paths;  // path 0 is the root, "/"
    std::vector<SpecRecord> specs;
};

// Indexes of a token and of a string, added when new.
std::uint32_t tokenIndex(CrateTables& tables, const std::string& text);
std::uint32_t stringIndex(CrateTables& tables, const std::string& text);

// The path that appends `element` to `parent` (a prim name, `{set=}`, `{set=variant}`,
// or a property name when `property`); gives its index.
std::uint32_t addPath(CrateTables& tables, std::uint32_t parent, const std::string& element,
                      bool property);

// A spec with its fields, each field shared with any earlier spec's equal one.
void addSpec(CrateTables& tables, std::uint32_t path, SpecType type,
             const std::vector<CrateField>& fields);

// A section's name and where it lies, for the table of contents.
struct SectionPlace {
    std::string name;
    std::uint64_t start = 0;
    std::uint64_t size = 0;
};

// Writes the six sections in their packed form (crate 0.4.0 and later), in the order
// readers parse them; gives their places.
std::vector<SectionPlace> writeSections(CrateOutput& out, const CrateTables& tables);

}  // namespace tessaryn::testkit
