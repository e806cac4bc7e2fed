#include "base/numbers.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

using tessaryn::TextCursor;

namespace {

// Every 32-bit integer that reads from `text`, in order, until a read fails.
std::vector<std::int32_t> int32s(const std::string& text) {
    TextCursor cursor(text);
    std::vector<std::int32_t> values;
    std::int32_t value = 0;
    while (tessaryn::readInt32(cursor, value)) values.push_back(value);
    return values;
}

std::vector<float> floats(const std::string& text) {
    TextCursor cursor(text);
    std::vector<float> values;
    float value = 0;
    while (tessaryn::readFloat(cursor, value)) values.push_back(value);
    return values;
}

TEST(Numbers, IntegersReadAsAStreamReadsThem) {
    struct Row {
        std::string text;
        std::vector<std::int32_t> expected;
    } rows[] = {
        {"1 2 3", {1, 2, 3}},
        {" \t\r\v\f7\n8", {7, 8}},
        {"+5 -6", {5, -6}},
        {"3-4", {3, -4}},
        {"5.0 6", {5}},
        {"12abc 5", {12}},
        {"abc 5", {}},
        {"- 5", {}},
        {"--5", {}},
        {"+", {}},
        {"2147483647 -2147483648 1", {2147483647, -2147483648, 1}},
        {"2147483648 1", {}},
        {"-2147483649 1", {}},
        {"0007 -0", {7, 0}},
        {std::string(5000, '9') + " 1", {}},
        {"", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(int32s(row.text), row.expected);
    }
}

TEST(Numbers, AFailedReadLeavesTheCursorAndValue) {
    std::string text = "  x9";
    TextCursor cursor(text);
    std::int32_t value = 42;
    EXPECT_FALSE(tessaryn::readInt32(cursor, value));
    EXPECT_EQ(value, 42);
    EXPECT_EQ(cursor.position, text.data());
}

TEST(Numbers, Int64ReadsTheWholeRange) {
    std::string text = "9223372036854775807 -9223372036854775808 9223372036854775808";
    TextCursor cursor(text);
    std::int64_t value = 0;
    ASSERT_TRUE(tessaryn::readInt64(cursor, value));
    EXPECT_EQ(value, INT64_MAX);
    ASSERT_TRUE(tessaryn::readInt64(cursor, value));
    EXPECT_EQ(value, INT64_MIN);
    EXPECT_FALSE(tessaryn::readInt64(cursor, value));
}

TEST(Numbers, FloatsReadAsAStreamReadsThem) {
    struct Row {
        const char* text;
        std::vector<float> expected;
    } rows[] = {
        {"0.5 -1.25 3", {0.5f, -1.25f, 3.0f}},
        {"+2.5e1 .5 -.25", {25.0f, 0.5f, -0.25f}},
        {"1.5.25", {1.5f, 0.25f}},
        {"1-2", {1.0f, -2.0f}},
        {"inf 1", {}},
        {"nan", {}},
        {"x 1", {}},
        {"1e50 2", {}},
        {"0.1", {0.1f}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(floats(row.text), row.expected);
    }
}

// Short decimals take a quicker way than long ones or those with an exponent; either
// way the bits and the end of the number must be those of a full conversion.
TEST(Numbers, FloatsMatchAFullConversionBitForBit) {
    std::mt19937 random(2024);
    std::vector<std::string> texts = {"5.",
                                      "-5.x",
                                      "0.",
                                      "-0",
                                      "-0.0",
                                      "16777215",
                                      "16777216",
                                      "1677721.5",
                                      "0.1e",
                                      "7.25E1",
                                      "9999999999",
                                      "0.0000000001",
                                      "3.14159265358979",
                                      "000000000000000000000012.5",
                                      "0.00000000012",
                                      "1.0000000001",
                                      "4.000000/"};
    for (int i = 0; i < 200000; ++i) {
        std::string text = random() % 2 ? "-" : "";
        text += std::to_string(random() % (1u << (random() % 26)));
        const unsigned decimals = random() % 13;
        if (decimals > 0 || random() % 4 == 0) text += '.';
        for (unsigned d = 0; d < decimals; ++d) text += static_cast<char>('0' + random() % 10);
        texts.push_back(text);
    }
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        float expected = 0;
        const auto full = std::from_chars(text.data(), text.data() + text.size(), expected);
        TextCursor cursor(text);
        float value = 0;
        ASSERT_EQ(tessaryn::readFloat(cursor, value), full.ec == std::errc());
        if (full.ec != std::errc()) continue;
        ASSERT_EQ(cursor.position, full.ptr);
        std::uint32_t bits = 0;
        std::uint32_t expectedBits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        std::memcpy(&expectedBits, &expected, sizeof bits);
        ASSERT_EQ(bits, expectedBits);
    }
}

TEST(Numbers, DecimalTextHasNoPlusAndNoLeadingZeros) {
    std::string text;
    tessaryn::appendDecimal(text, 0);
    text += ' ';
    tessaryn::appendDecimal(text, -2147483649LL);
    text += ' ';
    tessaryn::appendDecimal(text, 1000);
    EXPECT_EQ(text, "0 -2147483649 1000");
}

// The leading digits of eight bytes: their count, and their value when fewer than eight;
// every byte that is not a digit stops them, those just beside '0' and '9' too.
TEST(Numbers, LeadingDigitsOfAWord) {
    struct Row {
        const char* text;  // eight bytes
        unsigned count;
        std::uint64_t value;
    } rows[] = {
        {"1 2 3 4 ", 1, 1},
        {"42, 7, 8", 2, 42},
        {"9999999]", 7, 9999999},
        {"0000012 ", 7, 12},
        {"1234567/", 7, 1234567},
        {"123456:0", 6, 123456},
        {"12345678", 8, 0},
        {"99999999", 8, 0},
        {" 1234567", 0, 0},
        {"-1234567", 0, 0},
        {"\xFA"
         "1234567",
         0, 0},
        {"1\xFF"
         "234567",
         1, 1},
        {"90817263", 8, 0},
        {"5\0"
         "345678",
         1, 5},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        std::uint64_t value = 0;
        EXPECT_EQ(tessaryn::leadingDigits(tessaryn::loadWord(row.text), value), row.count);
        if (row.count > 0 && row.count < 8) {
            EXPECT_EQ(value, row.value);
        }
    }
    // Every length of every digit in every place, against a plain loop.
    for (unsigned length = 1; length < 8; ++length) {
        for (char digit = '0'; digit <= '9'; ++digit) {
            std::string text(8, ' ');
            std::uint64_t expected = 0;
            for (unsigned i = 0; i < length; ++i) {
                text[i] = static_cast<char>('0' + (digit - '0' + i) % 10);
                expected = expected * 10 + static_cast<std::uint64_t>(text[i] - '0');
            }
            std::uint64_t value = 0;
            ASSERT_EQ(tessaryn::leadingDigits(tessaryn::loadWord(text.data()), value), length);
            EXPECT_EQ(value, expected) << text;
        }
    }
}

}  // namespace

namespace {

// Numbers without source text come out as the shortest text that reads back the same, on
// every build: floats as floats, not as the doubles they widen to.
TEST(Numbers, ShortestDecimalReadsBackTheSameValue) {
    const struct {
        double value;
        const char* text;
    } doubles[] = {{0.01, "0.01"},
                   {1.0, "1"},
                   {24.0, "24"},
                   {-0.5, "-0.5"},
                   {1e21, "1e+21"},
                   {80.25, "80.25"},
                   {0.1 + 0.2, "0.30000000000000004"}};
    for (const auto& row : doubles) EXPECT_EQ(tessaryn::shortestDecimal(row.value), row.text);
    EXPECT_EQ(tessaryn::shortestDecimal(0.1f), "0.1");
    EXPECT_EQ(tessaryn::shortestDecimal(10.0f), "10");
    EXPECT_EQ(tessaryn::shortestDecimal(3.4028235e38f), "3.4028235e+38");
    for (float f = 1e-3f; f < 1e6f; f *= 1.37f)
        EXPECT_EQ(std::strtof(tessaryn::shortestDecimal(f).c_str(), nullptr), f);
}

}  // namespace

namespace {

// A decimal's own digits give the shortest text of its float where they can: the rows
// given, and a sweep of every length of whole and fraction digits up to eight, each text
// taken compared with the float's own formatting.
TEST(Numbers, ShortestOfDecimalFromItsDigits) {
    const struct {
        const char* decimal;  // closed by a blank
        const char* text;     // null: not taken
    } rows[] = {{"3.999981 ", "3.999981"}, {"-0.012270 ", "-0.01227"},
                {"4.000000 ", "4"},        {"0.000000 ", "0"},
                {"-0.000000 ", "-0"},      {"0.001000 ", "0.001"},
                {"0.000999 ", nullptr},    {"99999.5 ", "99999.5"},
                {"100000.0 ", nullptr},    {"12.345670 ", "12.34567"},
                {"12.345678 ", nullptr},   {"0.1234567 ", "0.1234567"},
                {"0012.50 ", "12.5"},      {"00.25 ", "0.25"},
                {"-5.0 ", "-5"},           {"7 ", nullptr},
                {".5 ", nullptr},          {"5. ", nullptr},
                {"12345678.5 ", nullptr},  {"1.12345678 ", nullptr},
                {"--1.5 ", nullptr}};
    for (const auto& row : rows) {
        std::string text = std::string(row.decimal) + std::string(24, 'x');
        char out[32];
        const char* stop = nullptr;
        const char* const end = tessaryn::putShortestOfDecimal(out, text.data(), stop);
        if (row.text == nullptr) {
            EXPECT_EQ(end, nullptr) << row.decimal;
            continue;
        }
        ASSERT_NE(end, nullptr) << row.decimal;
        EXPECT_EQ(std::string(out, static_cast<std::size_t>(end - out)), row.text);
        EXPECT_EQ(*stop, ' ') << row.decimal;
    }
    std::mt19937 random(2026);
    std::size_t taken = 0;
    for (int wholeDigits = 1; wholeDigits <= 8; ++wholeDigits) {
        for (int fractionDigits = 1; fractionDigits <= 8; ++fractionDigits) {
            for (int sample = 0; sample < 3000; ++sample) {
                std::string text = random() % 2 == 0 ? "-" : "";
                // Runs of zeros at either end as often as not.
                const int zerosFirst = static_cast<int>(random() % 4);
                const int zerosLast = static_cast<int>(random() % 4);
                for (int i = 0; i < wholeDigits + fractionDigits; ++i) {
                    if (i == wholeDigits) text += '.';
                    const bool zero =
                        i < zerosFirst || i >= wholeDigits + fractionDigits - zerosLast;
                    text += zero ? '0' : static_cast<char>('0' + random() % 10);
                }
                text += ' ' + std::string(24, 'x');
                char out[32];
                char expected[tessaryn::kShortestFloatBytes];
                const char* stop = nullptr;
                const char* const end = tessaryn::putShortestOfDecimal(out, text.data(), stop);
                if (end == nullptr) continue;
                ++taken;
                const char* const expectedEnd =
                    tessaryn::putShortestDecimal(expected, std::strtof(text.c_str(), nullptr));
                ASSERT_EQ(std::string(out, static_cast<std::size_t>(end - out)),
                          std::string(expected, static_cast<std::size_t>(expectedEnd - expected)))
                    << text;
                ASSERT_EQ(*stop, ' ') << text;
            }
        }
    }
    EXPECT_GT(taken, 50000u);
}

}  // namespace
