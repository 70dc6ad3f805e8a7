// What the listing knows about each sort key.
#include "app/ListingRows.h"

#include "app/ListingText.h"
#include "platform/ui/SystemImageList.h"

#include <algorithm>
#include <numeric>

namespace listing {

void ListingRows::Clear() {
    facts_.clear();
    collation_.clear();
    dates_.clear();
    collator_.reset(); // the user's locale as it is when the next archive is listed
}

KeyFacts ListingRows::Make(const QString& key) {
    const KeyFields fields = SplitSortKey(key);
    KeyFacts facts;
    facts.dateTime = fields.dateTime.toInt();
    facts.packed = fields.packed.toInt();
    facts.size = fields.size.toInt();
    facts.ratio = RowRatio(facts.packed, facts.size);
    if (fields.name.isEmpty())
        return facts;
    const QString name = NamePart(fields.name);
    if (name.isEmpty())
        return facts; // folder entries are not listed
    auto date = dates_.find(facts.dateTime);
    if (date == dates_.end())
        date = dates_.emplace(facts.dateTime, FormatDosDateTime(facts.dateTime)).first;
    facts.listed = true;
    facts.row = {platform::ui::SystemImageList::Instance().IndexOfFileName(fields.name),
                 name,
                 {GroupDigits(fields.size), date->second, QString::number(facts.ratio) + "%",
                  GroupDigits(fields.packed), PathPart(fields.name)}};
    return facts;
}

const KeyFacts& ListingRows::Of(const QString& key) {
    auto found = facts_.find(key);
    if (found == facts_.end())
        found = facts_.insert(key, Make(key));
    return *found;
}

void ListingRows::SortByLocale(QStringList& keys) {
    if (!collator_) {
        collator_.emplace();
        collator_->setCaseSensitivity(Qt::CaseInsensitive);
    }
    std::vector<QCollatorSortKey> sortKeys; // shared copies of the kept ones
    sortKeys.reserve(static_cast<std::size_t>(keys.size()));
    for (const QString& key : keys) {
        auto found = collation_.constFind(key);
        if (found == collation_.constEnd())
            found = collation_.insert(key, collator_->sortKey(key));
        sortKeys.push_back(*found);
    }
    std::vector<std::size_t> order(sortKeys.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return sortKeys[a].compare(sortKeys[b]) < 0;
    });
    QStringList sorted;
    sorted.reserve(keys.size());
    for (const std::size_t i : order)
        sorted.push_back(keys[static_cast<qsizetype>(i)]);
    keys = std::move(sorted);
}

} // namespace listing
