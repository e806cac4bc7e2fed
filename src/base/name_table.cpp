#include "base/name_table.h"

namespace tessaryn {

namespace {

std::uint64_t hashText(std::string_view text) {
    std::uint64_t hash = 1469598103934665603ULL;  // FNV-1a
    for (char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    return hash;
}

}  // namespace

std::string_view NameTable::nameAt(std::uint32_t number) const {
    std::size_t begin = offsets_[number];
    std::size_t end = number + 1 < offsets_.size() ? offsets_[number + 1] : text_.size();
    return std::string_view(text_).substr(begin, end - begin);
}

std::size_t NameTable::slotOf(std::string_view name, std::uint64_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = hash & mask;
    while (slots_[i] != kAbsent && nameAt(slots_[i]) != name) i = (i + 1) & mask;
    return i;
}

std::uint32_t NameTable::find(std::string_view name) const {
    if (slots_.empty()) return kAbsent;
    return slots_[slotOf(name, hashText(name))];
}

std::uint32_t NameTable::add(std::string_view name) {
    if ((offsets_.size() + 1) * 2 > slots_.size()) grow();
    std::size_t slot = slotOf(name, hashText(name));
    if (slots_[slot] != kAbsent) return slots_[slot];
    auto number = static_cast<std::uint32_t>(offsets_.size());
    offsets_.push_back(text_.size());
    text_.append(name);
    slots_[slot] = number;
    return number;
}

void NameTable::grow() {
    slots_.assign(slots_.empty() ? 16 : slots_.size() * 2, kAbsent);
    for (std::uint32_t number = 0; number < offsets_.size(); ++number) {
        slots_[slotOf(nameAt(number), hashText(nameAt(number)))] = number;
    }
}

}  // namespace tessaryn
