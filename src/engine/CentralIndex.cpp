// The central directory as the walk of the local headers asks about it.
#include "engine/CentralIndex.h"

#include "engine/ArchiveLayout.h"

#include <algorithm>

void CentralIndex::Load() {
    loaded_ = true;
    directoryAt_ = ScanCentralDirectory(fd_, [this](const LayoutEntry& entry,
                                                    std::uint64_t archiveStart) {
        records_.push_back(
            {archiveStart + entry.localHeaderOffset, entry.compressedSize, entry.uncompressedSize,
             entry.crc32, static_cast<std::uint16_t>(entry.nameLength), FolderByAttributes(entry)});
    });
    if (!directoryAt_)
        records_.clear();
    // Writers list the entries in the order of their headers; only another order is sorted.
    // Stable: of two records of one header, the first in the directory is the one found.
    const auto byHeader = [](const CentralFacts& a, const CentralFacts& b) {
        return a.headerAt < b.headerAt;
    };
    if (!std::is_sorted(records_.begin(), records_.end(), byHeader))
        std::stable_sort(records_.begin(), records_.end(), byHeader);
    records_.shrink_to_fit();
}

const CentralFacts* CentralIndex::At(std::uint64_t headerAt) {
    if (!loaded_)
        Load();
    const auto found = std::lower_bound(
        records_.begin(), records_.end(), headerAt,
        [](const CentralFacts& record, std::uint64_t at) { return record.headerAt < at; });
    return found != records_.end() && found->headerAt == headerAt ? &*found : nullptr;
}

std::optional<std::uint64_t> CentralIndex::NextHeaderAfter(std::uint64_t position) {
    if (!loaded_)
        Load();
    const auto found = std::upper_bound(
        records_.begin(), records_.end(), position,
        [](std::uint64_t at, const CentralFacts& record) { return at < record.headerAt; });
    std::optional<std::uint64_t> next;
    if (directoryAt_ && *directoryAt_ > position)
        next = directoryAt_; // the walk ends there
    if (found != records_.end() && (!next || found->headerAt < *next))
        next = found->headerAt;
    return next;
}
