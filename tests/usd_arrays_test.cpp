#include "scene/usd/usd_arrays.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "scene/usd/usd_byte_reader.h"
#include "scene/usd/usd_lexer.h"
#include "scene/usd/usd_word_bytes.h"
#include "support.h"
#include "tools/second_thread.h"

using tessaryn::ArrayRead;
using tessaryn::SceneRefusal;
using tessaryn::UsdByteReader;
using tessaryn::UsdLexer;
using tessaryn::UsdTokenKind;

namespace {

// The arrays are read a block of sixteen bytes or a word of eight at a time where the
// bytes allow, and byte by byte near the end of the input and around anything else: each
// case is read with every shift of its bytes against the blocks, by blanks after its '[',
// and must come out the same each time.
constexpr int kShifts = 17;

// `text` (from just after the '[') in a heap block of its own, so that the address
// sanitizer sees a read past its end, behind a reader and lexer at its start.
struct ArrayInput {
    explicit ArrayInput(const std::string& text) : bytes(text), lexer(opened(reader, bytes)) {}

    static UsdByteReader& opened(UsdByteReader& reader, testing_support::InMemory& bytes) {
        reader.openBlocks(bytes.lines);
        return reader;
    }

    testing_support::InMemory bytes;  // first: the reader and lexer are made on it
    UsdByteReader reader;
    UsdLexer lexer;
};

// Numbers that look random, the same on every run from the same seed.
struct XorShift {
    std::uint64_t state;
    std::uint64_t operator()() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    }
};

std::string shifted(int shift, const std::string& text) {
    return std::string(static_cast<std::size_t>(shift), ' ') + text;
}

struct IntegerRow {
    const char* text;
    ArrayRead read;
    std::vector<std::int32_t> values;  // those taken before the read ended
    const char* after;                 // the word after the array
};

TEST(UsdArrays, IntegersWordByWordAsByteByByte) {
    const IntegerRow rows[] = {
        {"0, 1, 22, 333, 4444, 55555, 666666, 7777777] x",
         ArrayRead::Done,
         {0, 1, 22, 333, 4444, 55555, 666666, 7777777},
         "x"},
        {"12345678, 123456789, 2147483647, -2147483648, 0000000001] x",
         ArrayRead::Done,
         {12345678, 123456789, 2147483647, INT32_MIN, 1},
         "x"},
        {"-1,-22 ,\n-333\t,\r\n4444 ,5,   6] x", ArrayRead::Done, {-1, -22, -333, 4444, 5, 6}, "x"},
        {"1, # a comment ] 2\n 3, /* 4, */ 5] x", ArrayRead::Done, {1, 3, 5}, "x"},
        {"] x", ArrayRead::Done, {}, "x"},
        {"1234567]x", ArrayRead::Done, {1234567}, "x"},
        {"7, 2147483648] x", ArrayRead::Malformed, {7}, "x"},
        {"7, -2147483649] x", ArrayRead::Malformed, {7}, "x"},
        {"12345678901] x", ArrayRead::Malformed, {}, "x"},
        {"1, 2.5, 3] x", ArrayRead::Malformed, {1, 2}, "x"},
        {"1, 2e5, 3] x", ArrayRead::Malformed, {1, 2}, "x"},
        {"1, -, 3] x", ArrayRead::Malformed, {1}, "x"},
        {"1, (2), 3] x", ArrayRead::Malformed, {1}, "x"},
        {"1, 2, 3", ArrayRead::Broken, {1, 2, 3}, nullptr},
        {"1234567", ArrayRead::Broken, {1234567}, nullptr},
    };
    for (const IntegerRow& row : rows) {
        for (int shift = 0; shift < kShifts; ++shift) {
            SCOPED_TRACE(std::string(row.text) + ", shifted by " + std::to_string(shift));
            ArrayInput input(shifted(shift, row.text));
            std::vector<std::int32_t> taken;
            const ArrayRead read = tessaryn::readIntegerArray(
                input.lexer, [&](std::int32_t value) { taken.push_back(value); });
            EXPECT_EQ(read, row.read);
            EXPECT_EQ(taken, row.values);
            if (row.after != nullptr) {
                EXPECT_TRUE(input.lexer.next().isWord(row.after));
            }
        }
    }
}

