// The cells of the list's table and its column headers, as a screen reader sees them. A cell
// knows only its view, its row and its column, and asks the list for the rest when asked.
#include "platform/ui/AccessibleRows.h"

#include "platform/ui/RowsView.h"

#include <QHeaderView>
#include <QWidget>
#include <QWindow>

namespace platform::ui {
QWindow* AccessibleTablePart::window() const {
    return view_ && view_->window() ? view_->window()->windowHandle() : nullptr;
}

bool AccessibleRowCell::isValid() const {
    const AccessibleRows* table = Table();
    return table && row_ < table->rowCount() && table->TableColumn(column_) >= 0;
}

QString AccessibleRowCell::text(QAccessible::Text type) const {
    if (type != QAccessible::Name || !isValid())
        return {};
    return view_->model()->index(row_, column_).data(Qt::DisplayRole).toString();
}

QRect AccessibleRowCell::rect() const {
    if (!isValid())
        return {};
    const QRect shown = view_->visualRect(view_->model()->index(row_, column_));
    return shown.translated(view_->viewport()->mapToGlobal(QPoint(0, 0)));
}

QAccessible::Role AccessibleRowCell::role() const {
    return view_ && view_->GetStyle() == RowsView::Style::Report ? QAccessible::Cell
                                                                 : QAccessible::ListItem;
}

QAccessible::State AccessibleRowCell::state() const {
    QAccessible::State state;
    const AccessibleRows* table = Table();
    if (!table || !isValid()) {
        state.invalid = true;
        return state;
    }
    state.selectable = true;
    state.focusable = true;
    state.selected = isSelected();
    state.focused =
        view_->hasFocus() && view_->currentIndex().row() == row_ && table->FocusColumn() == column_;
    state.active = state.focused;
    // Rows scrolled out of sight are there but not shown.
    state.invisible = !view_->isVisible() ||
                      !rect().intersects(QRect(view_->viewport()->mapToGlobal(QPoint(0, 0)),
                                               view_->viewport()->size()));
    return state;
}

void* AccessibleRowCell::interface_cast(QAccessible::InterfaceType type) {
    return type == QAccessible::TableCellInterface
               ? static_cast<QAccessibleTableCellInterface*>(this)
               : nullptr;
}

bool AccessibleRowCell::isSelected() const {
    const AccessibleRows* table = Table();
    return table && table->isRowSelected(row_);
}

QList<QAccessibleInterface*> AccessibleRowCell::columnHeaderCells() const {
    const AccessibleRows* table = Table();
    if (!table || !table->Report())
        return {};
    return {table->Cell(-1, column_)};
}

int AccessibleRowCell::columnIndex() const {
    const AccessibleRows* table = Table();
    return table ? table->TableColumn(column_) : -1;
}

bool AccessibleColumnHeader::isValid() const {
    const AccessibleRows* table = Table();
    return table && table->Report() && table->TableColumn(column_) >= 0;
}

QString AccessibleColumnHeader::text(QAccessible::Text type) const {
    if (type != QAccessible::Name || !isValid())
        return {};
    return view_->model()->headerData(column_, Qt::Horizontal, Qt::DisplayRole).toString();
}

QRect AccessibleColumnHeader::rect() const {
    if (!isValid())
        return {};
    const QHeaderView* header = view_->Header();
    const QRect section(header->sectionViewportPosition(column_), 0, header->sectionSize(column_),
                        header->height());
    return section.translated(header->mapToGlobal(QPoint(0, 0)));
}

QAccessible::State AccessibleColumnHeader::state() const {
    QAccessible::State state;
    if (!isValid()) {
        state.invalid = true;
        return state;
    }
    const ColumnHeader* header = view_->Header();
    state.invisible = !header->isVisible();
    state.focusable = header->focusPolicy() != Qt::NoFocus;
    state.focused = header->hasFocus() && header->PickedColumn() == column_;
    return state;
}

} // namespace platform::ui
