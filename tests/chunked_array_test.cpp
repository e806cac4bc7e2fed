#include "base/chunked_array.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

struct Twelve {
    std::int32_t a, b, c;
};

// Elements across several chunks, read back by index and run by run, for small and
// 12-byte elements, with huge pages from the first chunk or from the second.
template <typename T, typename Make>
void expectRoundTrip(bool large, Make make) {
    tessaryn::ChunkedArray<T> array;
    if (large) array.expectLarge();
    const std::size_t count = 2 * tessaryn::ChunkedArray<T>::kPerChunk + 3;
    for (std::size_t i = 0; i < count; ++i) array.push_back(make(i));
    ASSERT_EQ(array.size(), count);
    std::size_t seen = 0;
    array.forEachRun([&](const T* run, std::size_t n) {
        for (std::size_t k = 0; k < n; ++k, ++seen) {
            ASSERT_EQ(std::memcmp(&run[k], &array[seen], sizeof(T)), 0);
            const T expected = make(seen);
            ASSERT_EQ(std::memcmp(&run[k], &expected, sizeof(T)), 0) << seen;
        }
    });
    EXPECT_EQ(seen, count);
}

TEST(ChunkedArray, HoldsEveryElementAcrossChunks) {
    for (bool large : {false, true}) {
        SCOPED_TRACE(large);
        expectRoundTrip<std::uint8_t>(large, [](std::size_t i) { return std::uint8_t(i * 7); });
        expectRoundTrip<Twelve>(large, [](std::size_t i) {
            return Twelve{std::int32_t(i), -std::int32_t(i), std::int32_t(i * 3)};
        });
    }
    EXPECT_TRUE(tessaryn::ChunkedArray<Twelve>().empty());
}

}  // namespace
