// The rows of the main list: one per listed entry, in the order of the sort keys, each held as
// the index of its entry (4 bytes). A row's texts are made from its entry when the list draws it,
// so the archive's entries are held once, by the component, and a listing of a million entries
// costs a few megabytes here. Keys that make no row (an empty name, a folder entry) are skipped.
#pragma once

#include "engine/ZipEntries.h"
#include "platform/ui/ListView.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace listing {

// Whether an entry of this stored name has a row: not empty, not a folder entry ending in "/".
bool Listed(std::string_view storedName);

class ListingRows : public platform::ui::RowSource {
public:
    // The entries whose keys are listed. The rows are forgotten unless they were made from these
    // very entries as they are now (the same read of the directory): the Open command asks for
    // the keys again after the directory update has filled the rows, and those rows stay.
    void Attach(const ZipEntryList* entries);
    const ZipEntryList* Entries() const { return entries_; }
    // The rows of these keys (entry indexes), in their order.
    void Fill(const std::vector<std::uint32_t>& keys);
    std::uint32_t EntryOf(int row) const { return rows_[static_cast<std::size_t>(row)]; }

    // As the list asks. Once the entries change (a new directory read) and until the rows are
    // filled again there are none, so a repaint meanwhile never shows another entry's texts.
    int Count() const override;
    int ImageIndex(int row) const override;
    QString Text(int row, int column) const override;
    int WidestCaption(const QFontMetrics& metrics) const override;

private:
    bool Current() const;

    const ZipEntryList* entries_ = nullptr;
    std::uint64_t generation_ = 0;
    std::vector<std::uint32_t> rows_;
    mutable std::unordered_map<std::string, int> images_; // by extension, as the image list types
};

} // namespace listing
