// The list view with a million rows: a repaint asks only for the rows in sight, in every style;
// clicks find the row under the mouse, keys move the focus mark where the style has it; select
// all, "every row selected" and the selected rows answer for the whole list; rows of its own are
// deleted in one pass.
#include "CountingRows.h"

#include "platform/ui/ListView.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>

using platform::ui::ListRow;
using platform::ui::ListView;
using platform::ui::RowSource;
using Style = ListView::ViewStyle;

namespace {

constexpr int kMillion = 1000000;

class ListViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        list.AddColumn("Name", 150);
        list.AddColumn("Size", 80, Qt::AlignRight);
        list.resize(400, 300);
        list.show();
        list.ShowRows(&rows);
        QApplication::processEvents();
    }
    QAbstractItemView* View() const { return list.CurrentView(); }
    // Paints the list now, noting the rows asked for.
    void Repaint() {
        rows.Forget();
        View()->viewport()->repaint();
    }
    // The row drawn at a point, as a click there finds it.
    int RowAt(QPoint point) const { return View()->indexAt(point).row(); }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(View(), static_cast<Qt::Key>(key), modifiers);
    }

    CountingRows rows{kMillion};
    ListView list;
};

} // namespace

TEST_F(ListViewTest, ARepaintAsksOnlyForTheRowsInSightInEveryStyle) {
    for (const Style style : {Style::Report, Style::List, Style::Icon, Style::SmallIcon}) {
        list.SetViewStyle(style);
        QApplication::processEvents();
        for (const int key : {Qt::Key_Home, Qt::Key_PageDown, Qt::Key_End}) {
            Key(key);
            Repaint();
            ASSERT_FALSE(rows.asked.empty()) << static_cast<int>(style);
            // The focus row is in sight, and only rows around it were asked for.
            const int focused = list.FocusedRow();
            EXPECT_LE(rows.Lowest(), focused) << static_cast<int>(style) << " key " << key;
            EXPECT_GE(rows.Highest(), focused) << static_cast<int>(style) << " key " << key;
            EXPECT_LT(rows.Highest() - rows.Lowest(), 200) << static_cast<int>(style);
            EXPECT_LT(rows.asked.size(), 2000u) << static_cast<int>(style);
            // What is drawn where the focus row stands is that row.
            EXPECT_EQ(RowAt(View()->visualRect(View()->currentIndex()).center()), focused);
        }
        EXPECT_EQ(list.FocusedRow(), kMillion - 1);
    }
}

TEST_F(ListViewTest, DraggingTheScrollBarShowsTheRowsThere) {
    // The bar counts rows: its end shows the last page of rows.
    QScrollBar* bar = View()->verticalScrollBar();
    EXPECT_EQ(bar->maximum(), kMillion - bar->pageStep());
    bar->setValue(bar->maximum() / 2);
    Repaint();
    EXPECT_EQ(rows.Lowest(), bar->maximum() / 2);
    EXPECT_EQ(RowAt({5, 5}), bar->maximum() / 2);
    EXPECT_LE(rows.Highest() - rows.Lowest(), bar->pageStep());
    bar->setValue(bar->maximum());
    Repaint();
    EXPECT_EQ(rows.Highest(), kMillion - 1);
}

TEST_F(ListViewTest, KeysMoveTheFocusMarkAsTheStyleLaysRowsOut) {
    struct Row {
        Style style;
        int key;
        int from;
        int expected; // < 0: counted from the end
    };
    // In the report a page holds the rows in sight; in the list style Right moves a column on,
    // in the icon styles Down moves a line of icons on.
    const int page = View()->verticalScrollBar()->pageStep();
    const Row table[] = {
        {Style::Report, Qt::Key_Down, 0, 1},        {Style::Report, Qt::Key_End, 0, -1},
        {Style::Report, Qt::Key_PageDown, 0, page}, {Style::Report, Qt::Key_Up, 0, 0},
        {Style::List, Qt::Key_Down, 3, 4},          {Style::SmallIcon, Qt::Key_Right, 3, 4},
    };
    for (const Row& row : table) {
        list.SetViewStyle(row.style);
        QApplication::processEvents();
        list.SetFocusedRow(row.from);
        Key(row.key);
        const int expected = row.expected < 0 ? kMillion + row.expected : row.expected;
        EXPECT_EQ(list.FocusedRow(), expected) << static_cast<int>(row.style) << " key " << row.key;
    }
    // A line on: as many rows as a column (list) or a line of icons holds.
    list.SetViewStyle(Style::List);
    QApplication::processEvents();
    list.SetFocusedRow(0);
    Key(Qt::Key_Right);
    const int perColumn = list.FocusedRow();
    EXPECT_GT(perColumn, 1);
    EXPECT_EQ(RowAt(View()->visualRect(View()->model()->index(perColumn, 0)).topLeft()), perColumn);
    EXPECT_EQ(View()->visualRect(View()->model()->index(perColumn, 0)).top(), 0); // a new column
    list.SetViewStyle(Style::Icon);
    QApplication::processEvents();
    list.SetFocusedRow(0);
    Key(Qt::Key_Down);
    const int perLine = list.FocusedRow();
    EXPECT_GT(perLine, 1);
    EXPECT_EQ(View()->visualRect(View()->model()->index(perLine, 0)).left(), 0);
}

