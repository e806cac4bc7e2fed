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
