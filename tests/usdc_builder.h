// A small writer of crate layers for the reader's tests: tokens, strings, fields, paths
// and specs laid out by hand, in the compressed layout (0.4.0 on) or the oldest one
// (0.0.x), with values placed as the test wishes. Its integer lists always use 32-bit
// deltas and its LZ4 blocks literals only: plain to check, and still what a reader meets.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "scene/usdc/crate_values.h"

namespace usdc_testing {

template <typename Word>
std::string le(Word word) {
    std::string out(sizeof word, '\0');
    std::memcpy(&out[0], &word, sizeof word);
    return out;
}

constexpr std::uint64_t kArray = 1ULL << 63;
constexpr std::uint64_t kInlined = 1ULL << 62;
constexpr std::uint64_t kCompressed = 1ULL << 61;

inline std::uint64_t rep(tessaryn::CrateType type, std::uint64_t payload, std::uint64_t bits = 0) {
    return bits | (std::uint64_t{static_cast<unsigned>(type)} << 48) | payload;
}

// The integer coding of `values`, every delta as 32 bits.
std::string encodeIntegers(const std::vector<std::uint32_t>& values);
// A compressed list: its u64 size, then a one-block blob of literals.
std::string compressedList(const std::vector<std::uint32_t>& values);

class CrateBuilder {
public:
    explicit CrateBuilder(unsigned minor = 8, unsigned major = 0);

    std::uint32_t token(const std::string& text);
    std::uint32_t string(const std::string& text);
    // A new path under `parent` (0 is the root); its index.
    std::uint32_t path(std::uint32_t parent, const std::string& element, bool property = false);
    // Places bytes among the values; their offset.
    std::uint64_t place(const std::string& bytes);
    // A spec with its fields, each a name and a value rep.
    void spec(std::uint32_t path, tessaryn::CrateSpecType type,
              const std::vector<std::pair<std::string, std::uint64_t>>& fields);

    // Reps of the common values, placed where needed.
    std::uint64_t tokenRep(const std::string& text);
    std::uint64_t tokenVector(const std::vector<std::string>& texts);
    std::uint64_t specifier(unsigned value);
    std::uint64_t intArray(const std::vector<std::int32_t>& values);
    // An array's header for this version: its count, after a rank before 0.5.0.
    std::string arrayHeader(std::uint64_t count) const;
    unsigned minor() const { return minor_; }

    std::string build() const;

private:
    struct Node {
        std::uint32_t parent;
        std::uint32_t token;
        bool property;
        std::vector<std::uint32_t> children;
    };
    struct Spec {
        std::uint32_t path;
        std::uint32_t fieldSet;
        std::uint32_t type;
    };
    void preorder(std::uint32_t node, std::vector<std::uint32_t>& order) const;
    std::string legacyPaths(std::uint64_t sectionStart) const;

    unsigned minor_;
    unsigned major_;
    std::string values_;
    std::vector<std::string> tokens_;
    std::vector<std::uint32_t> strings_;
    std::vector<std::pair<std::uint32_t, std::uint64_t>> fields_;
    std::vector<std::uint32_t> fieldSets_;
    std::vector<Node> nodes_;
    std::vector<Spec> specs_;
};

// A layer that holds a bit of everything the reader reads, in the layout of `minor`: /Q
// (no specifier) holding the class /Q/R (listed twice); /P holding variant set a, whose
// variant x holds the mesh C and variant set b, whose variant y holds the mesh D. P's
// typeName rep is `typeOfP` when given.
std::string nestedLayer(unsigned minor, std::uint64_t typeOfP = 0);

}  // namespace usdc_testing