// Long arrays, whose numbers are read a block of 64 bytes at a time, then one at a time
// around anything a block does not take: numbers of every length from one digit to ten,
// signs, every separator, then each short row's text, its end read as on its own.
TEST(UsdArrays, IntegersInBlocksAsOneByOne) {
    XorShift next{0x2545F4914F6CDD1DULL};
    const char* const separators[] = {", ", ",", " ", ",\n", " ,\t", "\r\n", ",  "};
    const std::vector<std::string> tails = {
        "7777777] x",
        "1, 2.5, 3] x",
        "1-2, 3] x",
        "5, --3] x",
        "9, -, 3] x",
        "12345678, 123456789, 2147483647, -2147483648, 0000000001] x",
        "7, 2147483648] x",
        "12345678901] x",
        "1, # a comment ] 2\n 3, /* 4, */ 5] x",
        "(2)] x",
        "4, 5"};
    for (std::size_t row = 0; row < 40; ++row) {
        std::string text;
        std::vector<std::int32_t> values;
        const std::size_t count = 20 + next() % 200;
        for (std::size_t i = 0; i < count; ++i) {
            const unsigned digits = 1 + static_cast<unsigned>(next() % (row % 4 == 0 ? 10 : 7));
            std::int64_t value = 0;
            std::string number;
            for (unsigned d = 0; d < digits; ++d) {
                const char digit = static_cast<char>('0' + next() % 10);
                number += digit;
                value = value * 10 + (digit - '0');
            }
            if (value > INT32_MAX) continue;
            const bool negative = next() % 3 == 0;
            text += (negative ? "-" : "") + number + separators[next() % 7];
            values.push_back(static_cast<std::int32_t>(negative ? -value : value));
        }
        const std::string& tail = tails[row % tails.size()];
        ArrayInput alone(tail);
        std::vector<std::int32_t> tailValues;
        const ArrayRead tailRead = tessaryn::readIntegerArray(
            alone.lexer, [&](std::int32_t value) { tailValues.push_back(value); });
        values.insert(values.end(), tailValues.begin(), tailValues.end());
        for (int shift = 0; shift < kShifts; ++shift) {
            SCOPED_TRACE("row " + std::to_string(row) + " shifted " + std::to_string(shift));
            ArrayInput input(shifted(shift, text + tail));
            std::vector<std::int32_t> taken;
            EXPECT_EQ(tessaryn::readIntegerArray(
                          input.lexer, [&](std::int32_t value) { taken.push_back(value); }),
                      tailRead);
            EXPECT_EQ(taken, values);
            if (tailRead != ArrayRead::Broken) {
                EXPECT_TRUE(input.lexer.next().isWord("x"));
            }
        }
    }
}

struct TupleRow {
    const char* text;
    ArrayRead read;
    std::int64_t count;
};

TEST(UsdArrays, TuplesCountedWordByWordAsByteByByte) {
    const TupleRow rows[] = {
        {"(0, 0, 0), (1.5, -2e-05, 3), (4,5,6)] x", ArrayRead::Done, 3},
        {"(0.00048828125, 0), (0.0009765625, 0), (0.0014648438, 0)] x", ArrayRead::Done, 3},
        {"(1,2),(3,4),(5,6),(7,8),(9,0)] x", ArrayRead::Done, 5},
        {"(1, 2), # (3, 4) ]\n (5, 6), /* (7) */ (8, 9)] x", ArrayRead::Done, 3},
        {"(1, 2),\r\n\t(3, 4)] x", ArrayRead::Done, 2},
        {"] x", ArrayRead::Done, 0},
        {"(1, 2), \"(3)\"] x", ArrayRead::Malformed, 0},
        {"(1, 2), [3]] x", ArrayRead::Malformed, 0},
        {"(1, 2), (3, 4)", ArrayRead::Broken, 0},
        {"(1111, 2222), (3333, 4444), (5555, 6666), (7777, 8888)] x", ArrayRead::Done, 4},
        {"(1111, 2222), (3333, 4444) // (5, 6)\n, (7777, 8888)] x", ArrayRead::Done, 3},
        {"(1111, 2222), (3333, 4444), (5555, 6666e-05)] x", ArrayRead::Done, 3},
    };
    for (const TupleRow& row : rows) {
        for (int shift = 0; shift < kShifts; ++shift) {
            SCOPED_TRACE(std::string(row.text) + ", shifted by " + std::to_string(shift));
            ArrayInput input(shifted(shift, row.text));
            std::int64_t count = -1;
            EXPECT_EQ(tessaryn::countTuples(input.lexer, count), row.read);
            if (row.read == ArrayRead::Done) {
                EXPECT_EQ(count, row.count);
            }
            if (row.read != ArrayRead::Broken) {
                EXPECT_TRUE(input.lexer.next().isWord("x"));
            }
        }
    }
}

