// Which entries the specifications of a delete or an extraction name. A specification is a mask
// ("*" and "?", matched without regard to case, "*.*" matching every name), except that one equal
// to the name of an entry names that entry alone: a row for an entry called "*.txt" or "a?c" hands
// its name over, and must not take every entry the name would match as a mask. "*.*" is the
// specification of the whole archive; what it names when an entry is called so is the caller's
// choice.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class EntrySpecs {
public:
    // What "*.*" names when an entry has that very name.
    enum class WholeArchive {
        EntryOfThatName, // that entry alone (deleting: a row never takes more than itself)
        EveryEntry,      // every entry (extracting: Extract All and the installer pass it)
    };

    // Calls its argument with the decoded name of every entry, in any order.
    using NameSource = std::function<void(const std::function<void(std::string_view)>&)>;

    // specs with "\" or "/" separators; entryNames gives the decoded names of every entry, and
    // is not called when no specification could be an entry's name.
    EntrySpecs(std::vector<std::string> specs, const NameSource& entryNames,
               WholeArchive wholeArchive);
    EntrySpecs(std::vector<std::string> specs, const std::vector<std::string>& entryNames,
               WholeArchive wholeArchive);
    // The look-up holds views of the specifications.
    EntrySpecs(const EntrySpecs&) = delete;
    EntrySpecs& operator=(const EntrySpecs&) = delete;

    // Whether any specification names the entry; marks each one that does. The specifications
    // that are entries' names are found by the name, so selecting every row of a million costs a
    // look-up per entry, not a comparison with every specification.
    bool Matches(std::string_view entryName);
    // Whether specification i named an entry so far.
    bool Used(std::size_t i) const { return used_[i]; }
    std::size_t Count() const { return specs_.size(); }

private:
    std::vector<std::string> specs_;
    // The specifications that are entries' names, by that name (one name may be given twice),
    // and the others, the masks.
    std::unordered_map<std::string_view, std::vector<std::size_t>> literals_;
    std::vector<std::size_t> masks_;
    std::vector<bool> used_;
};
