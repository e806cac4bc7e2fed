// Undirected mesh edges as 64-bit keys, and the flat hash tables that hold them.
//
// An edge joins two vertex numbers; its key holds the smaller one in the high half and
// the larger one in the low half, so the two orders of writing an edge give one key.
// The decimal text "smaller larger" names the same edge; only the storage differs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessaryn {

using EdgeKey = std::uint64_t;

inline EdgeKey orderedEdgeKey(std::int32_t first, std::int32_t second) {
    return (static_cast<EdgeKey>(static_cast<std::uint32_t>(first)) << 32) |
           static_cast<std::uint32_t>(second);
}
inline EdgeKey edgeKey(std::int32_t a, std::int32_t b) {
    return a <= b ? orderedEdgeKey(a, b) : orderedEdgeKey(b, a);
}

// No edge has this key: its smaller vertex would be above its larger one.
constexpr EdgeKey kNoEdge = (EdgeKey{0x7FFFFFFF} << 32) | 0x80000000u;

inline std::uint64_t mixBits(std::uint64_t x) {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ULL;
    x ^= x >> 33;
    return x;
}

// Where an edge's probe starts, for a table of `mask` + 1 slots; `salt` is a group
// number. A full hash: regular vertex numberings must not pile up in one place.
inline std::size_t edgeSlot(EdgeKey key, std::uint64_t salt, std::size_t mask) {
    return static_cast<std::size_t>(mixBits(key ^ (salt * 0x9E3779B97F4A7C15ULL))) & mask;
}

// Edges with an int32 value each (for instance a scene edge number); open addressing
// with linear probing, never more than three quarters full.
class EdgeMap {
public:
    struct Slot {
        EdgeKey key = kNoEdge;
        std::int32_t value = 0;
    };

    // Inserts `key` with `value` unless present; gives the slot either way.
    Slot& insert(EdgeKey key, std::int32_t value);
    // Makes room for `count` keys in all, so that inserting them never regrows the table.
    void reserve(std::size_t count);
    const Slot* find(EdgeKey key) const;
    Slot* find(EdgeKey key) {
        return const_cast<Slot*>(static_cast<const EdgeMap*>(this)->find(key));
    }

private:
    void grow();
    void rehash(std::size_t capacity);

    std::vector<Slot> slots_;
    std::size_t count_ = 0;
};

// The end vertices of a set of edges, one bit each: an edge with an end outside the set
// is not in it, which a test of two bits tells far more cheaply than a hash lookup. Only
// vertices below `reach` get a bit, so memory stays in proportion to the mesh whatever
// numbers a file writes; any other vertex, a negative one among them, passes the test.
class EdgeEndFilter {
public:
    EdgeEndFilter(const std::vector<EdgeKey>& edges, std::uint32_t reach);
    // False only when the edge between a and b is certainly not in the set.
    bool mayJoin(std::int32_t a, std::int32_t b) const { return mayEnd(a) && mayEnd(b); }

private:
    bool mayEnd(std::int32_t vertex) const {
        const auto v = static_cast<std::uint32_t>(vertex);
        return v >= reach_ || ((bits_[v >> 6] >> (v & 63)) & 1) != 0;
    }

    std::vector<std::uint64_t> bits_;
    std::uint32_t reach_ = 0;
};

// Parity of (group, edge) pairs: toggling a pair inserts it when absent and removes it
// when present, so the table holds exactly the pairs toggled an odd number of times.
//
// Almost every edge inside a group is toggled twice, by two faces listed close together
// (the face before, or the face one row back), so toggles wait first in a small cache
// that stays in the processor's caches: a pair toggled again while it waits cancels
// there without touching the table, whose slots are scattered over memory far larger
// than those caches. The cache has sets of four pairs, one cache line each, chosen by
// the edge's smaller vertex: the faces of a row number their vertices in order, so the
// pairs that wait for the next row fill neighbouring sets one after another. A full set
// pushes its oldest pair on into the table. Toggles commute, so none of this changes a
// parity.
class GroupEdgeParity {
public:
    struct Slot {
        EdgeKey edge = kNoEdge;
        std::uint32_t group = 0;
    };

    GroupEdgeParity();
    void toggle(std::uint32_t group, EdgeKey edge) {
        Slot* const set = &waiting_[waitingSet(group, edge) * kWays];
        std::size_t used = 0;
        for (; used < kWays && set[used].edge != kNoEdge; ++used) {
            if (set[used].edge == edge && set[used].group == group) {
                for (std::size_t k = used + 1; k < kWays; ++k) set[k - 1] = set[k];
                set[kWays - 1] = Slot{};
                return;
            }
        }
        if (used == kWays) {
            toggleInTable(set[0].group, set[0].edge);
            for (std::size_t k = 1; k < kWays; ++k) set[k - 1] = set[k];
            used = kWays - 1;
        }
        set[used] = Slot{edge, group};
    }
    // The distinct edges of all pairs toggled an odd number of times, ascending; the
    // table is released first, so that it and what is built from the edges never
    // take memory at the same time.
    std::vector<EdgeKey> takeEdges();

private:
    // 4,096 sets of four 16-byte pairs: 256 KiB, about what a core's second-level cache
    // holds, and room for the waiting pairs of a row of faces of a mesh 4,096 vertices
    // wide. Each group's sets start elsewhere, so that a border's two groups rarely meet.
    static constexpr std::size_t kWays = 4;
    static constexpr unsigned kSetBits = 12;

    static std::size_t waitingSet(std::uint32_t group, EdgeKey edge) {
        const std::uint32_t spread = group * 0x9E3779B1u;  // wraps: only a starting point
        return static_cast<std::size_t>((edge >> 32) + spread) & ((std::size_t{1} << kSetBits) - 1);
    }
    void toggleInTable(std::uint32_t group, EdgeKey edge);
    void settle();
    void grow();
    std::size_t home(std::uint32_t group, EdgeKey edge) const;

    std::vector<Slot> slots_;
    std::size_t count_ = 0;
    std::vector<Slot> waiting_;
};

}  // namespace tessaryn
