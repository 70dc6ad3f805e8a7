// The listing's rows and name order: a row shows its entry's texts; sorting by name gives exactly
// what a stable sort of the key texts by the collator gives, whatever order the keys stood in and
// whichever way the order was found (the archive order proved, the ranks of ASCII characters,
// collation keys). The name order itself is pinned by fixed expectations, the same in a locale
// without collation rules (C.UTF-8) and in a full one (en_US.UTF-8): ctest runs these tests in
// both.
#include "app/ListingRows.h"
#include "app/ListingText.h"
#include "app/NameOrder.h"

#include <QCollator>
#include <QFontMetrics>
#include <QLocale>
#include <algorithm>
#include <gtest/gtest.h>
#include <numeric>
#include <random>

using namespace listing;

namespace {

struct Fields {
    std::string name;
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

void Append(ZipEntryList& list, const Fields& fields) {
    ZipDirEntry entry;
    entry.FileDateTime = fields.dateTime;
    entry.CompressedSize = fields.packed;
    entry.UncompressedSize = fields.size;
    entry.FileNameLength = static_cast<std::uint16_t>(fields.name.size());
    list.Append(entry, fields.name);
}

template <typename Range> void Fill(ZipEntryList& list, const Range& entries) {
    for (const Fields& fields : entries)
        Append(list, fields);
}

// What a stable sort by the collator makes of keys.
std::vector<std::uint32_t> Reference(const ZipEntryList& entries, std::vector<std::uint32_t> keys) {
    const QCollator collator = NameCollator();
    std::stable_sort(keys.begin(), keys.end(), [&](std::uint32_t a, std::uint32_t b) {
        return collator.sortKey(KeyText(entries[a]))
                   .compare(collator.sortKey(KeyText(entries[b]))) < 0;
    });
    return keys;
}

std::vector<std::uint32_t> AllKeys(const ZipEntryList& entries) {
    std::vector<std::uint32_t> keys(entries.size());
    std::iota(keys.begin(), keys.end(), 0);
    return keys;
}

// The names of entries of these names (in this order, all of one date and size) sorted by name.
QStringList SortedByName(const QStringList& names) {
    ZipEntryList entries;
    for (const QString& name : names)
        Append(entries, {name.toStdString(), 0x5A8C6000, 5, 5});
    NameOrder order;
    order.Build(entries);
    QStringList sorted;
    for (const std::uint32_t key : order.Order())
        sorted.push_back(DecodedName(entries[key].FileName));
    return sorted;
}

// Names of every kind the fast ways must get right or hand on: punctuation, digits, case twins,
// letters beyond ASCII, control characters.
std::string RandomName(std::mt19937& random) {
    static const std::vector<std::string> pieces = {"a", "B", "c",    "_", "-", ".", " ",  "~",
                                                    "0", "9", "@1",   "@", "/", "Ä", "é",  "z",
                                                    "Z", "ß", "\x01", "#", "(", "!", "aa", "ch"};
    std::string name;
    const int length = 1 + static_cast<int>(random() % 8);
    for (int i = 0; i < length; ++i)
        name += pieces[random() % pieces.size()];
    return name;
}

} // namespace

TEST(ListingRows, ARowShowsItsEntrysTextsAndFolderEntriesHaveNone) {
    ZipEntryList entries;
    Fill(entries, kEntries);
    ListingRows rows;
    rows.Attach(&entries);
    rows.Fill(AllKeys(entries));
    ASSERT_EQ(rows.Count(), 9); // every entry but the folder "dir/"
    EXPECT_EQ(rows.EntryOf(3), 4u);
    EXPECT_EQ(rows.Text(3, 0), "c.bin");
    QStringList cells;
    for (int column = 1; column <= 5; ++column)
        cells.push_back(rows.Text(3, column));
    EXPECT_EQ(cells, QStringList({"10", FormatDosDateTime(0x5A8C6001), "-200%", "30", "dir/"}));
    EXPECT_EQ(rows.Text(6, 0), "\u00e9t\u00e9.doc");
    EXPECT_EQ(rows.Text(6, 5), "");
    EXPECT_EQ(rows.Text(0, 6), ""); // beyond the columns
    EXPECT_FALSE(Listed(""));
    EXPECT_FALSE(Listed("a/b/"));
    EXPECT_TRUE(Listed("a/b"));
}

TEST(ListingRows, RowsStayForTheSameReadAndAreGoneAfterAnotherUntilFilledAgain) {
    ZipEntryList entries;
    Fill(entries, kEntries);
    ListingRows rows;
    rows.Attach(&entries);
    rows.Fill({4, 0});
    rows.Attach(&entries); // the keys asked for again after the same read (the Open command)
    ASSERT_EQ(rows.Count(), 2);
    EXPECT_EQ(rows.Text(0, 0), "c.bin");
    entries.Clear(); // a new read of the directory starts
    Append(entries, {"other.txt", 0, 1, 1});
    EXPECT_EQ(rows.Count(), 0);
    EXPECT_EQ(rows.Text(0, 0), "");
    EXPECT_EQ(rows.ImageIndex(0), -1);
    rows.Attach(&entries);
    EXPECT_EQ(rows.Count(), 0);
    rows.Fill({0});
    EXPECT_EQ(rows.Text(0, 0), "other.txt");
}

TEST(ListingRows, TheWidestCaptionIsMeasuredAsAWhole) {
    ZipEntryList entries;
    Fill(entries, std::vector<Fields>{{"short.txt", 0, 0, 0},
                                      {"deep/WWWWWWWWWWWWWW.txt", 0, 0, 0},
                                      {"\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9.doc", 0, 0, 0},
                                      {"iiiiiiiiiiiiiiiiiiiiiiiiiiiiii.txt", 0, 0, 0}});
    ListingRows rows;
    rows.Attach(&entries);
    rows.Fill(AllKeys(entries));
    const QFontMetrics metrics{QFont()};
    int widest = 0;
    for (int row = 0; row < rows.Count(); ++row)
        widest = std::max(widest, metrics.horizontalAdvance(rows.Text(row, 0)));
    EXPECT_EQ(rows.WidestCaption(metrics), widest);
}

TEST(ListingNameOrder, NameSortsMatchAStableSortFromAnyOrder) {
    ZipEntryList entries;
    Fill(entries, kEntries);
    NameOrder order;
    order.Build(entries);
    EXPECT_EQ(order.Order(), Reference(entries, AllKeys(entries)));
    std::vector<std::uint32_t> keys = AllKeys(entries);
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        // Another order first (a size sort, a reversal), then by name.
        std::shuffle(keys.begin(), keys.end(), random);
        const auto expected = Reference(entries, keys);
        order.Sort(keys);
        EXPECT_EQ(keys, expected) << "round " << round;
    }
    // An entry twice and some left out: still each in its place, equal ones as they stood.
    keys = {8, 2, 0, 8, 1, 7};
    const auto expected = Reference(entries, keys);
    order.Sort(keys);
    EXPECT_EQ(keys, expected);
}

