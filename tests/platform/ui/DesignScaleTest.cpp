// Designed geometry fitted to a font, as dialog units fit a dialog: unchanged at the designed
// measures, in proportion to the average character width across and the line height down, with
// controls that meet as designed meeting still.
#include "platform/ui/DesignScale.h"

#include <QFont>
#include <gtest/gtest.h>

using namespace platform::ui;

TEST(DesignScale, FontsAreMeasuredAsDialogUnitsMeasureThem) {
    struct Row {
        const char* family;
        int pixels;
        FontUnits units;
    };
    // The tests' font is one of the designed measures; the desktop's usual font is wider and
    // taller; a metric twin of Arial at 11 pixels is as wide but a pixel less tall.
    const Row rows[] = {{"DejaVu Sans Condensed", 11, {6, 13}},
                        {"DejaVu Sans", 12, {7, 14}},
                        {"DejaVu Sans", 16, {10, 19}},
                        {"Liberation Sans", 11, {6, 12}}};
    for (const Row& row : rows) {
        QFont font(row.family);
        font.setPixelSize(row.pixels);
        EXPECT_EQ(UnitsOf(font), row.units) << row.family << " " << row.pixels;
    }
}

TEST(DesignScale, DesignedSizesScaleWithTheFontAndStayExactAtTheDesignedOne) {
    struct Row {
        FontUnits units;
        int designed;
        int across;
        int down;
    };
    const Row rows[] = {
        {kDesignedUnits, 576, 576, 576}, {kDesignedUnits, 1, 1, 1}, {{7, 14}, 576, 672, 620},
        {{7, 14}, 25, 29, 27},           {{7, 14}, 3, 4, 3},        {{9, 19}, 100, 150, 146},
        {{5, 11}, 100, 83, 85},          {{6, 12}, 413, 413, 381},  {{7, 14}, 0, 0, 0},
    };
    for (const Row& row : rows) {
        const DesignScale scale(row.units);
        EXPECT_EQ(scale.X(row.designed), row.across)
            << row.units.averageWidth << " " << row.designed;
        EXPECT_EQ(scale.Y(row.designed), row.down) << row.units.height << " " << row.designed;
    }
    EXPECT_EQ(DesignScale(kDesignedUnits).Rect(40, 246, 75, 25), QRect(40, 246, 75, 25));
}

TEST(DesignScale, ControlsThatMeetAsDesignedStillMeet) {
    // Three buttons side by side and a list under a header: each edge is scaled, not each size.
    const DesignScale scale(FontUnits{7, 14});
    const QRect first = scale.Rect(8, 240, 75, 25), second = scale.Rect(83, 240, 75, 25),
                third = scale.Rect(158, 240, 75, 25);
    EXPECT_EQ(first.right() + 1, second.left());
    EXPECT_EQ(second.right() + 1, third.left());
    const QRect header = scale.Rect(8, 8, 123, 20), list = scale.Rect(8, 28, 123, 200);
    EXPECT_EQ(header.bottom() + 1, list.top());
    EXPECT_EQ(header.width(), list.width());
}
