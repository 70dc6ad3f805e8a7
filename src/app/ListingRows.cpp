// The rows of the main list.
#include "app/ListingRows.h"

#include "app/ListingText.h"
#include "app/NameOrder.h"
#include "platform/WinPath.h"
#include "platform/ui/SystemImageList.h"

#include <QFontMetrics>
#include <algorithm>
#include <array>

namespace listing {
namespace {

enum Column { kFile, kSize, kDateTime, kRatio, kPacked, kPath };

// How many of the widest captions by estimate are measured exactly.
constexpr std::size_t kMeasuredExactly = 64;

} // namespace

bool Listed(std::string_view storedName) {
    return !storedName.empty() && storedName.back() != '/';
}

void ListingRows::Attach(const ZipEntryList* entries) {
    if (entries == entries_ && Current())
        return;
    entries_ = entries;
    generation_ = entries ? entries->Generation() : 0;
    rows_.clear();
    images_.clear();
}

void ListingRows::Fill(const std::vector<std::uint32_t>& keys) {
    rows_.clear();
    if (!entries_)
        return;
    generation_ = entries_->Generation();
    rows_.reserve(keys.size());
    for (const std::uint32_t key : keys)
        if (key < entries_->size() && Listed((*entries_)[key].FileName))
            rows_.push_back(key);
}

bool ListingRows::Current() const {
    return entries_ && entries_->Generation() == generation_;
}

int ListingRows::Count() const {
    return Current() ? static_cast<int>(rows_.size()) : 0;
}

int ListingRows::ImageIndex(int row) const {
    if (row < 0 || row >= Count())
        return -1;
    const std::string_view stored = (*entries_)[EntryOf(row)].FileName;
    const QString name = DecodedName(stored);
    // The image list types a name by its extension; a name without one by the whole name.
    const std::string extension = win::ExtractFileExt(std::string(stored));
    if (extension.empty())
        return platform::ui::SystemImageList::Instance().IndexOfFileName(name);
    auto found = images_.find(extension);
    if (found == images_.end())
        found =
            images_
                .emplace(extension, platform::ui::SystemImageList::Instance().IndexOfFileName(name))
                .first;
    return found->second;
}

QString ListingRows::Text(int row, int column) const {
    if (row < 0 || row >= Count())
        return {};
    const ZipDirEntry& entry = (*entries_)[EntryOf(row)];
    switch (column) {
    case kFile:
        return NamePart(DecodedName(entry.FileName));
    case kSize:
        return GroupedNumber(entry.UncompressedSize);
    case kDateTime:
        return FormatDosDateTime(entry.FileDateTime);
    case kRatio:
        return RatioText(RowRatio(entry.CompressedSize, entry.UncompressedSize));
    case kPacked:
        return GroupedNumber(entry.CompressedSize);
    case kPath:
        return PathPart(DecodedName(entry.FileName));
    default:
        return {};
    }
}

int ListingRows::WidestCaption(const QFontMetrics& metrics) const {
    // Captions in printable ASCII are estimated from the advances of their characters (a table of
    // 95), the others measured; the widest by estimate are then measured as a whole, as the list
    // measures them, since pairs of letters may be set closer than their advances add up to.
    const QFontMetricsF exact(metrics);
    std::array<qreal, 128> advance{};
    for (char c = 0x20; c < 0x7F; ++c)
        advance[static_cast<std::size_t>(c)] = exact.horizontalAdvance(QChar(c));
    std::vector<std::pair<qreal, int>> widths; // estimate, row
    widths.reserve(static_cast<std::size_t>(Count()));
    for (int row = 0; row < Count(); ++row) {
        const std::string_view stored = (*entries_)[EntryOf(row)].FileName;
        const std::string_view caption = stored.substr(stored.rfind('/') + 1);
        qreal width = 0;
        for (const char c : caption) {
            if (c < 0x20 || c >= 0x7F) {
                width = exact.horizontalAdvance(Text(row, kFile));
                break;
            }
            width += advance[static_cast<std::size_t>(c)];
        }
        widths.emplace_back(width, row);
    }
    const std::size_t measured = std::min(kMeasuredExactly, widths.size());
    std::partial_sort(widths.begin(), widths.begin() + static_cast<std::ptrdiff_t>(measured),
                      widths.end(), std::greater<>());
    int widest = 0;
    for (std::size_t at = 0; at < measured; ++at)
        widest = std::max(widest, metrics.horizontalAdvance(Text(widths[at].second, kFile)));
    return widest;
}
} // namespace listing
