// The view inside a list view.
#include "platform/ui/RowsView.h"

#include "platform/ui/AccessibleRows.h"
#include "platform/ui/DesignScale.h"

#include <QEvent>
#include <QHeaderView>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionFocusRect>
#include <QStyledItemDelegate>
#include <algorithm>

namespace platform::ui {
namespace {

// The width of the icon style's cell as designed for the 8-point system font, and the lines of
// caption under the icon.
constexpr int kIconCellWidth = 80;
constexpr int kCaptionLines = 2;
constexpr QSize kSmallIcon(16, 16);
constexpr QSize kLargeIcon(32, 32);

// Captions under an icon start at its foot, centred.
class RowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (option->decorationPosition == QStyleOptionViewItem::Top)
            option->displayAlignment = Qt::AlignHCenter | Qt::AlignTop;
    }
};

} // namespace

RowsView::RowsView(QWidget* parent) : QAbstractItemView(parent), header_(new ColumnHeader(this)) {
    setItemDelegate(new RowDelegate(this));
    header_->setSectionsClickable(true);
    header_->setHighlightSections(false);
    header_->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(header_, &QHeaderView::sectionResized, this, [this] {
        updateGeometries();
        viewport()->update();
    });
    connect(header_, &QHeaderView::geometriesChanged, this, &RowsView::updateGeometries);
    setIconSize(kSmallIcon);
    InstallRowsAccessibility();
}

void RowsView::setModel(QAbstractItemModel* model) {
    QAbstractItemView::setModel(model);
    header_->setModel(model);
    RowsChanged();
    RowsMoved();
}

void RowsView::SetStyle(Style style) {
    style_ = style;
    setIconSize(style == Style::Icon ? kLargeIcon : kSmallIcon);
    RowsChanged();
    RowsMoved();
    scheduleDelayedItemsLayout();
    viewport()->update();
    AnnounceNewLayout(this); // a table becomes a list, or a list a table
}

void RowsView::SetGridLines(bool on) {
    gridLines_ = on;
    viewport()->update();
}

void RowsView::SetIconCellWidth(int width) {
    iconCellWidth_ = width;
    scheduleDelayedItemsLayout();
    viewport()->update();
}

void RowsView::SetIconCaptionWrap(bool wrap) {
    iconCaptionWrap_ = wrap;
    viewport()->update();
}

void RowsView::SetCaptionMeasure(std::function<int(const QFontMetrics&)> measure) {
    measure_ = std::move(measure);
    RowsChanged();
}

void RowsView::RowsChanged() {
    widestCaption_ = -1;
}

void RowsView::RowsMoved() {
    // Cells a reader was given name places that now hold other rows, or are gone.
    if (accessible_)
        accessible_->ForgetCells();
}

RowLayout::Flow RowsView::FlowOf() const {
    switch (style_) {
    case Style::Report:
        return RowLayout::Flow::Down;
    case Style::List:
        return RowLayout::Flow::Columns;
    case Style::Icon:
    case Style::SmallIcon:
        break;
    }
    return RowLayout::Flow::Rows;
}

int RowsView::RowHeight() const {
    return std::max(fontMetrics().height(), kSmallIcon.height()) + 4;
}

QSize RowsView::ItemSize() const {
    switch (style_) {
    case Style::Report:
        return {std::max(1, header_->length()), RowHeight()};
    case Style::Icon: {
        const int width =
            iconCellWidth_ > 0 ? iconCellWidth_ : DesignScale(UnitsOf(font())).X(kIconCellWidth);
        const QFontMetrics metrics = fontMetrics();
        return {width,
                kLargeIcon.height() + kCaptionLines * metrics.lineSpacing() + metrics.height() / 2};
    }
    case Style::List:
    case Style::SmallIcon:
        break;
    }
    // The widest caption, and what an item needs besides its caption (the icon, the margins), as
    // the delegate measures the first row.
    const int rows = model() ? model()->rowCount() : 0;
    if (widestCaption_ < 0) {
        widestCaption_ = 0;
        if (rows > 0) {
            QStyleOptionViewItem option;
            initViewItemOption(&option);
            const QModelIndex first = model()->index(0, 0);
            const int besides = itemDelegateForIndex(first)->sizeHint(option, first).width() -
                                fontMetrics().horizontalAdvance(first.data().toString());
            widestCaption_ = (measure_ ? measure_(fontMetrics()) : 0) + std::max(0, besides);
        }
    }
    return {std::max(1, widestCaption_), RowHeight()};
}

