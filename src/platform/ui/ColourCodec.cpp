// The colours by name and the colour encoding of the settings file.
#include "platform/ui/ColourCodec.h"

#include "platform/WinPath.h"

#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace colours {
namespace {

struct Named {
    const char* name;
    std::uint32_t value;
};

const Named kNames[] = {
    {"clBlack", 0x000000},
    {"clMaroon", 0x000080},
    {"clGreen", 0x008000},
    {"clOlive", 0x008080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},
    {"clScrollBar", 0x80000000},
    {"clBackground", 0x80000001},
    {"clActiveCaption", 0x80000002},
    {"clInactiveCaption", 0x80000003},
    {"clMenu", 0x80000004},
    {"clWindow", 0x80000005},
    {"clWindowFrame", 0x80000006},
    {"clMenuText", 0x80000007},
    {"clWindowText", 0x80000008},
    {"clCaptionText", 0x80000009},
    {"clActiveBorder", 0x8000000A},
    {"clInactiveBorder", 0x8000000B},
    {"clAppWorkSpace", 0x8000000C},
    {"clHighlight", 0x8000000D},
    {"clHighlightText", 0x8000000E},
    {"clBtnFace", 0x8000000F},
    {"clBtnShadow", 0x80000010},
    {"clGrayText", 0x80000011},
    {"clBtnText", 0x80000012},
    {"clInactiveCaptionText", 0x80000013},
    {"clBtnHighlight", 0x80000014},
    {"cl3DDkShadow", 0x80000015},
    {"cl3DLight", 0x80000016},
    {"clInfoText", 0x80000017},
    {"clInfoBk", 0x80000018},
    {"clNone", 0x1FFFFFFF},
};

// The palette role that plays each system colour's part, 0 to 24.
struct Role {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};
const Role kSystemRoles[] = {
    {QPalette::Active, QPalette::Button},
    {QPalette::Active, QPalette::Window},
    {QPalette::Active, QPalette::Highlight},
    {QPalette::Inactive, QPalette::Highlight},
    {QPalette::Active, QPalette::Window},
    {QPalette::Active, QPalette::Base},
    {QPalette::Active, QPalette::Shadow},
    {QPalette::Active, QPalette::WindowText},
    {QPalette::Active, QPalette::Text},
    {QPalette::Active, QPalette::HighlightedText},
    {QPalette::Active, QPalette::Window},
    {QPalette::Inactive, QPalette::Window},
    {QPalette::Active, QPalette::Dark},
    {QPalette::Active, QPalette::Highlight},
    {QPalette::Active, QPalette::HighlightedText},
    {QPalette::Active, QPalette::Button},
    {QPalette::Active, QPalette::Dark},
    {QPalette::Disabled, QPalette::Text},
    {QPalette::Active, QPalette::ButtonText},
    {QPalette::Inactive, QPalette::HighlightedText},
    {QPalette::Active, QPalette::Light},
    {QPalette::Active, QPalette::Shadow},
    {QPalette::Active, QPalette::Midlight},
    {QPalette::Active, QPalette::ToolTipText},
    {QPalette::Active, QPalette::ToolTipBase},
};

} // namespace

std::string ColorToString(std::int32_t colour) {
    for (const Named& named : kNames)
        if (named.value == static_cast<std::uint32_t>(colour))
            return named.name;
    char text[12];
    std::snprintf(text, sizeof text, "$%08X", static_cast<std::uint32_t>(colour));
    return text;
}

std::optional<std::int32_t> StringToColor(const std::string& text) {
    for (const Named& named : kNames)
        if (win::SameText(text, named.name))
            return static_cast<std::int32_t>(named.value);
    if (text.empty())
        return std::nullopt;
    const bool hex = text[0] == '$';
    const std::string digits = hex ? text.substr(1) : text;
    if (digits.empty())
        return std::nullopt;
    char* end = nullptr;
    const long long value = std::strtoll(digits.c_str(), &end, hex ? 16 : 10);
    if (*end != '\0' || value < INT32_MIN || value > UINT32_MAX)
        return std::nullopt;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

QColor ToQColor(std::int32_t colour, const QPalette& palette) {
    const auto value = static_cast<std::uint32_t>(colour);
    if (value == static_cast<std::uint32_t>(clNone))
        return Qt::transparent;
    if (value >= 0x80000000) {
        const std::uint32_t index = value - 0x80000000;
        if (index >= std::size(kSystemRoles))
            return palette.color(QPalette::Base);
        return palette.color(kSystemRoles[index].group, kSystemRoles[index].role);
    }
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

namespace {

// The relative luminance of a colour, as contrast ratios are measured.
double Luminance(const QColor& colour) {
    const auto linear = [](double channel) {
        return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
           0.0722 * linear(colour.blueF());
}

double Contrast(const QColor& a, const QColor& b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace

QColor ReadableOn(const QColor& designed, const QColor& background, const QColor& paletteText) {
    constexpr double kReadable = 4.5;
    return Contrast(designed, background) >= kReadable ? designed : paletteText;
}

void ShowTextReadably(QWidget* widget, const QColor& designed, const QColor& background) {
    QPalette palette = widget->palette();
    palette.setColor(
        QPalette::WindowText,
        ReadableOn(designed, background, widget->window()->palette().color(QPalette::WindowText)));
    widget->setPalette(palette);
}

std::int32_t FromQColor(const QColor& colour) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(colour.red()) |
                                     static_cast<std::uint32_t>(colour.green()) << 8 |
                                     static_cast<std::uint32_t>(colour.blue()) << 16);
}

} // namespace colours
