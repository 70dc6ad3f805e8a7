// The texts of the archive listing: digit grouping, the parts of a stored name, DOS date-times,
// ratios, the sort keys that carry an entry's fields through sorting, and their order by name.
#pragma once

#include <QCollator>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace listing {

// Digits grouped by three from the right with single blanks ("1234" gives "1 234"); a leading
// minus counts as a digit.
QString GroupDigits(const QString& text);
// GroupDigits of the number's decimal text, made in one piece: the listing makes two per row.
QString GroupedNumber(std::int64_t value);
// The text after the last "/" (empty for a folder entry ending in "/").
QString NamePart(const QString& name);
// The text up to and including the last "/" (empty when there is none).
QString PathPart(const QString& name);

// The date and time of a DOS date-time (time in the low half); nothing when it is no valid date.
std::optional<QDateTime> DosDateTime(std::int32_t value);
// "ddddd  t": the locale's short date, two blanks, the locale's short time; empty when invalid.
QString FormatDosDateTime(std::int32_t value);
// Date-times as the Date/Time column writes them, among them the widest the locale writes: a
// two-digit day in every month, hours before and after noon, for fitting the column to them.
QStringList WidestDateTimeTexts();

// (1 - packed / size) x 100 rounded to the nearest whole number, halves to the even neighbour,
// not clamped; 0 for a size of 0. A packed size far above the size gives a ratio beyond 32 bits
// (size 1, packed 30,000,000: -2,999,999,900), so it is a 64-bit number.
std::int64_t RowRatio(std::int64_t packed, std::int64_t size);
// The ratio as the Ratio column shows it: the number and "%".
QString RatioText(std::int64_t ratio);

// A sort key's text: the name, then "@1" and the DOS date-time, "@2" and the packed size, "@3"
// and the size, all in decimal. The name order compares these texts; the listing keeps keys as
// entry indexes and makes their texts only to compare them, so a name that itself contains "@1",
// "@2" or "@3" never has to be told apart from the separators.
QString SortKey(const QString& name, std::int32_t dateTime, std::int64_t packed, std::int64_t size);
// The end of a sort key's text, the numbers with their separators, written at out (room for
// kKeyNumbersSize characters: a separator and up to 20 characters each); returns where they end.
constexpr std::size_t kKeyNumbersSize = 3 * 22;
char* KeyNumbers(std::int32_t dateTime, std::int64_t packed, std::int64_t size, char* out);

// The order of the name sort, which compares whole sort keys: the user's locale, without regard
// to letter case, so "a.txt" comes before "B.txt" and "Grüße" among the G's. A locale without a
// collation of its own (C and POSIX, the locales of containers and minimal systems, or one that
// is not known) would compare code units, every capital before every small letter; there the
// Unicode default order takes its place, still without regard to case.
QCollator NameCollator();

} // namespace listing
