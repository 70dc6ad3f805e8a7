// Which entries the specifications of a delete or an extraction name. A specification is a mask
// ("*" and "?", matched without regard to case, "*.*" matching every name), except that one equal
// to the name of an entry names that entry alone: a row for an entry called "*.txt" or "a?c" hands
// its name over, and must not take every entry the name would match as a mask.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class EntrySpecs {
public:
    // specs with "\" or "/" separators; entryNames the decoded names of every entry.
    EntrySpecs(std::vector<std::string> specs, const std::vector<std::string>& entryNames);

    // Whether any specification names the entry; marks each one that does.
    bool Matches(std::string_view entryName);
    // Whether specification i named an entry so far.
    bool Used(std::size_t i) const { return used_[i]; }
    std::size_t Count() const { return specs_.size(); }

private:
    std::vector<std::string> specs_;
    std::vector<bool> literal_; // the specification is an entry's name
    std::vector<bool> used_;
};
