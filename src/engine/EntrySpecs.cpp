// Which entries the specifications of a delete or an extraction name.
#include "engine/EntrySpecs.h"

#include "platform/WinPath.h"

#include <algorithm>

EntrySpecs::EntrySpecs(std::vector<std::string> specs, const NameSource& entryNames,
                       WholeArchive wholeArchive)
    : specs_(std::move(specs)), used_(specs_.size(), false) {
    // Which specifications are an entry's name: the specifications are looked up by each name,
    // so nothing of the size of the archive is held.
    std::unordered_map<std::string_view, bool> isEntryName;
    for (std::string& spec : specs_) {
        std::replace(spec.begin(), spec.end(), '\\', '/');
        if (!(wholeArchive == WholeArchive::EveryEntry && spec == "*.*"))
            isEntryName.emplace(spec, false);
    }
    if (!isEntryName.empty())
        entryNames([&](std::string_view name) {
            if (const auto found = isEntryName.find(name); found != isEntryName.end())
                found->second = true;
        });
    for (std::size_t i = 0; i < specs_.size(); ++i) {
        const auto found = isEntryName.find(specs_[i]);
        if (found != isEntryName.end() && found->second)
            literals_[specs_[i]].push_back(i);
        else
            masks_.push_back(i);
    }
}

EntrySpecs::EntrySpecs(std::vector<std::string> specs, const std::vector<std::string>& entryNames,
                       WholeArchive wholeArchive)
    : EntrySpecs(
          std::move(specs),
          [&](const std::function<void(std::string_view)>& visit) {
              for (const std::string& name : entryNames)
                  visit(name);
          },
          wholeArchive) {}

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
