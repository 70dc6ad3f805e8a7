// The order of an archive's entries by their sort keys in the name order: the whole key text
// (name, "@1", date-time, "@2", packed size, "@3", size) compared by NameCollator, keys that
// collate equal in archive order, exactly as a stable sort by the collator leaves them.
//
// Collation keys of a million names take seconds and hundreds of megabytes, so the order is found
// the cheap way first and only proved with the collator: every key is compared with its neighbour,
// which shows that the order is the sorted one and which neighbours collate equal.
//   1. Archives are mostly written in name order: the archive order itself is tried.
//   2. Otherwise keys in printable ASCII are sorted by the collator's rank of each character
//      (worked out once from the collator), the others by their collation keys, and both merged.
//   3. Should the proof fail (a locale whose rules join letters, say), every key is sorted by its
//      collation key.
// The comparisons and collation keys are spread over two threads, each with a collator of its own.
#pragma once

#include "engine/ZipEntries.h"

#include <QString>
#include <cstdint>
#include <string>
#include <vector>

namespace listing {

// The name of an entry as the listing shows it: its stored bytes as UTF-8 when they are valid
// UTF-8, otherwise as code page 437 (the engines' rule, so that a row names its entry).
QString DecodedName(std::string_view stored);
// The sort key text of an entry (SortKey of its name and numbers), as a QString or made in text.
QString KeyText(const ZipDirEntry& entry);
void KeyTextInto(const ZipDirEntry& entry, std::u16string& text);

class NameOrder {
public:
    // Works out the order of these entries; the entries must stay as they are while it is used.
    void Build(const ZipEntryList& entries);
    void Clear();
    // Whether the order is that of these entries as they are now.
    bool BuiltFor(const ZipEntryList& entries) const {
        return built_ && entries_ == &entries && generation_ == entries.Generation();
    }
    // Entry indexes in name order.
    const std::vector<std::uint32_t>& Order() const { return order_; }

    // Puts keys (entry indexes of the built entries) in name order; keys that collate equal keep
    // the order they stand in, as a stable sort leaves them. Linear in the number of entries.
    // Indexes beyond the entries go last, in their order.
    void Sort(std::vector<std::uint32_t>& keys) const;

private:
    const ZipEntryList* entries_ = nullptr;
    std::uint64_t generation_ = 0;
    bool built_ = false;
    std::vector<std::uint32_t> order_;
    std::vector<bool> tiedToPrevious_; // by place in order_: collates equal to the key before
};

} // namespace listing
