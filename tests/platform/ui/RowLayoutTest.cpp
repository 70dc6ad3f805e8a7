// Where a list's items stand in each flow, what a point or a rectangle touches and where the keys
// move, row by row: the arithmetic every repaint, click and key of the list view relies on.
#include "platform/ui/RowLayout.h"

#include <gtest/gtest.h>

using platform::ui::RowLayout;
using Flow = RowLayout::Flow;
using Ranges = std::vector<std::pair<int, int>>;

namespace {

// A report: rows of 610 x 20 in a page of 300 x 100 (five whole rows), a thousand of them.
const RowLayout kReport(Flow::Down, {610, 20}, {300, 100}, 1000);
// A list: columns of five items of 100 x 20 in a page of 350 x 110, 23 items: five columns, the
// last holding three.
const RowLayout kList(Flow::Columns, {100, 20}, {350, 110}, 23);
// Icons: rows of three cells of 80 x 64 in a page of 250 x 200, ten items: four rows, the last
// holding one.
const RowLayout kIcons(Flow::Rows, {80, 64}, {250, 200}, 10);

} // namespace

TEST(RowLayout, LinesAndTheirCounts) {
    struct Row {
        const char* what;
        const RowLayout& layout;
        int perLine, lines, wholeShown, lastFirst, step;
    };
    const Row rows[] = {
        {"report", kReport, 1, 1000, 5, 995, 20},
        {"list", kList, 5, 5, 3, 2, 100},
        {"icons", kIcons, 3, 4, 3, 1, 64},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.layout.PerLine(), row.perLine) << row.what;
        EXPECT_EQ(row.layout.Lines(), row.lines) << row.what;
        EXPECT_EQ(row.layout.WholeLinesShown(), row.wholeShown) << row.what;
        EXPECT_EQ(row.layout.LastFirstLine(), row.lastFirst) << row.what;
        EXPECT_EQ(row.layout.LineStep(), row.step) << row.what;
    }
    // A page smaller than one item still shows one line, and an empty list has none.
    const RowLayout tiny(Flow::Rows, {80, 64}, {10, 10}, 5);
    EXPECT_EQ(tiny.PerLine(), 1);
    EXPECT_EQ(tiny.WholeLinesShown(), 1);
    EXPECT_EQ(RowLayout(Flow::Down, {10, 10}, {100, 100}, 0).Lines(), 0);
}

TEST(RowLayout, ItemsStandAndAreFoundWhereTheyAreDrawn) {
    struct Row {
        const char* what;
        const RowLayout& layout;
        int item, first, across;
        QRect rect;
    };
    const Row rows[] = {
        {"report row", kReport, 12, 10, 30, {-30, 40, 610, 20}},
        {"report row above the page", kReport, 9, 10, 0, {0, -20, 610, 20}},
        {"list item in the second column", kList, 7, 0, 0, {100, 40, 100, 20}},
        {"list item with a column scrolled away", kList, 7, 1, 0, {0, 40, 100, 20}},
        {"icon in the second row", kIcons, 5, 0, 0, {160, 64, 80, 64}},
        {"icon with a row scrolled away", kIcons, 5, 1, 0, {160, 0, 80, 64}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.layout.ItemRect(row.item, row.first, row.across), row.rect) << row.what;
        // Every point of the rectangle finds the item again.
        for (const QPoint point : {row.rect.topLeft(), row.rect.center(), row.rect.bottomRight()})
            EXPECT_EQ(row.layout.ItemAt(point, row.first, row.across), row.item)
                << row.what << " at " << point.x() << "," << point.y();
    }
}

