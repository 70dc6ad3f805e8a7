// The list view: our stand-in for the platform's list control, used by every window that shows
// such a list. One model of rows (an image index, a caption and sub-item texts) is shown in four
// styles: a list, a report with columns, large icons and small icons. Columns have a caption, a
// width and an alignment; width 0 hides a column and -1 fits it to its contents (as shown). Several
// rows can be selected, a click selects the whole row, one row has the focus mark. Icons come from
// the shared system image list by index, so no icon is loaded per row.
// Rows are the list's own (added as ListRow) or come from a RowSource that keeps them compactly
// and makes their texts when drawn; the view (RowsView) asks only for the rows it shows, so a list
// of a million rows paints, scrolls and answers as quickly as one of a thousand.
#pragma once

#include <QAbstractTableModel>
#include <QPalette>
#include <QWidget>
#include <functional>
#include <utility>
#include <vector>

class QMimeData;

class QAbstractItemView;
class QFontMetrics;

namespace platform::ui {

class RowsView;

struct ListRow {
    int imageIndex = -1;
    QString caption;
    QStringList subItems;
};

// Where a list's rows come from. The list asks only for the rows it shows, so a source may hold
// its rows in any form and make their texts when they are drawn.
class RowSource {
public:
    virtual ~RowSource() = default;
    virtual int Count() const = 0;
    virtual int ImageIndex(int row) const = 0;
    // Column 0 is the caption, the others the sub-items; empty beyond them.
    virtual QString Text(int row, int column) const = 0;
    // The width of the widest caption; the list and small-icon styles size their items by it.
    // Measures every caption unless a source knows better.
    virtual int WidestCaption(const QFontMetrics& metrics) const;
};

// Rows held as they are given, for the short lists of the windows.
class OwnRows : public RowSource {
public:
    int Count() const override { return static_cast<int>(rows.size()); }
    int ImageIndex(int row) const override;
    QString Text(int row, int column) const override;

    std::vector<ListRow> rows;
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
    // The rows of another source (which must outlive its use here), or the model's own again.
    void Show(const RowSource* source);
    const RowSource& Source() const { return source_ ? *source_ : own_; }
    // The model's own rows.
    void Reset(std::vector<ListRow> rows);
    void Append(ListRow row);
    // Removes rows (ascending, each once) in one pass.
    void Remove(const std::vector<int>& rows);
    const std::vector<ListRow>& OwnRowsHeld() const { return own_.rows; }
    ListRow Row(int row) const;
    int Count() const { return Source().Count(); }

private:
    std::vector<Column> columns_;
    OwnRows own_;
    const RowSource* source_ = nullptr;
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
    // The column headers take the focus after the rows, for a list whose column clicks do
    // something: arrows pick a column, Enter or Space clicks it (ColumnHeader).
    void SetColumnKeys(bool on);
    // The width a column needs to show a cell of this text whole, in the list's font.
    int CellWidth(const QString& text) const;

    void SetViewStyle(ViewStyle style);
    // The width of an item in the icon style, for a list narrower than usual (0: the designed
    // 80 pixels, fitted to the list's font).
    void SetIconCellWidth(int width);
    // Whether captions under an icon go on over two lines (as designed) or keep to one.
    void SetIconCaptionWrap(bool wrap);
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
    // Deletes rows (ascending, each once) in one pass.
    void DeleteRows(const std::vector<int>& rows);
    // Shows the rows of a source that holds them itself (it must outlive its use here, or be
    // replaced first); the list then asks it only for the rows it paints. Nothing is selected.
    void ShowRows(const RowSource* source);
    int RowCount() const { return model_.Count(); }
    ListRow Row(int row) const { return model_.Row(row); }
    // The text of a cell: column 0 is the caption, the others the sub-items.
    QString Cell(int row, int column) const;

    bool IsSelected(int row) const;
    void SetSelected(int row, bool selected);
    std::vector<int> SelectedRows() const; // in list order
    // Every row is selected (true for an empty list); as quick for a million rows as for ten.
    bool AllSelected() const;
    void SelectAll();
    int FocusedRow() const;
    void SetFocusedRow(int row);
    bool HasListFocus() const;

    // The view that shows the rows in every style (its viewport takes the clicks).
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
    void OpenMenuByKey();
    void SetPaletteColor(QPalette::ColorRole role, const QColor& colour);
    // The selected rows as ascending ranges that do not touch.
    std::vector<std::pair<int, int>> SelectedRanges() const;

    ListModel model_;
    RowsView* view_;
    ViewStyle style_ = ViewStyle::Report;
    std::vector<int> widths_;
    std::vector<ListRow> batch_;
    int batchDepth_ = 0;
};

} // namespace platform::ui
