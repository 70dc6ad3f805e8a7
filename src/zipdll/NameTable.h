// A set of names held as numbers alone, for the look-ups of an add over any number of files: the
// names stay where they are (the list of files, the archive's directory) and are made again from a
// number whenever two must be compared. An open-addressing table of 4-byte slots, never more than
// half full, so a name costs 8 to 16 bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class NameTable {
public:
    // Makes the name of a number in name (which it may reuse).
    using NameOf = std::function<void(std::uint32_t number, std::string& name)>;

    explicit NameTable(NameOf nameOf) : nameOf_(std::move(nameOf)) {}

    // Holds number under its name; false (and nothing changes) when an equal name is held.
    bool Insert(std::uint32_t number);
    // The number held under name, if any.
    std::optional<std::uint32_t> Find(std::string_view name) const;

private:
    // The slot of name: the one holding it, or the empty one where it would go.
    std::size_t SlotOf(std::string_view name) const;
    void Grow();

    NameOf nameOf_;
    std::vector<std::uint32_t> slots_; // number + 1; 0 is empty
    std::size_t held_ = 0;
    mutable std::string candidate_; // a held name being compared
};