struct GroupRow {
    const char* text;  // from the opening bracket on
    bool passed;
};

// Groups nobody reads are passed to their closer, parentheses counted a word at a time;
// whatever their nesting, the closer found is the one that matches.
TEST(UsdArrays, GroupsPassedToTheirCloser) {
    const GroupRow rows[] = {
        {"[(0.5, 1), (2, 3), (4, 5)] x", true},
        {"[(1, (2, (3))), [4, (5)], {6}] x", true},
        {"((1, 2), (3, 4)) x", true},
        {"(1) x", true},
        {"(((((((((((1))))))))))) x", true},
        {"[((1,2)), ([3]), ({4}), ((5, [6, (7)]))] x", true},
        {"[(11111111), (22222222), (33333333)] x", true},
        {"[(1, \")\"), (2, ']'), (3 # ) ]\n)] x", true},
        {"{ double3 d = (1, 2, 3); int[] a = [(1), (2)] } x", true},
        {"[(1, 2]] x", false},
        {"[(1, 2)))] x", false},
        {"((1, 2), (3, 4)] x", false},
        {"[(1, 2), (3, 4) x", false},
        {"((((((((((1))))))))))", true},
        {"((((((((((1)))))))))", false},
        {"((1111, 2222), (3333, 4444), (5555, 6666)) x", true},
        {"(1111111111111111111111111111111111111) x", true},
        {"[(1111, 2222), (3333, 4444), (5555, 6666)] x", true},
        {"[(1111, 2222), (3333, 4444) // ]\n, (5555, 6666)] x", true},
        {"[(1111, 2222), (3333, 4444), (5555, 6666))] x", false},
    };
    // Runs of integers longer than the sixty-four bytes passed at once, around groups.
    std::string run;
    for (int i = 0; i < 40; ++i) run += std::to_string(i * 37) + ", -" + std::to_string(i) + ", ";
    const std::string longTexts[] = {
        "[" + run + "(5, [6, " + run + "]), " + run + "] x",
        "(" + run + ") x",
        "[" + run + "{" + run + "}" + run + "] x",
        "[" + run + ")] x",
        "[" + run + "(" + run + "] x",
    };
    std::vector<GroupRow> allRows(std::begin(rows), std::end(rows));
    for (int i = 0; i < 5; ++i) allRows.push_back({longTexts[i].c_str(), i < 3});
    for (const GroupRow& row : allRows) {
        for (int shift = 0; shift < kShifts; ++shift) {
            const std::string text = std::string(1, row.text[0]) + shifted(shift, row.text + 1);
            SCOPED_TRACE(text);
            ArrayInput input(text);
            const char open = input.lexer.next().punct;
            EXPECT_EQ(input.lexer.skipGroup(open), row.passed);
            EXPECT_EQ(input.lexer.problem() == SceneRefusal::UnterminatedBlock, !row.passed);
            const auto& after = input.lexer.next();
            if (row.passed && text.back() == 'x') {
                EXPECT_TRUE(after.isWord("x"));
            }
            if (row.passed && text.back() != 'x') {
                EXPECT_EQ(after.kind, UsdTokenKind::End);
            }
        }
    }
}

// Sixteen bytes classified together as each byte alone: every byte value at every place
// of a block of number text.
// Sixty-four bytes of number text but for parentheses: each byte of every value at every
// place among digits.
TEST(UsdArrays, PlainNumberTextAsByteByByte) {
    for (int place = 0; place < 64; ++place) {
        for (int value = 0; value < 256; ++value) {
            char block[64];
            std::fill(block, block + 64, '7');
            block[place] = static_cast<char>(value);
            const bool plain = value == ' ' || (value >= '*' && value <= '9' && value != '/');
            ASSERT_EQ(tessaryn::plainNumberText64(block), plain)
                << "byte " << value << " at " << place;
        }
    }
}