TEST(ListingNameOrder, EveryWayOfFindingTheOrderGivesTheStableSort) {
    struct Row {
        const char* what;
        int count;
        int nonAscii; // one name in so many holds letters beyond ASCII (0: none)
        bool presorted;
    };
    const Row rows[] = {
        {"a few, every kind of name", 300, 0, false},
        {"many, ASCII only", 9000, 0, false},
        {"many, some beyond ASCII", 9000, 50, false},
        {"many, written in name order", 9000, 50, true},
    };
    for (const Row& row : rows) {
        std::mt19937 random(static_cast<unsigned>(row.count + row.nonAscii));
        std::vector<Fields> fields;
        for (int i = 0; i < row.count; ++i) {
            std::string name = RandomName(random);
            if (row.nonAscii == 0)
                name.erase(std::remove_if(name.begin(), name.end(),
                                          [](char c) { return c < 0x20 || c >= 0x7F; }),
                           name.end());
            else if (i % row.nonAscii != 0)
                name.erase(
                    std::remove_if(name.begin(), name.end(),
                                   [](char c) { return static_cast<unsigned char>(c) >= 0x7F; }),
                    name.end());
            fields.push_back({name, static_cast<std::int32_t>(random() % 4),
                              static_cast<std::int32_t>(random() % 3) - 1, 7});
        }
        if (row.presorted) {
            ZipEntryList unsorted;
            Fill(unsorted, fields);
            std::vector<Fields> sorted;
            for (const std::uint32_t key : Reference(unsorted, AllKeys(unsorted)))
                sorted.push_back(fields[key]);
            fields = sorted;
        }
        ZipEntryList entries;
        Fill(entries, fields);
        NameOrder order;
        order.Build(entries);
        EXPECT_EQ(order.Order(), Reference(entries, AllKeys(entries))) << row.what;
        std::vector<std::uint32_t> keys(order.Order().rbegin(), order.Order().rend());
        const auto expected = Reference(entries, keys);
        order.Sort(keys);
        EXPECT_EQ(keys, expected) << row.what << ", from the reverse order";
    }
}

TEST(ListingNameOrder, NamesSortWithoutRegardToCaseWithAccentedLettersAmongTheirOwn) {
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

TEST(ListingNameOrder, EqualNamesAreOrderedByTheRestOfTheKeyAsText) {
    ZipEntryList entries;
    Fill(entries, std::vector<Fields>{{"A.txt", 9, 1, 1}, {"a.txt", 10, 1, 1}, {"a.txt", 9, 1, 2}});
    NameOrder order;
    order.Build(entries);
    // "…@110…" before "…@19@21@31" before "…@19@21@32": digits compare as text, not as numbers.
    EXPECT_EQ(order.Order(), (std::vector<std::uint32_t>{1, 0, 2}));
    EXPECT_EQ(KeyText(entries[1]), SortKey("a.txt", 10, 1, 1));
}

TEST(ListingNameOrder, TheUsersLocaleDecidesWhereItsOwnLettersGo) {
    // Swedish sorts Ä after Z; Danish takes "aa" as one letter after Z, so the order of single
    // characters alone would put it first. The order of a locale with rules of its own is that
    // locale's.
    struct Row {
        QLocale locale;
        QStringList names;
        QStringList sorted;
    };
    const Row rows[] = {
        {QLocale(QLocale::Swedish, QLocale::Sweden),
         {"Äpfel", "Zebra", "apple"},
         {"apple", "Zebra", "Äpfel"}},
        {QLocale(QLocale::Danish, QLocale::Denmark),
         {"aarhus", "zebra", "abe"},
         {"abe", "zebra", "aarhus"}},
    };
    const QLocale before;
    for (const Row& row : rows) {
        QLocale::setDefault(row.locale);
        const QStringList sorted = SortedByName(row.names);
        QLocale::setDefault(before);
        EXPECT_EQ(sorted, row.sorted) << row.locale.name().toStdString();
    }
}
