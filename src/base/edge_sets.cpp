#include "base/edge_sets.h"

#include <algorithm>
#include <cstdint>

namespace tessaryn {

namespace {

constexpr std::size_t kInitialSlots = 256;

// Tables grow when three quarters full: on large meshes they hold hundreds of thousands
// of group-border edges, and memory matters more there than the slightly longer probes.
bool isCrowded(std::size_t count, std::size_t slots) {
    return (count + 1) * 4 > slots * 3;
}

}  // namespace

EdgeMap::Slot& EdgeMap::insert(EdgeKey key, std::int32_t value) {
    if (isCrowded(count_, slots_.size())) grow();
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = edgeSlot(key, 0, mask);; i = (i + 1) & mask) {
        Slot& slot = slots_[i];
        if (slot.key == key) return slot;
        if (slot.key == kNoEdge) {
            slot.key = key;
            slot.value = value;
            ++count_;
            return slot;
        }
    }
}

void EdgeMap::reserve(std::size_t count) {
    std::size_t wanted = kInitialSlots;
    while (isCrowded(count, wanted)) wanted *= 2;
    if (wanted > slots_.size()) rehash(wanted);
}

const EdgeMap::Slot* EdgeMap::find(EdgeKey key) const {
    if (slots_.empty()) return nullptr;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = edgeSlot(key, 0, mask);; i = (i + 1) & mask) {
        const Slot& slot = slots_[i];
        if (slot.key == key) return &slot;
        if (slot.key == kNoEdge) return nullptr;
    }
}

void EdgeMap::grow() {
    rehash(slots_.empty() ? kInitialSlots : slots_.size() * 2);
}

void EdgeMap::rehash(std::size_t capacity) {
    std::vector<Slot> old;
    old.swap(slots_);
    slots_.assign(capacity, Slot{});
    count_ = 0;
    for (const Slot& slot : old) {
        if (slot.key != kNoEdge) insert(slot.key, slot.value);
    }
}

std::size_t GroupEdgeParity::home(std::uint32_t group, EdgeKey edge) const {
    return edgeSlot(edge, group, slots_.size() - 1);
}

EdgeEndFilter::EdgeEndFilter(const std::vector<EdgeKey>& edges, std::uint32_t reach) {
    // No bit beyond the largest end: edges usually join only part of the mesh's vertices.
    std::uint32_t largest = 0;
    for (EdgeKey edge : edges) {
        largest = std::max(
            {largest, static_cast<std::uint32_t>(edge >> 32), static_cast<std::uint32_t>(edge)});
    }
    reach_ = edges.empty() ? 0 : std::min(reach, largest == UINT32_MAX ? largest : largest + 1);
    bits_.assign(reach_ / 64 + 1, 0);
    for (EdgeKey edge : edges) {
        for (auto end :
             {static_cast<std::uint32_t>(edge >> 32), static_cast<std::uint32_t>(edge)}) {
            if (end < reach_) bits_[end >> 6] |= std::uint64_t{1} << (end & 63);
        }
    }
}

GroupEdgeParity::GroupEdgeParity() : waiting_(kWays << kSetBits) {}

std::vector<EdgeKey> GroupEdgeParity::takeEdges() {
    settle();
    std::vector<EdgeKey> edges;
    edges.reserve(count_);
    for (const Slot& slot : slots_) {
        if (slot.edge != kNoEdge) edges.push_back(slot.edge);
    }
    std::vector<Slot>().swap(slots_);
    count_ = 0;
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    return edges;
}

void GroupEdgeParity::settle() {
    for (Slot& waiting : waiting_) {
        if (waiting.edge != kNoEdge) toggleInTable(waiting.group, waiting.edge);
        waiting = Slot{};
    }
}

void GroupEdgeParity::toggleInTable(std::uint32_t group, EdgeKey edge) {
    if (isCrowded(count_, slots_.size())) grow();
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = home(group, edge);
    while (slots_[i].edge != kNoEdge) {
        if (slots_[i].edge == edge && slots_[i].group == group) break;
        i = (i + 1) & mask;
    }
    if (slots_[i].edge == kNoEdge) {
        slots_[i] = Slot{edge, group};
        ++count_;
        return;
    }
    // Removal by backward shift: later members of the probe run move up into the gap
    // when their home lies at or before it, so lookups never need tombstones.
    std::size_t gap = i;
    for (std::size_t j = (gap + 1) & mask; slots_[j].edge != kNoEdge; j = (j + 1) & mask) {
        std::size_t want = home(slots_[j].group, slots_[j].edge);
        bool movable = gap <= j ? (want <= gap || want > j) : (want <= gap && want > j);
        if (movable) {
            slots_[gap] = slots_[j];
            gap = j;
        }
    }
    slots_[gap] = Slot{};
    --count_;
}

void GroupEdgeParity::grow() {
    std::vector<Slot> old;
    old.swap(slots_);
    slots_.assign(old.empty() ? kInitialSlots : old.size() * 2, Slot{});
    count_ = 0;
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& slot : old) {
        if (slot.edge == kNoEdge) continue;
        std::size_t i = home(slot.group, slot.edge);
        while (slots_[i].edge != kNoEdge) i = (i + 1) & mask;
        slots_[i] = slot;
        ++count_;
    }
}

}  // namespace tessaryn
