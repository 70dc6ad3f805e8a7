// The view inside a list view: paints the rows of its model in the four styles and turns keys,
// clicks and drags into the current row and the selection. Every answer comes from the layout
// (RowLayout) and the rows shown, never from a walk over all rows, so repainting, scrolling,
// hit tests and keyboard moves cost the same for a million rows as for a thousand. Only the
// list and small-icon styles measure every caption, once, for the width of their items. A screen
// reader sees it as a table (or a list) through AccessibleRows, which asks for the rows read only.
#pragma once

#include "platform/ui/ColumnHeader.h"
#include "platform/ui/RowLayout.h"

#include <QAbstractItemView>

namespace platform::ui {

class AccessibleRows;

class RowsView : public QAbstractItemView {
    Q_OBJECT
public:
    enum class Style { List, Report, Icon, SmallIcon };

    explicit RowsView(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;
    void SetStyle(Style style);
    Style GetStyle() const { return style_; }
    ColumnHeader* Header() const { return header_; }
    void SetGridLines(bool on);
    bool GridLines() const { return gridLines_; }
    // The icon style's cell: 0 for the designed width fitted to the font; captions over two lines
    // or one.
    void SetIconCellWidth(int width);
    void SetIconCaptionWrap(bool wrap);
    // The widest caption of the rows in pixels (the list and small-icon styles size their items
    // by it); asked again when the rows or the font change.
    void SetCaptionMeasure(std::function<int(const QFontMetrics&)> measure);
    // The width that shows a column's caption and its cells in the rows shown.
    int FittedColumnWidth(int column) const;
    // The width a cell needs to show text whole.
    int CellWidth(const QString& text) const;
    // The layout as it stands (for the keys, hit tests and painting).
    RowLayout Layout() const;
    // The selected rows as ascending ranges (first and last row) that do not touch.
    std::vector<std::pair<int, int>> SelectedRowRanges() const;
    // The view's accessible table while it exists (it tells the view itself), which forgets its
    // cells when the rows change.
    AccessibleRows* Accessible() const { return accessible_; }
    void SetAccessible(AccessibleRows* table) { accessible_ = table; }

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;
    void reset() override;

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex& index) const override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    QModelIndexList selectedIndexes() const override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void selectionChanged(const QItemSelection& selected,
                          const QItemSelection& deselected) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    RowLayout::Flow FlowOf() const;
    QSize ItemSize() const;
    int RowHeight() const;
    int FirstLine() const;
    int Across() const;
    void PaintItem(QPainter& painter, QStyleOptionViewItem option, int row, int column,
                   const QRect& rect, bool selected) const;
    void PaintGrid(QPainter& painter, int rows) const;
    // The focus frame around the rows, while the list has the focus and no row shows the mark.
    void PaintFocusFrame(QPainter& painter) const;
    // Forgets the measured width of the items: the rows or the font changed.
    void RowsChanged();
    // Rows came, went or were arranged anew.
    void RowsMoved();

    ColumnHeader* header_;
    Style style_ = Style::Report;
    bool gridLines_ = false;
    int iconCellWidth_ = 0;
    bool iconCaptionWrap_ = true;
    std::function<int(const QFontMetrics&)> measure_;
    mutable int widestCaption_ = -1; // measured when first needed
    AccessibleRows* accessible_ = nullptr;
};

} // namespace platform::ui
