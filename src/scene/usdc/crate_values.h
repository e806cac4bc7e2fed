// The values of a crate file's fields, read from the 8-byte value rep a field holds: the
// rep's high bits tell array, inlined and compressed, then the value's type; its low 48
// bits hold the value itself or the offset of its bytes. Only the types a crease rewrite
// needs are decoded; a field of another type reads as Absent, never as an error.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/byte_source.h"
#include "scene/usdc/crate_integers.h"
#include "scene/usdc/crate_sections.h"

namespace tessaryn {

// The file a value is read from and the tables that name its tokens and strings.
struct CrateFile {
    ByteSource& source;
    const CrateTables& tables;
};

enum class CrateType : unsigned {
    Bool = 1,
    Int = 3,
    UInt = 4,
    Half = 7,
    Float = 8,
    Double = 9,
    String = 10,
    Token = 11,
    AssetPath = 12,
    Vec2d = 19,
    Vec2f = 20,
    Vec2h = 21,
    Vec3d = 23,
    Vec3f = 24,
    Vec3h = 25,
    TokenListOp = 32,
    StringListOp = 33,
    ReferenceListOp = 35,
    TokenVector = 41,
    Specifier = 42,
    Variability = 44,
    VariantSelectionMap = 45,
    TimeSamples = 46,
    Payload = 47,
    DoubleVector = 48,
    StringVector = 50,
    ValueBlock = 51,
    PayloadListOp = 55,
};

// The last type of the newest known version (splines).
constexpr unsigned kLastKnownType = 59;

inline unsigned repType(std::uint64_t rep) {
    return static_cast<unsigned>((rep >> 48) & 0xFFu);
}
inline bool repIsArray(std::uint64_t rep) {
    return (rep >> 63) != 0;
}
inline bool repIsInlined(std::uint64_t rep) {
    return ((rep >> 62) & 1u) != 0;
}
inline bool repIsCompressed(std::uint64_t rep) {
    return ((rep >> 61) & 1u) != 0;
}
inline std::uint64_t repPayload(std::uint64_t rep) {
    return rep & 0xFFFFFFFFFFFFULL;
}
inline bool repIs(std::uint64_t rep, CrateType type) {
    return repType(rep) == static_cast<unsigned>(type);
}

enum class ValueRead {
    Done,
    Absent,       // no value here: a value block, or a type or shape not read
    Damaged,      // the value's bytes are not what its rep promises
    UnknownType,  // a type a newer version added
};

// Damaged or UnknownType: what stops a read, where Absent only means no value.
inline bool readFailed(ValueRead read) {
    return read == ValueRead::Damaged || read == ValueRead::UnknownType;
}

// Absent, Damaged or UnknownType for a rep whose type is no known type.
ValueRead checkRepType(const CrateFile& file, std::uint64_t rep);

// The value rep of field `name` (a token index) of spec `spec`; false when the spec has none.
bool findField(const CrateTables& tables, const CrateSpec& spec, std::uint32_t name,
               std::uint64_t& rep);

// The same by the field's name.
bool findField(const CrateTables& tables, const CrateSpec& spec, const std::string& name,
               std::uint64_t& rep);

// The layer's answer to a value that could not be read: Unreadable when the file failed,
// else Damaged or UnknownType naming `what`.
CrateResult valueProblem(const ByteSource& source, ValueRead read, std::string what);

// A token, string or asset path, as text.
ValueRead readText(const CrateFile& file, std::uint64_t rep, std::string& text);

enum class CrateNumberKind { Double, Float, Int };

// A scalar double, float or int, with the type it was stored as.
struct CrateNumber {
    CrateNumberKind kind = CrateNumberKind::Double;
    double value = 0;
};
ValueRead readNumber(const CrateFile& file, std::uint64_t rep, CrateNumber& number);

// A specifier: 0 def, 1 over, 2 class.
ValueRead readSpecifier(const CrateFile& file, std::uint64_t rep, unsigned& specifier);

// The token indices of a token vector.
ValueRead readTokenVector(const CrateFile& file, std::uint64_t rep,
                          std::vector<std::uint32_t>& tokens);
// The texts of a string vector.
ValueRead readStringVector(const CrateFile& file, std::uint64_t rep,
                           std::vector<std::string>& texts);
// The items of a token or string list op that add to a list: its explicit, added,
// prepended and appended items; deleted and reordered ones are left out.
ValueRead readListOpTexts(const CrateFile& file, std::uint64_t rep,
                          std::vector<std::string>& texts);
// The asset paths of a reference or payload list op's items, or of one payload, in the
// same way; an item without asset path (a reference within the layer) gives none.
ValueRead readAssetPaths(const CrateFile& file, std::uint64_t rep,
                         std::vector<std::string>& assets);
// The (variant set, variant) pairs of a variant selection map.
ValueRead readVariantSelections(const CrateFile& file, std::uint64_t rep,
                                std::vector<std::pair<std::string, std::string>>& selections);

// The rep of the first sample of a time samples value; Absent when it has no sample.
ValueRead readFirstSample(const CrateFile& file, std::uint64_t rep, std::uint64_t& sample);

// The element count of an array of 3-vectors (points), without reading its elements.
ValueRead readVectorArrayCount(const CrateFile& file, std::uint64_t rep, std::uint64_t& count);
// An array of 2- or 3-vectors (`components`: texture coordinates, points) of floats, halves
// or doubles, as floats: the components of each element in turn. Absent for an array of
// other elements. Vectors are never compressed.
ValueRead readFloatVectorArray(const CrateFile& file, std::uint64_t rep, unsigned components,
                               std::vector<float>& values);
// An int array, raw or compressed.
ValueRead readIntArray(const CrateFile& file, std::uint64_t rep, std::vector<std::int32_t>& values);
// The same array handed to `walk` a stretch at a time, never held whole.
ValueRead walkIntArray(const CrateFile& file, std::uint64_t rep, IntegerWalk& walk);
// A float or double array, raw or compressed (as integers, or as indices into a table).
ValueRead readRealArray(const CrateFile& file, std::uint64_t rep, std::vector<double>& values);

}  // namespace tessaryn