TEST(RowLayout, PointsBesideTheItemsFindNoneButANearestOne) {
    struct Row {
        const char* what;
        const RowLayout& layout;
        QPoint point;
        int first;
        int at, nearest;
    };
    const Row rows[] = {
        {"right of the report's columns", kReport, {650, 5}, 0, -1, 0},
        {"below the report's last row", kReport, {5, 5000}, 995, -1, 999},
        {"above the report's first row", kReport, {5, -5}, 0, -1, 0},
        {"below a list column", kList, {150, 105}, 0, -1, 9},
        {"right of the list's last item", kList, {430, 65}, 0, -1, 22},
        {"right of a row of icons", kIcons, {245, 10}, 0, -1, 2},
        {"beside the short last row of icons", kIcons, {170, 200}, 0, -1, 9},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.layout.ItemAt(row.point, row.first), row.at) << row.what;
        EXPECT_EQ(row.layout.NearestItem(row.point, row.first), row.nearest) << row.what;
    }
    EXPECT_EQ(RowLayout(Flow::Down, {10, 10}, {100, 100}, 0).NearestItem({5, 5}, 0), -1);
}

TEST(RowLayout, ARectangleTouchesWholeLinesOrAPartOfEach) {
    struct Row {
        const char* what;
        const RowLayout& layout;
        QRect area;
        int first;
        Ranges ranges;
    };
    const Row rows[] = {
        {"report rows, dragged upwards",
         kReport,
         QRect(QPoint(50, 70), QPoint(10, 25)),
         10,
         {{11, 13}}},
        {"report rows beyond the end", kReport, {0, 90, 10, 500}, 995, {{999, 999}}},
        {"nothing below the report", kReport, {0, 120, 10, 10}, 995, {}},
        {"the middle icons of two rows", kIcons, {100, 10, 70, 80}, 0, {{1, 2}, {4, 5}}},
        {"whole rows of icons", kIcons, {0, 70, 249, 140}, 0, {{3, 9}}},
        {"the middle of the list's columns", kList, {50, 25, 100, 30}, 0, {{1, 2}, {6, 7}}},
        {"below the list's items", kList, {0, 101, 300, 5}, 0, {}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.layout.ItemsTouching(row.area, row.first), row.ranges) << row.what;
}

TEST(RowLayout, KeysMoveAlongTheFlow) {
    struct Row {
        const char* what;
        const RowLayout& layout;
        int item;
        int up, down, left, right, pageBack, pageOn;
    };
    const Row rows[] = {
        {"report, first row", kReport, 0, 0, 1, 0, 0, 0, 5},
        {"report, last row", kReport, 999, 998, 999, 999, 999, 994, 999},
        {"list, middle", kList, 7, 6, 8, 2, 12, 0, 22},
        {"list, last column", kList, 21, 20, 22, 16, 21, 6, 22},
        {"icons, first row", kIcons, 1, 1, 4, 0, 2, 0, 9},
        {"icons, into the short last row", kIcons, 8, 5, 9, 7, 9, 0, 9},
        {"icons, the last", kIcons, 9, 6, 9, 8, 9, 0, 9},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.layout.Up(row.item), row.up) << row.what;
        EXPECT_EQ(row.layout.Down(row.item), row.down) << row.what;
        EXPECT_EQ(row.layout.Left(row.item), row.left) << row.what;
        EXPECT_EQ(row.layout.Right(row.item), row.right) << row.what;
        EXPECT_EQ(row.layout.PageBack(row.item), row.pageBack) << row.what;
        EXPECT_EQ(row.layout.PageOn(row.item), row.pageOn) << row.what;
    }
}

TEST(RowLayout, TheItemsShownAreThoseOfTheLinesInThePage) {
    EXPECT_EQ(kReport.FirstShown(10), 10);
    EXPECT_EQ(kReport.LastShown(10), 14);
    EXPECT_EQ(kReport.LastShown(998), 999);
    EXPECT_EQ(kList.FirstShown(1), 5);
    EXPECT_EQ(kList.LastShown(1), 22); // three and a half columns from the second
    EXPECT_EQ(kIcons.FirstShown(1), 3);
    EXPECT_EQ(kIcons.LastShown(1), 9);
}
