// The colours of the windows by their names, and the colour encoding of the settings file. A colour
// is a 32-bit value: 0x00BBGGRR for an RGB colour, 0x80000000 + n for the platform's system colour
// n, 0x1FFFFFFF for no colour. It is written as its name when it has one ("clBlue", "clWindow"),
// otherwise as "$" and eight upper-case hexadecimal digits; it is read as a name (without regard to
// case) or as an integer (decimal, or hexadecimal after "$").
#pragma once

#include <QColor>
#include <QPalette>

class QWidget;
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

// The colour a designed text colour is shown in on background: the designed one where it can be
// read there (a contrast ratio of at least 4.5 to 1, as readable text asks), otherwise the
// palette's choice for text on such a background. A designed black label on the button face so
// stays black in a light palette and is not lost on a dark button face.
QColor ReadableOn(const QColor& designed, const QColor& background, const QColor& paletteText);
// Shows a widget's text in the designed colour where it can be read on background, otherwise in
// its window's text colour.
void ShowTextReadably(QWidget* widget, const QColor& designed, const QColor& background);

} // namespace colours
