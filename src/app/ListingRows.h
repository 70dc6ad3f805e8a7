// What the listing knows about each sort key, worked out once per key text and kept until the
// next directory update: the row the list shows for it, the numbers the column sorts compare and
// the collation key of the name sort. A row is a function of its key alone, so reordering the
// keys and refilling the list only looks rows up; nothing is split, formatted or collated again.
#pragma once

#include "platform/ui/ListView.h"

#include <QCollator>
#include <QHash>
#include <QString>
#include <cstdint>
#include <optional>
#include <unordered_map>

namespace listing {

struct KeyFacts {
    bool listed = false; // false for a key that makes no row (an empty name, a folder entry)
    platform::ui::ListRow row;
    std::int32_t dateTime = 0;
    std::int32_t packed = 0;
    std::int32_t size = 0;
    std::int64_t ratio = 0;
};

class ListingRows {
public:
    // Forgets every key: the next archive's keys are worked out anew.
    void Clear();
    // The facts of a key, worked out on first use.
    const KeyFacts& Of(const QString& key);
    // Sorts keys by the whole key text with the user's locale, without regard to letter case;
    // equal keys keep their order.
    void SortByLocale(QStringList& keys);

private:
    KeyFacts Make(const QString& key);

    QHash<QString, KeyFacts> facts_;
    QHash<QString, QCollatorSortKey> collation_;
    std::optional<QCollator> collator_;
    std::unordered_map<std::int32_t, QString> dates_; // many entries share a time
};

} // namespace listing
