// Which entries the specifications of a delete or an extraction name.
#include "engine/EntrySpecs.h"

#include "platform/WinPath.h"

#include <algorithm>
#include <unordered_set>

EntrySpecs::EntrySpecs(std::vector<std::string> specs, const std::vector<std::string>& entryNames,
                       WholeArchive wholeArchive)
    : specs_(std::move(specs)), used_(specs_.size(), false) {
    const std::unordered_set<std::string_view> names(entryNames.begin(), entryNames.end());
    for (std::size_t i = 0; i < specs_.size(); ++i) {
        std::replace(specs_[i].begin(), specs_[i].end(), '\\', '/');
        if (names.contains(specs_[i]) &&
            !(wholeArchive == WholeArchive::EveryEntry && specs_[i] == "*.*"))
            literals_[specs_[i]].push_back(i);
        else
            masks_.push_back(i);
    }
}

bool EntrySpecs::Matches(std::string_view entryName) {
    bool any = false;
    if (const auto found = literals_.find(entryName); found != literals_.end()) {
        for (const std::size_t i : found->second)
            used_[i] = true;
        any = true;
    }
    for (const std::size_t i : masks_) {
        if (win::MatchesMask(entryName, specs_[i])) {
            used_[i] = true;
            any = true;
        }
    }
    return any;
}
