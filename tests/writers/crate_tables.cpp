#include "crate_tables.h"

#include <cstdint>
#include <stdexcept>

#include "crate_compression.h"

namespace tessaryn::testkit {

namespace {

constexpr std::uint32_t kFieldSetEnd = 0xFFFFFFFF;

std::uint32_t sizeAsIndex(std::size_t size) {
    if (size >= kFieldSetEnd) throw std::length_error("crate table too large");
    return static_cast<std::uint32_t>(size);
}

// The path tree in depth-first pre-order, as the paths section lists it.
struct PathOrder {
    std::vector<std::uint32_t> indexes;
    std::vector<std::int32_t> elements;  // negative for a property
    std::vector<std::int32_t> jumps;
};

// `jump` says what follows node k: -2 nothing, -1 only its first child (k + 1), 0 only its
// next sibling (k + 1), and n > 0 both, the child at k + 1 and the sibling at k + n.
void listPaths(const CrateTables& tables, std::uint32_t path, bool hasSibling, PathOrder& order) {
    const std::size_t k = order.indexes.size();
    const PathNode& node = tables.paths[path];
    const auto element = static_cast<std::int32_t>(node.element);
    order.indexes.push_back(path);
    order.elements.push_back(node.property ? -element : element);
    order.jumps.push_back(0);
    for (std::size_t i = 0; i < node.children.size(); ++i)
        listPaths(tables, node.children[i], i + 1 < node.children.size(), order);
    const bool hasChild = !node.children.empty();
    if (hasChild && hasSibling)
        order.jumps[k] = static_cast<std::int32_t>(order.indexes.size() - k);
    else
        order.jumps[k] = hasChild ? -1 : hasSibling ? 0 : -2;
}

// A section's bytes are gathered and written whole: they are small next to the arrays.
void writeSection(CrateOutput& out, std::vector<SectionPlace>& places, const char* name,
                  const std::string& bytes) {
    places.push_back({name, out.position(), bytes.size()});
    out.bytes(bytes);
}

std::string tokensSection(const CrateTables& tables) {
    std::string text;
    for (const std::string& token : tables.tokens) {
        text += token;
        text += '\0';
    }
    std::string section;
    appendU64(section, tables.tokens.size());
    appendU64(section, text.size());
    std::string blob;
    appendFastCompressed(blob, text.data(), text.size());
    appendU64(section, blob.size());
    return section + blob;
}

std::string stringsSection(const CrateTables& tables) {
    std::string section;
    appendU64(section, tables.strings.size());
    for (std::uint32_t token : tables.strings) appendU32(section, token);
    return section;
}

std::string fieldsSection(const CrateTables& tables) {
    std::string section;
    appendU64(section, tables.fieldNames.size());
    appendCompressedIntList(section, tables.fieldNames.data(), tables.fieldNames.size());
    std::string reps;
    for (std::uint64_t rep : tables.fieldReps) appendU64(reps, rep);
    std::string blob;
    appendFastCompressed(blob, reps.data(), reps.size());
    appendU64(section, blob.size());
    return section + blob;
}

std::string fieldSetsSection(const CrateTables& tables) {
    std::string section;
    appendU64(section, tables.fieldSets.size());
    appendCompressedIntList(section, tables.fieldSets.data(), tables.fieldSets.size());
    return section;
}

std::string pathsSection(const CrateTables& tables) {
    PathOrder order;
    listPaths(tables, 0, false, order);
    std::string section;
    appendU64(section, tables.paths.size());
    appendU64(section, order.indexes.size());
    appendCompressedIntList(section, order.indexes.data(), order.indexes.size());
    appendCompressedIntList(section, order.elements.data(), order.elements.size());
    appendCompressedIntList(section, order.jumps.data(), order.jumps.size());
    return section;
}

std::string specsSection(const CrateTables& tables) {
    std::vector<std::uint32_t> paths, fieldSets, types;
    for (const SpecRecord& spec : tables.specs) {
        paths.push_back(spec.path);
        fieldSets.push_back(spec.fieldSet);
        types.push_back(static_cast<std::uint32_t>(spec.type));
    }
    std::string section;
    appendU64(section, tables.specs.size());
    appendCompressedIntList(section, paths.data(), paths.size());
    appendCompressedIntList(section, fieldSets.data(), fieldSets.size());
    appendCompressedIntList(section, types.data(), types.size());
    return section;
}

}  // namespace

CrateTables::CrateTables() {
    // Token 0 is the root's element, the empty name: a property's element token is
    // stored negated, and a property named by token 0 could not be told apart.
    tokenIndex(*this, "");
    paths.push_back(PathNode{});
}

std::uint32_t tokenIndex(CrateTables& tables, const std::string& text) {
    const auto [at, added] = tables.tokenIndexes.emplace(text, sizeAsIndex(tables.tokens.size()));
    if (added) tables.tokens.push_back(text);
    return at->second;
}

std::uint32_t stringIndex(CrateTables& tables, const std::string& text) {
    const std::uint32_t token = tokenIndex(tables, text);
    const auto [at, added] =
        tables.stringIndexes.emplace(token, sizeAsIndex(tables.strings.size()));
    if (added) tables.strings.push_back(token);
    return at->second;
}

std::uint32_t addPath(CrateTables& tables, std::uint32_t parent, const std::string& element,
                      bool property) {
    const std::uint32_t index = sizeAsIndex(tables.paths.size());
    PathNode node;
    node.element = tokenIndex(tables, element);
    node.property = property;
    tables.paths.push_back(node);
    tables.paths[parent].children.push_back(index);
    return index;
}

void addSpec(CrateTables& tables, std::uint32_t path, SpecType type,
             const std::vector<CrateField>& fields) {
    const std::uint32_t fieldSet = sizeAsIndex(tables.fieldSets.size());
    for (const CrateField& field : fields) {
        const std::uint32_t name = tokenIndex(tables, field.name);
        const auto [at, added] = tables.fieldIndexes.emplace(std::make_pair(name, field.rep),
                                                             sizeAsIndex(tables.fieldNames.size()));
        if (added) {
            tables.fieldNames.push_back(name);
            tables.fieldReps.push_back(field.rep);
        }
        tables.fieldSets.push_back(at->second);
    }
    tables.fieldSets.push_back(kFieldSetEnd);
    tables.specs.push_back({path, fieldSet, type});
}

std::vector<SectionPlace> writeSections(CrateOutput& out, const CrateTables& tables) {
    std::vector<SectionPlace> places;
    writeSection(out, places, "TOKENS", tokensSection(tables));
    writeSection(out, places, "STRINGS", stringsSection(tables));
    writeSection(out, places, "FIELDS", fieldsSection(tables));
    writeSection(out, places, "FIELDSETS", fieldSetsSection(tables));
    writeSection(out, places, "PATHS", pathsSection(tables));
    writeSection(out, places, "SPECS", specsSection(tables));
    return places;
}

}  // namespace tessaryn::testkit
