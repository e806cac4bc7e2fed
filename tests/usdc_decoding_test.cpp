// The crate reader's building blocks on hand-made bytes: LZ4 blocks, the chunked blob
// around them, the integer coding, and the value encodings that real files rarely show.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "base/byte_source.h"
#include "scene/usdc/crate_integers.h"
#include "scene/usdc/crate_values.h"
#include "scene/usdc/lz4_block.h"
#include "usdc_builder.h"
#include "writers/crate_compression.h"
#include "usdc_support.h"

namespace {

using namespace tessaryn;
using usdc_testing::le;
using usdc_testing::lz4Literals;

const unsigned char* bytesOf(const std::string& text) {
    return reinterpret_cast<const unsigned char*>(text.data());
}

// Decodes `block` into `capacity` bytes; "refused" when the decoder refuses.
std::string lz4(const std::string& block, std::size_t capacity) {
    std::vector<unsigned char> out(capacity);
    std::size_t produced = 0;
    if (!decodeLz4Block(bytesOf(block), block.size(), out.data(), out.size(), produced))
        return "refused";
    return std::string(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(produced));
}

TEST(Lz4Block, Rows) {
    const std::string fifteen(15, 'q');
    struct Row {
        const char* what;
        std::string block;
        std::size_t capacity;
        std::string expected;
    };
    const Row rows[] = {
        {"literals only", lz4Literals("hello"), 16, "hello"},
        {"fifteen literals need a 0 extension", lz4Literals(fifteen), 16, fifteen},
        {"300 literals", lz4Literals(std::string(300, 'z')), 300, std::string(300, 'z')},
        {"overlapping match", std::string("\x3A" "abc\x03\x00" "\x50" "12345", 12), 64,
         "abcabcabcabcabcab12345"},
        {"offset 1 repeats", std::string("\x11" "a\x01\x00", 4), 6, "aaaaaa"},
        {"long match", std::string("\x1F" "a\x01\x00\x01", 5), 64, std::string(21, 'a')},
        {"empty input", std::string("\x00", 1), 0, ""},
        {"offset 0", std::string("\x10" "a\x00\x00", 4), 64, "refused"},
        {"offset before the output", std::string("\x10" "a\x02\x00", 4), 64, "refused"},
        {"literals beyond the output", lz4Literals("hello"), 4, "refused"},
        {"match beyond the output", std::string("\x11" "a\x01\x00", 4), 5, "refused"},
        {"literals beyond the block", std::string("\x50" "abc", 4), 64, "refused"},
        {"offset cut off", std::string("\x10" "a\x01", 3), 64, "refused"},
        {"length run cut off", std::string("\xF0\xFF\xFF", 3), 1024, "refused"},
        {"match run cut off", std::string("\x1F" "a\x01\x00\xFF", 5), 1024, "refused"},
    };
    for (const Row& row : rows) EXPECT_EQ(lz4(row.block, row.capacity), row.expected) << row.what;
}

std::string blob(const std::string& bytes, std::uint64_t capacity) {
    Bytes out;
    if (!decodeCompressedBlob(bytesOf(bytes), bytes.size(), capacity, out)) return "refused";
    return std::string(out.begin(), out.end());
}

TEST(CompressedBlob, Rows) {
    const std::string block = lz4Literals("payload");
    const std::string chunkSize("\x08\x00\x00\x00", 4);
    EXPECT_EQ(blob('\0' + block, 64), "payload");
    EXPECT_EQ(blob('\0' + block, 6), "refused");  // more than the caller allows
    EXPECT_EQ(blob('\1' + chunkSize + block, 64), "payload");  // one chunk: the remainder
    EXPECT_EQ(blob('\1' + std::string("\x09\x00\x00\x00", 4) + block, 64), "refused");
    EXPECT_EQ(blob('\1' + std::string("\xFF\xFF\xFF\xFF", 4) + block, 64), "refused");
    // Every chunk but the last makes LZ4's largest input; this one makes 7 bytes.
    EXPECT_EQ(blob('\2' + chunkSize + block + chunkSize + block, 64), "refused");
    EXPECT_EQ(blob('\x80' + block, 64), "refused");
    EXPECT_EQ(blob("", 64), "refused");
}

// The coding of [5, 6, 7, 300, 300, 299]: common delta 1; codes 01 00 00 10 | 01 01.
const std::string kEncoded("\x01\x00\x00\x00\x81\x05\x05\x25\x01\x00\xFF", 11);

TEST(IntegerCoding, Decodes) {
    std::vector<std::uint32_t> values(6);
    ASSERT_TRUE(decodeIntegers32(bytesOf(kEncoded), kEncoded.size(), 6, values.data()));
    EXPECT_EQ(values, (std::vector<std::uint32_t>{5, 6, 7, 300, 300, 299}));
    for (std::size_t size = 0; size < kEncoded.size(); ++size)
        EXPECT_FALSE(decodeIntegers32(bytesOf(kEncoded), size, 6, values.data())) << size;
    EXPECT_TRUE(decodeIntegers32(nullptr, 0, 0, values.data()));
}

TEST(IntegerCoding, DeltasWrap) {
    // Common delta INT32_MAX three times, then a 32-bit delta of INT32_MIN.
    const std::string encoded("\xFF\xFF\xFF\x7F\xC0\x00\x00\x00\x80", 9);
    std::vector<std::uint32_t> values(4);
    ASSERT_TRUE(decodeIntegers32(bytesOf(encoded), encoded.size(), 4, values.data()));
    EXPECT_EQ(values, (std::vector<std::uint32_t>{0x7FFFFFFF, 0xFFFFFFFE, 0x7FFFFFFD, 0xFFFFFFFD}));
}

// Values whose deltas take every width, both signs and wrap around, in a run long enough
// that most are decoded with four bytes to spare and the last few against the end: they
// come back exactly, and every list cut short of its last bytes is refused.
TEST(IntegerCoding, EveryWidthAcrossTheWholeList) {
    const std::vector<std::int64_t> deltas = {1, 1, -3, 100, -200, 30000, -40000, 70000,
                                              -2147483648LL, 2147483647, 1, 127, -128, 128,
                                              -129, 32767, -32768, 32768, -32769, 1};
    std::vector<std::uint32_t> values;
    std::uint32_t value = 0;
    for (int round = 0; round < 50; ++round) {
        for (const std::int64_t delta : deltas) {
            value += static_cast<std::uint32_t>(delta + round);
            values.push_back(value);
        }
    }
    const std::string encoded = testkit::encodeIntegers(values.data(), values.size());
    std::vector<std::uint32_t> decoded(values.size());
    ASSERT_TRUE(decodeIntegers32(bytesOf(encoded), encoded.size(), values.size(), decoded.data()));
    EXPECT_EQ(decoded, values);
    for (std::size_t cut = 1; cut <= 16; ++cut)
        EXPECT_FALSE(decodeIntegers32(bytesOf(encoded), encoded.size() - cut, values.size(),
                                      decoded.data()))
            << cut;
    // A stretch at a time, whatever the stretch: the same values.
    for (const std::uint64_t stretch : {1, 3, 4, 333, 1000}) {
        IntegerDecoder decoder;
        ASSERT_TRUE(decoder.open(bytesOf(encoded), encoded.size(), values.size()));
        std::vector<std::uint32_t> part(stretch);
        std::vector<std::uint32_t> joined;
        while (decoder.left() > 0) {
            const std::uint64_t made = std::min(stretch, decoder.left());
            ASSERT_TRUE(decoder.next(part.data(), made));
            joined.insert(joined.end(), part.begin(), part.begin() + static_cast<std::ptrdiff_t>(made));
        }
        EXPECT_EQ(joined, values) << stretch;
    }
}

TEST(IntegerCoding, CompressedLists) {
    std::vector<std::uint32_t> values;
    const std::string list = '\0' + lz4Literals(kEncoded);
    ASSERT_TRUE(decodeCompressedIntegers(bytesOf(list), list.size(), 6, values));
    EXPECT_EQ(values.size(), 6u);
    EXPECT_FALSE(decodeCompressedIntegers(bytesOf(list), list.size(), 64, values));  // too few codes
    // A count the blob cannot hold is refused before anything is allocated.
    EXPECT_FALSE(decodeCompressedIntegers(bytesOf(list), list.size(), std::uint64_t{1} << 40, values));
    EXPECT_FALSE(decodeCompressedIntegers(bytesOf(list), list.size(), UINT64_MAX, values));
    EXPECT_TRUE(values.empty());
    const std::string empty("\x00\x00", 2);
    EXPECT_TRUE(decodeCompressedIntegers(bytesOf(empty), empty.size(), 0, values));

    std::string framed(8, '\0');
    framed[0] = static_cast<char>(list.size());
    framed += list;
    ByteCursor cursor{bytesOf(framed), framed.size(), 0};
    ASSERT_TRUE(takeCompressedIntegers(cursor, 6, values));
    EXPECT_EQ(cursor.at, framed.size());
    framed[0] = static_cast<char>(list.size() + 1);  // reaches past the end
    cursor.at = 0;
    EXPECT_FALSE(takeCompressedIntegers(cursor, 6, values));
    EXPECT_EQ(cursor.at, 0u);
}

// Values laid out by hand in a file of their own: `bytes` is the file, reps point into it.
struct HandFile {
    std::string bytes = std::string(8, '\0');
    CrateTables tables;

