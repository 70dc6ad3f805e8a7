// Where the items of a list stand.
#include "platform/ui/RowLayout.h"

#include <algorithm>

namespace platform::ui {
namespace {

// Division that rounds toward minus infinity, for points above or left of the list.
int FloorDiv(int value, int divisor) {
    return value >= 0 ? value / divisor : -((-value + divisor - 1) / divisor);
}

} // namespace

RowLayout::RowLayout(Flow flow, QSize item, QSize page, int count)
    : flow_(flow), item_(item.expandedTo(QSize(1, 1))), page_(page), count_(std::max(0, count)) {
    if (flow_ == Flow::Columns)
        perLine_ = std::max(1, page_.height() / item_.height());
    else if (flow_ == Flow::Rows)
        perLine_ = std::max(1, page_.width() / item_.width());
}

int RowLayout::Lines() const {
    return (count_ + perLine_ - 1) / perLine_;
}

int RowLayout::LineStep() const {
    return flow_ == Flow::Columns ? item_.width() : item_.height();
}

int RowLayout::WholeLinesShown() const {
    const int along = flow_ == Flow::Columns ? page_.width() : page_.height();
    return std::max(1, along / LineStep());
}

int RowLayout::LastFirstLine() const {
    return std::max(0, Lines() - WholeLinesShown());
}

QRect RowLayout::ItemRect(int item, int first, int across) const {
    const int line = item / perLine_ - first;
    const int place = item % perLine_;
    switch (flow_) {
    case Flow::Down:
        return {-across, line * item_.height(), item_.width(), item_.height()};
    case Flow::Columns:
        return {line * item_.width(), place * item_.height(), item_.width(), item_.height()};
    case Flow::Rows:
        break;
    }
    return {place * item_.width(), line * item_.height(), item_.width(), item_.height()};
}

int RowLayout::LineAt(QPoint point, int first) const {
    if (flow_ == Flow::Columns)
        return first + FloorDiv(point.x(), item_.width());
    return first + FloorDiv(point.y(), item_.height());
}

int RowLayout::PlaceAt(QPoint point, int across) const {
    switch (flow_) {
    case Flow::Down:
        return FloorDiv(point.x() + across, item_.width());
    case Flow::Columns:
        return FloorDiv(point.y(), item_.height());
    case Flow::Rows:
        break;
    }
    return FloorDiv(point.x(), item_.width());
}

int RowLayout::ItemAt(QPoint point, int first, int across) const {
    const int line = LineAt(point, first);
    const int place = PlaceAt(point, across);
    if (line < 0 || place < 0 || place >= perLine_)
        return -1;
    const long long item = static_cast<long long>(line) * perLine_ + place;
    return item < count_ ? static_cast<int>(item) : -1;
}

int RowLayout::Clamp(int item) const {
    return count_ == 0 ? -1 : std::clamp(item, 0, count_ - 1);
}

int RowLayout::NearestItem(QPoint point, int first, int across) const {
    if (count_ == 0)
        return -1;
    const int line = std::clamp(LineAt(point, first), 0, Lines() - 1);
    const int place = std::clamp(PlaceAt(point, across), 0, perLine_ - 1);
    return Clamp(line * perLine_ + place);
}

std::vector<std::pair<int, int>> RowLayout::ItemsTouching(const QRect& area, int first,
                                                          int across) const {
    std::vector<std::pair<int, int>> ranges;
    const QRect box = area.normalized();
    const int fromLine = std::max(0, LineAt(box.topLeft(), first));
    const int toLine = std::min(Lines() - 1, LineAt(box.bottomRight(), first));
    const int fromPlace = std::max(0, PlaceAt(box.topLeft(), across));
    const int toPlace = std::min(perLine_ - 1, PlaceAt(box.bottomRight(), across));
    if (fromLine > toLine || fromPlace > toPlace)
        return ranges;
    if (fromPlace == 0 && toPlace == perLine_ - 1) {
        ranges.emplace_back(fromLine * perLine_, Clamp(toLine * perLine_ + toPlace));
        return ranges;
    }
    for (int line = fromLine; line <= toLine; ++line) {
        const int from = line * perLine_ + fromPlace;
        const int to = std::min(count_ - 1, line * perLine_ + toPlace);
        if (from <= to)
            ranges.emplace_back(from, to);
    }
    return ranges;
}

int RowLayout::FirstShown(int first) const {
    return std::min(count_, first * perLine_);
}

int RowLayout::LastShown(int first) const {
    const int along = flow_ == Flow::Columns ? page_.width() : page_.height();
    const int lines = (std::max(0, along) + LineStep() - 1) / LineStep();
    const long long end = (static_cast<long long>(first) + lines) * perLine_;
    return static_cast<int>(std::min<long long>(count_, end)) - 1;
}

int RowLayout::Up(int item) const {
    if (flow_ == Flow::Rows)
        return item >= perLine_ ? item - perLine_ : item;
    return Clamp(item - 1);
}

int RowLayout::Down(int item) const {
    if (flow_ == Flow::Rows) {
        if (LineOf(item) + 1 >= Lines())
            return item;
        return Clamp(item + perLine_); // into a shorter last line: its last item
    }
    return Clamp(item + 1);
}

int RowLayout::Left(int item) const {
    switch (flow_) {
    case Flow::Down:
        return item;
    case Flow::Columns:
        return item >= perLine_ ? item - perLine_ : item;
    case Flow::Rows:
        break;
    }
    return Clamp(item - 1);
}

int RowLayout::Right(int item) const {
    switch (flow_) {
    case Flow::Down:
        return item;
    case Flow::Columns:
        return LineOf(item) + 1 < Lines() ? Clamp(item + perLine_) : item;
    case Flow::Rows:
        break;
    }
    return Clamp(item + 1);
}

int RowLayout::PageBack(int item) const {
    return Clamp(item - WholeLinesShown() * perLine_);
}

int RowLayout::PageOn(int item) const {
    return Clamp(item + WholeLinesShown() * perLine_);
}

} // namespace platform::ui
