// The list as a table (or a list) for a screen reader, and what the list announces.
#include "platform/ui/AccessibleRows.h"

#include "platform/ui/RowsView.h"

#include <QHeaderView>
#include <QItemSelection>
#include <QLabel>
#include <algorithm>
#include <limits>

namespace platform::ui {
namespace {

std::function<void(QAccessibleEvent*)>& AnnouncementHook() {
    static std::function<void(QAccessibleEvent*)> hook;
    return hook;
}

// Announcements cost nothing while nobody listens (the framework makes the interfaces of the
// widgets shown whether or not a reader is there).
bool Listening() {
    return QAccessible::isActive() || AnnouncementHook();
}

void Announce(QAccessibleEvent& event) {
    if (AnnouncementHook())
        AnnouncementHook()(&event);
    QAccessible::updateAccessibility(&event);
}

QAccessibleInterface* MakeAccessibleRows(const QString& className, QObject* object) {
    if (className != QLatin1String(RowsView::staticMetaObject.className()))
        return nullptr;
    auto* view = qobject_cast<RowsView*>(object);
    return view ? new AccessibleRows(view) : nullptr;
}

// A label's text as read aloud: without the mark of its mnemonic ("&&" is one "&").
QString WithoutMnemonic(const QString& text) {
    QString plain;
    for (qsizetype at = 0; at < text.size(); ++at) {
        if (text[at] == '&' && at + 1 < text.size())
            ++at;
        plain += text[at];
    }
    return plain;
}

// The text of a label anywhere in the control's window whose buddy the control is. The framework
// looks only among the control's siblings, and a pane's header label rarely is one.
QString BuddyText(const QWidget* control) {
    for (const QLabel* label : control->window()->findChildren<QLabel*>())
        if (label->buddy() == control)
            return WithoutMnemonic(label->text());
    return {};
}

// The number of rows in a change of the selection, counted up to two: one row is announced by
// name, more as a change within the list.
int RowsIn(const QItemSelection& selection) {
    std::int64_t rows = 0;
    for (const QItemSelectionRange& range : selection)
        rows += range.bottom() - range.top() + 1;
    return static_cast<int>(std::min<std::int64_t>(rows, 2));
}

// The cell of a row (-1: the header) and column (-1: the one with the focus mark).
void AnnounceCell(RowsView* view, QAccessible::Event type, int row, int column = -1) {
    const AccessibleRows* table = AccessibleRows::Of(view);
    if (!table)
        return;
    QAccessibleEvent event(view, type);
    event.setChild(table->ChildIndex(row, column < 0 ? table->FocusColumn() : column));
    Announce(event);
}

} // namespace

void InstallRowsAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(&MakeAccessibleRows);
        return true;
    }();
    (void)installed;
}

void AnnounceCurrentRow(RowsView* view, const QModelIndex& current) {
    if (Listening() && current.isValid() && view->hasFocus())
        AnnounceCell(view, QAccessible::Focus, current.row());
}

void AnnounceSelection(RowsView* view, const QItemSelection& selected,
                       const QItemSelection& deselected) {
    if (!Listening())
        return;
    const int added = RowsIn(selected), removed = RowsIn(deselected);
    if (added > 1 || removed > 1) {
        QAccessibleEvent event(view, QAccessible::SelectionWithin);
        Announce(event);
        return;
    }
    if (added == 1)
        AnnounceCell(view, QAccessible::SelectionAdd, selected.front().top());
    if (removed == 1)
        AnnounceCell(view, QAccessible::SelectionRemove, deselected.front().top());
}

void AnnounceColumn(RowsView* view, int column) {
    if (Listening() && view->Header()->hasFocus())
        AnnounceCell(view, QAccessible::Focus, -1, column);
}

void AnnounceNewLayout(RowsView* view) {
    if (!Listening())
        return;
    QAccessibleTableModelChangeEvent event(view, QAccessibleTableModelChangeEvent::ModelReset);
    Announce(event);
}

void SetAnnouncementHook(std::function<void(QAccessibleEvent*)> hook) {
    AnnouncementHook() = std::move(hook);
}

AccessibleRows::AccessibleRows(RowsView* view) : QAccessibleWidget(view, QAccessible::Table) {
    view->SetAccessible(this);
}

AccessibleRows::~AccessibleRows() {
    ForgetCells();
    // Gone with its view, or at the program's end before it.
    if (RowsView* view = View())
        view->SetAccessible(nullptr);
}

AccessibleRows* AccessibleRows::Of(RowsView* view) {
    return view ? dynamic_cast<AccessibleRows*>(QAccessible::queryAccessibleInterface(view))
                : nullptr;
}

RowsView* AccessibleRows::View() const {
    return static_cast<RowsView*>(widget());
}

