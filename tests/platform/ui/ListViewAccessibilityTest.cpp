// The list view as a screen reader sees it, with a million rows: a table of the rows and the
// columns shown (a list of items in the other styles), header cells named after the columns, each
// cell saying the text the list draws; cells made only when asked for, kept while the rows stay and
// made anew when they change; the focus mark and the selection reported and announced, select all
// as one announcement that asks for no row.
#include "CountingRows.h"

#include "platform/ui/AccessibleRows.h"
#include "platform/ui/ListView.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <memory>

using platform::ui::ListView;
using Style = ListView::ViewStyle;

namespace {

constexpr int kMillion = 1000000;

// An event announced, as its type and the name of what it is about.
struct Announced {
    QAccessible::Event type;
    QString name;
};

class ListViewAccessibility : public ::testing::Test {
protected:
    void SetUp() override {
        // Every announcement is heard here (a screen reader would hear it over the bus).
        platform::ui::SetAnnouncementHook([this](QAccessibleEvent* event) {
            const QAccessibleInterface* about = event->accessibleInterface();
            heard.push_back(
                {event->type(), about ? about->text(QAccessible::Name) : QString("<nothing>")});
        });
        list.AddColumn("Name", 150);
        list.AddColumn("Size", 80, Qt::AlignRight);
        list.AddColumn("Date", 100);
        list.resize(400, 300);
        list.ShowRows(&rows);
        list.show();
        QApplication::processEvents();
        rows.Forget();
        heard.clear();
    }
    void TearDown() override { platform::ui::SetAnnouncementHook(nullptr); }
    QAbstractItemView* View() const { return list.CurrentView(); }
    QAccessibleInterface* Table() const { return QAccessible::queryAccessibleInterface(View()); }
    QAccessibleTableInterface* Cells() const { return Table()->tableInterface(); }
    QString Name(const QAccessibleInterface* cell) const {
        return cell ? cell->text(QAccessible::Name) : QString("<none>");
    }
    // The list takes the focus with a reader looking at it.
    void Focus() {
        Table();
        list.activateWindow();
        View()->setFocus();
        QApplication::processEvents();
        heard.clear();
    }

    CountingRows rows{kMillion};
    ListView list;
    std::vector<Announced> heard;
};

} // namespace

TEST_F(ListViewAccessibility, ATableOfTheRowsAndTheColumnsShownWithTheirHeaders) {
    list.SetColumnWidth(1, 0); // the size column hidden
    ASSERT_NE(Cells(), nullptr);
    EXPECT_EQ(Table()->role(), QAccessible::Table);
    EXPECT_EQ(Cells()->rowCount(), kMillion);
    ASSERT_EQ(Cells()->columnCount(), 2);
    EXPECT_EQ(Cells()->columnDescription(0), "Name");
    EXPECT_EQ(Cells()->columnDescription(1), "Date");
    // The header cells come first among the children, then the rows.
    EXPECT_EQ(Table()->childCount(), (kMillion + 1) * 2);
    EXPECT_EQ(Name(Table()->child(1)), "Date");
    EXPECT_EQ(Table()->child(1)->role(), QAccessible::ColumnHeader);
    QAccessibleInterface* last = Cells()->cellAt(kMillion - 1, 0);
    QAccessibleInterface* date = Cells()->cellAt(kMillion - 1, 1);
    EXPECT_EQ(Name(last), list.Cell(kMillion - 1, 0));
    EXPECT_EQ(Name(date), list.Cell(kMillion - 1, 2));
    EXPECT_EQ(last->role(), QAccessible::Cell);
    EXPECT_EQ(last->parent(), Table());
    EXPECT_EQ(Table()->indexOfChild(date), Table()->childCount() - 1);
    EXPECT_EQ(Table()->child(Table()->indexOfChild(date)), date);
    QAccessibleTableCellInterface* cell = date->tableCellInterface();
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->rowIndex(), kMillion - 1);
    EXPECT_EQ(cell->columnIndex(), 1);
    ASSERT_EQ(cell->columnHeaderCells().size(), 1);
    EXPECT_EQ(Name(cell->columnHeaderCells().front()), "Date");
    EXPECT_EQ(Cells()->cellAt(kMillion, 0), nullptr);
    EXPECT_EQ(Cells()->cellAt(0, 2), nullptr);
}

