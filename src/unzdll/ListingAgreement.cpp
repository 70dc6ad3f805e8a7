// The listing's view of an archive against its central directory's.
#include "unzdll/ListingAgreement.h"

#include "engine/EntryNames.h"
#include "engine/LittleEndian.h"
#include "engine/LocalHeaderWalk.h"
#include "engine/ZipFormat.h"

#include <algorithm>
#include <vector>

namespace {

// A stored name as a message shows it: decoded, control characters as "_".
std::string Shown(std::string_view raw) {
    std::string name = DecodeEntryName(raw);
    for (char& c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '_';
    return name;
}

std::string NamesDiffer(std::string_view central, std::string_view local) {
    return "the directory names " + Shown(central) + " where the local header says " + Shown(local);
}

// Why a record that the listing does not reach is no listed entry: no local header where it
// points, one of another name, or one the walk never came to.
std::string Unreached(int fd, const ArchiveLayout& layout, const LayoutEntry& entry) {
    const std::string_view central = StoredName(layout, entry);
    std::vector<unsigned char> header(kLocalHeaderSize + central.size());
    const bool inside = entry.localHeaderOffset <= layout.archiveSize;
    if (!inside ||
        ReadAt(fd, layout.archiveStart + entry.localHeaderOffset, header.data(), header.size()) !=
            header.size() ||
        Le32(header.data()) != kLocalHeaderSignature)
        return "the directory's entry " + Shown(central) + " points at no local header";
    const std::string_view local(reinterpret_cast<const char*>(&header[kLocalHeaderSize]),
                                 std::min<std::size_t>(Le16(&header[26]), central.size()));
    if (Le16(&header[26]) != central.size() || local != central)
        return NamesDiffer(central, local);
    return "the directory's entry " + Shown(central) + " is not in the list";
}

} // namespace

std::optional<std::string> ListingDisagreement(int fd, const ArchiveLayout& layout,
                                               bool fromExeStart) {
    // Each record's header offset in the file and its number, in the order of the offsets; the
    // first record of an offset is the one found.
    std::vector<std::pair<std::uint64_t, std::size_t>> byOffset;
    byOffset.reserve(layout.entries.size());
    for (std::size_t i = 0; i < layout.entries.size(); ++i)
        byOffset.emplace_back(layout.archiveStart + layout.entries[i].localHeaderOffset, i);
    std::sort(byOffset.begin(), byOffset.end());
    std::vector<bool> listed(layout.entries.size(), false);
    std::optional<std::string> difference;
    WalkLocalHeaders(fd, fromExeStart, [&](const WalkedHeader& header) {
        if (difference)
            return;
        const auto found = std::lower_bound(byOffset.begin(), byOffset.end(),
                                            std::make_pair(header.offset, std::size_t{0}));
        const bool recorded = found != byOffset.end() && found->first == header.offset;
        if (!recorded) {
            // Padding is no entry; the listing leaves it out too.
            if (!IsPadding(header))
                difference = "the listed entry " + Shown(header.nameField) +
                             " has no record in the directory";
            return;
        }
        const LayoutEntry& entry = layout.entries[found->second];
        const std::string_view central = StoredName(layout, entry);
        // The listing names the entry by its local header's Unicode Path, the engine by its
        // record's: they must agree as the stored names do.
        const auto localUnicode = UnicodePathName(header.nameField, header.extraField);
        const auto centralUnicode = UnicodePathName(central, StoredExtra(layout, entry));
        if (central != header.nameField)
            difference = NamesDiffer(central, header.nameField);
        else if (localUnicode != centralUnicode)
            difference = NamesDiffer(centralUnicode.value_or(central),
                                     localUnicode.value_or(header.nameField));
        listed[found->second] = true;
    });
    for (std::size_t i = 0; i < listed.size() && !difference; ++i)
        if (!listed[i])
            difference = Unreached(fd, layout, layout.entries[i]);
    return difference;
}