bool AccessibleRows::Report() const {
    return View()->GetStyle() == RowsView::Style::Report;
}

void* AccessibleRows::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TableInterface)
        return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessible::Role AccessibleRows::role() const {
    return Report() ? QAccessible::Table : QAccessible::List;
}

QAccessible::State AccessibleRows::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    const auto mode = View()->selectionMode();
    state.multiSelectable =
        mode == QAbstractItemView::ExtendedSelection || mode == QAbstractItemView::MultiSelection;
    state.extSelectable = mode == QAbstractItemView::ExtendedSelection;
    return state;
}

QString AccessibleRows::text(QAccessible::Text type) const {
    const QString own = QAccessibleWidget::text(type);
    // The list view around the view carries the list's name and description, given by its window
    // or by a label whose buddy it is.
    const QWidget* list = View()->parentWidget();
    if (!own.isEmpty() || !list)
        return own;
    switch (type) {
    case QAccessible::Name:
        if (!list->accessibleName().isEmpty())
            return list->accessibleName();
        return BuddyText(list);
    case QAccessible::Description:
        return list->accessibleDescription();
    default:
        return own;
    }
}

std::vector<int> AccessibleRows::Columns() const {
    if (!Report())
        return {0};
    const QHeaderView* header = View()->Header();
    std::vector<int> shown;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int column = header->logicalIndex(visual);
        if (!header->isSectionHidden(column))
            shown.push_back(column);
    }
    return shown;
}

int AccessibleRows::TableColumn(int modelColumn) const {
    const std::vector<int> shown = Columns();
    const auto found = std::find(shown.begin(), shown.end(), modelColumn);
    return found == shown.end() ? -1 : static_cast<int>(found - shown.begin());
}

int AccessibleRows::FocusColumn() const {
    // The report style marks the cell of the current column; a hidden one hands the mark to the
    // first column shown.
    const int current = View()->currentIndex().column();
    if (TableColumn(current) >= 0)
        return current;
    const std::vector<int> shown = Columns();
    return shown.empty() ? 0 : shown.front();
}

int AccessibleRows::rowCount() const {
    return View()->model() ? View()->model()->rowCount() : 0;
}

int AccessibleRows::columnCount() const {
    return static_cast<int>(Columns().size());
}

int AccessibleRows::childCount() const {
    // The header row comes first in the report style; a count beyond an int is cut.
    const std::int64_t columns = columnCount();
    const std::int64_t rows = rowCount() + (Report() ? 1 : 0);
    return static_cast<int>(
        std::min<std::int64_t>(rows * columns, std::numeric_limits<int>::max()));
}

int AccessibleRows::ChildIndex(int row, int modelColumn) const {
    const int column = TableColumn(modelColumn);
    if (column < 0 || row < -1 || row >= rowCount() || (row < 0 && !Report()))
        return -1;
    const std::int64_t index =
        (static_cast<std::int64_t>(row) + (Report() ? 1 : 0)) * columnCount() + column;
    return index > std::numeric_limits<int>::max() ? -1 : static_cast<int>(index);
}

QAccessibleInterface* AccessibleRows::child(int index) const {
    const std::vector<int> shown = Columns();
    if (index < 0 || shown.empty())
        return nullptr;
    const int columns = static_cast<int>(shown.size());
    const int row = index / columns - (Report() ? 1 : 0);
    if (row >= rowCount())
        return nullptr;
    return Cell(row, shown[static_cast<std::size_t>(index % columns)]);
}

int AccessibleRows::indexOfChild(const QAccessibleInterface* child) const {
    if (const auto* cell = dynamic_cast<const AccessibleRowCell*>(child))
        return cell->View() == View() ? ChildIndex(cell->Row(), cell->Column()) : -1;
    if (const auto* header = dynamic_cast<const AccessibleColumnHeader*>(child))
        return header->View() == View() ? ChildIndex(-1, header->Column()) : -1;
    return -1;
}

QAccessibleInterface* AccessibleRows::childAt(int x, int y) const {
    const QPoint global(x, y);
    const QHeaderView* header = View()->Header();
    if (Report() && header->isVisible()) {
        const QPoint inHeader = header->mapFromGlobal(global);
        if (header->rect().contains(inHeader)) {
            const int column = header->logicalIndexAt(inHeader.x());
            return column >= 0 ? Cell(-1, column) : nullptr;
        }
    }
    const QPoint inRows = View()->viewport()->mapFromGlobal(global);
    if (!View()->viewport()->rect().contains(inRows))
        return nullptr;
    const QModelIndex index = View()->indexAt(inRows);
    return index.isValid() ? Cell(index.row(), Report() ? index.column() : 0) : nullptr;
}

QAccessibleInterface* AccessibleRows::focusChild() const {
    const QModelIndex current = View()->currentIndex();
    if (!View()->hasFocus() || !current.isValid())
        return nullptr;
    return Cell(current.row(), FocusColumn());
}

