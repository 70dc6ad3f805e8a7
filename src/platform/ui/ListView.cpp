// The list view stand-in.
#include "platform/ui/ListView.h"

#include "platform/ui/IconView.h"
#include "platform/ui/SystemImageList.h"

#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QStackedWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

namespace platform::ui {

int ListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count();
}

int ListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::max<int>(1, static_cast<int>(columns_.size()));
}

QVariant ListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= Count())
        return {};
    const ListRow& row = rows_[static_cast<std::size_t>(index.row())];
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        if (column == 0)
            return row.caption;
        return column - 1 < row.subItems.size() ? row.subItems[column - 1] : QString();
    case Qt::DecorationRole:
        return column == 0 && row.imageIndex >= 0
                   ? QVariant(SystemImageList::Instance().Icon(row.imageIndex))
                   : QVariant();
    case Qt::TextAlignmentRole:
        return column < static_cast<int>(columns_.size())
                   ? QVariant(columns_[static_cast<std::size_t>(column)].alignment |
                              Qt::AlignVCenter)
                   : QVariant();
    default:
        return {};
    }
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section >= static_cast<int>(columns_.size()))
        return {};
    const Column& column = columns_[static_cast<std::size_t>(section)];
    if (role == Qt::DisplayRole)
        return column.caption;
    if (role == Qt::TextAlignmentRole)
        return QVariant(column.alignment | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags ListModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (dragSource_ && index.isValid())
        flags |= Qt::ItemIsDragEnabled;
    return flags;
}

QStringList ListModel::mimeTypes() const {
    return {QStringLiteral("text/uri-list")};
}

QMimeData* ListModel::mimeData(const QModelIndexList& indexes) const {
    if (!dragSource_)
        return nullptr;
    std::vector<int> rows;
    for (const QModelIndex& index : indexes)
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return dragSource_(rows);
}

void ListModel::AddColumn(const QString& caption, Qt::Alignment alignment) {
    const int at = static_cast<int>(columns_.size());
    if (at > 0)
        beginInsertColumns({}, at, at);
    columns_.push_back({caption, alignment});
    if (at > 0)
        endInsertColumns();
    else
        emit headerDataChanged(Qt::Horizontal, 0, 0);
}

void ListModel::Reset(std::vector<ListRow> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

void ListModel::Append(ListRow row) {
    beginInsertRows({}, Count(), Count());
    rows_.push_back(std::move(row));
    endInsertRows();
}

void ListModel::Remove(int row) {
    beginRemoveRows({}, row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
}

ListView::ListView(QWidget* parent)
    : QWidget(parent), stack_(new QStackedWidget(this)), report_(new QTableView),
      icons_(new IconView) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(stack_);
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(report_), static_cast<QAbstractItemView*>(icons_)}) {
        view->setModel(&model_);
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setFrameShape(QFrame::NoFrame);
        view->installEventFilter(this);
        connect(view, &QAbstractItemView::doubleClicked, this, &ListView::doubleClicked);
        connect(view, &QAbstractItemView::clicked, this, &ListView::clicked);
        stack_->addWidget(view);
    }
    // One selection for every style.
    icons_->setSelectionModel(report_->selectionModel());
    report_->verticalHeader()->hide();
    report_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    report_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    report_->horizontalHeader()->setSectionsClickable(true);
    report_->horizontalHeader()->setHighlightSections(false);
    report_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    report_->setShowGrid(false);
    report_->setWordWrap(false);
    report_->setIconSize(QSize(16, 16));
    connect(report_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &ListView::columnClicked);
    SetViewStyle(ViewStyle::Report);
}

void ListView::AddColumn(const QString& caption, int width, Qt::Alignment alignment) {
    model_.AddColumn(caption, alignment);
    widths_.push_back(width);
    ApplyWidths();
}

int ListView::ColumnCount() const {
    return static_cast<int>(widths_.size());
}

int ListView::ColumnWidth(int column) const {
    if (report_->isColumnHidden(column))
        return 0;
    return report_->columnWidth(column);
}

void ListView::SetColumnWidth(int column, int width) {
    if (column < 0 || column >= ColumnCount())
        return;
    widths_[static_cast<std::size_t>(column)] = width;
    ApplyWidths();
}

void ListView::ApplyWidths() {
    for (int column = 0; column < ColumnCount(); ++column) {
        const int width = widths_[static_cast<std::size_t>(column)];
        report_->setColumnHidden(column, width == 0);
        if (width > 0)
            report_->setColumnWidth(column, width);
        else if (width < 0)
            report_->resizeColumnToContents(column);
    }
}

