// Value reps, the eight bytes a field holds: a type, three flags and either the value
// itself (inlined) or the offset where the writers below put its bytes. The writers
// append to the layer's output, at its current position.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "crate_output.h"
#include "crate_tables.h"

namespace tessaryn::testkit {

enum class CrateType : std::uint64_t {
    Int = 3,
    Float = 8,
    Double = 9,
    Token = 11,
    Vec2f = 20,
    Vec3f = 24,
    StringListOp = 33,
    TokenVector = 41,
    Specifier = 42,
    Variability = 44,
    VariantSelectionMap = 45,
    TimeSamples = 46,
    DoubleVector = 48,
};

constexpr std::uint64_t kArrayBit = std::uint64_t{1} << 63;
constexpr std::uint64_t kInlinedBit = std::uint64_t{1} << 62;
constexpr std::uint64_t kCompressedBit = std::uint64_t{1} << 61;
constexpr std::uint64_t kPayloadMask = (std::uint64_t{1} << 48) - 1;

// What changes with the version written: array counts are u32 after a u32 rank before
// 0.7.0 (0.4.0 here), u64 from it; integer arrays may be compressed from 0.5.0.
struct CrateVersion {
    std::uint8_t minor = 8;
    bool wideCounts() const { return minor >= 7; }
    bool compressedInts() const { return minor >= 5; }
};

std::uint64_t valueRep(CrateType type, std::uint64_t payload, std::uint64_t flags);
std::uint64_t inlinedRep(CrateType type, std::uint32_t value);

// A double inlined as a float when the float holds it exactly, else its eight bytes.
std::uint64_t writeDouble(CrateOutput& out, double value);
std::uint64_t writeTokenVector(CrateOutput& out, CrateTables& tables,
                               const std::vector<std::string>& tokens);
// A string list op holding only prepended items.
std::uint64_t writePrependedStrings(CrateOutput& out, CrateTables& tables,
                                    const std::vector<std::string>& items);
std::uint64_t writeVariantSelections(
    CrateOutput& out, CrateTables& tables,
    const std::vector<std::pair<std::string, std::string>>& selections);

// Arrays: an empty one is a rep with offset 0 and no bytes. Int arrays are compressed
// when asked, the version allows it and they hold 16 values or more (a reader takes
// shorter ones raw); the others are always raw, eight-byte aligned.
std::uint64_t writeIntArray(CrateOutput& out, CrateVersion version, const std::int32_t* values,
                            std::size_t count, bool compress);
std::uint64_t writeFloatArray(CrateOutput& out, CrateVersion version, const float* values,
                              std::size_t count);
// `count` points, 3 * count floats.
std::uint64_t writeVec3fArray(CrateOutput& out, CrateVersion version, const float* xyz,
                              std::size_t count);
// `count` pairs (texture coordinates), 2 * count floats.
std::uint64_t writeVec2fArray(CrateOutput& out, CrateVersion version, const float* uv,
                              std::size_t count);
// One value (`sample`, a rep) at one time: the times as a vector of doubles, then the
// samples' two jumps, each relative to where it stands.
std::uint64_t writeOneTimeSample(CrateOutput& out, double time, std::uint64_t sample);

}  // namespace tessaryn::testkit