    HandFile() { tables.version.minor = 8; }
    std::uint64_t place(const std::string& data) {
        const std::uint64_t at = bytes.size();
        bytes += data;
        return at;
    }
};

std::uint64_t rep(CrateType type, std::uint64_t payload, bool array = false, bool compressed = false) {
    return usdc_testing::rep(type, payload,
                             (array ? usdc_testing::kArray : 0) | (compressed ? usdc_testing::kCompressed : 0));
}

// A compressed list around integers already coded.
std::string listOf(const std::string& encoded) {
    const std::string list = '\0' + lz4Literals(encoded);
    return le<std::uint64_t>(list.size()) + list;
}

// Sixteen values 1, 2, ... 16: common delta 1, every code 0.
const std::string kOneToSixteen = std::string("\x01\x00\x00\x00", 4) + std::string(4, '\0');

TEST(CrateValues, IntArrays) {
    HandFile file;
    const std::uint64_t raw = file.place(le<std::uint64_t>(3) + le<std::int32_t>(1) +
                                         le<std::int32_t>(-2) + le<std::int32_t>(INT32_MIN));
    const std::uint64_t packed = file.place(le<std::uint64_t>(16) + listOf(kOneToSixteen));
    const std::uint64_t huge = file.place(le<std::uint64_t>(std::uint64_t{1} << 27) + "xx");
    ByteSource source;
    source.openMemory(file.bytes);
    const CrateFile crate{source, file.tables};
    std::vector<std::int32_t> values;
    ASSERT_EQ(readIntArray(crate, rep(CrateType::Int, raw, true), values), ValueRead::Done);
    EXPECT_EQ(values, (std::vector<std::int32_t>{1, -2, INT32_MIN}));
    ASSERT_EQ(readIntArray(crate, rep(CrateType::Int, packed, true, true), values), ValueRead::Done);
    EXPECT_EQ(values.size(), 16u);
    EXPECT_EQ(values.back(), 16);
    EXPECT_EQ(readIntArray(crate, rep(CrateType::Int, 0, true), values), ValueRead::Done);
    EXPECT_TRUE(values.empty());
    EXPECT_EQ(readIntArray(crate, rep(CrateType::Int, huge, true), values), ValueRead::Damaged);
    EXPECT_EQ(readIntArray(crate, rep(CrateType::Int, huge, true, true), values), ValueRead::Damaged);
    EXPECT_EQ(readIntArray(crate, rep(CrateType::Float, raw, true), values), ValueRead::Absent);
    EXPECT_EQ(readIntArray(crate, rep(CrateType::Int, raw), values), ValueRead::Absent);
    // Version 0.4.0 arrays: a u32 rank, a u32 count, and no compression.
    file.tables.version.minor = 4;
    EXPECT_EQ(readIntArray(crate, rep(CrateType::Int, raw, true), values), ValueRead::Done);
    EXPECT_EQ(values, (std::vector<std::int32_t>{}));  // rank 3, count 0
}

// Gathers what a walk is handed.
struct Gathered : IntegerWalk {
    std::vector<std::int32_t> values;
    void take(const std::int32_t* given, std::size_t count) override {
        values.insert(values.end(), given, given + count);
    }
};

// An int array walked a stretch at a time gives what reading it whole gives, plain or
// compressed, shorter or longer than a stretch, and the same answer when it is damaged.
TEST(CrateValues, IntArraysWalkedAsRead) {
    std::vector<std::uint32_t> many;
    for (std::uint32_t i = 0; i < 2 * kWalkStretch + 5; ++i) many.push_back(i * 2654435761u);
    std::string plain = le<std::uint64_t>(many.size());
    for (const std::uint32_t value : many) plain += le<std::uint32_t>(value);
    std::string packed = le<std::uint64_t>(many.size()) + usdc_testing::compressedList(many);
    HandFile file;
    const std::uint64_t rawAt = file.place(le<std::uint64_t>(3) + le<std::int32_t>(1) +
                                           le<std::int32_t>(-2) + le<std::int32_t>(INT32_MIN));
    const std::uint64_t plainAt = file.place(plain);
    const std::uint64_t packedAt = file.place(packed);
    packed[packed.size() - 3] ^= 0x55;  // a delta's bytes changed: other values, same count
    const std::uint64_t flippedAt = file.place(packed);
    const std::uint64_t cutAt = file.place(packed.substr(0, packed.size() / 2));
    ByteSource source;
    source.openMemory(file.bytes);
    const CrateFile crate{source, file.tables};
    const struct {
        const char* what;
        std::uint64_t rep;
    } rows[] = {
        {"three plain", rep(CrateType::Int, rawAt, true)},
        {"many plain", rep(CrateType::Int, plainAt, true)},
        {"many compressed", rep(CrateType::Int, packedAt, true, true)},
        {"compressed, a byte changed", rep(CrateType::Int, flippedAt, true, true)},
        {"compressed, cut short", rep(CrateType::Int, cutAt, true, true)},
        {"empty", rep(CrateType::Int, 0, true)},
        {"floats", rep(CrateType::Float, rawAt, true)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<std::int32_t> read;
        Gathered walked;
        const ValueRead readAnswer = readIntArray(crate, row.rep, read);
        EXPECT_EQ(walkIntArray(crate, row.rep, walked), readAnswer);
        if (readAnswer == ValueRead::Done) {
            EXPECT_TRUE(walked.values == read);
        }
    }
}

TEST(CrateValues, FloatArrays) {
    HandFile file;
    const std::uint64_t raw = file.place(le<std::uint64_t>(2) + le<float>(0.5f) + le<float>(10.f));
    const std::uint64_t integers =
        file.place(le<std::uint64_t>(16) + "i" + listOf(kOneToSixteen));
    // A table of two, every index 1: the first delta 1 (an 8-bit code), the rest common 0.
    const std::string ones = std::string(4, '\0') + "\x01" + std::string(3, '\0') + "\x01";
    const std::string table = le<std::uint32_t>(2) + le<float>(0.5f) + le<float>(10.f);
    const std::uint64_t tabled = file.place(le<std::uint64_t>(16) + "t" + table + listOf(ones));
    const std::string small = le<std::uint32_t>(1) + le<float>(0.5f);
    const std::uint64_t outside = file.place(le<std::uint64_t>(16) + "t" + small + listOf(ones));
    const std::uint64_t unknown = file.place(le<std::uint64_t>(16) + "x" + listOf(ones));
    const std::uint64_t doubles = file.place(le<std::uint64_t>(1) + le<double>(0.25));
    ByteSource source;
    source.openMemory(file.bytes);
    const CrateFile crate{source, file.tables};
    std::vector<double> values;
    ASSERT_EQ(readRealArray(crate, rep(CrateType::Float, raw, true), values), ValueRead::Done);
    EXPECT_EQ(values, (std::vector<double>{0.5, 10}));
    ASSERT_EQ(readRealArray(crate, rep(CrateType::Float, integers, true, true), values),
              ValueRead::Done);
    EXPECT_EQ(values.size(), 16u);
    EXPECT_EQ(values[15], 16.0);
    ASSERT_EQ(readRealArray(crate, rep(CrateType::Float, tabled, true, true), values),
              ValueRead::Done);
    EXPECT_EQ(values, std::vector<double>(16, 10.0));
    EXPECT_EQ(readRealArray(crate, rep(CrateType::Float, outside, true, true), values),
              ValueRead::Damaged);
    EXPECT_EQ(readRealArray(crate, rep(CrateType::Float, unknown, true, true), values),
              ValueRead::Damaged);
    ASSERT_EQ(readRealArray(crate, rep(CrateType::Double, doubles, true), values), ValueRead::Done);
    EXPECT_EQ(values, std::vector<double>{0.25});
}

// Points and texture coordinates of floats, halves and doubles, read as floats.
TEST(CrateValues, VectorArrays) {
    HandFile file;
    const std::uint64_t pairs = file.place(le<std::uint64_t>(2) + le<float>(0.5f) +
                                           le<float>(-1) + le<float>(2) + le<float>(1e-3f));
    // Halves: 1, -2, 0.5, the smallest subnormal, infinity, 65504.
    const std::uint64_t halves =
        file.place(le<std::uint64_t>(2) + le<std::uint16_t>(0x3C00) + le<std::uint16_t>(0xC000) +
                   le<std::uint16_t>(0x3800) + le<std::uint16_t>(0x0001) +
                   le<std::uint16_t>(0x7C00) + le<std::uint16_t>(0x7BFF));
    const std::uint64_t doubles = file.place(le<std::uint64_t>(1) + le<double>(0.1) +
                                             le<double>(1e300) + le<double>(-3));
    const std::uint64_t cut = file.place(le<std::uint64_t>(3) + std::string(20, '\0'));
    ByteSource source;
    source.openMemory(file.bytes);
    const CrateFile crate{source, file.tables};
    std::vector<float> values;
    ASSERT_EQ(readFloatVectorArray(crate, rep(CrateType::Vec2f, pairs, true), 2, values),
              ValueRead::Done);
    EXPECT_EQ(values, (std::vector<float>{0.5f, -1, 2, 1e-3f}));
    ASSERT_EQ(readFloatVectorArray(crate, rep(CrateType::Vec3h, halves, true), 3, values),
              ValueRead::Done);
    EXPECT_EQ(values, (std::vector<float>{1, -2, 0.5f, std::ldexp(1.0f, -24), INFINITY, 65504}));
    ASSERT_EQ(readFloatVectorArray(crate, rep(CrateType::Vec3d, doubles, true), 3, values),
              ValueRead::Done);
    EXPECT_EQ(values, (std::vector<float>{0.1f, INFINITY, -3}));
    EXPECT_EQ(readFloatVectorArray(crate, rep(CrateType::Vec2h, halves, true), 2, values),
              ValueRead::Done);
    EXPECT_EQ(values.size(), 4u);
    // The wrong shape of vector, no array, an empty one, elements beyond the file.
    EXPECT_EQ(readFloatVectorArray(crate, rep(CrateType::Vec3f, pairs, true), 2, values),
              ValueRead::Absent);
    EXPECT_EQ(readFloatVectorArray(crate, rep(CrateType::Float, pairs, true), 2, values),
              ValueRead::Absent);
    EXPECT_EQ(readFloatVectorArray(crate, rep(CrateType::Vec2f, pairs), 2, values),
              ValueRead::Absent);
    EXPECT_EQ(readFloatVectorArray(crate, rep(CrateType::Vec2f, 0, true), 2, values),
              ValueRead::Done);
    EXPECT_TRUE(values.empty());
    EXPECT_EQ(readFloatVectorArray(crate, rep(CrateType::Vec2f, cut, true), 2, values),
              ValueRead::Damaged);
    EXPECT_EQ(readFloatVectorArray(crate, rep(CrateType::Vec2d, cut, true), 2, values),
              ValueRead::Damaged);
    EXPECT_TRUE(values.empty());
    // Version 0.4.0: a u32 rank, then a u32 count: the u64 count 2 reads as rank 2, count 0.
    file.tables.version.minor = 4;
    EXPECT_EQ(readFloatVectorArray(crate, rep(CrateType::Vec2f, pairs, true), 2, values),
              ValueRead::Done);
    EXPECT_TRUE(values.empty());
}

TEST(CrateValues, ScalarsAndSamples) {
    HandFile file;
    file.tables.tokens = {"Y", "Mesh"};
    file.tables.strings = {1};
    const std::uint64_t times = file.place(le<std::uint64_t>(2) + le<double>(1) + le<double>(2));
    const std::uint64_t points = file.place(le<std::uint64_t>(4) + std::string(48, '\0'));
    // The samples: a jump to the times' rep, a jump to the count and the values' reps.
    const std::uint64_t samples = file.bytes.size();
    file.place(le<std::int64_t>(8) + le(rep(CrateType::DoubleVector, times)) + le<std::int64_t>(8) +
               le<std::uint64_t>(2) + le(rep(CrateType::Vec3f, points, true)) +
               le(rep(CrateType::ValueBlock, 0, false)));
    const std::uint64_t mismatch = file.bytes.size();
    file.place(le<std::int64_t>(8) + le(rep(CrateType::DoubleVector, times)) + le<std::int64_t>(8) +
               le<std::uint64_t>(1) + le(rep(CrateType::Vec3f, points, true)));
    const std::uint64_t backwards = file.place(le<std::int64_t>(-1000));
    const std::uint64_t aDouble = file.place(le<double>(0.1));
    ByteSource source;
    source.openMemory(file.bytes);
    const CrateFile crate{source, file.tables};
    const std::uint64_t inlined = 1ULL << 62;

    std::uint64_t sample = 0;
    ASSERT_EQ(readFirstSample(crate, rep(CrateType::TimeSamples, samples), sample), ValueRead::Done);
    std::uint64_t count = 0;
    ASSERT_EQ(readVectorArrayCount(crate, sample, count), ValueRead::Done);
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(readFirstSample(crate, rep(CrateType::TimeSamples, mismatch), sample),
              ValueRead::Damaged);
    EXPECT_EQ(readFirstSample(crate, rep(CrateType::TimeSamples, backwards), sample),
              ValueRead::Damaged);

    std::string text;
    EXPECT_EQ(readText(crate, inlined | rep(CrateType::Token, 0), text), ValueRead::Done);
    EXPECT_EQ(text, "Y");
    EXPECT_EQ(readText(crate, inlined | rep(CrateType::String, 0), text), ValueRead::Done);
    EXPECT_EQ(text, "Mesh");
    EXPECT_EQ(readText(crate, inlined | rep(CrateType::Token, 2), text), ValueRead::Damaged);
    CrateNumber number;
    // A double that a float holds exactly is inlined as that float.
    EXPECT_EQ(readNumber(crate, inlined | rep(CrateType::Double, 0x3F000000), number),
              ValueRead::Done);
    EXPECT_EQ(number.kind, CrateNumberKind::Double);
    EXPECT_EQ(number.value, 0.5);
    EXPECT_EQ(readNumber(crate, rep(CrateType::Double, aDouble), number), ValueRead::Done);
    EXPECT_EQ(number.value, 0.1);
    EXPECT_EQ(readNumber(crate, inlined | rep(CrateType::Float, 0x3F000000), number), ValueRead::Done);
    EXPECT_EQ(number.kind, CrateNumberKind::Float);
    EXPECT_EQ(readNumber(crate, inlined | rep(CrateType::Int, 0xFFFFFFFF), number), ValueRead::Done);
    EXPECT_EQ(number.value, -1.0);
    EXPECT_EQ(readNumber(crate, rep(CrateType::Double, file.bytes.size() - 4), number),
              ValueRead::Damaged);
}

// A type a newer version added refuses the value only in a file of a newer version.
TEST(CrateValues, UnknownTypes) {
    HandFile file;
    ByteSource source;
    source.openMemory(file.bytes);
    const CrateFile crate{source, file.tables};
    const std::uint64_t newType = std::uint64_t{kLastKnownType + 1} << 48;
    file.tables.version.minor = 12;
    EXPECT_EQ(checkRepType(crate, newType), ValueRead::Damaged);
    file.tables.version.minor = 13;
    EXPECT_EQ(checkRepType(crate, newType), ValueRead::UnknownType);
    EXPECT_EQ(checkRepType(crate, 0), ValueRead::Damaged);
    std::string text;
    EXPECT_EQ(readText(crate, newType, text), ValueRead::UnknownType);
}

}  // namespace