RowLayout RowsView::Layout() const {
    return {FlowOf(), ItemSize(), viewport()->size(), model() ? model()->rowCount() : 0};
}

int RowsView::FirstLine() const {
    return FlowOf() == RowLayout::Flow::Columns ? horizontalScrollBar()->value()
                                                : verticalScrollBar()->value();
}

int RowsView::Across() const {
    return FlowOf() == RowLayout::Flow::Down ? horizontalScrollBar()->value() : 0;
}

int RowsView::horizontalOffset() const {
    if (FlowOf() == RowLayout::Flow::Columns)
        return FirstLine() * ItemSize().width();
    return Across();
}

int RowsView::verticalOffset() const {
    return FlowOf() == RowLayout::Flow::Columns ? 0 : FirstLine() * ItemSize().height();
}

void RowsView::updateGeometries() {
    const bool report = style_ == Style::Report;
    const int headerHeight = report ? header_->sizeHint().height() : 0;
    setViewportMargins(0, headerHeight, 0, 0);
    if (report) {
        const QRect area = viewport()->geometry();
        header_->setGeometry(area.left(), area.top() - headerHeight, area.width(), headerHeight);
        header_->show();
    } else {
        header_->hide();
    }
    const RowLayout layout = Layout();
    QScrollBar* lines =
        FlowOf() == RowLayout::Flow::Columns ? horizontalScrollBar() : verticalScrollBar();
    QScrollBar* other = lines == verticalScrollBar() ? horizontalScrollBar() : verticalScrollBar();
    lines->setRange(0, layout.LastFirstLine());
    lines->setPageStep(layout.WholeLinesShown());
    lines->setSingleStep(1);
    if (report) {
        other->setRange(0, std::max(0, layout.Item().width() - viewport()->width()));
        other->setPageStep(viewport()->width());
        other->setSingleStep(std::max(1, fontMetrics().averageCharWidth() * 2));
        header_->setOffset(other->value());
    } else {
        other->setRange(0, 0);
    }
    QAbstractItemView::updateGeometries();
}

void RowsView::scrollContentsBy(int, int) {
    if (style_ == Style::Report)
        header_->setOffset(Across());
    viewport()->update();
}

QRect RowsView::visualRect(const QModelIndex& index) const {
    if (!index.isValid() || !model())
        return {};
    const QRect item = Layout().ItemRect(index.row(), FirstLine(), Across());
    if (style_ != Style::Report)
        return item;
    return {header_->sectionViewportPosition(index.column()), item.top(),
            header_->sectionSize(index.column()), item.height()};
}

QModelIndex RowsView::indexAt(const QPoint& point) const {
    if (!model())
        return {};
    const int row = Layout().ItemAt(point, FirstLine(), Across());
    if (row < 0)
        return {};
    const int column = style_ == Style::Report ? header_->logicalIndexAt(point.x()) : 0;
    return model()->index(row, std::max(0, column));
}

void RowsView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!index.isValid())
        return;
    const RowLayout layout = Layout();
    const int line = layout.LineOf(index.row());
    const int shown = layout.WholeLinesShown();
    int first = FirstLine();
    switch (hint) {
    case PositionAtTop:
        first = line;
        break;
    case PositionAtBottom:
        first = line - shown + 1;
        break;
    case PositionAtCenter:
        first = line - shown / 2;
        break;
    case EnsureVisible:
        if (line < first)
            first = line;
        else if (line >= first + shown)
            first = line - shown + 1;
        break;
    }
    (FlowOf() == RowLayout::Flow::Columns ? horizontalScrollBar() : verticalScrollBar())
        ->setValue(first);
}

