// The colour encoding of the settings file. A colour is a 32-bit value: 0x00BBGGRR for an RGB
// colour, 0x80000000 + n for the platform's system colour n, 0x1FFFFFFF for no colour. It is
// written as its name when it has one ("clBlue", "clWindow"), otherwise as "$" and eight upper-case
// hexadecimal digits; it is read as a name (without regard to case) or as an integer (decimal, or
// hexadecimal after "$").
#pragma once

#include <QColor>
#include <QPalette>
#include <cstdint>
#include <optional>
#include <string>

namespace colours {

constexpr std::int32_t clNone = 0x1FFFFFFF;
constexpr std::int32_t clWindow = static_cast<std::int32_t>(0x80000005);

std::string ColorToString(std::int32_t colour);
// Nothing when the text is neither a name of the table nor an integer.
std::optional<std::int32_t> StringToColor(const std::string& text);

// The colour to show: RGB values as they are, system colours from the palette's matching role,
// clNone as transparent.
QColor ToQColor(std::int32_t colour, const QPalette& palette);
// The value of a colour picked by the user.
std::int32_t FromQColor(const QColor& colour);

} // namespace colours