TEST(UsdArrays, NumberTextBlockAsByteByByte) {
    for (int place = 0; place < 16; ++place) {
        for (int value = 0; value < 256; ++value) {
            char block[16];
            std::fill(block, block + 16, '(');
            block[place] = static_cast<char>(value);
            const bool numberText =
                value == ' ' || (value >= 0x28 && value <= 0x39 && value != '/');
            const tessaryn::NumberTextBlock seen = tessaryn::numberTextBlock(block);
            SCOPED_TRACE("byte " + std::to_string(value) + " at " + std::to_string(place));
            EXPECT_EQ(seen.numberText, numberText);
            if (numberText) {
                EXPECT_EQ(seen.opens, value == '(' ? 16u : 15u);
                EXPECT_EQ(seen.closes, value == ')' ? 1u : 0u);
            }
        }
    }
}

// Tuples of a given width, read through a double into floats; anything that breaks the
// shape is Malformed and the lexer is left past the array's ']'.
TEST(UsdArrays, FloatTuples) {
    const float inf = std::numeric_limits<float>::infinity();
    struct Row {
        const char* text;
        std::size_t width;
        ArrayRead read;
        std::vector<float> values;
    } rows[] = {
        {"(0, 1.5, -2), (1e-3, 0.1, 3.4028235e38)] x", 3, ArrayRead::Done,
         {0.0f, 1.5f, -2.0f, 0.001f, 0.1f, 3.4028235e38f}},
        {"(inf, -inf, 0)] x", 3, ArrayRead::Done, {inf, -inf, 0.0f}},
        {"(.5, -.25), (5., -0.), (12345678.5, 0.12345678)] x", 2, ArrayRead::Done,
         {0.5f, -0.25f, 5.0f, -0.0f, 12345678.5f, 0.12345678f}},
        {"(0.5, 1) # a comment\n, (2, 3)] x", 2, ArrayRead::Done, {0.5f, 1.0f, 2.0f, 3.0f}},
        {"] x", 2, ArrayRead::Done, {}},
        {"(1, 2, 3)] x", 2, ArrayRead::Malformed, {1.0f, 2.0f}},
        {"(1, 2), (3)] x", 2, ArrayRead::Malformed, {1.0f, 2.0f, 3.0f}},
        {"1, 2] x", 2, ArrayRead::Malformed, {}},
        {"(1, two)] x", 2, ArrayRead::Malformed, {1.0f}},
    };
    // A number of 48 bytes is read; one longer is no number, wherever the bytes at hand
    // end: an array reads alike from any byte its reading starts at.
    const std::string long48 = "0." + std::string(45, '0') + "5";
    const std::string long49 = "0." + std::string(46, '0') + "5";
    const std::string longRows[] = {"(" + long48 + ")] x", "(" + long49 + ")] x"};
    for (int shift = 0; shift < kShifts; ++shift) {
        std::vector<float> values;
        ArrayInput fits(shifted(shift, longRows[0]));
        EXPECT_EQ(tessaryn::readFloatTuples(fits.lexer, 1, values), ArrayRead::Done);
        EXPECT_EQ(values, std::vector<float>{0.0f});
        ArrayInput tooLong(shifted(shift, longRows[1]));
        EXPECT_EQ(tessaryn::readFloatTuples(tooLong.lexer, 1, values), ArrayRead::Malformed);
    }
    for (const Row& row : rows) {
        for (int shift = 0; shift < kShifts; ++shift) {
            SCOPED_TRACE(std::string(row.text) + " shifted " + std::to_string(shift));
            ArrayInput input(shifted(shift, row.text));
            std::vector<float> values;
            EXPECT_EQ(tessaryn::readFloatTuples(input.lexer, row.width, values), row.read);
            EXPECT_EQ(values, row.values);
            EXPECT_EQ(input.lexer.problem(), SceneRefusal::None);
            EXPECT_EQ(input.lexer.next().text, "x");
        }
    }
    // A NaN is read as one, and a tuple never closed is the lexer's problem.
    ArrayInput nan("(nan, 0)] x");
    std::vector<float> values;
    EXPECT_EQ(tessaryn::readFloatTuples(nan.lexer, 2, values), ArrayRead::Done);
    ASSERT_EQ(values.size(), 2u);
    EXPECT_TRUE(std::isnan(values[0]));
    ArrayInput open("(1, 2");
    EXPECT_EQ(tessaryn::readFloatTuples(open.lexer, 2, values), ArrayRead::Broken);
    EXPECT_NE(open.lexer.problem(), SceneRefusal::None);
}

