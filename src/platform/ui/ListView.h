// The list view: our stand-in for the platform's list control, used by every window that shows
// such a list. One model of rows (an image index, a caption and sub-item texts) is shown in four
// styles: a list, a report with columns, large icons and small icons. Columns have a caption, a
// width and an alignment; width 0 hides a column and -1 fits it to its contents. Several rows can
// be selected, a click selects the whole row, one row has the focus mark. Icons come from the
// shared system image list by index, so no icon is loaded per row.
#pragma once

#include <QAbstractTableModel>
#include <QPalette>
#include <QWidget>
#include <functional>
#include <vector>

class QMimeData;

class QAbstractItemView;
class QStackedWidget;
class QTableView;

namespace platform::ui {

class IconView;

struct ListRow {
    int imageIndex = -1;
    QString caption;
    QStringList subItems;
};

class ListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Column {
        QString caption;
        Qt::Alignment alignment;
    };

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // What rows dragged out of the list carry; unset, rows cannot be dragged.
    using DragSource = std::function<QMimeData*(const std::vector<int>& rows)>;
    void SetDragSource(DragSource source) { dragSource_ = std::move(source); }
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

    void AddColumn(const QString& caption, Qt::Alignment alignment);
    void Reset(std::vector<ListRow> rows);
    void Append(ListRow row);
    void Remove(int row);
    const ListRow& Row(int row) const { return rows_[static_cast<std::size_t>(row)]; }
    int Count() const { return static_cast<int>(rows_.size()); }

private:
    std::vector<Column> columns_;
    std::vector<ListRow> rows_;
    DragSource dragSource_;
};

class ListView : public QWidget {
    Q_OBJECT
public:
    enum class ViewStyle { List, Report, Icon, SmallIcon };

    explicit ListView(QWidget* parent = nullptr);

    void AddColumn(const QString& caption, int width, Qt::Alignment alignment = Qt::AlignLeft);
    int ColumnCount() const;
    // The width set last: 0 for a hidden column; a fitted column reports its fitted width.
    int ColumnWidth(int column) const;
    void SetColumnWidth(int column, int width);

    void SetViewStyle(ViewStyle style);
    // The width of an item in the icon style, for a list narrower than usual (0: the designed
    // 80 pixels, fitted to the list's font).
    void SetIconCellWidth(int width);
    ViewStyle Style() const { return style_; }
    void SetGridLines(bool on);
    bool GridLines() const;
    void SetListFont(const QFont& font);
    QFont ListFont() const;
    void SetColor(const QColor& colour); // background
    QColor Color() const;
    void SetTextColor(const QColor& colour);
    QColor TextColor() const;

    // Rows are added in batches: nothing is shown until the batch ends.
    void BeginUpdate();
    void EndUpdate();
    void Clear();
    void AddRow(ListRow row);
    void AddRows(std::vector<ListRow> rows);
    void DeleteRow(int row);
    int RowCount() const { return model_.Count(); }
    const ListRow& Row(int row) const { return model_.Row(row); }
    // The text of a cell: column 0 is the caption, the others the sub-items.
    QString Cell(int row, int column) const;

    bool IsSelected(int row) const;
    void SetSelected(int row, bool selected);
    std::vector<int> SelectedRows() const; // in list order
    void SelectAll();
    int FocusedRow() const;
    void SetFocusedRow(int row);
    bool HasListFocus() const;

    QAbstractItemView* CurrentView() const;
    ListModel& Model() { return model_; }

    // Lets rows be dragged out of the list: the source makes the data a drag of these rows (in
    // list order) carries. The list's own clicks, selection and keys stay as they are.
    void SetDragSource(ListModel::DragSource source);

signals:
    void columnClicked(int column);
    void doubleClicked();
    void keyPressed(int key, Qt::KeyboardModifiers modifiers);
    void clicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ApplyWidths();
    // The list and icon styles size their items by the captions they show.
    void RowsChanged();
    void SetPaletteColor(QPalette::ColorRole role, const QColor& colour);

    ListModel model_;
    QStackedWidget* stack_;
    QTableView* report_;
    IconView* icons_;
    ViewStyle style_ = ViewStyle::Report;
    std::vector<int> widths_;
    std::vector<ListRow> batch_;
    int batchDepth_ = 0;
};

} // namespace platform::ui