TEST_F(ListViewAccessibility, CellsAreMadeWhenAskedForOnceAndAnewWhenTheRowsChange) {
    QAccessibleInterface* cell = Cells()->cellAt(500000, 0);
    EXPECT_EQ(Cells()->cellAt(500000, 0), cell);
    EXPECT_TRUE(rows.asked.empty()) << "a cell is made without its text";
    EXPECT_EQ(Name(cell), "row 500000");
    EXPECT_EQ(rows.asked, std::vector<int>{500000});
    const QAccessible::Id id = QAccessible::uniqueId(cell);
    EXPECT_EQ(QAccessible::accessibleInterface(id), cell);

    CountingRows fewer(10);
    list.ShowRows(&fewer);
    EXPECT_EQ(QAccessible::accessibleInterface(id), nullptr);
    EXPECT_EQ(Cells()->rowCount(), 10);
    EXPECT_EQ(Name(Cells()->cellAt(9, 0)), "row 9");
    EXPECT_EQ(Cells()->cellAt(500000, 0), nullptr);
    list.ShowRows(&rows);
}

TEST_F(ListViewAccessibility, EveryStyleShowsTheRowsAsTheListDrawsThem) {
    const struct {
        Style style;
        QAccessible::Role table, cell;
        int columns;
    } styles[] = {{Style::Report, QAccessible::Table, QAccessible::Cell, 3},
                  {Style::List, QAccessible::List, QAccessible::ListItem, 1},
                  {Style::Icon, QAccessible::List, QAccessible::ListItem, 1},
                  {Style::SmallIcon, QAccessible::List, QAccessible::ListItem, 1}};
    QAccessible::Id before = 0;
    for (const auto& row : styles) {
        list.SetViewStyle(row.style);
        QApplication::processEvents();
        const int style = static_cast<int>(row.style);
        EXPECT_EQ(QAccessible::accessibleInterface(before), nullptr) << style;
        EXPECT_EQ(Table()->role(), row.table) << style;
        EXPECT_EQ(Cells()->columnCount(), row.columns) << style;
        EXPECT_EQ(Table()->childCount(), (kMillion + (row.columns > 1 ? 1 : 0)) * row.columns);
        QAccessibleInterface* item = Cells()->cellAt(42, 0);
        EXPECT_EQ(item->role(), row.cell) << style;
        EXPECT_EQ(Name(item), "row 42") << style;
        EXPECT_EQ(Table()->indexOfChild(item), row.columns > 1 ? (42 + 1) * 3 : 42) << style;
        // A hit test finds the item drawn at a point.
        const QRect drawn = View()->visualRect(View()->model()->index(1, 0));
        const QPoint middle = View()->viewport()->mapToGlobal(drawn.center());
        EXPECT_EQ(Name(Table()->childAt(middle.x(), middle.y())), "row 1") << style;
        EXPECT_EQ(Cells()->cellAt(1, 0)->rect().center(), middle) << style;
        EXPECT_FALSE(Cells()->cellAt(1, 0)->state().invisible) << style;
        EXPECT_TRUE(Cells()->cellAt(kMillion - 1, 0)->state().invisible) << style;
        before = QAccessible::uniqueId(item);
    }
    EXPECT_LT(rows.asked.size(), 2000u) << "only the rows drawn and read are asked for";
}

