// The list views as a screen reader sees them. RowsView answers the accessibility framework with
// AccessibleRows: in the report style a table of the rows and the columns shown, whose children are
// a header cell per column and then the cells row by row; in the other styles a list with an item
// per row (its caption). Every cell says its text as the list draws it, whether it is selected and
// whether it has the focus mark. Cells are made only when a reader asks for them and kept by their
// id until the rows, the columns or the style change, so a reader that asks for the rows in sight
// costs those rows, whatever the list holds; nothing here ever walks the rows.
#pragma once

#include "platform/ui/RowsView.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

class QItemSelection;
class QModelIndex;

namespace platform::ui {

// Lets every RowsView answer with AccessibleRows (installed once, when the first one is made).
void InstallRowsAccessibility();

// What RowsView tells a screen reader, at no cost while none listens: the row with the focus mark
// (while the list has the keyboard focus), the rows whose selection changed (one row by name, more
// as a change within the list), and rows or columns arranged anew (another style).
void AnnounceCurrentRow(RowsView* view, const QModelIndex& current);
void AnnounceSelection(RowsView* view, const QItemSelection& selected,
                       const QItemSelection& deselected);
void AnnounceNewLayout(RowsView* view);
// The column picked in the headers (while they have the keyboard focus).
void AnnounceColumn(RowsView* view, int column);
// Hears every announcement of the lists before the framework does, which passes them on only
// while a screen reader listens (the tests hear them so; nothing else sets it).
void SetAnnouncementHook(std::function<void(QAccessibleEvent*)> hook);

class AccessibleRows : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit AccessibleRows(RowsView* view);
    ~AccessibleRows() override;
    // The table of a view (nothing for none).
    static AccessibleRows* Of(RowsView* view);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text type) const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override;
    int selectedCellCount() const override;
    QList<QAccessibleInterface*> selectedCells() const override;
    QString columnDescription(int column) const override;
    QString rowDescription(int) const override { return {}; }
    int selectedColumnCount() const override;
    int selectedRowCount() const override;
    int columnCount() const override;
    int rowCount() const override;
    QList<int> selectedColumns() const override;
    QList<int> selectedRows() const override;
    bool isColumnSelected(int column) const override;
    bool isRowSelected(int row) const override;
    bool selectRow(int row) override { return SelectRow(row, QItemSelectionModel::Select); }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int row) override { return SelectRow(row, QItemSelectionModel::Deselect); }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent* event) override;

    // What the cells ask of the table.
    RowsView* View() const;
    bool Report() const;
    // The model's columns in the order shown: in the report style those not hidden, otherwise the
    // caption alone.
    std::vector<int> Columns() const;
    // A model column's place among the columns shown, -1 when it is not shown.
    int TableColumn(int modelColumn) const;
    // The model column whose cell has the focus mark in the row that has it.
    int FocusColumn() const;
    // The child index of a cell of a model column (row -1: its header cell), -1 when not shown.
    int ChildIndex(int row, int modelColumn) const;
    // The cell (row -1: the header cell) of a model column, made when first asked for.
    QAccessibleInterface* Cell(int row, int modelColumn) const;
    // Deletes the cells made so far: the rows, the columns or the style changed.
    void ForgetCells() const;

private:
    bool AllRowsSelected() const;
    bool SelectRow(int row, QItemSelectionModel::SelectionFlag how);

    mutable std::unordered_map<std::uint64_t, QAccessible::Id> cells_;
    // The arrangement the cells were made for; another one makes them anew.
    mutable std::vector<int> columnsOfCells_;
    mutable bool reportOfCells_ = true;
};

// What the cells and the header cells share: a place in a view's table (a model column, and a row
// for a cell), no children, the table as parent.
class AccessibleTablePart : public QAccessibleInterface {
public:
    AccessibleTablePart(RowsView* view, int column) : view_(view), column_(column) {}

    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* parent() const override { return Table(); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    void setText(QAccessible::Text, const QString&) override {}

    const RowsView* View() const { return view_; }
    int Column() const { return column_; }

protected:
    AccessibleRows* Table() const { return AccessibleRows::Of(view_.data()); }

    QPointer<RowsView> view_;
    int column_; // the model's
};

// A cell of a row in the report style, or the item of a row in the others.
class AccessibleRowCell : public AccessibleTablePart, public QAccessibleTableCellInterface {
public:
    AccessibleRowCell(RowsView* view, int row, int column)
        : AccessibleTablePart(view, column), row_(row) {}

    bool isValid() const override;
    QString text(QAccessible::Text type) const override;
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    bool isSelected() const override;
    QList<QAccessibleInterface*> columnHeaderCells() const override;
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override;
    int rowIndex() const override { return row_; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

    int Row() const { return row_; }

private:
    int row_;
};

// The header cell of a column in the report style: the column's caption.
class AccessibleColumnHeader : public AccessibleTablePart {
public:
    using AccessibleTablePart::AccessibleTablePart;

    bool isValid() const override;
    QString text(QAccessible::Text type) const override;
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::ColumnHeader; }
    QAccessible::State state() const override;
};

} // namespace platform::ui