// Long arrays, whose tuples are read whole at once where they are written as USD writes
// them and byte by byte otherwise: tuples of two and three numbers in every spacing, then
// a short row's text, its end read as on its own.
TEST(UsdArrays, FloatTuplesWholeAsByteByByte) {
    XorShift next{0x9E3779B97F4A7C15ULL};
    const char* const numbers[] = {"0",           "-0",   "1.5",    "-2", "3.9999812",
                                   "0.012271827", "1e-3", "-4.5E2", ".5", "12345678.5",
                                   "inf",         "-inf", "7."};
    const char* const afterNumber[] = {", ", ",", " , ", ",\n", " ,  "};
    const char* const tails[] = {"(1, 2, 3)] x",
                                 "(1, 2)] x",
                                 "(1, 2, 3, 4)] x",
                                 "(1, two, 3)] x",
                                 "1, 2] x",
                                 "(1, (2), 3)] x",
                                 "(0.5, 1, 2) # a comment\n, (2, 3, 4)] x",
                                 "(1, 2, 3",
                                 "(-",
                                 "(1, -",
                                 "(",
                                 "(1,"};
    for (const std::size_t width : {std::size_t{2}, std::size_t{3}}) {
        for (std::size_t row = 0; row < 24; ++row) {
            std::string text;
            std::vector<float> values;
            const std::size_t count = 5 + next() % 60;
            for (std::size_t tuple = 0; tuple < count; ++tuple) {
                text += next() % 4 == 0 ? "( " : "(";
                for (std::size_t i = 0; i < width; ++i) {
                    const char* const number = numbers[next() % 13];
                    text += number;
                    text +=
                        i + 1 < width ? afterNumber[next() % 5] : (next() % 3 == 0 ? " )" : ")");
                    values.push_back(static_cast<float>(std::strtod(number, nullptr)));
                }
                text += next() % 2 == 0 ? ", " : ",\n";
            }
            const std::string tail = tails[row % 12];
            ArrayInput alone(tail);
            std::vector<float> tailValues;
            const ArrayRead tailRead = tessaryn::readFloatTuples(alone.lexer, width, tailValues);
            values.insert(values.end(), tailValues.begin(), tailValues.end());
            for (int shift = 0; shift < kShifts; ++shift) {
                SCOPED_TRACE("width " + std::to_string(width) + ", row " + std::to_string(row) +
                             ", shifted " + std::to_string(shift));
                ArrayInput input(shifted(shift, text + tail));
                std::vector<float> taken;
                EXPECT_EQ(tessaryn::readFloatTuples(input.lexer, width, taken), tailRead);
                EXPECT_EQ(taken, values);
                if (tailRead != ArrayRead::Broken) {
                    EXPECT_EQ(input.lexer.next().text, "x");
                }
            }
        }
    }
}

// Every element is what strtod then a cast to float gives, whatever the count of digits
// before and after the point (read eight at a time where there are eight), on both sides
// of the quick road's limit of 15 digits, and with an exponent.
TEST(UsdArrays, FloatTuplesReadAsStrtodThenFloat) {
    XorShift next{0x9E3779B97F4A7C15ULL};
    std::vector<std::string> numbers;
    for (int whole = 0; whole <= 12; ++whole) {
        for (int decimals = 0; decimals <= 20; ++decimals) {
            for (int sample = 0; sample < 12; ++sample) {
                std::string number = (next() & 1) != 0 ? "-" : "";
                for (int i = 0; i < whole; ++i) number += static_cast<char>('0' + next() % 10);
                if (whole == 0) number += '0';
                if (decimals > 0) number += '.';
                for (int i = 0; i < decimals; ++i) number += static_cast<char>('0' + next() % 10);
                if (sample == 11) number += "e-" + std::to_string(next() % 40);
                numbers.push_back(number);
            }
        }
    }
    // Halfway cases between floats written out in full, where a double rounding differs
    // from a direct one.
    numbers.push_back("1.00000005960464477539062500000001");
    numbers.push_back("0.500000029802322387695312");
    // Midpoints between floats of 2^13 and more, written out exactly in at most 15 digits,
    // and a unit of their last digit to either side: read quickly, a number lands within a
    // few units of a double's last place of them, where only the division tells the float.
    for (int binade = 13; binade < 24; ++binade) {
        for (int sample = 0; sample < 30; ++sample) {
            const auto bits = static_cast<std::uint32_t>(127 + binade) << 23 |
                              static_cast<std::uint32_t>(next() & 0x7FFFFF);
            float below = 0.0F;
            std::memcpy(&below, &bits, sizeof below);
            const double midpoint = (double{below} + double{std::nextafter(below, 2 * below)}) / 2;
            const int decimals = 24 - binade;
            char text[40];
            std::snprintf(text, sizeof text, "%.*f", decimals, midpoint);
            numbers.push_back(text);
            const double unit = 1 / std::pow(10.0, decimals);
            std::snprintf(text, sizeof text, "%.*f", decimals, midpoint + unit);
            numbers.push_back(text);
            std::snprintf(text, sizeof text, "%.*f", decimals, midpoint - unit);
            numbers.push_back(text);
        }
    }
    std::string text;
    for (std::size_t i = 0; i < numbers.size(); ++i) text += "(" + numbers[i] + "), ";
    text += "] x";
    for (int shift = 0; shift < kShifts; ++shift) {
        SCOPED_TRACE("shifted " + std::to_string(shift));
        ArrayInput input(shifted(shift, text));
        std::vector<float> values;
        ASSERT_EQ(tessaryn::readFloatTuples(input.lexer, 1, values), ArrayRead::Done);
        ASSERT_EQ(values.size(), numbers.size());
        for (std::size_t i = 0; i < numbers.size(); ++i) {
            const float expected = static_cast<float>(std::strtod(numbers[i].c_str(), nullptr));
            EXPECT_EQ(values[i], expected) << numbers[i];
        }
    }
}

