// The listing's kept facts: a key's row is the same however the key was made, and sorting by name
// through the kept collation keys and the kept name order gives exactly what a stable sort by the
// collator gives, whatever order the keys stood in. The name order itself is pinned by fixed
// expectations, the same in a locale without collation rules (C.UTF-8) and in a full one
// (en_US.UTF-8): ctest runs these tests in both.
#include "app/ListingRows.h"
#include "app/ListingText.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>
#include <gtest/gtest.h>
#include <random>

using namespace listing;

namespace {

struct Fields {
    const char* name;
    std::int32_t dateTime;
    std::int32_t packed;
    std::int32_t size;
};

// Identical entries twice, names that differ only in case or by a separator, a folder entry.
const Fields kEntries[] = {
    {"b.txt", 0x5A8C6000, 10, 20},
    {"A.txt", 0x5A8C6000, 5, 5},
    {"a.txt", 0x5A8C6000, 5, 5},
    {"dir/", 0, 0, 0},
    {"dir/c.bin", 0x5A8C6001, 30, 10},
    {"b.txt", 0x5A8C6000, 10, 20},
    {"dir@1x", 1, 2, 3},
    {"\u00e9t\u00e9.doc", 0x4A210000, 0, 0},
    {"b.txt", 0x5A8C6000, 10, 20},
    {"B.TXT", 0x5A8C6000, 10, 20},
};

// What a stable sort by the collator makes of keys, by the identity of their texts.
std::vector<const QChar*> Reference(const QStringList& keys) {
    const QCollator collator = NameCollator();
    QStringList sorted = keys;
    std::stable_sort(sorted.begin(), sorted.end(), [&](const QString& a, const QString& b) {
        return collator.sortKey(a).compare(collator.sortKey(b)) < 0;
    });
    std::vector<const QChar*> identities;
    for (const QString& key : sorted)
        identities.push_back(key.constData());
    return identities;
}

// The names of keys, in their order.
QStringList NamesOf(const QStringList& keys) {
    QStringList names;
    for (const QString& key : keys)
        names.push_back(SplitSortKey(key).name);
    return names;
}

// Sorts entries of these names (in this order, all of one date and size) by name.
QStringList SortedByName(const QStringList& names) {
    ListingRows rows;
    QStringList keys;
    for (const QString& name : names)
        keys.push_back(rows.Add(name.toStdString(), 0x5A8C6000, 5, 5));
    rows.SortByLocale(keys);
    return NamesOf(keys);
}

std::vector<const QChar*> Identities(const QStringList& keys) {
    std::vector<const QChar*> identities;
    for (const QString& key : keys)
        identities.push_back(key.constData());
    return identities;
}

} // namespace

TEST(ListingRows, AKeyMadeElsewhereHasTheRowOfTheSameEntry) {
    ListingRows rows;
    for (const Fields& entry : kEntries) {
        const QString key = rows.Add(entry.name, entry.dateTime, entry.packed, entry.size);
        const KeyFacts made = rows.Of(key);
        const QString copy(key.constData(), key.size()); // same text, another address
        const KeyFacts& parsed = rows.Of(copy);
        EXPECT_EQ(parsed.listed, made.listed) << entry.name;
        EXPECT_EQ(parsed.row.caption, made.row.caption) << entry.name;
        EXPECT_EQ(parsed.row.subItems, made.row.subItems) << entry.name;
        EXPECT_EQ(parsed.row.imageIndex, made.row.imageIndex) << entry.name;
        EXPECT_EQ(parsed.ratio, made.ratio) << entry.name;
    }
    ListingRows fresh;
    const KeyFacts& folder = fresh.Of(SortKey("dir/", 0, 0, 0));
    EXPECT_FALSE(folder.listed);
    const KeyFacts& file = fresh.Of(SortKey("dir/c.bin", 0x5A8C6001, 30, 10));
    ASSERT_TRUE(file.listed);
    EXPECT_EQ(file.row.caption, "c.bin");
    EXPECT_EQ(file.row.subItems,
              QStringList({"10", FormatDosDateTime(0x5A8C6001), "-200%", "30", "dir/"}));
}

TEST(ListingRows, NameSortsMatchAStableSortFromAnyOrder) {
    ListingRows rows;
    QStringList keys;
    for (const Fields& entry : kEntries)
        keys.push_back(rows.Add(entry.name, entry.dateTime, entry.packed, entry.size));
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        // Another order first (a size sort, a reversal), then by name.
        std::shuffle(keys.begin(), keys.end(), random);
        const auto expected = Reference(keys);
        rows.SortByLocale(keys);
        EXPECT_EQ(Identities(keys), expected) << "round " << round;
    }
    // Keys made elsewhere mix with kept ones and sort the same way.
    keys.push_back(SortKey("a.txt", 0x5A8C6000, 5, 5));
    keys.push_front(SortKey("zz", 1, 1, 1));
    const auto expected = Reference(keys);
    rows.SortByLocale(keys);
    EXPECT_EQ(Identities(keys), expected);
}

TEST(ListingRows, NamesSortWithoutRegardToCaseWithAccentedLettersAmongTheirOwn) {
    struct Row {
        QStringList names; // in archive order
        QStringList sorted;
    };
    const Row rows[] = {
        {{"Banana", "Delta", "apple", "cherry"}, {"apple", "Banana", "cherry", "Delta"}},
        {{"B.txt", "a.txt"}, {"a.txt", "B.txt"}},
        {{"Gz", "Grüße", "data/", "hallo", "Garten"}, {"data/", "Garten", "Grüße", "Gz", "hallo"}},
        {{"Zebra", "été", "apple", "Eis", "Äpfel"}, {"Äpfel", "apple", "Eis", "été", "Zebra"}},
        // Names equal but for case keep the order of the archive.
        {{"readme.txt", "README.txt", "ReadMe.txt"}, {"readme.txt", "README.txt", "ReadMe.txt"}},
        {{"README.txt", "readme.txt"}, {"README.txt", "readme.txt"}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(SortedByName(row.names), row.sorted) << row.names.join(", ").toStdString();
}

TEST(ListingRows, EqualNamesAreOrderedByTheRestOfTheKeyAsText) {
    ListingRows rows;
    QStringList keys{rows.Add("A.txt", 9, 1, 1), rows.Add("a.txt", 10, 1, 1),
                     rows.Add("a.txt", 9, 1, 2)};
    rows.SortByLocale(keys);
    // "…@110…" before "…@19@21@31" before "…@19@21@32": digits compare as text, not as numbers.
    EXPECT_EQ(keys, (QStringList{SortKey("a.txt", 10, 1, 1), SortKey("A.txt", 9, 1, 1),
                                 SortKey("a.txt", 9, 1, 2)}));
}

TEST(ListingRows, TheUsersLocaleDecidesWhereItsOwnLettersGo) {
    // Swedish sorts Ä after Z; the order of a locale with rules of its own is that locale's.
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Swedish, QLocale::Sweden));
    const QStringList sorted = SortedByName({"Äpfel", "Zebra", "apple"});
    QLocale::setDefault(before);
    EXPECT_EQ(sorted, (QStringList{"apple", "Zebra", "Äpfel"}));
}