TEST_F(ListViewAccessibility, TheFocusMarkAndTheSelectionAreReportedAndAnnounced) {
    Focus();
    ASSERT_TRUE(View()->hasFocus());
    list.SetFocusedRow(5);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].type, QAccessible::Focus);
    EXPECT_EQ(heard[0].name, "row 5");
    EXPECT_TRUE(Cells()->cellAt(5, 0)->state().focused);
    EXPECT_FALSE(Cells()->cellAt(5, 1)->state().focused);
    EXPECT_EQ(Table()->focusChild(), Cells()->cellAt(5, 0));

    heard.clear();
    QTest::keyClick(View(), Qt::Key_Down); // moves the mark and selects the row
    EXPECT_TRUE(list.IsSelected(6));
    std::vector<std::pair<QAccessible::Event, QString>> events;
    for (const Announced& event : heard)
        events.emplace_back(event.type, event.name);
    EXPECT_EQ(events, (std::vector<std::pair<QAccessible::Event, QString>>{
                          {QAccessible::SelectionAdd, "row 6"}, {QAccessible::Focus, "row 6"}}));
    EXPECT_TRUE(Cells()->cellAt(6, 2)->state().selected);
    EXPECT_TRUE(Cells()->isRowSelected(6));
    EXPECT_EQ(Cells()->selectedRows(), QList<int>{6});
    EXPECT_EQ(Cells()->selectedCellCount(), 3);
    EXPECT_EQ(Cells()->selectedColumnCount(), 0);

    // Select all: one announcement, and no row asked for its text.
    heard.clear();
    rows.Forget();
    list.SelectAll();
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].type, QAccessible::SelectionWithin);
    EXPECT_TRUE(rows.asked.empty());
    EXPECT_EQ(Cells()->selectedRowCount(), kMillion);
    EXPECT_EQ(Cells()->selectedColumnCount(), 3);
    EXPECT_TRUE(Cells()->isColumnSelected(2));

    // A reader may select and unselect rows itself.
    EXPECT_TRUE(Cells()->unselectRow(7));
    EXPECT_FALSE(list.IsSelected(7));
    EXPECT_TRUE(Cells()->selectRow(7));
    EXPECT_TRUE(list.IsSelected(7));
}

TEST_F(ListViewAccessibility, TheColumnPickedInTheHeadersIsReportedAndAnnounced) {
    list.SetColumnKeys(true);
    Focus();
    QTest::keyClick(View(), Qt::Key_Tab);
    QWidget* header = list.findChild<QHeaderView*>();
    ASSERT_TRUE(header->hasFocus());
    QApplication::processEvents();
    QTest::keyClick(header, Qt::Key_Right);
    std::vector<QString> focused;
    for (const Announced& event : heard)
        if (event.type == QAccessible::Focus)
            focused.push_back(event.name);
    EXPECT_EQ(focused, (std::vector<QString>{"Name", "Size"}));
    QAccessibleInterface* size = Table()->child(1);
    EXPECT_TRUE(size->state().focusable);
    EXPECT_TRUE(size->state().focused);
    EXPECT_FALSE(Table()->child(0)->state().focused);
}

TEST_F(ListViewAccessibility, WithoutTheFocusTheMarkMovesUnannounced) {
    Table();
    View()->clearFocus();
    list.SetFocusedRow(3);
    EXPECT_TRUE(heard.empty());
    EXPECT_FALSE(Cells()->cellAt(3, 0)->state().focused);
    EXPECT_EQ(Table()->focusChild(), nullptr);
}

TEST_F(ListViewAccessibility, TheListIsNamedByItsWindowOrByTheLabelWhoseBuddyItIs) {
    QWidget window;
    auto* label = new QLabel("&Files to add:", &window);
    auto* labelled = new ListView(&window);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(label);
    layout->addWidget(labelled);
    label->setBuddy(labelled);
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(labelled->CurrentView());
    EXPECT_EQ(table->text(QAccessible::Name), "Files to add:");
    EXPECT_TRUE(table->state().focusable);
    EXPECT_TRUE(table->state().multiSelectable);
    labelled->setAccessibleName("Selection");
    labelled->setAccessibleDescription("The files that will be added");
    EXPECT_EQ(table->text(QAccessible::Name), "Selection");
    EXPECT_EQ(table->text(QAccessible::Description), "The files that will be added");
    // The buddy's mnemonic takes the focus to the rows.
    EXPECT_EQ(labelled->focusProxy(), labelled->CurrentView());
}
