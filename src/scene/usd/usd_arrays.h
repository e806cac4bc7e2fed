// The values of the arrays a crease rewrite reads from a USD mesh, read straight from the
// layer's bytes: integers (faceVertexCounts, faceVertexIndices, creaseIndices,
// creaseLengths) one at a time through a callback, so that an array of millions is never
// held; the tuples of `points`, only counted; and the few numbers of creaseSharpnesses
// with their text. Each reader starts right after the array's '[' and ends past its ']'.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/numbers.h"
#include "scene/usd/usd_lexer.h"
#include "scene/usd/usd_word_bytes.h"

namespace tessaryn {

enum class ArrayRead {
    Done,
    Malformed,  // something other than what the array should hold; passed over to its ']'
    Broken,     // the input ended or is damaged: the lexer has the problem
};

// Gives each integer to take(std::int32_t). Integers beyond 32 bits are Malformed.
//
// The reader keeps kIntegerLookAhead bytes ahead of the cursor wherever the input goes on,
// so that a number never runs past the bytes at hand: each is read whole in one short
// loop, with no state carried from one block into the next.
constexpr std::size_t kIntegerLookAhead = 32;

#if defined(__SSE2__)
// The numbers of the 64 bytes at `p` (which start a number or a separator, 72 of them at
// hand) that end in them before a separator, while those bytes are digits, a '-' before
// a number's digits, and separators (blank, comma, tab, CR, LF) and each number has
// fewer than eight digits: all found at once from where the bytes say they lie, not one
// after the other. Gives how many bytes were passed (up to the last number taken's end),
// 0 for the number-by-number road to go on, which reads (or refuses) what is left alike.
template <typename Take>
std::size_t readIntegerBlock(const char* p, Take& take) {
    std::uint64_t separators = 0;
    std::uint64_t digits = 0;
    std::uint64_t minuses = 0;
    const auto bitsOf = [](__m128i matches) {
        return std::uint64_t{static_cast<unsigned>(_mm_movemask_epi8(matches))};
    };
    for (int at = 0; at < 64; at += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at));
        const auto is = [&bytes](char c) { return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c)); };
        const __m128i separator =
            _mm_or_si128(_mm_or_si128(is(','), is(' ')),
                         _mm_or_si128(is('\n'), _mm_or_si128(is('\r'), is('\t'))));
        separators |= bitsOf(separator) << at;
        minuses |= bitsOf(is('-')) << at;
        // A digit less '0' is at most 9 as an unsigned byte.
        const __m128i value = _mm_sub_epi8(bytes, _mm_set1_epi8('0'));
        digits |= bitsOf(_mm_cmpeq_epi8(_mm_min_epu8(value, _mm_set1_epi8(9)), value)) << at;
    }
    // The bytes up to the first that is none of them; the numbers ending in them.
    const std::uint64_t others = ~(separators | digits | minuses);
    const std::uint64_t known = others != 0 ? (others & (0 - others)) - 1 : ~std::uint64_t{0};
    const std::uint64_t lastDigits = digits & (separators >> 1) & (known >> 1);
    if (lastDigits == 0) return 0;
    const auto lastEnd = static_cast<unsigned>(63 - __builtin_clzll(lastDigits));
    const std::uint64_t part =
        lastEnd == 63 ? ~std::uint64_t{0} : (std::uint64_t{2} << lastEnd) - 1;
    const std::uint64_t numberBytes = (digits | minuses) & part;
    const std::uint64_t starts = numberBytes & ~(numberBytes << 1);
    // A '-' only as a number's first byte, right before a digit.
    if ((minuses & part & ~starts) != 0 || ((minuses & part) << 1 & ~digits) != 0) return 0;
    std::uint64_t firstDigits = (starts & ~minuses) | ((starts & minuses) << 1);
    std::uint64_t ends = lastDigits;
    std::size_t passed = 0;
    for (; firstDigits != 0; firstDigits &= firstDigits - 1, ends &= ends - 1) {
        const auto first = static_cast<unsigned>(__builtin_ctzll(firstDigits));
        const auto last = static_cast<unsigned>(__builtin_ctzll(ends));
        const unsigned length = last + 1 - first;
        if (length >= 8) break;
        // The digits moved to the top of a word with zeros before them, then combined.
        const std::uint64_t word = loadWord(p + first) ^ (byte_search::kOnes * '0');
        const auto value = static_cast<std::int32_t>(digitBytesValue(word << (8 * (8 - length))));
        const bool negative = first > 0 && ((minuses >> (first - 1)) & 1) != 0;
        take(negative ? -value : value);
        passed = last + 1;
    }
    return passed;
}
#endif

