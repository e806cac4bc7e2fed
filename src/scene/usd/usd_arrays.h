// The values of the arrays a crease rewrite reads from a USD mesh, read straight from the
// layer's bytes: integers (faceVertexCounts, faceVertexIndices, creaseIndices,
// creaseLengths) one at a time through a callback, so that an array of millions is never
// held; the tuples of `points`, only counted; and the few numbers of creaseSharpnesses
// with their text. Each reader starts right after the array's '[' and ends past its ']'.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scene/usd/usd_lexer.h"

namespace tessaryn {

enum class ArrayRead {
    Done,
    Malformed,  // something other than what the array should hold; passed over to its ']'
    Broken,     // the input ended or is damaged: the lexer has the problem
};

// Gives each integer to take(std::int32_t). Integers beyond 32 bits are Malformed.
template <typename Take>
ArrayRead readIntegerArray(UsdLexer& lexer, Take&& take) {
    UsdByteReader& reader = lexer.reader();
    std::int64_t value = 0;
    bool inNumber = false;
    bool negative = false;
    for (;;) {
        if (reader.cursor == reader.limit && !reader.ensure()) {
            lexer.skipGroup('[');  // reports the open bracket
            return ArrayRead::Broken;
        }
        // The tight loop: digits, separators and the closing bracket. A number may be cut
        // by the end of a block; value and inNumber carry it into the next one.
        const char* p = reader.cursor;
        const char* const end = reader.limit;
        char c = 0;
        for (; p != end; ++p) {
            c = *p;
            const auto digit = static_cast<unsigned>(static_cast<unsigned char>(c - '0'));
            if (digit < 10) {
                value = value * 10 + digit;
                if (value > INT32_MAX + std::int64_t{1}) break;
                inNumber = true;
                continue;
            }
            if (inNumber) {
                const std::int64_t number = negative ? -value : value;
                if (number > INT32_MAX) break;
                take(static_cast<std::int32_t>(number));
                inNumber = negative = false;
                value = 0;
            } else if (negative) {
                break;  // a sign without digits
            }
            if (c == ',' || c == ' ' || c == '\n' || c == '\r' || c == '\t') continue;
            if (c == '-') {
                negative = true;
                continue;
            }
            break;
        }
        reader.cursor = p;
        if (p == end) continue;
        if (c == ']' && !inNumber && !negative) {
            ++reader.cursor;
            return ArrayRead::Done;
        }
        if (!inNumber && !negative && (c == '#' || c == '/')) {
            lexer.skipSpaceInGroup();
            if (lexer.problem() != SceneProblem::None) return ArrayRead::Broken;
            if (reader.cursor != reader.limit && (*reader.cursor == '#' || *reader.cursor == '/'))
                break;  // a lone '/', which no comment starts
            continue;
        }
        break;
    }
    return lexer.skipGroup('[') ? ArrayRead::Malformed : ArrayRead::Broken;
}

// Counts the parenthesised tuples of an array such as points: [(0, 0, 0), (1, 0, 0)].
ArrayRead countTuples(UsdLexer& lexer, std::int64_t& count);

// Reads an array of numbers, keeping each as a value and as written.
ArrayRead readNumbers(UsdLexer& lexer, std::vector<double>& values,
                      std::vector<std::string>& texts);

}  // namespace tessaryn
