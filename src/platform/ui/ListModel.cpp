// The rows of a list view: its own or those of a source, as the view and drags ask for them.
#include "platform/ui/ListView.h"

#include "platform/ui/SystemImageList.h"

#include <QFontMetrics>
#include <QMimeData>
#include <algorithm>

namespace platform::ui {

int RowSource::WidestCaption(const QFontMetrics& metrics) const {
    int widest = 0;
    for (int row = 0; row < Count(); ++row)
        widest = std::max(widest, metrics.horizontalAdvance(Text(row, 0)));
    return widest;
}

int OwnRows::ImageIndex(int row) const {
    return rows[static_cast<std::size_t>(row)].imageIndex;
}

QString OwnRows::Text(int row, int column) const {
    const ListRow& held = rows[static_cast<std::size_t>(row)];
    if (column == 0)
        return held.caption;
    return column - 1 < held.subItems.size() ? held.subItems[column - 1] : QString();
}

int ListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count();
}

int ListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::max<int>(1, static_cast<int>(columns_.size()));
}

QVariant ListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= Count())
        return {};
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return Source().Text(index.row(), column);
    case Qt::DecorationRole: {
        const int image = column == 0 ? Source().ImageIndex(index.row()) : -1;
        return image >= 0 ? QVariant(SystemImageList::Instance().Icon(image)) : QVariant();
    }
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

ListRow ListModel::Row(int row) const {
    if (!source_)
        return own_.rows[static_cast<std::size_t>(row)];
    ListRow made{source_->ImageIndex(row), source_->Text(row, 0), {}};
    for (int column = 1; column < static_cast<int>(columns_.size()); ++column)
        made.subItems.push_back(source_->Text(row, column));
    return made;
}

void ListModel::Show(const RowSource* source) {
    beginResetModel();
    source_ = source;
    own_.rows.clear();
    endResetModel();
}

void ListModel::Reset(std::vector<ListRow> rows) {
    beginResetModel();
    source_ = nullptr;
    own_.rows = std::move(rows);
    endResetModel();
}

void ListModel::Append(ListRow row) {
    if (source_)
        Reset({});
    beginInsertRows({}, Count(), Count());
    own_.rows.push_back(std::move(row));
    endInsertRows();
}

void ListModel::Remove(const std::vector<int>& rows) {
    if (rows.empty() || source_)
        return;
    if (rows.size() == 1) {
        beginRemoveRows({}, rows.front(), rows.front());
        own_.rows.erase(own_.rows.begin() + rows.front());
        endRemoveRows();
        return;
    }
    // Many rows: one pass over the rest, and the views start afresh.
    beginResetModel();
    std::size_t next = 0, kept = 0;
    for (std::size_t row = 0; row < own_.rows.size(); ++row) {
        if (next < rows.size() && static_cast<std::size_t>(rows[next]) == row) {
            ++next;
            continue;
        }
        own_.rows[kept++] = std::move(own_.rows[row]);
    }
    own_.rows.resize(kept);
    endResetModel();
}

} // namespace platform::ui