void ListView::SetViewStyle(ViewStyle style) {
    style_ = style;
    if (style == ViewStyle::Report) {
        stack_->setCurrentWidget(report_);
        return;
    }
    icons_->setViewMode(style == ViewStyle::Icon ? QListView::IconMode : QListView::ListMode);
    icons_->setFlow(style == ViewStyle::List ? QListView::TopToBottom : QListView::LeftToRight);
    icons_->setWrapping(true);
    icons_->setResizeMode(QListView::Adjust);
    icons_->setMovement(QListView::Static);
    icons_->setIconSize(style == ViewStyle::Icon ? QSize(32, 32) : QSize(16, 16));
    icons_->setWordWrap(style == ViewStyle::Icon); // captions go on under the icon
    icons_->setSpacing(style == ViewStyle::Icon ? 4 : 0);
    icons_->FitItems();
    stack_->setCurrentWidget(icons_);
}

void ListView::SetIconCellWidth(int width) {
    icons_->SetCellWidth(width);
}

void ListView::SetGridLines(bool on) {
    report_->setShowGrid(on);
}
bool ListView::GridLines() const {
    return report_->showGrid();
}

void ListView::SetListFont(const QFont& font) {
    report_->setFont(font);
    icons_->setFont(font);
    report_->verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 4);
    RowsChanged();
}

void ListView::RowsChanged() {
    if (style_ != ViewStyle::Report)
        icons_->FitItems();
}

QFont ListView::ListFont() const {
    return report_->font();
}

void ListView::SetPaletteColor(QPalette::ColorRole role, const QColor& colour) {
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(report_), static_cast<QAbstractItemView*>(icons_)}) {
        QPalette palette = view->palette();
        palette.setColor(role, colour);
        view->setPalette(palette);
    }
}

void ListView::SetColor(const QColor& colour) {
    SetPaletteColor(QPalette::Base, colour);
}

QColor ListView::Color() const {
    return report_->palette().color(QPalette::Base);
}

void ListView::SetTextColor(const QColor& colour) {
    SetPaletteColor(QPalette::Text, colour);
}

QColor ListView::TextColor() const {
    return report_->palette().color(QPalette::Text);
}

void ListView::BeginUpdate() {
    if (batchDepth_++ == 0)
        setUpdatesEnabled(false);
}

void ListView::EndUpdate() {
    if (batchDepth_ == 0 || --batchDepth_ > 0)
        return;
    if (!batch_.empty()) {
        std::vector<ListRow> rows;
        if (model_.Count() == 0) {
            rows = std::move(batch_); // a refilled list: the batch is all there is
        } else {
            rows.reserve(static_cast<std::size_t>(model_.Count()) + batch_.size());
            for (int i = 0; i < model_.Count(); ++i)
                rows.push_back(model_.Row(i));
            std::move(batch_.begin(), batch_.end(), std::back_inserter(rows));
        }
        batch_.clear();
        model_.Reset(std::move(rows));
        ApplyWidths();
        RowsChanged();
    }
    setUpdatesEnabled(true);
}

void ListView::Clear() {
    batch_.clear();
    model_.Reset({});
    RowsChanged();
}

void ListView::AddRow(ListRow row) {
    if (batchDepth_ > 0)
        batch_.push_back(std::move(row));
    else {
        model_.Append(std::move(row));
        RowsChanged();
    }
}

void ListView::AddRows(std::vector<ListRow> rows) {
    if (batch_.empty())
        batch_ = std::move(rows);
    else
        std::move(rows.begin(), rows.end(), std::back_inserter(batch_));
    if (batchDepth_ == 0) {
        BeginUpdate();
        EndUpdate();
    }
}

void ListView::DeleteRow(int row) {
    model_.Remove(row);
    RowsChanged();
}

QString ListView::Cell(int row, int column) const {
    return model_.data(model_.index(row, column), Qt::DisplayRole).toString();
}

bool ListView::IsSelected(int row) const {
    return report_->selectionModel()->isRowSelected(row, {});
}

void ListView::SetSelected(int row, bool selected) {
    report_->selectionModel()->select(
        model_.index(row, 0),
        (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
            QItemSelectionModel::Rows);
}

std::vector<int> ListView::SelectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : report_->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void ListView::SelectAll() {
    report_->selectAll();
}

int ListView::FocusedRow() const {
    const QModelIndex current = report_->selectionModel()->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void ListView::SetFocusedRow(int row) {
    report_->selectionModel()->setCurrentIndex(model_.index(row, 0), QItemSelectionModel::NoUpdate);
}

bool ListView::HasListFocus() const {
    return report_->hasFocus() || icons_->hasFocus();
}

void ListView::SetDragSource(ListModel::DragSource source) {
    const bool on = static_cast<bool>(source);
    model_.SetDragSource(std::move(source));
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(report_), static_cast<QAbstractItemView*>(icons_)}) {
        view->setDragEnabled(on);
        view->setDragDropMode(on ? QAbstractItemView::DragOnly : QAbstractItemView::NoDragDrop);
    }
}

QAbstractItemView* ListView::CurrentView() const {
    return static_cast<QAbstractItemView*>(stack_->currentWidget());
}

bool ListView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        emit keyPressed(key->key(), key->modifiers());
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace platform::ui
