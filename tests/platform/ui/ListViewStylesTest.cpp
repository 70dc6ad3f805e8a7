// The list view's list, small-icon and icon styles: every item as wide as the widest caption needs
// in the first two, so no caption is cut while others leave room; in the icon style a cell of the
// designed width fitted to the font, with two lines of caption under the icon.
#include "platform/ui/DesignScale.h"
#include "platform/ui/ListView.h"
#include "platform/ui/SystemImageList.h"

#include <QAbstractItemView>
#include <QApplication>
#include <gtest/gtest.h>

using platform::ui::ListView;

namespace {

const QString kLong = "Banana split with cream and chocolate.txt";
constexpr int kFile = platform::ui::SystemImageList::kFile;

// Rows with the file icon.
std::vector<platform::ui::ListRow> Rows() {
    return {{kFile, "Apple.txt", {}}, {kFile, kLong, {}}, {kFile, "kiwi", {}}};
}

// The room an item's caption has: its item less the icon beside it and their margins.
int CaptionRoom(const QAbstractItemView* view, int row) {
    const QRect item = view->visualRect(view->model()->index(row, 0));
    return item.width() - view->iconSize().width();
}

// A shown list of three rows, the longest caption between two short ones.
class ListViewStyles : public ::testing::Test {
protected:
    void SetUp() override {
        list.resize(700, 400);
        list.AddColumn("File", 200);
        list.AddRows(Rows());
        list.show();
    }
    ListView list;
};

} // namespace

TEST_F(ListViewStyles, BriefListAndSmallIconsGiveEveryItemTheWidestCaptionsRoom) {
    for (const ListView::ViewStyle style :
         {ListView::ViewStyle::List, ListView::ViewStyle::SmallIcon}) {
        SCOPED_TRACE(static_cast<int>(style));
        list.SetViewStyle(style);
        QApplication::processEvents();
        const QAbstractItemView* view = list.CurrentView();
        const QFontMetrics metrics(view->font());
        for (int row = 0; row < list.RowCount(); ++row)
            EXPECT_GE(CaptionRoom(view, row), metrics.horizontalAdvance(kLong)) << row;
        // A longer caption added afterwards widens them all.
        const QString longer = kLong + " and more";
        list.AddRow({kFile, longer, {}});
        QApplication::processEvents();
        EXPECT_GE(CaptionRoom(view, 0), metrics.horizontalAdvance(longer));
        list.DeleteRow(list.RowCount() - 1);
    }
}

TEST_F(ListViewStyles, IconsHaveTheDesignedCellWithTwoLinesOfCaption) {
    list.SetViewStyle(ListView::ViewStyle::Icon);
    QApplication::processEvents();
    const QAbstractItemView* view = list.CurrentView();
    const QFontMetrics metrics(view->font());
    const int width = platform::ui::DesignScale(platform::ui::UnitsOf(view->font())).X(80);
    for (int row = 0; row < list.RowCount(); ++row) {
        const QRect item = view->visualRect(view->model()->index(row, 0));
        EXPECT_EQ(item.width(), width) << row;
        EXPECT_GE(item.height(), 32 + 2 * metrics.lineSpacing()) << row;
    }
    // A narrow list (the wizard's) can give its one column of icons its whole width.
    list.SetIconCellWidth(150);
    QApplication::processEvents();
    EXPECT_EQ(view->visualRect(view->model()->index(1, 0)).width(), 150);
}
