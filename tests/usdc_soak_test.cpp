// The crate reader on every truncated prefix of the real files, and on thousands of
// deterministic bit flips: each ends in a refusal or a read, never a crash, a hang or an
// allocation the bytes cannot justify. Each input lies in an allocation of its own, so
// that the address sanitizer sees an over-read.
#include <gtest/gtest.h>

#include "usdc_builder.h"
#include "usdc_hostile.h"

namespace {

using usdc_testing::readWhole;
using usdc_testing::realBytes;

// Every prefix of the smaller files; of the large ones (copying each of their prefixes
// would take minutes) every prefix within their last 8 KiB, where the structure lies,
// and every 61st before it.
TEST(CrateSoak, EveryTruncatedPrefixRefused) {
    for (const std::string& file : usdc_testing::realFiles()) {
        SCOPED_TRACE(file);
        const std::string bytes = realBytes(file);
        const bool large = bytes.size() > 64 * 1024;
        for (std::size_t size = 0; size < bytes.size(); ++size) {
            if (large && size + 8192 < bytes.size() && size % 61 != 0) continue;
            ASSERT_FALSE(readWhole(bytes.substr(0, size)).result.ok()) << size;
        }
    }
}

// The hand-made layer in the oldest layout and in the compressed one: every prefix, and
// flips anywhere.
TEST(CrateSoak, HandMadeLayers) {
    for (const unsigned minor : {0u, 8u}) {
        SCOPED_TRACE(minor);
        const std::string bytes = usdc_testing::nestedLayer(minor);
        for (std::size_t size = 0; size < bytes.size(); ++size)
            ASSERT_FALSE(readWhole(bytes.substr(0, size)).result.ok()) << size;
        for (std::uint64_t seed = 0; seed < 5000; ++seed) {
            const std::string flipped = usdc_testing::flipBits(bytes, seed);
            ASSERT_TRUE(usdc_testing::withinBounds(readWhole(flipped), flipped.size())) << seed;
        }
    }
}

TEST(CrateSoak, BitFlips) {
    for (const std::string& file : usdc_testing::realFiles()) {
        SCOPED_TRACE(file);
        const std::string bytes = realBytes(file);
        const std::uint64_t flips = bytes.size() > 64 * 1024 ? 400 : 3000;
        for (std::uint64_t seed = 0; seed < flips; ++seed) {
            const std::string flipped = usdc_testing::flipBits(bytes, seed + 1000);
            ASSERT_TRUE(usdc_testing::withinBounds(readWhole(flipped), flipped.size())) << seed;
        }
    }
}

}  // namespace
