#include "crate_values.h"

#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "crate_compression.h"

namespace tessaryn::testkit {

namespace {

constexpr std::size_t kMinCompressed = 16;
constexpr std::uint8_t kPrependedItems = 1 << 5;  // the list op's header bit

std::uint64_t offsetPayload(std::uint64_t offset) {
    if (offset > kPayloadMask) throw std::length_error("crate value offset past 48 bits");
    return offset;
}

// Where a raw array starts, after its count.
std::uint64_t writeArrayHeader(CrateOutput& out, CrateVersion version, std::size_t count) {
    const std::uint64_t start = out.position();
    if (version.wideCounts()) {
        out.u64(count);
        return start;
    }
    if (count > UINT32_MAX) throw std::length_error("crate array too long for this version");
    out.u32(1);  // the rank, always 1
    out.u32(static_cast<std::uint32_t>(count));
    return start;
}

void writeStringRefs(CrateOutput& out, CrateTables& tables, const std::vector<std::string>& items) {
    out.u64(items.size());
    for (const std::string& item : items) out.u32(stringIndex(tables, item));
}

}  // namespace

std::uint64_t valueRep(CrateType type, std::uint64_t payload, std::uint64_t flags) {
    return flags | (static_cast<std::uint64_t>(type) << 48) | offsetPayload(payload);
}

std::uint64_t inlinedRep(CrateType type, std::uint32_t value) {
    return valueRep(type, value, kInlinedBit);
}

std::uint64_t writeDouble(CrateOutput& out, double value) {
    const auto narrow = static_cast<float>(value);
    if (static_cast<double>(narrow) == value)
        return inlinedRep(CrateType::Double, floatBits(narrow));
    const std::uint64_t at = out.position();
    std::uint64_t bits = 0;
    static_assert(sizeof bits == sizeof value);
    std::memcpy(&bits, &value, sizeof bits);
    out.u64(bits);
    return valueRep(CrateType::Double, at, 0);
}

std::uint64_t writeTokenVector(CrateOutput& out, CrateTables& tables,
                               const std::vector<std::string>& tokens) {
    const std::uint64_t at = out.position();
    out.u64(tokens.size());
    for (const std::string& token : tokens) out.u32(tokenIndex(tables, token));
    return valueRep(CrateType::TokenVector, at, 0);
}

std::uint64_t writePrependedStrings(CrateOutput& out, CrateTables& tables,
                                    const std::vector<std::string>& items) {
    const std::uint64_t at = out.position();
    out.u8(kPrependedItems);
    writeStringRefs(out, tables, items);
    return valueRep(CrateType::StringListOp, at, 0);
}

std::uint64_t writeVariantSelections(
    CrateOutput& out, CrateTables& tables,
    const std::vector<std::pair<std::string, std::string>>& selections) {
    const std::uint64_t at = out.position();
    out.u64(selections.size());
    for (const auto& [set, variant] : selections) {
        out.u32(stringIndex(tables, set));
        out.u32(stringIndex(tables, variant));
    }
    return valueRep(CrateType::VariantSelectionMap, at, 0);
}

std::uint64_t writeIntArray(CrateOutput& out, CrateVersion version, const std::int32_t* values,
                            std::size_t count, bool compress) {
    if (count == 0) return valueRep(CrateType::Int, 0, kArrayBit);
    if (compress && version.compressedInts() && count >= kMinCompressed) {
        // Not aligned: readers find compressed arrays by offset alone.
        std::string list;
        appendCompressedIntList(list, values, count);
        const std::uint64_t at = writeArrayHeader(out, version, count);
        out.bytes(list);
        return valueRep(CrateType::Int, at, kArrayBit | kCompressedBit);
    }
    out.alignTo8();
    const std::uint64_t at = writeArrayHeader(out, version, count);
    out.words(reinterpret_cast<const std::uint32_t*>(values), count);
    return valueRep(CrateType::Int, at, kArrayBit);
}

std::uint64_t writeFloatArray(CrateOutput& out, CrateVersion version, const float* values,
                              std::size_t count) {
    if (count == 0) return valueRep(CrateType::Float, 0, kArrayBit);
    out.alignTo8();
    const std::uint64_t at = writeArrayHeader(out, version, count);
    out.floats(values, count);
    return valueRep(CrateType::Float, at, kArrayBit);
}

std::uint64_t writeVec3fArray(CrateOutput& out, CrateVersion version, const float* xyz,
                              std::size_t count) {
    if (count == 0) return valueRep(CrateType::Vec3f, 0, kArrayBit);
    out.alignTo8();
    const std::uint64_t at = writeArrayHeader(out, version, count);
    out.floats(xyz, 3 * count);
    return valueRep(CrateType::Vec3f, at, kArrayBit);
}

std::uint64_t writeVec2fArray(CrateOutput& out, CrateVersion version, const float* uv,
                              std::size_t count) {
    if (count == 0) return valueRep(CrateType::Vec2f, 0, kArrayBit);
    out.alignTo8();
    const std::uint64_t at = writeArrayHeader(out, version, count);
    out.floats(uv, 2 * count);
    return valueRep(CrateType::Vec2f, at, kArrayBit);
}

std::uint64_t writeOneTimeSample(CrateOutput& out, double time, std::uint64_t sample) {
    const std::uint64_t times = out.position();
    out.u64(1);
    std::uint64_t bits = 0;
    std::memcpy(&bits, &time, sizeof bits);
    out.u64(bits);
    // The times' rep right after the first jump, the count and values right after the second.
    const std::uint64_t at = out.position();
    out.u64(8);
    out.u64(valueRep(CrateType::DoubleVector, times, 0));
    out.u64(8);
    out.u64(1);
    out.u64(sample);
    return valueRep(CrateType::TimeSamples, at, 0);
}

}  // namespace tessaryn::testkit
