// The crate reader on damaged real files, a light sample; usdc_soak_test takes thousands.
#include <gtest/gtest.h>

#include <cstring>

#include "usdc_hostile.h"

namespace {

using usdc_testing::flipBits;
using usdc_testing::readWhole;
using usdc_testing::realBytes;

TEST(CrateHostile, BitFlipsSample) {
    for (const std::string& file : usdc_testing::realFiles()) {
        SCOPED_TRACE(file);
        const std::string bytes = realBytes(file);
        if (bytes.size() > 64 * 1024) continue;
        for (std::uint64_t seed = 0; seed < 100; ++seed) {
            const std::string flipped = flipBits(bytes, seed);
            const usdc_testing::WholeRead read = readWhole(flipped);
            ASSERT_TRUE(usdc_testing::withinBounds(read, flipped.size())) << seed;
            if (!read.result.ok()) {
                EXPECT_TRUE(read.layer.prims.empty());
            }
        }
    }
}

// Counts that the bytes cannot hold, set by hand in a real file's sections.
TEST(CrateHostile, HugeCountsRefused) {
    // The table of contents of this file is its last 8 + 6 x 32 bytes.
    std::string bytes = realBytes("tinyusdz__variantSet-007.usdc");
    const std::size_t toc = bytes.size() - 8 - 6 * 32;
    for (std::size_t section = 0; section < 6; ++section) {
        std::uint64_t start = 0;
        std::memcpy(&start, bytes.data() + toc + 8 + section * 32 + 16, 8);
        std::string damaged = bytes;
        // The first count of each section: tokens, strings, fields, field sets, paths, specs.
        for (std::size_t i = 0; i < 8; ++i) damaged[start + i] = static_cast<char>(0x7F);
        const usdc_testing::WholeRead read = readWhole(damaged);
        EXPECT_EQ(read.result.problem, tessaryn::CrateProblem::Damaged) << section;
    }
    std::string sizes = bytes;
    // A section reaching past the end of the file.
    sizes[toc + 8 + 24 + 7] = 0x01;
    EXPECT_EQ(readWhole(sizes).result.problem, tessaryn::CrateProblem::Damaged);
    std::string count = bytes;
    count[toc + 7] = 0x01;  // 2^56 sections
    EXPECT_EQ(readWhole(count).result.problem, tessaryn::CrateProblem::Damaged);
}

}  // namespace