TEST_F(ListViewTest, ClicksSelectTheRowUnderTheMouseShiftExtendsControlToggles) {
    for (const Style style : {Style::Report, Style::List, Style::Icon, Style::SmallIcon}) {
        list.SetViewStyle(style);
        QApplication::processEvents();
        const auto centre = [&](int row) {
            return View()->visualRect(View()->model()->index(row, 0)).center();
        };
        QTest::mouseClick(View()->viewport(), Qt::LeftButton, {}, centre(2));
        EXPECT_EQ(list.SelectedRows(), std::vector<int>{2}) << static_cast<int>(style);
        QTest::mouseClick(View()->viewport(), Qt::LeftButton, Qt::ControlModifier, centre(5));
        EXPECT_EQ(list.SelectedRows(), (std::vector<int>{2, 5})) << static_cast<int>(style);
        QTest::mouseClick(View()->viewport(), Qt::LeftButton, Qt::ControlModifier, centre(2));
        EXPECT_EQ(list.SelectedRows(), std::vector<int>{5}) << static_cast<int>(style);
        EXPECT_EQ(list.FocusedRow(), 2);
    }
    // In the report, Shift takes every row between.
    list.SetViewStyle(Style::Report);
    QApplication::processEvents();
    const auto centre = [&](int row) {
        return View()->visualRect(View()->model()->index(row, 0)).center();
    };
    QTest::mouseClick(View()->viewport(), Qt::LeftButton, {}, centre(1));
    QTest::mouseClick(View()->viewport(), Qt::LeftButton, Qt::ShiftModifier, centre(4));
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{1, 2, 3, 4}));
}

TEST_F(ListViewTest, SelectAllAndEveryRowSelectedAnswerForTheWholeList) {
    EXPECT_FALSE(list.AllSelected());
    list.SelectAll();
    EXPECT_TRUE(list.AllSelected());
    EXPECT_EQ(list.SelectedRows().size(), static_cast<std::size_t>(kMillion));
    list.SetSelected(kMillion / 2, false);
    EXPECT_FALSE(list.AllSelected());
    const std::vector<int> selected = list.SelectedRows();
    ASSERT_EQ(selected.size(), static_cast<std::size_t>(kMillion - 1));
    EXPECT_TRUE(std::is_sorted(selected.begin(), selected.end()));
    EXPECT_EQ(selected[kMillion / 2], kMillion / 2 + 1);
    list.SetSelected(kMillion / 2, true); // selected again, in two pieces that touch
    EXPECT_TRUE(list.AllSelected());
    Key(Qt::Key_Down); // a move without Shift selects the one row
    EXPECT_FALSE(list.AllSelected());
    EXPECT_EQ(list.SelectedRows().size(), 1u);

    ListView empty;
    EXPECT_TRUE(empty.AllSelected());
    EXPECT_TRUE(empty.SelectedRows().empty());
}

TEST(ListViewOwnRows, SelectedRowsAreDeletedInOnePassAndTheOthersKeepTheirOrder) {
    ListView list;
    list.AddColumn("Name", 100);
    list.AddColumn("Size", 50);
    for (const char* name : {"a", "b", "c", "d", "e", "f"})
        list.AddRow(ListRow{-1, name, {QString(name).toUpper()}});
    for (const int row : {1, 2, 4})
        list.SetSelected(row, true);
    list.DeleteRows(list.SelectedRows());
    ASSERT_EQ(list.RowCount(), 3);
    QStringList left;
    for (int row = 0; row < list.RowCount(); ++row)
        left << list.Cell(row, 0) + list.Cell(row, 1);
    EXPECT_EQ(left, (QStringList{"aA", "dD", "fF"}));
    EXPECT_TRUE(list.SelectedRows().empty());
    list.DeleteRow(0);
    EXPECT_EQ(list.Row(0).caption, "d");
    // Rows added after another source was shown are the list's own again.
    CountingRows source(10);
    list.ShowRows(&source);
    EXPECT_EQ(list.RowCount(), 10);
    list.AddRow(ListRow{-1, "own", {}});
    EXPECT_EQ(list.RowCount(), 1);
    EXPECT_EQ(list.Cell(0, 0), "own");
}

TEST(ListViewOwnRows, AFittedColumnTakesTheWidthOfWhatItShows) {
    ListView list;
    list.AddColumn("N", 100);
    list.resize(300, 200);
    list.show();
    list.AddRow(ListRow{-1, "a much longer caption than the column's own caption", {}});
    list.SetColumnWidth(0, -1);
    const int fitted = list.ColumnWidth(0);
    EXPECT_GT(fitted, list.CurrentView()->fontMetrics().horizontalAdvance(list.Cell(0, 0)));
    list.SetColumnWidth(0, 0);
    EXPECT_EQ(list.ColumnWidth(0), 0);
}
