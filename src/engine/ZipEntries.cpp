// The entries of an archive, held compactly.
#include "engine/ZipEntries.h"

#include <algorithm>
#include <cstring>

namespace {

// Large enough that the blocks' own cost vanishes, small enough that a short archive wastes
// little. Names are at most 256 bytes, so every name fits one block.
constexpr std::size_t kNameBlockBytes = 64 * 1024;

} // namespace

void ZipEntryList::Append(const ZipDirEntry& entry, std::string_view name) {
    if (nameBlocks_.empty() || kNameBlockBytes - blockUsed_ < name.size()) {
        nameBlocks_.push_back(std::make_unique<char[]>(std::max(kNameBlockBytes, name.size())));
        blockUsed_ = 0;
    }
    char* kept = nameBlocks_.back().get() + blockUsed_;
    if (!name.empty())
        std::memcpy(kept, name.data(), name.size());
    blockUsed_ += name.size();
    records_.push_back(entry);
    records_.back().FileName = std::string_view(kept, name.size());
}

void ZipEntryList::Clear() {
    while (!records_.empty())
        records_.pop_back(); // last to first
    records_.shrink_to_fit();
    nameBlocks_.clear();
    blockUsed_ = 0;
    ++generation_;
}
