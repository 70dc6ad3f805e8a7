// The listing's texts, a row per behaviour the listing relies on.
#include "app/ListingText.h"

#include "ScriptedDialogs.h"

#include <QLocale>
#include <cstdint>
#include <gtest/gtest.h>

using namespace listing;

TEST(ListingText, GroupDigits) {
    const std::pair<const char*, const char*> rows[] = {
        {"999", "999"},
        {"1000", "1 000"},
        {"1234567", "1 234 567"},
        {"2147483647", "2 147 483 647"},
        {"-1234", "-1 234"},
        {"-123", "- 123"}, // the minus counts like a digit
        {"", ""},
        {"123456789012", "123 456 789 012"},
    };
    for (const auto& [in, out] : rows)
        EXPECT_EQ(GroupDigits(in), QString(out)) << in;
}

// The texts made in one piece are the ones the designed routines make.
TEST(ListingText, GroupedNumbersAndRatiosAreTheDesignedTexts) {
    const std::int64_t values[] = {0,         7,         999,         1000,           -1,
                                   -12,       -123,      -1234,       123456,         -999999,
                                   INT32_MAX, INT32_MIN, -2999999900, 123456789012345};
    for (const std::int64_t value : values) {
        EXPECT_EQ(GroupedNumber(value), GroupDigits(QString::number(value))) << value;
        EXPECT_EQ(RatioText(value), QString::number(value) + "%") << value;
    }
}

TEST(ListingText, NameAndPathParts) {
    EXPECT_EQ(NamePart("doc/sub/a.txt"), "a.txt");
    EXPECT_EQ(PathPart("doc/sub/a.txt"), "doc/sub/");
    EXPECT_EQ(NamePart("top.txt"), "top.txt");
    EXPECT_EQ(PathPart("top.txt"), "");
    EXPECT_EQ(NamePart("folder/"), ""); // a folder entry has no name part
    EXPECT_EQ(PathPart("folder/") + NamePart("folder/"), "folder/");
}

TEST(ListingText, RatiosRoundHalvesToEvenAndAreNotClamped) {
    struct Row {
        std::int32_t packed, size;
        std::int64_t ratio;
    };
    const Row rows[] = {
        {600, 1234, 51},
        {1, 8, 88}, // 87.5: to the even neighbour
        {3, 8, 62}, // 62.5: likewise
        {5, 10, 50},
        {6, 4, -50},
        {0, 0, 0},
        {10, 10, 0},
        {0, 7, 100},
        {-1, 2147483647, 100},
        {30000000, 1, -2999999900}, // beyond 32 bits
    };
    for (const Row& row : rows)
        EXPECT_EQ(RowRatio(row.packed, row.size), row.ratio) << row.packed << "/" << row.size;
}

TEST(ListingText, DosDateTimes) {
    const auto value = [](int y, int mo, int d, int h, int mi, int s) {
        return static_cast<std::int32_t>(((y - 1980) << 25) | (mo << 21) | (d << 16) | (h << 11) |
                                         (mi << 5) | (s / 2));
    };
    EXPECT_EQ(DosDateTime(value(2025, 4, 12, 13, 45, 30)),
              QDateTime(QDate(2025, 4, 12), QTime(13, 45, 30), Qt::UTC));
    EXPECT_EQ(FormatDosDateTime(value(2025, 4, 12, 13, 45, 30)),
              QLocale().toString(QDate(2025, 4, 12), QLocale::ShortFormat) + "  " +
                  QLocale().toString(QTime(13, 45, 30), QLocale::ShortFormat));
    EXPECT_FALSE(DosDateTime(0)); // month 0: no date
    EXPECT_EQ(FormatDosDateTime(0), "");
    EXPECT_FALSE(DosDateTime(value(2025, 2, 30, 0, 0, 0)));
}

TEST(ListingText, SortKeysKeepNamesThatHoldTheSeparators) {
    const QString key = SortKey("odd@1name@2x@3.txt", -5, 0, 1234);
    EXPECT_EQ(key, "odd@1name@2x@3.txt@1-5@20@31234");
    EXPECT_EQ(SortKey("\u00fcber", -2147483647 - 1, 2147483647, 0),
              "\u00fcber@1-2147483648@22147483647@30");
}
