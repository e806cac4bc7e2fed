#include "scene/usdc/crate_sections.h"

#include <cstring>

#include "scene/usdc/crate_bytes.h"
#include "scene/usdc/crate_integers.h"

namespace tessaryn {

namespace {

constexpr std::uint64_t kBootstrapSize = 88;
constexpr std::uint64_t kMaxSections = 64;
constexpr std::uint64_t kSectionRecordSize = 32;
constexpr std::uint32_t kLastSpecType = 11;

enum SectionName { kTokens, kStrings, kFields, kFieldSets, kPaths, kSpecs, kSectionCount };
const char* const kSectionNames[kSectionCount] = {"TOKENS", "STRINGS", "FIELDS",
                                                  "FIELDSETS", "PATHS", "SPECS"};

struct SectionPlace {
    std::uint64_t start = 0;
    std::uint64_t size = 0;
    bool found = false;
};

CrateResult unreadableOr(const ByteSource& source, const char* what) {
    if (source.failed()) return crateProblem(CrateProblem::Unreadable);
    return crateDamaged(what);
}

std::string sectionDamage(SectionName name) {
    return std::string("the ") + kSectionNames[name] + " section";
}

// Sections before 0.4.0 are stored as they are; from 0.4.0 on they are compressed.
bool compressedSections(const CrateVersion& version) {
    return version.minor >= 4;
}

CrateResult readBootstrap(ByteSource& source, CrateTables& tables, std::uint64_t& tocOffset,
                          std::vector<CrateWarning>& warnings) {
    unsigned char head[kBootstrapSize];
    if (source.size() < kBootstrapSize || !source.readAt(0, head, sizeof head)) {
        if (source.failed()) return crateProblem(CrateProblem::Unreadable);
        return crateProblem(CrateProblem::NotCrate);
    }
    if (std::memcmp(head, "PXR-USDC", 8) != 0) return crateProblem(CrateProblem::NotCrate);
    CrateVersion& version = tables.version;
    version.major = head[8];
    version.minor = head[9];
    version.patch = head[10];
    // 0.1.0 to 0.3.x had layouts of their own that no known file uses; 0.3.0 was even
    // renumbered. Patches never change a layout.
    if (version.major != 0 || (version.minor >= 1 && version.minor <= 3))
        return crateProblem(CrateProblem::UnsupportedVersion, versionText(version));
    if (version.minor > kNewestKnownMinor)
        warnings.push_back({CrateWarningKind::NewerVersion, versionText(version)});
    tocOffset = loadLittle<std::uint64_t>(head + 16);
    // A truncated file loses its table of contents first.
    if (tocOffset < kBootstrapSize || tocOffset > source.size() - 8)
        return crateDamaged("the table of contents");
    return {};
}

CrateResult readTableOfContents(ByteSource& source, std::uint64_t tocOffset,
                                SectionPlace (&places)[kSectionCount]) {
    std::uint64_t count = 0;
    if (!readWord(source, tocOffset, count)) return unreadableOr(source, "the table of contents");
    const std::uint64_t room = source.size() - tocOffset - 8;
    if (count > kMaxSections || count * kSectionRecordSize > room)
        return crateDamaged("the table of contents");
    Bytes records;
    if (!readBytes(source, tocOffset + 8, count * kSectionRecordSize, records))
        return unreadableOr(source, "the table of contents");
    for (std::uint64_t i = 0; i < count; ++i) {
        const unsigned char* record = records.data() + i * kSectionRecordSize;
        // A name is NUL-padded to 16 bytes; one with no NUL is no known name.
        const void* end = std::memchr(record, 0, 16);
        if (end == nullptr) continue;
        const std::string name(reinterpret_cast<const char*>(record),
                               static_cast<const unsigned char*>(end) - record);
        for (int s = 0; s < kSectionCount; ++s) {
            if (name != kSectionNames[s]) continue;
            SectionPlace& place = places[s];
            if (place.found) return crateDamaged("the table of contents");
            place.start = loadLittle<std::uint64_t>(record + 16);
            place.size = loadLittle<std::uint64_t>(record + 24);
            place.found = true;
            // Negative starts and sizes are huge unsigned values: refused alike.
            if (place.start > source.size() || place.size > source.size() - place.start)
                return crateDamaged(sectionDamage(static_cast<SectionName>(s)));
        }
        // Sections of other names are a later writer's business: passed over.
    }
    for (int s = 0; s < kSectionCount; ++s)
        if (!places[s].found) return crateDamaged(std::string("no ") + kSectionNames[s] + " section");
    return {};
}

bool readTokens(ByteCursor cursor, const CrateVersion& version, CrateTables& tables) {
    std::uint64_t count = 0;
    std::uint64_t byteCount = 0;
    if (!cursor.take(count) || !cursor.take(byteCount)) return false;
    Bytes decoded;
    const unsigned char* text = nullptr;
    if (compressedSections(version)) {
        std::uint64_t compressedSize = 0;
        if (!cursor.take(compressedSize) || compressedSize > cursor.remaining()) return false;
        if (!decodeCompressedBlob(cursor.here(), compressedSize, byteCount, decoded) ||
            decoded.size() != byteCount)
            return false;
        text = decoded.data();
    } else {
        if (byteCount > cursor.remaining()) return false;
        text = cursor.here();
    }
    // Each token takes at least its NUL.
    if (count > byteCount || count > kMaxCrateElements) return false;
    tables.tokens.reserve(static_cast<std::size_t>(count));
    std::uint64_t at = 0;
    while (tables.tokens.size() < count) {
        if (at == byteCount) return false;
        const void* nul = std::memchr(text + at, 0, static_cast<std::size_t>(byteCount - at));
        // The last token's NUL may be missing: the bytes' end ends it.
        const std::uint64_t end =
            nul == nullptr ? byteCount : static_cast<std::uint64_t>(
                                             static_cast<const unsigned char*>(nul) - text);
        tables.tokens.emplace_back(reinterpret_cast<const char*>(text + at),
                                   static_cast<std::size_t>(end - at));
        at = end + 1;
        if (nul == nullptr) at = byteCount;
    }
    for (std::size_t i = 0; i < tables.tokens.size(); ++i)
        tables.tokenIndex.emplace(tables.tokens[i], static_cast<std::uint32_t>(i));
    return true;
}

// `count` raw u32 values, checked against the bytes before they are allocated.
bool takeWords(ByteCursor& cursor, std::uint64_t count, std::vector<std::uint32_t>& values) {
    if (count > cursor.remaining() / 4) return false;
    values.resize(static_cast<std::size_t>(count));
    for (std::uint32_t& value : values) cursor.take(value);
    return true;
}

bool allBelow(const std::vector<std::uint32_t>& values, std::uint64_t limit) {
    for (const std::uint32_t value : values)
        if (value >= limit) return false;
    return true;
}

bool readStrings(ByteCursor cursor, CrateTables& tables) {
    std::uint64_t count = 0;
    return cursor.take(count) && takeWords(cursor, count, tables.strings) &&
           allBelow(tables.strings, tables.tokens.size());
}

bool readFields(ByteCursor cursor, const CrateVersion& version, CrateTables& tables) {
    std::uint64_t count = 0;
    if (!cursor.take(count)) return false;
    if (compressedSections(version)) {
        std::uint64_t repsSize = 0;
        if (!takeCompressedIntegers(cursor, count, tables.fieldNames) || !cursor.take(repsSize) ||
            repsSize > cursor.remaining())
            return false;
        // The list of names bounds the count, so the reps' size cannot overflow.
        Bytes reps;
        if (!decodeCompressedBlob(cursor.here(), repsSize, count * 8, reps) ||
            reps.size() != count * 8)
            return false;
        tables.fieldValues.resize(static_cast<std::size_t>(count));
        for (std::size_t i = 0; i < tables.fieldValues.size(); ++i)
            tables.fieldValues[i] = loadLittle<std::uint64_t>(reps.data() + i * 8);
    } else {
        // Each field: 4 bytes of padding, the name's token, the value rep.
        if (count > cursor.remaining() / 16) return false;
        tables.fieldNames.resize(static_cast<std::size_t>(count));
        tables.fieldValues.resize(static_cast<std::size_t>(count));
        for (std::size_t i = 0; i < tables.fieldNames.size(); ++i) {
            cursor.skip(4);
            cursor.take(tables.fieldNames[i]);
            cursor.take(tables.fieldValues[i]);
        }
    }
    return allBelow(tables.fieldNames, tables.tokens.size());
}

bool readFieldSets(ByteCursor cursor, const CrateVersion& version, CrateTables& tables) {
    std::uint64_t count = 0;
    if (!cursor.take(count)) return false;
    std::vector<std::uint32_t>& sets = tables.fieldSets;
    const bool read = compressedSections(version) ? takeCompressedIntegers(cursor, count, sets)
                                                  : takeWords(cursor, count, sets);
    if (!read || (!sets.empty() && sets.back() != kFieldSetEnd)) return false;
    // Ended by a terminator, so that a run read from any valid start stops inside the list.
    for (const std::uint32_t field : sets)
        if (field != kFieldSetEnd && field >= tables.fieldNames.size()) return false;
    return true;
}

// Records one path node; false when its slot is out of range or already taken.
bool placePath(CrateTables& tables, std::uint32_t index, std::uint32_t parent,
               std::uint32_t token, bool property) {
    // The root's element is no token.
    if (index >= tables.paths.size() || tables.paths[index].present ||
        (parent != kNoIndex && token >= tables.tokens.size()))
        return false;
    tables.paths[index] = CratePathNode{parent, token, property, true};
    return true;
}

// The compressed tree: three lists in depth-first order; each node's jump says whether a
// child follows it and where its next sibling is.
bool readCompressedPaths(ByteCursor& cursor, std::uint64_t count, std::uint64_t encoded,
                         CrateTables& tables) {
    std::vector<std::uint32_t> indices;
    std::vector<std::uint32_t> elements;
    std::vector<std::uint32_t> jumps;
    if (!takeCompressedIntegers(cursor, encoded, indices) ||
        !takeCompressedIntegers(cursor, encoded, elements) ||
        !takeCompressedIntegers(cursor, encoded, jumps))
        return false;
    // The lists have shown that the bytes hold `encoded` nodes; the table may now be made.
    tables.paths.resize(static_cast<std::size_t>(count));
    struct Pending {
        std::uint64_t node;
        std::uint32_t parent;
    };
    std::vector<Pending> siblings;
    std::uint64_t node = 0;
    std::uint32_t parent = kNoIndex;
    // Every visit fills a slot that cannot be filled twice, so damaged jumps cannot loop.
    for (std::uint64_t visits = 0; encoded != 0; ++visits) {
        if (node >= encoded || visits >= encoded) return false;
        const std::int32_t element = static_cast<std::int32_t>(elements[node]);
        const bool property = element < 0;
        // Unsigned negation: INT32_MIN has no positive counterpart.
        const std::uint32_t token = property ? 0u - elements[node] : elements[node];
        const std::uint32_t index = indices[node];
        if (!placePath(tables, index, parent, parent == kNoIndex ? 0 : token, property))
            return false;
        const std::int32_t jump = static_cast<std::int32_t>(jumps[node]);
        if (jump > 0) {
            siblings.push_back({node + static_cast<std::uint64_t>(jump), parent});
            parent = index;
            ++node;
        } else if (jump == -1) {
            parent = index;
            ++node;
        } else if (jump == 0) {
            ++node;
        } else if (jump == -2) {
            if (siblings.empty()) break;
            node = siblings.back().node;
            parent = siblings.back().parent;
            siblings.pop_back();
        } else {
            return false;
        }
    }
    return true;
}

// The oldest tree: headers in a stream, a child's header right after its parent's; a
// node with both a child and a sibling gives the sibling's file offset after its header.
bool readLegacyPaths(ByteCursor& cursor, std::uint64_t sectionStart, CrateTables& tables) {
    constexpr unsigned kHasChild = 1;
    constexpr unsigned kHasSibling = 2;
    constexpr unsigned kProperty = 4;
    struct Pending {
        std::uint64_t at;
        std::uint32_t parent;
    };
    std::vector<Pending> siblings;
    std::uint32_t parent = kNoIndex;
    const std::uint64_t slots = tables.paths.size();
    for (std::uint64_t visits = 0; slots != 0; ++visits) {
        std::uint32_t index = 0;
        std::uint32_t token = 0;
        std::uint32_t bits = 0;
        if (visits >= slots || !cursor.skip(4) || !cursor.take(index) || !cursor.take(token) ||
            !cursor.take(bits))
            return false;
        bits &= 0xFFu;  // the flags byte, then padding
        if (!placePath(tables, index, parent, parent == kNoIndex ? 0 : token,
                       (bits & kProperty) != 0))
            return false;
        const bool child = (bits & kHasChild) != 0;
        const bool sibling = (bits & kHasSibling) != 0;
        if (child && sibling) {
            std::uint64_t siblingAt = 0;
            if (!cursor.take(siblingAt) || siblingAt < sectionStart ||
                siblingAt - sectionStart > cursor.size)
                return false;
            siblings.push_back({siblingAt - sectionStart, parent});
        }
        if (child) {
            parent = index;
        } else if (!sibling) {
            if (siblings.empty()) break;
            cursor.at = siblings.back().at;
            parent = siblings.back().parent;
            siblings.pop_back();
        }
    }
    return true;
}

bool readPaths(ByteCursor cursor, std::uint64_t sectionStart, const CrateVersion& version,
               CrateTables& tables) {
    std::uint64_t count = 0;
    // Path indices stay below kMaxCrateElements, as childKey needs.
    if (!cursor.take(count) || count > kMaxCrateElements) return false;
    if (compressedSections(version)) {
        std::uint64_t encoded = 0;
        // The table has a slot per encoded node and the empty path's.
        if (!cursor.take(encoded) || encoded > kMaxCrateElements || count > encoded + 1 ||
            !readCompressedPaths(cursor, count, encoded, tables))
            return false;
    } else {
        // Each node has a 16-byte header.
        if (count > cursor.remaining() / 16 + 1) return false;
        tables.paths.resize(static_cast<std::size_t>(count));
        if (!readLegacyPaths(cursor, sectionStart, tables)) return false;
    }
    // Children are found by (parent, name): primChildren and variant lists give names.
    tables.children.reserve(tables.paths.size());
    for (std::size_t i = 0; i < tables.paths.size(); ++i) {
        const CratePathNode& path = tables.paths[i];
        if (path.present && path.parent != kNoIndex)
            tables.children.emplace(childKey(path.parent, path.token, path.property),
                                    static_cast<std::uint32_t>(i));
    }
    return true;
}

bool readSpecs(ByteCursor cursor, const CrateVersion& version, CrateTables& tables) {
    std::uint64_t count = 0;
    if (!cursor.take(count)) return false;
    std::vector<std::uint32_t> paths;
    std::vector<std::uint32_t> fieldSets;
    std::vector<std::uint32_t> types;
    if (compressedSections(version)) {
        if (!takeCompressedIntegers(cursor, count, paths) ||
            !takeCompressedIntegers(cursor, count, fieldSets) ||
            !takeCompressedIntegers(cursor, count, types))
            return false;
    } else {
        // Each spec: 4 bytes of padding, path, field set, type.
        if (count > cursor.remaining() / 16) return false;
        const auto size = static_cast<std::size_t>(count);
        paths.resize(size);
        fieldSets.resize(size);
        types.resize(size);
        for (std::size_t i = 0; i < size; ++i) {
            cursor.skip(4);
            cursor.take(paths[i]);
            cursor.take(fieldSets[i]);
            cursor.take(types[i]);
        }
    }
    // A path with two specs would be read as either: such a file is refused.
    tables.specOfPath.assign(tables.paths.size(), kNoIndex);
    tables.specs.resize(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const std::uint32_t path = paths[i];
        const std::uint32_t start = fieldSets[i];
        // A run starts the list or follows the end of another.
        if (path >= tables.paths.size() || !tables.paths[path].present ||
            tables.specOfPath[path] != kNoIndex || start >= tables.fieldSets.size() ||
            (start != 0 && tables.fieldSets[start - 1] != kFieldSetEnd) || types[i] == 0 ||
            types[i] > kLastSpecType)
            return false;
        tables.specOfPath[path] = static_cast<std::uint32_t>(i);
        tables.specs[i] = CrateSpec{path, start, types[i]};
    }
    return true;
}

}  // namespace

std::string versionText(const CrateVersion& version) {
    return std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
           std::to_string(version.patch);
}

CrateResult readCrateTables(ByteSource& source, CrateTables& tables,
                            std::vector<CrateWarning>& warnings) {
    tables = CrateTables{};
    std::uint64_t tocOffset = 0;
    CrateResult result = readBootstrap(source, tables, tocOffset, warnings);
    if (!result.ok()) return result;
    SectionPlace places[kSectionCount];
    result = readTableOfContents(source, tocOffset, places);
    if (!result.ok()) return result;

    // Later sections name entries of earlier ones, so they are read in this order.
    const CrateVersion& version = tables.version;
    for (int s = 0; s < kSectionCount; ++s) {
        const auto name = static_cast<SectionName>(s);
        Bytes bytes;
        if (!readBytes(source, places[s].start, places[s].size, bytes))
            return unreadableOr(source, sectionDamage(name).c_str());
        const ByteCursor cursor = cursorOver(bytes);
        bool read = false;
        switch (name) {
            case kTokens: read = readTokens(cursor, version, tables); break;
            case kStrings: read = readStrings(cursor, tables); break;
            case kFields: read = readFields(cursor, version, tables); break;
            case kFieldSets: read = readFieldSets(cursor, version, tables); break;
            case kPaths: read = readPaths(cursor, places[s].start, version, tables); break;
            case kSpecs: read = readSpecs(cursor, version, tables); break;
            case kSectionCount: break;
        }
        if (!read) return crateDamaged(sectionDamage(name));
    }
    return {};
}

}  // namespace tessaryn
