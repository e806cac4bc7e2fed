// Distinct names, numbered 0, 1, 2, ... in the order they first appear. Lookups take
// a view of the text, so a name is copied once, when it is first seen.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessaryn {

class NameTable {
public:
    static constexpr std::uint32_t kAbsent = 0xFFFFFFFFu;

    // The number of `name`, or kAbsent.
    std::uint32_t find(std::string_view name) const;
    // The number of `name`, giving it the next number when it is new.
    std::uint32_t add(std::string_view name);
    std::size_t size() const { return offsets_.size(); }

private:
    std::size_t slotOf(std::string_view name, std::uint64_t hash) const;
    std::string_view nameAt(std::uint32_t number) const;
    void grow();

    std::string text_;                  // every name, back to back
    std::vector<std::size_t> offsets_;  // where name n starts in text_; it ends at n + 1's start
    std::vector<std::uint32_t> slots_;  // name numbers, or kAbsent for a free slot
};

}  // namespace tessaryn
