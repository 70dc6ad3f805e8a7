// What the listing knows about each sort key, worked out once per key and kept until the next
// directory update: the row the list shows for it, the numbers the column sorts compare and the
// collation key of the name sort. A row is a function of its key alone, so reordering the keys
// and refilling the list only looks rows up; nothing is split, formatted or collated again. The
// keys in the sorted list share their text with the ones kept here, so a key is found by the
// address of its text, and by the text itself only when it was made elsewhere.
#pragma once

#include "platform/ui/ListView.h"

#include <QCollator>
#include <QHash>
#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace listing {

struct KeyFacts {
    QString key;
    bool listed = false; // false for a key that makes no row (an empty name, a folder entry)
    platform::ui::ListRow row;
    std::int32_t dateTime = 0;
    std::int32_t packed = 0;
    std::int32_t size = 0;
    std::int64_t ratio = 0;
    std::optional<QCollatorSortKey> collation;
};

class ListingRows {
public:
    // Forgets every key: the next archive's keys are worked out anew.
    void Clear();
    void Reserve(std::size_t count);
    // The sort key of an entry (decoded name, DOS date-time, packed size, size), its facts
    // worked out at once.
    QString Add(const std::string& name, std::int32_t dateTime, std::int32_t packed,
                std::int32_t size);
    // The facts of a key, worked out on first use.
    const KeyFacts& Of(const QString& key);
    // Sorts keys by the whole key text in the name order (NameCollator); keys that collate equal
    // keep their order.
    void SortByLocale(QStringList& keys);

private:
    std::size_t IdOf(const QString& key);
    std::size_t Keep(KeyFacts facts);
    void MakeRow(KeyFacts& facts, const QString& name, const std::string& extension);
    int ImageOf(const QString& name, const std::string& extension);

    std::vector<KeyFacts> facts_;
    std::unordered_map<const QChar*, std::size_t> byText_; // by the address of the key's text
    QHash<QString, std::size_t> byKey_;                    // filled when first needed
    std::optional<QCollator> collator_;
    std::vector<std::size_t> nameOrder_; // the ids of the keys last sorted by name, in that order
    // Texts that many rows share, made once each: dates, numbers, ratios, the last folder.
    const QString& Shared(std::unordered_map<std::int64_t, QString>& texts, std::int64_t value,
                          QString (*make)(std::int64_t));
    QString PathOf(const QString& name);
    std::unordered_map<std::int64_t, QString> dates_;
    std::unordered_map<std::int64_t, QString> numbers_;
    std::unordered_map<std::int64_t, QString> ratios_;
    QString lastPath_;
    std::unordered_map<std::string, int> images_; // by extension, as the image list types
};

} // namespace listing
