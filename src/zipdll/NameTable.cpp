// A set of names held as numbers alone.
#include "zipdll/NameTable.h"

namespace {

std::size_t HashOf(std::string_view name) {
    return std::hash<std::string_view>{}(name);
}

} // namespace

std::size_t NameTable::SlotOf(std::string_view name) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t slot = HashOf(name) & mask;; slot = (slot + 1) & mask) {
        if (slots_[slot] == 0)
            return slot;
        nameOf_(slots_[slot] - 1, candidate_);
        if (candidate_ == name)
            return slot;
    }
}

void NameTable::Grow() {
    std::vector<std::uint32_t> held = std::move(slots_);
    slots_.assign(held.empty() ? 64 : held.size() * 2, 0);
    std::string name;
    for (const std::uint32_t entry : held) {
        if (entry == 0)
            continue;
        nameOf_(entry - 1, name);
        const std::size_t mask = slots_.size() - 1;
        std::size_t slot = HashOf(name) & mask;
        while (slots_[slot] != 0) // the names held are all different
            slot = (slot + 1) & mask;
        slots_[slot] = entry;
    }
}

bool NameTable::Insert(std::uint32_t number) {
    if ((held_ + 1) * 2 > slots_.size())
        Grow();
    std::string name;
    nameOf_(number, name);
    const std::size_t slot = SlotOf(name);
    if (slots_[slot] != 0)
        return false;
    slots_[slot] = number + 1;
    ++held_;
    return true;
}

std::optional<std::uint32_t> NameTable::Find(std::string_view name) const {
    if (slots_.empty())
        return std::nullopt;
    const std::size_t slot = SlotOf(name);
    return slots_[slot] != 0 ? std::optional<std::uint32_t>(slots_[slot] - 1) : std::nullopt;
}
