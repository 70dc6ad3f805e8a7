// The list view stand-in.
#include "platform/ui/ListView.h"

#include "platform/ui/RowsView.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QVBoxLayout>
#include <algorithm>

namespace platform::ui {

ListView::ListView(QWidget* parent) : QWidget(parent), view_(new RowsView) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    view_->setModel(&model_);
    view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setFrameShape(QFrame::NoFrame);
    view_->setTextElideMode(Qt::ElideRight);
    view_->SetCaptionMeasure(
        [this](const QFontMetrics& metrics) { return model_.Source().WidestCaption(metrics); });
    view_->installEventFilter(this);
    // The list takes the focus for its rows: from a label whose buddy it is, too.
    setFocusProxy(view_);
    connect(view_, &QAbstractItemView::doubleClicked, this, &ListView::doubleClicked);
    connect(view_, &QAbstractItemView::clicked, this, &ListView::clicked);
    connect(view_->Header(), &QHeaderView::sectionClicked, this, &ListView::columnClicked);
    // A refilled list starts from its first row.
    connect(&model_, &QAbstractItemModel::modelReset, view_, [this] { view_->scrollToTop(); });
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
    if (view_->Header()->isSectionHidden(column))
        return 0;
    return view_->Header()->sectionSize(column);
}

int ListView::CellWidth(const QString& text) const {
    return view_->CellWidth(text);
}

void ListView::SetColumnWidth(int column, int width) {
    if (column < 0 || column >= ColumnCount())
        return;
    widths_[static_cast<std::size_t>(column)] = width;
    ApplyWidths();
}

void ListView::SetColumnKeys(bool on) {
    view_->Header()->setFocusPolicy(on ? Qt::TabFocus : Qt::NoFocus);
}

void ListView::ApplyWidths() {
    QHeaderView* header = view_->Header();
    for (int column = 0; column < ColumnCount(); ++column) {
        const int width = widths_[static_cast<std::size_t>(column)];
        header->setSectionHidden(column, width == 0);
        if (width > 0)
            header->resizeSection(column, width);
        else if (width < 0)
            header->resizeSection(column, view_->FittedColumnWidth(column));
    }
}

void ListView::SetViewStyle(ViewStyle style) {
    style_ = style;
    switch (style) {
    case ViewStyle::List:
        view_->SetStyle(RowsView::Style::List);
        break;
    case ViewStyle::Report:
        view_->SetStyle(RowsView::Style::Report);
        break;
    case ViewStyle::Icon:
        view_->SetStyle(RowsView::Style::Icon);
        break;
    case ViewStyle::SmallIcon:
        view_->SetStyle(RowsView::Style::SmallIcon);
        break;
    }
}

void ListView::SetIconCellWidth(int width) {
    view_->SetIconCellWidth(width);
}

void ListView::SetIconCaptionWrap(bool wrap) {
    view_->SetIconCaptionWrap(wrap);
}

void ListView::SetGridLines(bool on) {
    view_->SetGridLines(on);
}

bool ListView::GridLines() const {
    return view_->GridLines();
}

void ListView::SetListFont(const QFont& font) {
    view_->setFont(font);
}

QFont ListView::ListFont() const {
    return view_->font();
}

void ListView::SetPaletteColor(QPalette::ColorRole role, const QColor& colour) {
    QPalette palette = view_->palette();
    palette.setColor(role, colour);
    view_->setPalette(palette);
}

void ListView::SetColor(const QColor& colour) {
    SetPaletteColor(QPalette::Base, colour);
}

QColor ListView::Color() const {
    return view_->palette().color(QPalette::Base);
}

void ListView::SetTextColor(const QColor& colour) {
    SetPaletteColor(QPalette::Text, colour);
}

QColor ListView::TextColor() const {
    return view_->palette().color(QPalette::Text);
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
            rows = model_.OwnRowsHeld();
            std::move(batch_.begin(), batch_.end(), std::back_inserter(rows));
        }
        batch_.clear();
        model_.Reset(std::move(rows));
        ApplyWidths();
    }
    setUpdatesEnabled(true);
}

void ListView::Clear() {
    batch_.clear();
    model_.Reset({});
}

void ListView::ShowRows(const RowSource* source) {
    batch_.clear();
    model_.Show(source);
}

void ListView::AddRow(ListRow row) {
    if (batchDepth_ > 0)
        batch_.push_back(std::move(row));
    else
        model_.Append(std::move(row));
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
    model_.Remove({row});
}

void ListView::DeleteRows(const std::vector<int>& rows) {
    model_.Remove(rows);
}

QString ListView::Cell(int row, int column) const {
    return model_.Source().Text(row, column);
}

bool ListView::IsSelected(int row) const {
    return view_->selectionModel()->isSelected(model_.index(row, 0));
}

void ListView::SetSelected(int row, bool selected) {
    view_->selectionModel()->select(
        model_.index(row, 0),
        (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
            QItemSelectionModel::Rows);
}

std::vector<std::pair<int, int>> ListView::SelectedRanges() const {
    return view_->SelectedRowRanges();
}

std::vector<int> ListView::SelectedRows() const {
    std::vector<int> rows;
    for (const auto& [first, last] : SelectedRanges())
        for (int row = first; row <= last; ++row)
            rows.push_back(row);
    return rows;
}

bool ListView::AllSelected() const {
    const auto ranges = SelectedRanges();
    return RowCount() == 0 || (ranges.size() == 1 && ranges.front().first == 0 &&
                               ranges.front().second >= RowCount() - 1);
}

void ListView::SelectAll() {
    view_->selectAll();
}

int ListView::FocusedRow() const {
    const QModelIndex current = view_->selectionModel()->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void ListView::SetFocusedRow(int row) {
    view_->selectionModel()->setCurrentIndex(model_.index(row, 0), QItemSelectionModel::NoUpdate);
}

bool ListView::HasListFocus() const {
    return view_->hasFocus();
}

void ListView::SetDragSource(ListModel::DragSource source) {
    const bool on = static_cast<bool>(source);
    model_.SetDragSource(std::move(source));
    view_->setDragEnabled(on);
    view_->setDragDropMode(on ? QAbstractItemView::DragOnly : QAbstractItemView::NoDragDrop);
}

QAbstractItemView* ListView::CurrentView() const {
    return view_;
}

bool ListView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Shift+F10 opens the list's menu, as the context-menu key does (keyboards without one).
        if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier) {
            OpenMenuByKey();
            return true;
        }
        emit keyPressed(key->key(), key->modifiers());
    }
    return QWidget::eventFilter(watched, event);
}

void ListView::OpenMenuByKey() {
    // At the row with the focus mark while it is in sight, otherwise in the middle of the rows.
    const QRect rows = view_->viewport()->rect();
    const QRect current = view_->visualRect(view_->currentIndex());
    const QPoint at = rows.contains(current.center()) ? current.center() : rows.center();
    QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, view_->viewport()->mapToGlobal(at));
    QApplication::sendEvent(view_->viewport(), &menu);
}

} // namespace platform::ui
