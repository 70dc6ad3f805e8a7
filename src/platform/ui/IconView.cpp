// The list view's list and icon styles.
#include "platform/ui/IconView.h"

#include "platform/ui/DesignScale.h"

#include <QFontMetrics>

namespace platform::ui {
namespace {

// The width of an item of the icon style as designed, for the 8-point system font.
constexpr int kIconCellWidth = 80;
constexpr int kCaptionLines = 2;

} // namespace

QSize IconView::Sizes::sizeHint(const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    return size.isValid() ? size : QStyledItemDelegate::sizeHint(option, index);
}

void IconView::Sizes::initStyleOption(QStyleOptionViewItem* option,
                                      const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    if (option->decorationPosition == QStyleOptionViewItem::Top)
        option->displayAlignment = Qt::AlignHCenter | Qt::AlignTop;
}

IconView::IconView(QWidget* parent) : QListView(parent) {
    setItemDelegate(&sizes_);
    setUniformItemSizes(true);
}

QSize IconView::OwnSize(const QModelIndex& index) const {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    return sizes_.QStyledItemDelegate::sizeHint(option, index);
}

void IconView::SetCellWidth(int width) {
    cellWidth_ = width;
    FitItems();
}

void IconView::FitItems() {
    const QFontMetrics metrics(font());
    if (viewMode() == IconMode) {
        const int width =
            cellWidth_ > 0 ? cellWidth_ : DesignScale(UnitsOf(font())).X(kIconCellWidth);
        const int captionHeight = kCaptionLines * metrics.lineSpacing();
        sizes_.size = QSize(width, iconSize().height() + captionHeight + metrics.height() / 2);
    } else {
        // The item of the widest caption measures what every item needs.
        const int rows = model() ? model()->rowCount(rootIndex()) : 0;
        int widest = -1, widestRow = 0;
        for (int row = 0; row < rows; ++row) {
            const int width =
                metrics.horizontalAdvance(model()->index(row, 0, rootIndex()).data().toString());
            if (width > widest) {
                widest = width;
                widestRow = row;
            }
        }
        sizes_.size = rows > 0 ? OwnSize(model()->index(widestRow, 0, rootIndex())) : QSize();
    }
    // The one size is taken again: the view keeps the size of its items until laid out anew.
    setUniformItemSizes(false);
    setUniformItemSizes(true);
    scheduleDelayedItemsLayout();
}

} // namespace platform::ui