// From a file the arrays are read where the line reader's blocks lie, the few bytes
// kept of each block joined before the next: read so, whether the file is read ahead on
// a lent thread or not, and wherever the blocks' edges fall among the numbers, they come
// out as from memory, and the lexer's offset and line after them are the same.
TEST(UsdArrays, ArraysReadFromAFileAsFromMemory) {
    std::string integers;
    std::string tuples;
    for (int i = 0; integers.size() < 3u * 1024 * 1024; ++i) {
        integers += std::to_string((std::int64_t{i} * 7919) % 4194304 - (i % 13 == 0 ? 5000 : 0)) +
                    (i % 4000 == 3999 ? ",\n" : ", ");
        tuples += "(" + std::to_string(i % 977) + "." + std::to_string(i % 1000003) + ", -0." +
                  std::to_string(i) + (i % 5000 == 4999 ? ")\n, " : "), ");
    }
    integers += "] x";
    tuples += "] x";
    const auto readAll = [](UsdLexer& lexer, bool isInteger) {
        std::vector<float> values;
        ArrayRead read = ArrayRead::Broken;
        if (isInteger) {
            read = tessaryn::readIntegerArray(
                lexer, [&](std::int32_t value) { values.push_back(static_cast<float>(value)); });
        } else {
            read = tessaryn::readFloatTuples(lexer, 2, values);
        }
        EXPECT_EQ(read, ArrayRead::Done);
        EXPECT_EQ(lexer.next().text, "x");
        return std::make_pair(values,
                              std::make_pair(lexer.reader().offset(), lexer.reader().line()));
    };
    testing_support::TempFolder folder;
    const tool::LentThread lent;
    for (const bool isInteger : {true, false}) {
        for (const std::size_t lead : {0u, 1u, 95u, 256u, 70000u}) {
            SCOPED_TRACE(std::string(isInteger ? "integers" : "tuples") + " after " +
                         std::to_string(lead));
            const std::string text = std::string(lead, ' ') + (isInteger ? integers : tuples);
            ArrayInput memory(text);
            const auto expected = readAll(memory.lexer, isInteger);
            testing_support::writeFile(folder / "layer", text);
            for (const tessaryn::SecondThread* ahead :
                 {static_cast<const tessaryn::SecondThread*>(nullptr), &lent.lend()}) {
                tessaryn::LineReader lines;
                ASSERT_TRUE(lines.open((folder / "layer").c_str()));
                if (ahead != nullptr) {
                    ASSERT_TRUE(lines.readAheadOn(ahead));
                }
                UsdByteReader reader;
                reader.openBlocks(lines);
                UsdLexer lexer(reader);
                const auto got = readAll(lexer, isInteger);
                EXPECT_EQ(got.first, expected.first);
                EXPECT_EQ(got.second, expected.second);
                EXPECT_FALSE(reader.failed());
            }
        }
    }
}

}  // namespace
