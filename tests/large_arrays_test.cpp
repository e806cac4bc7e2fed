#include "base/large_arrays.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <thread>
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

// Pages made ahead, of any part of the room (a start and an end off the page boundaries,
// nothing at all), while another thread fills the room: what it wrote stays, and the rest
// reads as the room's own.
TEST(LargeArrays, PrefaultedRoomKeepsWhatWasWritten) {
    constexpr std::size_t kValues = std::size_t{3} << 20;
    std::vector<std::uint32_t> values;
    tessaryn::reserveLarge(values, kValues);
    values.resize(kValues / 2, 7u);
    auto* const room = reinterpret_cast<char*>(values.data());
    std::thread filler([&values] {
        for (std::size_t i = 0; i < kValues / 2; ++i) values.push_back(static_cast<std::uint32_t>(i));
    });
    for (const std::size_t at : {std::size_t{0}, std::size_t{100}, std::size_t{4096} * 3 + 5}) {
        for (const std::size_t bytes : {std::size_t{0}, std::size_t{1}, std::size_t{1} << 20})
            tessaryn::prefaultRoom(room + at + kValues * 2, bytes);
        tessaryn::prefaultRoom(room + at, std::size_t{1} << 20);
    }
    filler.join();
    ASSERT_EQ(values.size(), kValues);
    for (std::size_t i = 0; i < kValues / 2; ++i) ASSERT_EQ(values[i], 7u);
    for (std::size_t i = 0; i < kValues / 2; ++i) ASSERT_EQ(values[kValues / 2 + i], i);
}

}  // namespace
