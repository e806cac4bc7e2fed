#include "scene/usdc/crate_values.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "base/large_arrays.h"
#include "scene/usdc/crate_bytes.h"
#include "scene/usdc/crate_integers.h"

namespace tessaryn {

namespace {

// Arrays of fewer elements than this are never compressed, whatever the rep says.
constexpr std::uint64_t kFewestCompressed = 16;
// The codes of a compressed float array: all integers, or indices into a table.
constexpr unsigned char kIntegerCode = 'i';
constexpr unsigned char kTableCode = 't';

// Reads forward through the file from `at`.
struct SourceCursor {
    ByteSource& source;
    std::uint64_t at;

    std::uint64_t remaining() const { return at > source.size() ? 0 : source.size() - at; }
    template <typename Word>
    bool take(Word& word) {
        if (!readWord(source, at, word)) return false;
        at += sizeof(Word);
        return true;
    }
    bool skip(std::uint64_t count) {
        if (count > remaining()) return false;
        at += count;
        return true;
    }
};

// A vector of u32 references: its count, then the references, each below `limit`.
bool takeReferences(SourceCursor& cursor, std::uint64_t limit, std::vector<std::uint32_t>& refs) {
    std::uint64_t count = 0;
    if (!cursor.take(count) || count > cursor.remaining() / 4) return false;
    Bytes bytes;
    if (!readBytes(cursor.source, cursor.at, count * 4, bytes)) return false;
    cursor.at += count * 4;
    refs.resize(bytes.size() / 4);
    for (std::size_t i = 0; i < refs.size(); ++i) {
        refs[i] = loadLittle<std::uint32_t>(bytes.data() + i * 4);
        if (refs[i] >= limit) return false;
    }
    return true;
}

bool stringText(const CrateTables& tables, std::uint64_t string, std::string& text) {
    if (string >= tables.strings.size()) return false;
    text = tables.tokens[tables.strings[static_cast<std::size_t>(string)]];
    return true;
}

// The items of a list op that add to the list, in the order they are stored: explicit
// (bit 1), added (2), prepended (5), appended (6). Deleted and ordered items come after
// them, so reading can stop there.
template <typename TakeItems>
ValueRead takeAddingItems(SourceCursor& cursor, TakeItems&& takeItems) {
    unsigned char header = 0;
    if (!cursor.take(header)) return ValueRead::Damaged;
    for (const unsigned bit : {1u, 2u, 5u, 6u}) {
        if ((header & (1u << bit)) != 0 && !takeItems(cursor)) return ValueRead::Damaged;
    }
    return ValueRead::Done;
}

// Passes over a dictionary inside a reference: its entries are a string key and a jump
// to the entry's value rep, after which the next entry starts. `budget` bounds the
// entries of a whole list op, whose jumps may lead back over the same bytes.
bool skipDictionary(SourceCursor& cursor, std::uint64_t& budget) {
    std::uint64_t count = 0;
    if (!cursor.take(count) || count > cursor.remaining() / 12 || count > budget) return false;
    budget -= count;
    for (std::uint64_t i = 0; i < count; ++i) {
        std::int64_t jump = 0;
        if (!cursor.skip(4)) return false;
        const std::uint64_t from = cursor.at;
        if (!cursor.take(jump)) return false;
        // Relative and possibly negative: wrapping arithmetic, then a range check.
        const std::uint64_t valueAt = from + static_cast<std::uint64_t>(jump);
        if (valueAt > cursor.source.size() || cursor.source.size() - valueAt < 8) return false;
        cursor.at = valueAt + 8;
    }
    return true;
}

struct ArrayPlace {
    std::uint64_t count = 0;
    std::uint64_t data = 0;  // where the elements (or their compressed form) start
};

// Where an array's elements lie and how many there are; Absent for a rep of no array.
ValueRead placeArray(const CrateFile& file, std::uint64_t rep, ArrayPlace& place) {
    place = ArrayPlace{};
    if (!repIsArray(rep)) return ValueRead::Absent;
    const std::uint64_t at = repPayload(rep);
    if (at == 0) return ValueRead::Done;  // an empty array
    const unsigned minor = file.tables.version.minor;
    // Before 0.5.0 a u32 rank led a u32 count; from 0.7.0 the count is a u64.
    if (minor >= 7) {
        if (!readWord(file.source, at, place.count)) return ValueRead::Damaged;
        place.data = at + 8;
    } else {
        std::uint32_t count = 0;
        const std::uint64_t countAt = minor >= 5 ? at : at + 4;
        if (!readWord(file.source, countAt, count)) return ValueRead::Damaged;
        place.count = count;
        place.data = countAt + 4;
    }
    if (place.count > kMaxCrateElements) return ValueRead::Damaged;
    return ValueRead::Done;
}

// `count` elements of `size` bytes at `at`, checked against the file before allocation.
bool readElements(ByteSource& source, std::uint64_t at, std::uint64_t count, std::uint64_t size,
                  Bytes& bytes) {
    if (at > source.size() || count > (source.size() - at) / size) return false;
    return readBytes(source, at, count * size, bytes);
}

// A compressed list of `count` integers at `at`: its u64 size, then its blob.
bool readCompressedAt(ByteSource& source, std::uint64_t at, std::uint64_t count,
                      std::vector<std::uint32_t>& values) {
    std::uint64_t compressedSize = 0;
    if (!readWord(source, at, compressedSize) || count > maxCompressedIntegers(compressedSize))
        return false;
    Bytes blob;
    return readBytes(source, at + 8, compressedSize, blob) &&
           decodeCompressedIntegers(blob.data(), blob.size(), count, values);
}

// A 16-bit float: sign, 5 exponent bits, 10 fraction bits.
float halfValue(std::uint16_t half) {
    const int exponent = (half >> 10) & 0x1F;
    const int fraction = half & 0x3FF;
    float value = 0;
    if (exponent == 0) {
        value = std::ldexp(static_cast<float>(fraction), -24);  // subnormal
    } else if (exponent == 0x1F) {
        value = fraction == 0 ? INFINITY : NAN;
    } else {
        value = std::ldexp(static_cast<float>(fraction + 0x400), exponent - 25);
    }
    return (half & 0x8000) != 0 ? -value : value;
}

// A double as the nearest float; one beyond the floats' range is an infinity, as
// converting it would not be defined.
float narrowed(double value) {
    if (value > FLT_MAX) return INFINITY;
    if (value < -FLT_MAX) return -INFINITY;
    return static_cast<float>(value);
}

// The size of one component of a 2- or 3-vector array's elements, by its type; 0 for
// an array of anything else.
std::uint64_t vectorComponentSize(std::uint64_t rep, unsigned components) {
    const bool pair = components == 2;
    if (repIs(rep, pair ? CrateType::Vec2f : CrateType::Vec3f)) return 4;
    if (repIs(rep, pair ? CrateType::Vec2d : CrateType::Vec3d)) return 8;
    if (repIs(rep, pair ? CrateType::Vec2h : CrateType::Vec3h)) return 2;
    return 0;
}

double realAt(const unsigned char* p, bool isDouble) {
    if (isDouble) return loadLittle<double>(p);
    return static_cast<double>(loadLittle<float>(p));
}

}  // namespace

ValueRead checkRepType(const CrateFile& file, std::uint64_t rep) {
    const unsigned type = repType(rep);
    if (type == 0) return ValueRead::Damaged;
    if (type <= kLastKnownType) return ValueRead::Done;
    // A version newer than the reader may have added it.
    return file.tables.version.minor > kNewestKnownMinor ? ValueRead::UnknownType
                                                         : ValueRead::Damaged;
}

bool findField(const CrateTables& tables, const CrateSpec& spec, std::uint32_t name,
               std::uint64_t& rep) {
    // The run ends at a terminator: the list's last value is one.
    for (std::size_t i = spec.fieldSet; tables.fieldSets[i] != kFieldSetEnd; ++i) {
        const std::uint32_t field = tables.fieldSets[i];
        if (tables.fieldNames[field] == name) {
            rep = tables.fieldValues[field];
            return true;
        }
    }
    return false;
}

bool findField(const CrateTables& tables, const CrateSpec& spec, const std::string& name,
               std::uint64_t& rep) {
    const auto token = tables.tokenIndex.find(name);
    return token != tables.tokenIndex.end() && findField(tables, spec, token->second, rep);
}

CrateResult valueProblem(const ByteSource& source, ValueRead read, std::string what) {
    if (source.failed()) return crateProblem(CrateProblem::Unreadable);
    if (read == ValueRead::UnknownType) return crateProblem(CrateProblem::UnknownType, std::move(what));
    return crateDamaged(std::move(what));
}

ValueRead readText(const CrateFile& file, std::uint64_t rep, std::string& text) {
    const ValueRead known = checkRepType(file, rep);
    if (known != ValueRead::Done) return known;
    if (repIsArray(rep)) return ValueRead::Absent;
    const std::uint64_t index = repPayload(rep) & 0xFFFFFFFFu;
    const CrateTables& tables = file.tables;
    // A scalar asset path is a token, unlike one in an array.
    if (repIs(rep, CrateType::Token) || repIs(rep, CrateType::AssetPath)) {
        if (!repIsInlined(rep) || index >= tables.tokens.size()) return ValueRead::Damaged;
        text = tables.tokens[static_cast<std::size_t>(index)];
        return ValueRead::Done;
    }
    if (repIs(rep, CrateType::String)) {
        if (!repIsInlined(rep) || !stringText(tables, index, text)) return ValueRead::Damaged;
        return ValueRead::Done;
    }
    return ValueRead::Absent;
}

ValueRead readNumber(const CrateFile& file, std::uint64_t rep, CrateNumber& number) {
    const ValueRead known = checkRepType(file, rep);
    if (known != ValueRead::Done) return known;
    if (repIsArray(rep)) return ValueRead::Absent;
    const auto low = static_cast<std::uint32_t>(repPayload(rep));
    unsigned char bytes[4];
    std::memcpy(bytes, &low, sizeof bytes);
    if (repIs(rep, CrateType::Double)) {
        number.kind = CrateNumberKind::Double;
        // A double that a float holds exactly is inlined as that float.
        if (repIsInlined(rep)) {
            number.value = static_cast<double>(loadLittle<float>(bytes));
            return ValueRead::Done;
        }
        return readWord(file.source, repPayload(rep), number.value) ? ValueRead::Done
                                                                    : ValueRead::Damaged;
    }
    if (repIs(rep, CrateType::Float) || repIs(rep, CrateType::Int)) {
        if (!repIsInlined(rep)) return ValueRead::Damaged;
        const bool isFloat = repIs(rep, CrateType::Float);
        number.kind = isFloat ? CrateNumberKind::Float : CrateNumberKind::Int;
        number.value = isFloat ? static_cast<double>(loadLittle<float>(bytes))
                               : static_cast<double>(loadLittle<std::int32_t>(bytes));
        return ValueRead::Done;
    }
    return ValueRead::Absent;
}

ValueRead readSpecifier(const CrateFile& file, std::uint64_t rep, unsigned& specifier) {
    const ValueRead known = checkRepType(file, rep);
    if (known != ValueRead::Done) return known;
    if (!repIs(rep, CrateType::Specifier) || repIsArray(rep)) return ValueRead::Absent;
    const std::uint64_t value = repPayload(rep);
    if (!repIsInlined(rep) || value > 2) return ValueRead::Damaged;
    specifier = static_cast<unsigned>(value);
    return ValueRead::Done;
}

ValueRead readTokenVector(const CrateFile& file, std::uint64_t rep,
                          std::vector<std::uint32_t>& tokens) {
    tokens.clear();
    const ValueRead known = checkRepType(file, rep);
    if (known != ValueRead::Done) return known;
    if (!repIs(rep, CrateType::TokenVector) || repIsArray(rep)) return ValueRead::Absent;
    if (repIsInlined(rep)) return ValueRead::Done;  // an empty vector
    SourceCursor cursor{file.source, repPayload(rep)};
    return takeReferences(cursor, file.tables.tokens.size(), tokens) ? ValueRead::Done
                                                                      : ValueRead::Damaged;
}

ValueRead readStringVector(const CrateFile& file, std::uint64_t rep,
                           std::vector<std::string>& texts) {
    texts.clear();
    const ValueRead known = checkRepType(file, rep);
    if (known != ValueRead::Done) return known;
    if (!repIs(rep, CrateType::StringVector) || repIsArray(rep)) return ValueRead::Absent;
    if (repIsInlined(rep)) return ValueRead::Done;
    SourceCursor cursor{file.source, repPayload(rep)};
    std::vector<std::uint32_t> strings;
    if (!takeReferences(cursor, file.tables.strings.size(), strings)) return ValueRead::Damaged;
    for (const std::uint32_t string : strings)
        texts.push_back(file.tables.tokens[file.tables.strings[string]]);
    return ValueRead::Done;
}

ValueRead readListOpTexts(const CrateFile& file, std::uint64_t rep,
                          std::vector<std::string>& texts) {
    texts.clear();
    const ValueRead known = checkRepType(file, rep);
    if (known != ValueRead::Done) return known;
    const bool tokens = repIs(rep, CrateType::TokenListOp);
    if ((!tokens && !repIs(rep, CrateType::StringListOp)) || repIsArray(rep))
        return ValueRead::Absent;
    if (repIsInlined(rep)) return ValueRead::Done;
    const CrateTables& tables = file.tables;
    SourceCursor cursor{file.source, repPayload(rep)};
    return takeAddingItems(cursor, [&](SourceCursor& items) {
        std::vector<std::uint32_t> refs;
        if (!takeReferences(items, tokens ? tables.tokens.size() : tables.strings.size(), refs))
            return false;
        for (const std::uint32_t ref : refs)
            texts.push_back(tables.tokens[tokens ? ref : tables.strings[ref]]);
        return true;
    });
}

ValueRead readAssetPaths(const CrateFile& file, std::uint64_t rep,
                         std::vector<std::string>& assets) {
    assets.clear();
    const ValueRead known = checkRepType(file, rep);
    if (known != ValueRead::Done) return known;
    if (repIsArray(rep) || repIsInlined(rep)) return ValueRead::Absent;
    const CrateTables& tables = file.tables;
    SourceCursor cursor{file.source, repPayload(rep)};
    // An item's asset path is a string; "" names this layer itself.
    auto takeAsset = [&](SourceCursor& items) {
        std::uint32_t string = 0;
        std::string text;
        if (!items.take(string) || !stringText(tables, string, text)) return false;
        if (!text.empty()) assets.push_back(text);
        return true;
    };
    // A payload: its asset, its prim path and, from 0.8.0 on, its layer offset.
    const std::uint64_t payloadRest = tables.version.minor >= 8 ? 4 + 16 : 4;
    if (repIs(rep, CrateType::Payload)) {
        return takeAsset(cursor) ? ValueRead::Done : ValueRead::Damaged;
    }
    if (repIs(rep, CrateType::PayloadListOp)) {
        return takeAddingItems(cursor, [&](SourceCursor& items) {
            std::uint64_t count = 0;
            if (!items.take(count) || count > items.remaining() / (4 + payloadRest)) return false;
            for (std::uint64_t i = 0; i < count; ++i)
                if (!takeAsset(items) || !items.skip(payloadRest)) return false;
            return true;
        });
    }
    if (repIs(rep, CrateType::ReferenceListOp)) {
        // A reference: asset, prim path, layer offset, then a dictionary of custom data.
        constexpr std::uint64_t kReferenceRest = 4 + 16;
        constexpr std::uint64_t kSmallestReference = 4 + kReferenceRest + 8;
        std::uint64_t budget = file.source.size() / 8;
        return takeAddingItems(cursor, [&](SourceCursor& items) {
            std::uint64_t count = 0;
            if (!items.take(count) || count > items.remaining() / kSmallestReference) return false;
            for (std::uint64_t i = 0; i < count; ++i)
                if (!takeAsset(items) || !items.skip(kReferenceRest) ||
                    !skipDictionary(items, budget))
                    return false;
            return true;
        });
    }
    return ValueRead::Absent;
}

ValueRead readVariantSelections(const CrateFile& file, std::uint64_t rep,
                                std::vector<std::pair<std::string, std::string>>& selections) {
    selections.clear();
    const ValueRead known = checkRepType(file, rep);
    if (known != ValueRead::Done) return known;
    if (!repIs(rep, CrateType::VariantSelectionMap) || repIsArray(rep)) return ValueRead::Absent;
    if (repIsInlined(rep)) return ValueRead::Done;
    SourceCursor cursor{file.source, repPayload(rep)};
    std::uint64_t count = 0;
    if (!cursor.take(count) || count > cursor.remaining() / 8) return ValueRead::Damaged;
    for (std::uint64_t i = 0; i < count; ++i) {
        std::uint32_t set = 0;
        std::uint32_t variant = 0;
        std::pair<std::string, std::string> selection;
        if (!cursor.take(set) || !cursor.take(variant) ||
            !stringText(file.tables, set, selection.first) ||
            !stringText(file.tables, variant, selection.second))
            return ValueRead::Damaged;
        selections.push_back(std::move(selection));
    }
    return ValueRead::Done;
}

ValueRead readFirstSample(const CrateFile& file, std::uint64_t rep, std::uint64_t& sample) {
    const ValueRead known = checkRepType(file, rep);
    if (known != ValueRead::Done) return known;
    if (!repIs(rep, CrateType::TimeSamples) || repIsArray(rep) || repIsInlined(rep))
        return ValueRead::Absent;
    ByteSource& source = file.source;
    // Two jumps, each relative to where it stands: to the times' rep, and from just after
    // that rep to the count of values and their reps.
    const std::uint64_t start = repPayload(rep);
    // Jumps may lead backwards; wrapping sums past the file's end are refused like others.
    std::int64_t toTimes = 0;
    if (!readWord(source, start, toTimes)) return ValueRead::Damaged;
    const std::uint64_t timesAt = start + static_cast<std::uint64_t>(toTimes);
    std::uint64_t timesRep = 0;
    std::int64_t toValues = 0;
    if (timesAt > source.size() || !readWord(source, timesAt, timesRep) ||
        !readWord(source, timesAt + 8, toValues))
        return ValueRead::Damaged;
    const std::uint64_t valuesAt = timesAt + 8 + static_cast<std::uint64_t>(toValues);
    std::uint64_t count = 0;
    if (valuesAt > source.size() || !readWord(source, valuesAt, count)) return ValueRead::Damaged;
    // As many values as times.
    if (repIs(timesRep, CrateType::DoubleVector) && !repIsInlined(timesRep) &&
        !repIsArray(timesRep)) {
        std::uint64_t times = 0;
        if (!readWord(source, repPayload(timesRep), times) || times != count)
            return ValueRead::Damaged;
    }
    if (count == 0) return ValueRead::Absent;
    if (!readWord(source, valuesAt + 8, sample)) return ValueRead::Damaged;
    return ValueRead::Done;
}

ValueRead readVectorArrayCount(const CrateFile& file, std::uint64_t rep, std::uint64_t& count) {
    const ValueRead known = checkRepType(file, rep);
    if (known != ValueRead::Done) return known;
    // Points are written as floats; doubles and halves are counted all the same.
    std::uint64_t elementSize = 0;
    if (repIs(rep, CrateType::Vec3f)) elementSize = 12;
    if (repIs(rep, CrateType::Vec3d)) elementSize = 24;
    if (repIs(rep, CrateType::Vec3h)) elementSize = 6;
    if (elementSize == 0) return ValueRead::Absent;
    ArrayPlace place;
    const ValueRead placed = placeArray(file, rep, place);
    if (placed != ValueRead::Done) return placed;
    // Vectors are never compressed: the elements themselves must be there.
    const std::uint64_t size = file.source.size();
    if (place.count != 0 && (place.data > size || place.count > (size - place.data) / elementSize))
        return ValueRead::Damaged;
    count = place.count;
    return ValueRead::Done;
}

ValueRead readFloatVectorArray(const CrateFile& file, std::uint64_t rep, unsigned components,
                               std::vector<float>& values) {
    values.clear();
    const ValueRead known = checkRepType(file, rep);
    if (known != ValueRead::Done) return known;
    const std::uint64_t componentSize = vectorComponentSize(rep, components);
    if (componentSize == 0) return ValueRead::Absent;
    ArrayPlace place;
    const ValueRead placed = placeArray(file, rep, place);
    if (placed != ValueRead::Done || place.count == 0) return placed;
    ByteSource& source = file.source;
    const std::uint64_t scalars = place.count * components;
    if (place.data > source.size() || scalars > (source.size() - place.data) / componentSize ||
        scalars > SIZE_MAX / 8)
        return ValueRead::Damaged;
    reserveLarge(values, static_cast<std::size_t>(scalars));
    values.resize(static_cast<std::size_t>(scalars));
    // Floats are read straight into the values (little-endian, as the machine); halves
    // and doubles a block at a time through a buffer, converted as they come.
    if (componentSize == 4) {
        if (source.readAt(place.data, values.data(), values.size() * 4)) return ValueRead::Done;
        values.clear();
        return ValueRead::Damaged;
    }
    constexpr std::size_t kBlockScalars = 8192;
    unsigned char block[kBlockScalars * 8];
    for (std::size_t done = 0; done < values.size();) {
        const std::size_t count = std::min(kBlockScalars, values.size() - done);
        if (!source.readAt(place.data + done * componentSize, block,
                           count * static_cast<std::size_t>(componentSize))) {
            values.clear();
            return ValueRead::Damaged;
        }
        for (std::size_t i = 0; i < count; ++i) {
            values[done + i] = componentSize == 8
                                   ? narrowed(loadLittle<double>(block + i * 8))
                                   : halfValue(loadLittle<std::uint16_t>(block + i * 2));
        }
        done += count;
    }
    return ValueRead::Done;
}

namespace {

// Where an int array's elements are, and its compressed blob when it has one (integer
// arrays are compressed from 0.5.0 on; short ones never are). Done with a count of 0 for
// an empty array. With no `blob`, a compressed blob's size is checked against the file and
// its bytes left unread: for a caller that needs only the count.
ValueRead placeIntArray(const CrateFile& file, std::uint64_t rep, ArrayPlace& place,
                        Bytes* blob) {
    if (blob != nullptr) blob->clear();
    const ValueRead known = checkRepType(file, rep);
    if (known != ValueRead::Done) return known;
    if (!repIs(rep, CrateType::Int) && !repIs(rep, CrateType::UInt)) return ValueRead::Absent;
    const ValueRead placed = placeArray(file, rep, place);
    if (placed != ValueRead::Done || place.count == 0) return placed;
    if (repIsCompressed(rep) && file.tables.version.minor >= 5 &&
        place.count >= kFewestCompressed) {
        std::uint64_t compressedSize = 0;
        if (!readWord(file.source, place.data, compressedSize) || compressedSize == 0 ||
            place.count > maxCompressedIntegers(compressedSize))
            return ValueRead::Damaged;
        const std::uint64_t start = place.data + 8;  // within the file: its size word was read
        const bool whole = blob != nullptr
                               ? readBytes(file.source, start, compressedSize, *blob)
                               : compressedSize <= file.source.size() - start;
        return whole ? ValueRead::Done : ValueRead::Damaged;
    }
    // A plain array is read straight from the file: it is little-endian, as is every
    // machine the library builds for, so the elements are their own in-memory form.
    if (place.data > file.source.size() || place.count > (file.source.size() - place.data) / 4 ||
        place.count > SIZE_MAX / 8)
        return ValueRead::Damaged;
    return ValueRead::Done;
}

}  // namespace

ValueRead readIntArray(const CrateFile& file, std::uint64_t rep, std::vector<std::int32_t>& values) {
    values.clear();
    ArrayPlace place;
    Bytes blob;
    const ValueRead placed = placeIntArray(file, rep, place, &blob);
    if (placed != ValueRead::Done || place.count == 0) return placed;
    if (!blob.empty()) {
        return decodeCompressedIntegers(blob.data(), blob.size(), place.count, values)
                   ? ValueRead::Done
                   : ValueRead::Damaged;
    }
    reserveLarge(values, static_cast<std::size_t>(place.count));
    values.resize(static_cast<std::size_t>(place.count));
    if (!file.source.readAt(place.data, values.data(), values.size() * 4)) {
        values.clear();
        return ValueRead::Damaged;
    }
    return ValueRead::Done;
}

ValueRead walkIntArray(const CrateFile& file, std::uint64_t rep, IntegerWalk& walk) {
    ArrayPlace place;
    Bytes blob;
    const ValueRead placed = placeIntArray(file, rep, place, walk.countsOnly() ? nullptr : &blob);
    if (placed != ValueRead::Done || place.count == 0) return placed;
    if (walk.countsOnly()) {
        walk.counted(place.count);
        return ValueRead::Done;
    }
    if (!blob.empty()) {
        return walkCompressedIntegers(blob.data(), blob.size(), place.count, walk)
                   ? ValueRead::Done
                   : ValueRead::Damaged;
    }
    std::vector<std::int32_t> stretch(
        static_cast<std::size_t>(std::min(place.count, kWalkStretch)));
    for (std::uint64_t done = 0; done < place.count;) {
        const std::uint64_t count = std::min(kWalkStretch, place.count - done);
        if (!file.source.readAt(place.data + 4 * done, stretch.data(),
                                static_cast<std::size_t>(4 * count)))
            return ValueRead::Damaged;
        walk.take(stretch.data(), static_cast<std::size_t>(count));
        done += count;
    }
    return ValueRead::Done;
}

ValueRead readRealArray(const CrateFile& file, std::uint64_t rep, std::vector<double>& values) {
    values.clear();
    const ValueRead known = checkRepType(file, rep);
    if (known != ValueRead::Done) return known;
    const bool isDouble = repIs(rep, CrateType::Double);
    if (!isDouble && !repIs(rep, CrateType::Float)) return ValueRead::Absent;
    const std::uint64_t elementSize = isDouble ? 8 : 4;
    ArrayPlace place;
    const ValueRead placed = placeArray(file, rep, place);
    if (placed != ValueRead::Done || place.count == 0) return placed;
    ByteSource& source = file.source;
    Bytes bytes;
    // Floating arrays are compressed from 0.6.0 on; short ones never are.
    if (!repIsCompressed(rep) || file.tables.version.minor < 6 ||
        place.count < kFewestCompressed) {
        if (!readElements(source, place.data, place.count, elementSize, bytes))
            return ValueRead::Damaged;
        values.resize(static_cast<std::size_t>(place.count));
        for (std::size_t i = 0; i < values.size(); ++i)
            values[i] = realAt(bytes.data() + i * elementSize, isDouble);
        return ValueRead::Done;
    }
    unsigned char code = 0;
    if (!readWord(source, place.data, code)) return ValueRead::Damaged;
    std::vector<std::uint32_t> words;
    if (code == kIntegerCode) {
        if (!readCompressedAt(source, place.data + 1, place.count, words)) return ValueRead::Damaged;
        values.resize(words.size());
        for (std::size_t i = 0; i < words.size(); ++i)
            values[i] = static_cast<double>(static_cast<std::int32_t>(words[i]));
        return ValueRead::Done;
    }
    if (code != kTableCode) return ValueRead::Damaged;
    // A table of the distinct values, then each element's index into it.
    std::uint32_t tableSize = 0;
    if (!readWord(source, place.data + 1, tableSize) ||
        !readElements(source, place.data + 5, tableSize, elementSize, bytes) ||
        !readCompressedAt(source, place.data + 5 + bytes.size(), place.count, words))
        return ValueRead::Damaged;
    values.resize(words.size());
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (words[i] >= tableSize) return ValueRead::Damaged;
        values[i] = realAt(bytes.data() + static_cast<std::size_t>(words[i]) * elementSize, isDouble);
    }
    return ValueRead::Done;
}

}  // namespace tessaryn
