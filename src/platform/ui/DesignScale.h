// The windows' designed geometry (sizes, positions, column and panel widths) was made for the
// 8-point system font of the desktop they were designed on. DesignScale fits it to the font this
// desktop gives the program, as dialog units fit a dialog to its font: across by the ratio of the
// fonts' average character widths, down by the ratio of their heights. At a font of the designed
// measures every size is exactly as designed; a wider or taller font gets room in proportion, so
// texts fit as they did by design.
#pragma once

#include <QRect>
#include <QSize>

class QFont;

namespace platform::ui {

// A font's measures as dialog units take them: the average width of the letters A to Z and a to z
// in whole pixels, rounded as the system rounds it, and the height of a line of text.
struct FontUnits {
    int averageWidth = 0;
    int height = 0;
    bool operator==(const FontUnits&) const = default;
};

FontUnits UnitsOf(const QFont& font);

// The measures of the 8-point system font the windows were designed for.
inline constexpr FontUnits kDesignedUnits{6, 13};

class DesignScale {
public:
    // The scale of the application's font: the font the desktop gives every window.
    DesignScale();
    explicit DesignScale(FontUnits units) : units_(units) {}

    int X(int designed) const; // a size or position across
    int Y(int designed) const; // a size or position down
    QSize Size(int width, int height) const { return {X(width), Y(height)}; }
    // Its edges are scaled, so controls that meet as designed still meet.
    QRect Rect(int left, int top, int width, int height) const;
    QRect Rect(const QRect& designed) const {
        return Rect(designed.x(), designed.y(), designed.width(), designed.height());
    }

private:
    FontUnits units_;
};

} // namespace platform::ui