template <typename Take>
ArrayRead readIntegerArray(UsdLexer& lexer, Take&& take) {
    UsdByteReader& reader = lexer.reader();
    for (;;) {
        const bool more = reader.ensure(kIntegerLookAhead);
        const char* p = reader.cursor;
        const char* const end = reader.limit;
        if (p == end) {
            lexer.skipGroup('[');  // reports the open bracket
            return ArrayRead::Broken;
        }
        // Far enough from the end of the bytes at hand that the longest number fits.
        const char* const safe = more ? end - (kIntegerLookAhead - 12) : end;
        bool malformed = false;
        while (p < safe) {
#if defined(__SSE2__)
            // Most of a large array: its numbers a block at a time.
            if (end - p >= 72) {
                const std::size_t passed = readIntegerBlock(p, take);
                if (passed != 0) {
                    p += passed;
                    continue;
                }
            }
#endif
            const char c = *p;
            if (c == ',' || c == ' ') {
                ++p;
                continue;
            }
            const bool negative = c == '-';
            const char* const digits = p + (negative ? 1 : 0);
            if (end - digits >= 8) {
                // Fewer than eight digits (nearly every vertex index) in one step.
                std::uint64_t value = 0;
                const unsigned length = leadingDigits(loadWord(digits), value);
                if (length != 0 && length < 8) {
                    take(negative ? static_cast<std::int32_t>(0 - value)
                                  : static_cast<std::int32_t>(value));
                    p = digits + length;
                    // USD's own separator passed at once: the next number's first byte
                    // then does not wait for a trip round the loop per byte.
                    if (end - p >= 2 && p[0] == ',' && p[1] == ' ') p += 2;
                    continue;
                }
            }
            const char* q = digits;
            std::uint64_t value = 0;
            unsigned digit = 0;
            while (q != end && q - digits <= 10 &&
                   (digit = static_cast<unsigned char>(*q - '0')) < 10) {
                value = value * 10 + digit;
                ++q;
            }
            if (q != digits) {
                // Too many digits for 32 bits, or a value beyond them.
                if ((q != end && static_cast<unsigned char>(*q - '0') < 10) ||
                    value > (negative ? std::uint64_t{1} << 31 : std::uint64_t{INT32_MAX})) {
                    malformed = true;
                    break;
                }
                take(negative ? static_cast<std::int32_t>(0 - value)
                              : static_cast<std::int32_t>(value));
                p = q;
                continue;
            }
            if (c == ']') {
                reader.cursor = p + 1;
                return ArrayRead::Done;
            }
            if (c == '\n' || c == '\r' || c == '\t') {
                ++p;
                continue;
            }
            malformed = c != '#' && c != '/';
            break;
        }
        reader.cursor = p;
        if (malformed) break;
        if (p < safe) {
            // A comment inside the array; a lone '/' starts none.
            lexer.skipSpaceInGroup();
            if (lexer.problem() != SceneRefusal::None) return ArrayRead::Broken;
            if (reader.cursor == p) break;
        }
    }
    return lexer.skipGroup('[') ? ArrayRead::Malformed : ArrayRead::Broken;
}

// Counts the parenthesised tuples of an array such as points: [(0, 0, 0), (1, 0, 0)].
ArrayRead countTuples(UsdLexer& lexer, std::int64_t& count);

// Reads the numbers of an array of `width`-tuples, such as points [(0, 0, 0), (1, 0, 0)]
// or texture coordinates [(0.5, 1), ...], into `values`, tuple after tuple. USD's
// spellings of what is not finite (inf, -inf, nan) are read as such; a number longer than
// kFloatLookAhead / 2 bytes, a tuple of another width or anything else is Malformed.
constexpr std::size_t kFloatLookAhead = 96;
ArrayRead readFloatTuples(UsdLexer& lexer, std::size_t width, std::vector<float>& values);

// Reads an array of numbers, keeping each as a value and as written.
ArrayRead readNumbers(UsdLexer& lexer, std::vector<double>& values,
                      std::vector<std::string>& texts);

}  // namespace tessaryn
