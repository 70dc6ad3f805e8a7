// Where the items of a list stand, worked out from the item count and one item size alone, so
// that painting, scrolling and finding the item under the mouse cost the same for a thousand
// items as for a million. Items are laid out in lines:
//   Down     one item per line, lines down the page (the report style: rows);
//   Columns  lines are columns filled top to bottom, side by side (the list style);
//   Rows     lines are rows of cells filled left to right, down the page (the icon styles).
// The list scrolls by whole lines; First is the first line shown. Positions are in the
// viewport's coordinates.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <utility>
#include <vector>

namespace platform::ui {

class RowLayout {
public:
    enum class Flow { Down, Columns, Rows };

    RowLayout() = default;
    RowLayout(Flow flow, QSize item, QSize page, int count);

    Flow GetFlow() const { return flow_; }
    QSize Item() const { return item_; }
    int Count() const { return count_; }
    // Items in one line, lines in all, lines that fit the page whole (at least 1).
    int PerLine() const { return perLine_; }
    int Lines() const;
    int WholeLinesShown() const;
    // The line an item stands in.
    int LineOf(int item) const { return item / perLine_; }
    // The first line that can be shown first: the last lines then fill the page.
    int LastFirstLine() const;
    // The pixels one line takes along the direction of scrolling.
    int LineStep() const;

    // The rectangle of an item when line first is shown first (and, in the Down flow, the page
    // is scrolled sideways by across pixels).
    QRect ItemRect(int item, int first, int across = 0) const;
    // The item at a point, or -1 where there is none.
    int ItemAt(QPoint point, int first, int across = 0) const;
    // The item nearest to a point, inside the list or beyond its ends: where a range of items
    // that is dragged or extended to that point ends. -1 only for an empty list.
    int NearestItem(QPoint point, int first, int across = 0) const;
    // The items a rectangle touches, as ranges of items (first and last): a range per line, or
    // one when it takes whole lines.
    std::vector<std::pair<int, int>> ItemsTouching(const QRect& area, int first,
                                                   int across = 0) const;
    // The items shown, from the first to the last (last below first when none is).
    int FirstShown(int first) const;
    int LastShown(int first) const;

    // The item a key moves to from item; lines and pages as the flow has them. Clamped.
    int Up(int item) const;
    int Down(int item) const;
    int Left(int item) const;
    int Right(int item) const;
    int PageBack(int item) const;
    int PageOn(int item) const;

private:
    // The line and the place in it of the point (unclamped).
    int LineAt(QPoint point, int first) const;
    int PlaceAt(QPoint point, int across) const;
    int Clamp(int item) const;

    Flow flow_ = Flow::Down;
    QSize item_{1, 1};
    QSize page_;
    int count_ = 0;
    int perLine_ = 1;
};

} // namespace platform::ui