QModelIndex RowsView::moveCursor(CursorAction action, Qt::KeyboardModifiers) {
    if (!model() || model()->rowCount() == 0)
        return {};
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return model()->index(0, 0);
    const RowLayout layout = Layout();
    int row = current.row();
    switch (action) {
    case MoveUp:
        row = layout.Up(row);
        break;
    case MoveDown:
        row = layout.Down(row);
        break;
    case MoveLeft:
    case MoveRight:
        if (FlowOf() == RowLayout::Flow::Down) // a report scrolls sideways
            horizontalScrollBar()->triggerAction(action == MoveLeft
                                                     ? QAbstractSlider::SliderSingleStepSub
                                                     : QAbstractSlider::SliderSingleStepAdd);
        row = action == MoveLeft ? layout.Left(row) : layout.Right(row);
        break;
    case MovePrevious:
        row = std::max(0, row - 1);
        break;
    case MoveNext:
        row = std::min(layout.Count() - 1, row + 1);
        break;
    case MoveHome:
        row = 0;
        break;
    case MoveEnd:
        row = layout.Count() - 1;
        break;
    case MovePageUp:
        row = layout.PageBack(row);
        break;
    case MovePageDown:
        row = layout.PageOn(row);
        break;
    }
    return model()->index(row, current.column());
}

bool RowsView::isIndexHidden(const QModelIndex& index) const {
    return style_ == Style::Report && header_->isSectionHidden(index.column());
}

void RowsView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) {
    if (!model() || !selectionModel())
        return;
    QItemSelection selection;
    const int lastColumn = model()->columnCount() - 1;
    for (const auto& [from, to] : Layout().ItemsTouching(rect, FirstLine(), Across()))
        selection.select(model()->index(from, 0), model()->index(to, lastColumn));
    selectionModel()->select(selection, command);
}

QRegion RowsView::visualRegionForSelection(const QItemSelection&) const {
    return viewport()->rect(); // what is shown is all there is to repaint
}

QModelIndexList RowsView::selectedIndexes() const {
    QModelIndexList indexes;
    if (!selectionModel())
        return indexes;
    std::vector<int> rows;
    for (const QItemSelectionRange& range : selectionModel()->selection())
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.push_back(row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (const int row : rows)
        indexes.push_back(model()->index(row, 0));
    return indexes;
}

std::vector<std::pair<int, int>> RowsView::SelectedRowRanges() const {
    // The selection's ranges may overlap or touch: sorted and joined.
    std::vector<std::pair<int, int>> ranges;
    if (!selectionModel())
        return ranges;
    for (const QItemSelectionRange& range : selectionModel()->selection())
        if (range.isValid())
            ranges.emplace_back(range.top(), range.bottom());
    std::sort(ranges.begin(), ranges.end());
    std::vector<std::pair<int, int>> joined;
    for (const auto& range : ranges) {
        if (!joined.empty() && range.first <= joined.back().second + 1)
            joined.back().second = std::max(joined.back().second, range.second);
        else
            joined.push_back(range);
    }
    return joined;
}

int RowsView::FittedColumnWidth(int column) const {
    int width = header_->sectionSizeHint(column);
    if (!model())
        return width;
    const RowLayout layout =
        RowLayout(RowLayout::Flow::Down, {1, RowHeight()}, viewport()->size(), model()->rowCount());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const int first = style_ == Style::Report ? FirstLine() : 0;
    for (int row = layout.FirstShown(first); row <= layout.LastShown(first); ++row) {
        const QModelIndex index = model()->index(row, column);
        width = std::max(width, itemDelegateForIndex(index)->sizeHint(option, index).width());
    }
    return width + (gridLines_ ? 1 : 0);
}

int RowsView::CellWidth(const QString& text) const {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.features |= QStyleOptionViewItem::HasDisplay;
    option.text = text;
    return style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, {}, this).width() +
           (gridLines_ ? 1 : 0);
}

void RowsView::PaintItem(QPainter& painter, QStyleOptionViewItem option, int row, int column,
                         const QRect& rect, bool selected) const {
    const QModelIndex index = model()->index(row, column);
    option.rect = rect;
    option.index = index;
    if (selected)
        option.state |= QStyle::State_Selected;
    if (hasFocus() && currentIndex().row() == row &&
        (style_ != Style::Report || currentIndex().column() == column))
        option.state |= QStyle::State_HasFocus;
    itemDelegateForIndex(index)->paint(&painter, option, index);
}

