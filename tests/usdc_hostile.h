// Damaged inputs for the crate reader, made deterministically from the real files: bit
// flips placed where the structure lies (the bootstrap, and the sections and table of
// contents at a file's end) as well as anywhere, and what must hold whatever the bytes.
#pragma once

#include <cstdint>
#include <string>

#include "usdc_support.h"

namespace usdc_testing {

// `bytes` with one to three bits flipped, chosen by `seed`.
inline std::string flipBits(const std::string& bytes, std::uint64_t seed) {
    std::string flipped = bytes;
    std::uint64_t state = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    auto next = [&state] {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return state >> 33;
    };
    const std::uint64_t flips = 1 + next() % 3;
    for (std::uint64_t i = 0; i < flips && !bytes.empty(); ++i) {
        const std::uint64_t where = next() % 4;
        std::uint64_t at = next();
        if (where == 0) at %= bytes.size() < 88 ? bytes.size() : 88;
        // The structure sits in the last part of a layer.
        else if (where <= 2) at = bytes.size() - 1 - at % (bytes.size() / 4 + 1);
        else at %= bytes.size();
        flipped[at] = static_cast<char>(flipped[at] ^ (1u << (next() % 8)));
    }
    return flipped;
}

// What a read of any bytes must keep to: no array longer than the bytes could hold
// compressed (each element takes 2 bits, LZ4 makes at most 255 bytes of one).
inline bool withinBounds(const WholeRead& read, std::size_t size) {
    return read.largestArray <= std::uint64_t{4} * 255 * size + 16;
}

}  // namespace usdc_testing
