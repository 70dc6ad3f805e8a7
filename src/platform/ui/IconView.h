// The view of the list view's list, icon and small-icon styles. All its items have one size, so
// laying out a long list asks no item for its own: in the list and small-icon styles the size of
// the item with the widest caption, so that no caption is cut short while others leave room; in
// the icon style a cell of the designed 80 pixels across fitted to the list's font, with two lines
// of caption under the icon.
#pragma once

#include <QListView>
#include <QStyledItemDelegate>

namespace platform::ui {

class IconView : public QListView {
    Q_OBJECT
public:
    explicit IconView(QWidget* parent = nullptr);

    // Sizes the items for the view's mode and the captions it shows now; called again whenever
    // the mode, the font or the rows change.
    void FitItems();
    // A width of the icon style's cells other than the designed one (0: the designed one).
    void SetCellWidth(int width);

private:
    // Answers every item with the one size, when there is one; captions under an icon start at
    // its foot, centred.
    struct Sizes : QStyledItemDelegate {
        QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
        void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
        QSize size;
    };

    QSize OwnSize(const QModelIndex& index) const;

    Sizes sizes_;
    int cellWidth_ = 0;
};

} // namespace platform::ui
