// The shortest decimals of the floats a thread formats last, kept by their bits: a mesh's
// coordinates repeat (texture coordinates on a grid or along a seam, points on a plane or
// a ring), and copying the text of a value met a little before costs a tenth of
// formatting it again. The text is putShortestDecimal's either way.
#pragma once

#include <cstdint>
#include <cstring>

#include "base/numbers.h"

namespace tessaryn {

class FloatTextCache {
public:
    // The text of `value` at `at`, which has room for kShortestFloatBytes; gives its end.
    char* put(char* at, float value) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        // A negative value is its magnitude's text after a minus sign (-0, -inf and -nan
        // too), so a value and its mirror share an entry.
        if ((bits & kSign) != 0) {
            *at++ = '-';
            bits &= ~kSign;
            std::memcpy(&value, &bits, sizeof value);
        }
        Entry& entry = entries_[(bits * kSpread) >> (32 - kEntryBits)];
        if (entry.length != 0 && entry.bits == bits) {
            std::memcpy(at, entry.text, sizeof entry.text);
            return at + entry.length;
        }
        char* const end = putShortestDecimal(at, value);
        entry.bits = bits;
        entry.length = static_cast<std::uint8_t>(end - at);
        std::memcpy(entry.text, at, sizeof entry.text);
        return end;
    }

private:
    static constexpr std::uint32_t kSign = std::uint32_t{1} << 31;
    // Floats of nearby values differ in their low bits: a multiplier by the golden ratio
    // spreads them over the entries.
    static constexpr std::uint32_t kSpread = 2654435761u;
    // 4096 entries, 96 KiB: room in the processor's second-level cache.
    static constexpr unsigned kEntryBits = 12;

    // The text of a magnitude takes at most 14 bytes ("1.00000005e-38"); it is copied as
    // 16, the bytes past its end overwritten by what follows.
    struct Entry {
        std::uint32_t bits = 0;
        std::uint8_t length = 0;  // 0: empty
        char text[16] = {};
    };
    static_assert(1 + sizeof(Entry::text) <= kShortestFloatBytes,
                  "a minus sign and a copied entry stay in the room a float's text is given");

    Entry entries_[std::size_t{1} << kEntryBits];
};

}  // namespace tessaryn
