// The texts of the archive listing.
#include "app/ListingText.h"

#include <QLocale>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <string>

namespace listing {

QString GroupDigits(const QString& text) {
    QString reversed(text);
    std::reverse(reversed.begin(), reversed.end());
    for (const int position : {4, 8, 12, 16})
        if (reversed.size() >= position)
            reversed.insert(position - 1, ' ');
    std::reverse(reversed.begin(), reversed.end());
    return reversed;
}

QString GroupedNumber(std::int64_t value) {
    // The decimal text backwards, a blank inserted before the 4th, 8th, 12th and 16th character
    // of what has been built so far, then forwards again: exactly what GroupDigits does.
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    std::string reversed(std::make_reverse_iterator(end), std::make_reverse_iterator(digits));
    for (const std::size_t position : {4u, 8u, 12u, 16u})
        if (reversed.size() >= position)
            reversed.insert(position - 1, 1, ' ');
    std::reverse(reversed.begin(), reversed.end());
    return QString::fromLatin1(reversed.data(), static_cast<qsizetype>(reversed.size()));
}

QString NamePart(const QString& name) {
    return name.mid(name.lastIndexOf('/') + 1);
}

QString PathPart(const QString& name) {
    return name.left(name.lastIndexOf('/') + 1);
}

std::optional<QDateTime> DosDateTime(std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    const QDate date(1980 + static_cast<int>(bits >> 25), static_cast<int>((bits >> 21) & 0x0F),
                     static_cast<int>((bits >> 16) & 0x1F));
    const QTime time(static_cast<int>((bits >> 11) & 0x1F), static_cast<int>((bits >> 5) & 0x3F),
                     static_cast<int>(2 * (bits & 0x1F)));
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    // A DOS time is a wall-clock time without a zone; as UTC it needs no time-zone look-ups.
    return QDateTime(date, time, Qt::UTC);
}

QString FormatDosDateTime(std::int32_t value) {
    const auto dateTime = DosDateTime(value);
    if (!dateTime)
        return {};
    const QLocale locale;
    return locale.toString(dateTime->date(), QLocale::ShortFormat) + "  " +
           locale.toString(dateTime->time(), QLocale::ShortFormat);
}

QStringList WidestDateTimeTexts() {
    QStringList texts;
    for (std::uint32_t month = 1; month <= 12; ++month)
        for (const std::uint32_t hour : {0u, 12u, 23u})
            // The 28th of the month in 2088 at hour:58:58 (the DOS form counts years from 1980
            // and seconds in pairs).
            texts << FormatDosDateTime(static_cast<std::int32_t>(
                (108u << 25) | (month << 21) | (28u << 16) | (hour << 11) | (58u << 5) | 29u));
    return texts;
}

std::int64_t RowRatio(std::int64_t packed, std::int64_t size) {
    if (size == 0)
        return 0;
    // nearbyint rounds in the current mode, to the nearest with halves to even by default. Sizes
    // are counts of bytes, so the magnitude stays far inside 64 bits for any real entry.
    return static_cast<std::int64_t>(
        std::nearbyint((1.0 - static_cast<double>(packed) / static_cast<double>(size)) * 100.0));
}

QString RatioText(std::int64_t ratio) {
    char text[24];
    auto end = std::to_chars(text, text + sizeof text - 1, ratio).ptr;
    *end++ = '%';
    return QString::fromLatin1(text, end - text);
}

char* KeyNumbers(std::int32_t dateTime, std::int64_t packed, std::int64_t size, char* out) {
    char* const end = out + kKeyNumbersSize;
    for (const auto& [separator, value] :
         {std::pair<char, std::int64_t>{'1', dateTime}, std::pair<char, std::int64_t>{'2', packed},
          std::pair<char, std::int64_t>{'3', size}}) {
        *out++ = '@';
        *out++ = separator;
        out = std::to_chars(out, end, value).ptr;
    }
    return out;
}

QString SortKey(const QString& name, std::int32_t dateTime, std::int64_t packed,
                std::int64_t size) {
    char numbers[kKeyNumbersSize];
    const char* end = KeyNumbers(dateTime, packed, size, numbers);
    QString key;
    key.reserve(name.size() + (end - numbers));
    key.append(name);
    key.append(QLatin1StringView(numbers, end - numbers));
    return key;
}

QCollator NameCollator() {
    QCollator collator; // the user's locale
    // English has no collation rules of its own: it sorts in the Unicode default order.
    if (collator.locale().language() == QLocale::C)
        collator.setLocale(QLocale(QLocale::English));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

} // namespace listing