QAccessibleInterface* AccessibleRows::cellAt(int row, int column) const {
    const std::vector<int> shown = Columns();
    if (row < 0 || row >= rowCount() || column < 0 || column >= static_cast<int>(shown.size()))
        return nullptr;
    return Cell(row, shown[static_cast<std::size_t>(column)]);
}

QAccessibleInterface* AccessibleRows::Cell(int row, int modelColumn) const {
    // Cells made for another arrangement of columns would name the wrong ones.
    const bool report = Report();
    std::vector<int> shown = Columns();
    if (report != reportOfCells_ || shown != columnsOfCells_) {
        ForgetCells();
        reportOfCells_ = report;
        columnsOfCells_ = std::move(shown);
    }
    const std::uint64_t key =
        (static_cast<std::uint64_t>(static_cast<std::uint32_t>(row + 1)) << 32) |
        static_cast<std::uint32_t>(modelColumn);
    if (const auto known = cells_.find(key); known != cells_.end())
        if (QAccessibleInterface* cell = QAccessible::accessibleInterface(known->second))
            return cell;
    QAccessibleInterface* cell =
        row < 0
            ? static_cast<QAccessibleInterface*>(new AccessibleColumnHeader(View(), modelColumn))
            : new AccessibleRowCell(View(), row, modelColumn);
    cells_[key] = QAccessible::registerAccessibleInterface(cell);
    return cell;
}

void AccessibleRows::ForgetCells() const {
    for (const auto& [key, id] : cells_)
        QAccessible::deleteAccessibleInterface(id);
    cells_.clear();
}

void AccessibleRows::modelChange(QAccessibleTableModelChangeEvent* event) {
    // A cell says the text of its place, so changed data needs no new cells; any other change
    // moves rows or columns.
    if (event->modelChangeType() != QAccessibleTableModelChangeEvent::DataChanged)
        ForgetCells();
}

QString AccessibleRows::columnDescription(int column) const {
    const std::vector<int> shown = Columns();
    if (column < 0 || column >= static_cast<int>(shown.size()) || !View()->model())
        return {};
    return View()
        ->model()
        ->headerData(shown[static_cast<std::size_t>(column)], Qt::Horizontal, Qt::DisplayRole)
        .toString();
}

int AccessibleRows::selectedRowCount() const {
    std::int64_t rows = 0;
    for (const auto& [first, last] : View()->SelectedRowRanges())
        rows += last - first + 1;
    return static_cast<int>(std::min<std::int64_t>(rows, std::numeric_limits<int>::max()));
}

QList<int> AccessibleRows::selectedRows() const {
    QList<int> rows;
    for (const auto& [first, last] : View()->SelectedRowRanges())
        for (int row = first; row <= last; ++row)
            rows.push_back(row);
    return rows;
}

bool AccessibleRows::isRowSelected(int row) const {
    const QAbstractItemModel* model = View()->model();
    return model && View()->selectionModel() &&
           View()->selectionModel()->isSelected(model->index(row, 0));
}

int AccessibleRows::selectedCellCount() const {
    const std::int64_t cells = static_cast<std::int64_t>(selectedRowCount()) * columnCount();
    return static_cast<int>(std::min<std::int64_t>(cells, std::numeric_limits<int>::max()));
}

QList<QAccessibleInterface*> AccessibleRows::selectedCells() const {
    QList<QAccessibleInterface*> cells;
    const std::vector<int> shown = Columns();
    for (const int row : selectedRows())
        for (const int column : shown)
            cells.push_back(Cell(row, column));
    return cells;
}

bool AccessibleRows::AllRowsSelected() const {
    const auto ranges = View()->SelectedRowRanges();
    return rowCount() > 0 && ranges.size() == 1 && ranges.front().first == 0 &&
           ranges.front().second >= rowCount() - 1;
}

// Rows are selected whole, so a column is selected exactly when every row is.
int AccessibleRows::selectedColumnCount() const {
    return AllRowsSelected() ? columnCount() : 0;
}

QList<int> AccessibleRows::selectedColumns() const {
    QList<int> columns;
    if (AllRowsSelected())
        for (int column = 0; column < columnCount(); ++column)
            columns.push_back(column);
    return columns;
}

bool AccessibleRows::isColumnSelected(int column) const {
    return column >= 0 && column < columnCount() && AllRowsSelected();
}

bool AccessibleRows::SelectRow(int row, QItemSelectionModel::SelectionFlag how) {
    if (row < 0 || row >= rowCount() || !View()->selectionModel())
        return false;
    View()->selectionModel()->select(View()->model()->index(row, 0),
                                     how | QItemSelectionModel::Rows);
    return true;
}

} // namespace platform::ui
