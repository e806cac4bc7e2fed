#include "base/large_arrays.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <vector>

namespace {

// Room made ahead keeps what the array held, from nothing to arrays of large pages, and
// room already there is left as it is.
TEST(LargeArrays, ReserveKeepsTheValues) {
    for (const std::size_t held : {std::size_t{0}, std::size_t{3}, std::size_t{5} << 20}) {
        for (const std::size_t wanted : {std::size_t{0}, std::size_t{10}, std::size_t{9} << 20}) {
            SCOPED_TRACE(std::to_string(held) + " held, room for " + std::to_string(wanted));
            std::vector<std::uint32_t> values(held);
            std::iota(values.begin(), values.end(), 1u);
            const std::size_t capacity = values.capacity();
            tessaryn::reserveLarge(values, wanted);
            EXPECT_GE(values.capacity(), std::max(wanted, capacity));
            ASSERT_EQ(values.size(), held);
            for (std::size_t i = 0; i < held; ++i) ASSERT_EQ(values[i], i + 1);
            values.resize(wanted);  // the room is there to be filled
        }
    }
}

}  // namespace
