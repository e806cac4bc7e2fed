#include "base/edge_sets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <utility>

#include "base/name_table.h"

namespace {

using tessaryn::EdgeKey;

TEST(EdgeKeys, BothOrdersGiveOneKey) {
    EXPECT_EQ(tessaryn::edgeKey(3, 7), tessaryn::edgeKey(7, 3));
    EXPECT_EQ(tessaryn::edgeKey(-5, 2), tessaryn::orderedEdgeKey(-5, 2));
    EXPECT_EQ(tessaryn::edgeKey(9, -2), tessaryn::orderedEdgeKey(-2, 9));
    EXPECT_LT(tessaryn::edgeKey(1, 9), tessaryn::edgeKey(2, 3));  // smaller vertex first
    EXPECT_NE(tessaryn::edgeKey(INT32_MIN, INT32_MAX), tessaryn::kNoEdge);
    EXPECT_NE(tessaryn::edgeKey(4, 4), tessaryn::kNoEdge);
}

// Random toggles checked against an ordered set of (group, edge) pairs: the edges left
// are those of the odd pairs. Small key spaces make removals fall inside long probe
// runs; large ones with many toggles crowd the cache of waiting toggles, so that pairs
// pass through it into the table and come back out of it again.
void expectParityMatchesReference(int trials, int maxSteps, int maxVertices, int groups) {
    std::mt19937 random(12345);
    for (int trial = 0; trial < trials; ++trial) {
        SCOPED_TRACE(trial);
        tessaryn::GroupEdgeParity parity;
        std::set<std::pair<std::uint32_t, EdgeKey>> reference;
        const int steps = static_cast<int>(random() % static_cast<unsigned>(maxSteps));
        const auto vertices =
            static_cast<std::int32_t>(2 + random() % static_cast<unsigned>(maxVertices));
        for (int step = 0; step < steps; ++step) {
            auto group = static_cast<std::uint32_t>(random() % static_cast<unsigned>(groups));
            EdgeKey edge = tessaryn::edgeKey(static_cast<std::int32_t>(random()) % vertices,
                                             static_cast<std::int32_t>(random()) % vertices);
            parity.toggle(group, edge);
            auto entry = std::make_pair(group, edge);
            if (!reference.erase(entry)) reference.insert(entry);
        }
        std::set<EdgeKey> expected;
        for (const auto& entry : reference) expected.insert(entry.second);
        const std::vector<EdgeKey> edges = parity.takeEdges();
        ASSERT_EQ(std::set<EdgeKey>(edges.begin(), edges.end()), expected);
        ASSERT_EQ(edges.size(), expected.size());  // each edge once
        ASSERT_TRUE(std::is_sorted(edges.begin(), edges.end()));
    }
}

TEST(GroupEdgeParity, MatchesAReferenceSetUnderRandomToggles) {
    expectParityMatchesReference(400, 4000, 80, 3);
}

TEST(GroupEdgeParity, MatchesAReferenceSetWhenTogglesCrowdTheCache) {
    expectParityMatchesReference(4, 200000, 400, 5);
}

// The filter may pass an edge that is not in the set, never reject one that is: every
// end of a set edge passes, and so does every vertex beyond the reach or negative.
TEST(EdgeEndFilter, RejectsOnlyEdgesWithAnEndOutsideTheSet) {
    const std::vector<EdgeKey> edges = {tessaryn::edgeKey(3, 7), tessaryn::edgeKey(64, 200),
                                        tessaryn::edgeKey(-4, 9)};
    const tessaryn::EdgeEndFilter filter(edges, 100);
    struct Case {
        std::int32_t a, b;
        bool passes;
    } const cases[] = {
        {3, 7, true},    {7, 3, true},    {3, 9, true},  // ends of different edges
        {3, 4, false},   {0, 7, false},   {63, 64, false},      {65, 64, false},
        {64, 200, true}, {64, 150, true}, {99, 3, false},  // 150 and 200 lie beyond the reach
        {-4, 9, true},   {-1, 3, true},   {INT32_MAX, 7, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(filter.mayJoin(c.a, c.b), c.passes) << c.a << " " << c.b;
    }
}

TEST(EdgeMap, KeepsTheFirstValue) {
    tessaryn::EdgeMap map;
    for (int i = 0; i < 1000; ++i) map.insert(tessaryn::edgeKey(i, i + 1), i);
    EXPECT_EQ(map.insert(tessaryn::edgeKey(5, 6), 99).value, 5);
    for (int i = 0; i < 1000; ++i) {  // every edge kept through the regrowths, either order
        const tessaryn::EdgeMap::Slot* slot = map.find(tessaryn::edgeKey(i + 1, i));
        ASSERT_NE(slot, nullptr) << i;
        EXPECT_EQ(slot->value, i);
    }
    EXPECT_EQ(map.find(tessaryn::edgeKey(5, 7)), nullptr);
    EXPECT_EQ(map.find(tessaryn::edgeKey(1000, 1001)), nullptr);
}

TEST(NameTable, NumbersNamesByFirstAppearanceByteForByte) {
    tessaryn::NameTable names;
    EXPECT_EQ(names.size(), 0u);
    EXPECT_EQ(names.add("g a"), 0u);
    EXPECT_EQ(names.add("g a "), 1u);
    EXPECT_EQ(names.add(""), 2u);
    EXPECT_EQ(names.add("g a"), 0u);
    for (int i = 0; i < 10000; ++i) names.add("name " + std::to_string(i));
    EXPECT_EQ(names.size(), 10003u);
    // A name seen before keeps its number through the regrowths and adds none.
    EXPECT_EQ(names.add("name 9999"), 10002u);
    EXPECT_EQ(names.add(""), 2u);
    EXPECT_EQ(names.add("g a "), 1u);
    EXPECT_EQ(names.size(), 10003u);
    // find asks without adding: the second read of a Vyx conversion must not number a
    // group name the first read did not see.
    EXPECT_EQ(names.find("name 17"), 20u);
    EXPECT_EQ(names.find("g b"), tessaryn::NameTable::kAbsent);
    EXPECT_EQ(names.size(), 10003u);
}

}  // namespace
