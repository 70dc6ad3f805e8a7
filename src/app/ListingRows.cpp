// What the listing knows about each sort key.
#include "app/ListingRows.h"

#include "app/ListingText.h"
#include "platform/WinPath.h"
#include "platform/ui/SystemImageList.h"

#include <algorithm>
#include <numeric>

namespace listing {

void ListingRows::Reserve(std::size_t count) {
    facts_.reserve(count);
    byText_.reserve(count);
}

void ListingRows::Clear() {
    facts_.clear();
    byText_.clear();
    byKey_.clear();
    dates_.clear();
    numbers_.clear();
    ratios_.clear();
    lastPath_.clear();
    nameOrder_.clear();
    images_.clear();
    collator_.reset(); // the user's locale as it is when the next archive is listed
}

int ListingRows::ImageOf(const QString& name, const std::string& extension) {
    // The image list types a name by its extension; a name without one by the whole name.
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

const QString& ListingRows::Shared(std::unordered_map<std::int64_t, QString>& texts,
                                   std::int64_t value, QString (*make)(std::int64_t)) {
    auto found = texts.find(value);
    if (found == texts.end())
        found = texts.emplace(value, make(value)).first;
    return found->second;
}

QString ListingRows::PathOf(const QString& name) {
    // Entries of one folder usually follow each other.
    const qsizetype slash = name.lastIndexOf('/');
    if (slash + 1 != lastPath_.size() || !name.startsWith(lastPath_))
        lastPath_ = PathPart(name);
    return lastPath_;
}

void ListingRows::MakeRow(KeyFacts& facts, const QString& name, const std::string& extension) {
    facts.ratio = RowRatio(facts.packed, facts.size);
    if (name.isEmpty())
        return;
    const QString file = NamePart(name);
    if (file.isEmpty())
        return; // folder entries are not listed
    facts.listed = true;
    facts.row = {ImageOf(name, extension),
                 file,
                 {Shared(numbers_, facts.size, GroupedNumber),
                  Shared(dates_, facts.dateTime,
                         [](std::int64_t value) {
                             return FormatDosDateTime(static_cast<std::int32_t>(value));
                         }),
                  Shared(ratios_, facts.ratio, RatioText),
                  Shared(numbers_, facts.packed, GroupedNumber), PathOf(name)}};
}

std::size_t ListingRows::Keep(KeyFacts facts) {
    const std::size_t id = facts_.size();
    byText_.emplace(facts.key.constData(), id);
    if (!byKey_.isEmpty())
        byKey_.insert(facts.key, id);
    facts_.push_back(std::move(facts));
    return id;
}

QString ListingRows::Add(const std::string& name, std::int32_t dateTime, std::int32_t packed,
                         std::int32_t size) {
    KeyFacts facts;
    const QString text = QString::fromStdString(name);
    facts.key = SortKey(text, dateTime, packed, size);
    facts.dateTime = dateTime;
    facts.packed = packed;
    facts.size = size;
    MakeRow(facts, text, win::ExtractFileExt(name));
    return facts_[Keep(std::move(facts))].key;
}

std::size_t ListingRows::IdOf(const QString& key) {
    if (const auto same = byText_.find(key.constData());
        same != byText_.end() && facts_[same->second].key.size() == key.size())
        return same->second;
    // A key made elsewhere: found by its text, or worked out from it.
    if (byKey_.isEmpty())
        for (std::size_t id = 0; id < facts_.size(); ++id)
            byKey_.insert(facts_[id].key, id);
    if (const auto found = byKey_.constFind(key); found != byKey_.constEnd())
        return *found;
    const KeyFields fields = SplitSortKey(key);
    KeyFacts facts;
    facts.key = key;
    facts.dateTime = fields.dateTime.toInt();
    facts.packed = fields.packed.toInt();
    facts.size = fields.size.toInt();
    MakeRow(facts, fields.name, win::ExtractFileExt(fields.name.toStdString()));
    return Keep(std::move(facts));
}

const KeyFacts& ListingRows::Of(const QString& key) {
    return facts_[IdOf(key)];
}

void ListingRows::SortByLocale(QStringList& keys) {
    if (!collator_)
        collator_ = NameCollator();
    // Where each kept key stands now; a key that stands twice makes the kept order unusable.
    std::vector<std::ptrdiff_t> position(facts_.size() + static_cast<std::size_t>(keys.size()), -1);
    bool distinct = true;
    std::vector<std::size_t> ids;
    ids.reserve(static_cast<std::size_t>(keys.size()));
    for (const QString& key : keys) {
        const std::size_t id = IdOf(key);
        distinct = distinct && position[id] < 0;
        position[id] = static_cast<std::ptrdiff_t>(ids.size());
        ids.push_back(id);
    }
    for (const std::size_t id : ids) // facts_ no longer grows
        if (!facts_[id].collation)
            facts_[id].collation = collator_->sortKey(facts_[id].key);
    // Compares keys by where they stand in the list.
    const auto less = [&](std::size_t a, std::size_t b) {
        return facts_[ids[a]].collation->compare(*facts_[ids[b]].collation) < 0;
    };
    const bool known = distinct && nameOrder_.size() == ids.size() &&
                       std::all_of(nameOrder_.begin(), nameOrder_.end(), [&](std::size_t id) {
                           return id < position.size() && position[id] >= 0;
                       });
    std::vector<std::size_t> order; // where each key of the sorted list stands now
    order.reserve(ids.size());
    if (known) {
        // The same keys as the last time: their order by name is known, and only keys that
        // collate equal take their order from where they stand now, as a stable sort leaves them.
        for (const std::size_t id : nameOrder_)
            order.push_back(static_cast<std::size_t>(position[id]));
        for (auto run = order.begin(); run != order.end();) {
            const auto end =
                std::find_if(run + 1, order.end(), [&](std::size_t at) { return less(*run, at); });
            std::sort(run, end);
            run = end;
        }
    } else {
        order.resize(ids.size());
        std::iota(order.begin(), order.end(), 0);
        // Archives are often written in name order: then one pass finds the keys in order.
        if (!std::is_sorted(order.begin(), order.end(), less))
            std::stable_sort(order.begin(), order.end(), less);
        if (distinct) {
            nameOrder_.clear();
            for (const std::size_t at : order)
                nameOrder_.push_back(ids[at]);
        }
    }
    if (std::is_sorted(order.begin(), order.end()))
        return; // already in that order
    QStringList sorted;
    sorted.reserve(keys.size());
    for (const std::size_t at : order)
        sorted.push_back(keys[static_cast<qsizetype>(at)]);
    keys = std::move(sorted);
}

} // namespace listing