void RowsView::PaintGrid(QPainter& painter, int rows) const {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const auto colour =
        static_cast<QRgb>(style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this));
    painter.setPen(QColor::fromRgba(colour));
    const int height = rows * RowHeight();
    for (int row = 1; row <= rows; ++row)
        painter.drawLine(0, row * RowHeight() - 1, header_->length() - Across() - 1,
                         row * RowHeight() - 1);
    for (int section = 0; section < header_->count(); ++section)
        if (!header_->isSectionHidden(section)) {
            const int x = header_->sectionViewportPosition(section) + header_->sectionSize(section);
            painter.drawLine(x - 1, 0, x - 1, height - 1);
        }
}

void RowsView::PaintFocusFrame(QPainter& painter) const {
    QStyleOptionFocusRect frame;
    frame.initFrom(this);
    frame.rect = viewport()->rect();
    frame.backgroundColor = palette().color(QPalette::Base);
    // Drawn for the mouse too: the frame stands for the mark no row shows.
    frame.state |= QStyle::State_KeyboardFocusChange | QStyle::State_HasFocus;
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, &painter, this);
}

void RowsView::paintEvent(QPaintEvent* event) {
    if (!model())
        return;
    QPainter painter(viewport());
    const RowLayout layout = Layout();
    const int first = FirstLine(), across = Across();
    QStyleOptionViewItem base;
    initViewItemOption(&base);
    base.state &= ~QStyle::State_HasFocus;
    if (style_ == Style::Icon) {
        base.decorationPosition = QStyleOptionViewItem::Top;
        if (iconCaptionWrap_)
            base.features |= QStyleOptionViewItem::WrapText;
    }
    const QItemSelectionModel* selection = selectionModel();
    const int from = layout.FirstShown(first), to = layout.LastShown(first);
    for (int row = from; row <= to; ++row) {
        const QRect item = layout.ItemRect(row, first, across);
        if (!item.intersects(event->rect()))
            continue;
        const bool selected = selection && selection->isSelected(model()->index(row, 0));
        if (style_ != Style::Report) {
            PaintItem(painter, base, row, 0, item, selected);
            continue;
        }
        for (int visual = 0; visual < header_->count(); ++visual) {
            const int column = header_->logicalIndex(visual);
            if (header_->isSectionHidden(column))
                continue;
            const QRect cell(header_->sectionViewportPosition(column), item.top(),
                             header_->sectionSize(column), item.height());
            if (cell.intersects(event->rect()))
                PaintItem(painter, base, row, column, cell, selected);
        }
    }
    if (style_ == Style::Report && gridLines_)
        PaintGrid(painter, to - from + 1);
    // The focus stays in sight in an empty list and while its current row is scrolled away.
    const int current = currentIndex().isValid() ? currentIndex().row() : -1;
    if (hasFocus() && (current < from || current > to))
        PaintFocusFrame(painter);
}

bool RowsView::event(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        RowsChanged();
        scheduleDelayedItemsLayout();
    }
    return QAbstractItemView::event(event);
}

void RowsView::reset() {
    QAbstractItemView::reset();
    RowsChanged();
    RowsMoved();
    scheduleDelayedItemsLayout();
}

void RowsView::rowsInserted(const QModelIndex& parent, int start, int end) {
    QAbstractItemView::rowsInserted(parent, start, end);
    RowsChanged();
    RowsMoved();
    scheduleDelayedItemsLayout();
}

void RowsView::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) {
    QAbstractItemView::rowsAboutToBeRemoved(parent, start, end);
    RowsChanged();
    RowsMoved();
    scheduleDelayedItemsLayout();
}

void RowsView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QAbstractItemView::currentChanged(current, previous);
    AnnounceCurrentRow(this, current);
}

void RowsView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
    QAbstractItemView::selectionChanged(selected, deselected);
    AnnounceSelection(this, selected, deselected);
}

void RowsView::focusInEvent(QFocusEvent* event) {
    // Entering the list makes its first row current when none is; either way the reader hears the
    // row with the focus mark, not only the list's name, once the list's own focus is announced
    // (which follows this event).
    QAbstractItemView::focusInEvent(event);
    QMetaObject::invokeMethod(
        this, [this] { AnnounceCurrentRow(this, currentIndex()); }, Qt::QueuedConnection);
}

void RowsView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                           const QList<int>& roles) {
    QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
    RowsChanged();
    viewport()->update();
}

} // namespace platform::ui
