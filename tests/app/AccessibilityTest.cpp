// Every window as a screen reader sees it, walked through the accessibility framework's interfaces
// (the same ones the desktop's accessibility bus reads): every control that can take the focus has
// a name a sighted user would read, every list is a table of exactly its rows and shown columns,
// and the folder trees name their folders and say which are expanded.
#include "MainFormTest.h"

#include "app/Options.h"
#include "app/untEvent.h"
#include "app/untExtract.h"
#include "controls/DirTree.h"
#include "platform/ui/FindDialog.h"
#include "platform/ui/FolderBrowseDialog.h"
#include "platform/ui/ListView.h"
#include "windows/AddFilesToZip.h"
#include "windows/FileInfo.h"
#include "windows/TextView.h"
#include "windows/Wizard1.h"
#include "windows/Wizard1Fur.h"
#include "windows/Wizard2.h"
#include "windows/Wizard3.h"
#include "windows/Wizard4.h"
#include "windows/about.h"

#include <QAccessible>
#include <QApplication>
#include <QHeaderView>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeView>
#include <filesystem>

using namespace testing_support;
using platform::ui::ListView;

namespace {

const std::vector<zipbytes::Entry> kEntries = {
    {"readme.txt", "Read me first."}, {"setup.exe", "MZ"}, {"docs/manual.html", "<html>"}};

// Where an interface stands in its window, for the messages.
QString PathOf(QAccessibleInterface* iface) {
    QStringList steps;
    for (QAccessibleInterface* at = iface; at; at = at->parent()) {
        const QObject* object = at->object();
        steps.prepend(object && !object->objectName().isEmpty()
                          ? object->objectName()
                          : QString("%1 '%2'").arg(at->role()).arg(at->text(QAccessible::Name)));
        if (object && object->isWidgetType() && static_cast<const QWidget*>(object)->isWindow())
            break;
    }
    return steps.join(" > ");
}

// What a walk of a window found.
struct Walk {
    QStringList unnamed;         // focusable controls without a name
    std::vector<QWidget*> lists; // the list views' views, whose tables are checked apart
    int focusable = 0;
};

// Walks the controls shown in a window. The cells of lists and trees are left to their own
// checks: a list of a million rows is never walked.
void WalkControls(QAccessibleInterface* iface, Walk& walk) {
    const QAccessible::State state = iface->state();
    if (state.invisible)
        return;
    if (state.focusable) {
        ++walk.focusable;
        if (iface->text(QAccessible::Name).trimmed().isEmpty())
            walk.unnamed << PathOf(iface);
    }
    if (iface->tableInterface()) {
        if (qobject_cast<ListView*>(iface->object()->parent()))
            walk.lists.push_back(static_cast<QWidget*>(iface->object()));
        return;
    }
    for (int i = 0; i < iface->childCount(); ++i)
        if (QAccessibleInterface* child = iface->child(i))
            WalkControls(child, walk);
}

// Walks a window shown, with each page of its page controls in turn.
Walk WalkWindow(QWidget* window) {
    window->show();
    QApplication::processEvents();
    Walk walk;
    const QList<QTabWidget*> pageControls = window->findChildren<QTabWidget*>();
    const int turns = pageControls.empty() ? 1 : pageControls.front()->count();
    for (int page = 0; page < turns; ++page) {
        if (!pageControls.empty())
            pageControls.front()->setCurrentIndex(page);
        WalkControls(QAccessible::queryAccessibleInterface(window), walk);
    }
    window->hide();
    return walk;
}

// The list's table holds exactly the list's rows and the columns it shows, each cell the text the
// list shows there, each column named by its header.
void ExpectTableOfRows(QWidget* view) {
    auto* list = qobject_cast<ListView*>(view->parent());
    ASSERT_NE(list, nullptr);
    SCOPED_TRACE(list->objectName().toStdString());
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(view);
    QAccessibleTableInterface* table = iface->tableInterface();
    const bool report = list->Style() == ListView::ViewStyle::Report;
    std::vector<int> shown;
    for (int column = 0; column < std::max(1, list->ColumnCount()); ++column)
        if (!report ? column == 0 : list->ColumnWidth(column) > 0)
            shown.push_back(column);
    EXPECT_FALSE(iface->text(QAccessible::Name).isEmpty()) << "the list has no name";
    EXPECT_EQ(iface->role(), report ? QAccessible::Table : QAccessible::List);
    ASSERT_EQ(table->rowCount(), list->RowCount());
    ASSERT_EQ(table->columnCount(), static_cast<int>(shown.size()));
    for (int column = 0; report && column < table->columnCount(); ++column)
        EXPECT_EQ(table->columnDescription(column),
                  list->Model().headerData(shown[column], Qt::Horizontal, Qt::DisplayRole));
    for (int row = 0; row < std::min(table->rowCount(), 50); ++row)
        for (int column = 0; column < table->columnCount(); ++column) {
            QAccessibleInterface* cell = table->cellAt(row, column);
            ASSERT_NE(cell, nullptr) << row << "," << column;
            EXPECT_EQ(cell->text(QAccessible::Name), list->Cell(row, shown[column]))
                << row << "," << column;
            EXPECT_EQ(cell->state().selected, list->IsSelected(row)) << row;
        }
}

// The rows of a folder tree as a reader gets them: each a folder's name, expandable where it may
// hold folders and expanded where it is open, as the tree shows it.
void ExpectFolderRows(QTreeView* tree) {
    SCOPED_TRACE(tree->objectName().toStdString());
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(tree);
    EXPECT_FALSE(iface->text(QAccessible::Name).isEmpty()) << "the tree has no name";
    QAccessibleTableInterface* table = iface->tableInterface();
    ASSERT_NE(table, nullptr);
    ASSERT_GT(table->rowCount(), 1);
    int expanded = 0;
    for (int row = 0; row < table->rowCount(); ++row) {
        QAccessibleInterface* folder = table->cellAt(row, 0);
        ASSERT_NE(folder, nullptr);
        EXPECT_FALSE(folder->text(QAccessible::Name).isEmpty()) << "row " << row;
        const QModelIndex index =
            tree->indexAt(tree->viewport()->mapFromGlobal(folder->rect().center()));
        ASSERT_TRUE(index.isValid()) << "row " << row;
        EXPECT_EQ(folder->text(QAccessible::Name), index.data().toString());
        EXPECT_EQ(folder->state().expanded, tree->isExpanded(index)) << "row " << row;
        EXPECT_EQ(folder->state().expandable, tree->model()->hasChildren(index)) << "row " << row;
        expanded += folder->state().expanded ? 1 : 0;
    }
    EXPECT_GT(expanded, 0) << "the folder opened shows as expanded";
}

class Accessibility : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        std::filesystem::create_directories(DriveC() + "/Projects/Tool/help");
        WriteHostFile(DriveC() + "/Projects/Tool/tool.dll", "dll");
        WriteHostFile(DriveC() + "/Projects/Tool/README.txt", "read me");
        WriteArchive(DriveC() + "/tool.zip", kEntries);
        Start();
        main->AutoRun = false;
        main->OpenArchive("C:\\tool.zip");
        main->ListView1->SetSelected(1, true);
    }
    // The thirteen windows and the viewer's find dialog.
    static std::vector<QWidget*> Windows() {
        const Forms& f = AppForms();
        return {f.MainForm,      f.frmOptions,
                f.frmTextViewer, f.AboutBox,
                f.frmFileInfo,   f.Addform,
                f.Wiz1,          f.Wiz2,
                f.Wiz1Fur,       f.Wiz3,
                f.Wiz4,          f.EventForm,
                f.ExtractForm,   f.frmTextViewer->FindDialog1};
    }
};

} // namespace

TEST_F(Accessibility, EveryFocusableControlOfEveryWindowHasAName) {
    AppForms().Addform->SetArchive("C:\\tool.zip");
    AppForms().Addform->DirTree1->OpenPath("C:\\Projects\\Tool");
    for (QWidget* window : Windows()) {
        SCOPED_TRACE(window->objectName().toStdString());
        const Walk walk = WalkWindow(window);
        EXPECT_GT(walk.focusable, 0);
        EXPECT_EQ(walk.unnamed, QStringList());
    }
}

TEST_F(Accessibility, EveryListIsATableOfItsRowsInEveryStyle) {
    // The main window in its four styles, the add window's file list and selection, the wizard's
    // files.
    const char* const styles[] = {"List1", "Full1", "Icons1", "SmallIcons1"};
    for (const char* style : styles) {
        SCOPED_TRACE(style);
        main->Item(style)->trigger();
        const Walk walk = WalkWindow(main);
        ASSERT_EQ(walk.lists.size(), 1u);
        ExpectTableOfRows(walk.lists.front());
    }
    main->Item("Full1")->trigger();
    main->Item("Size1")->trigger(); // a hidden column is no column of the table
    ExpectTableOfRows(main->ListView1->CurrentView());
    EXPECT_EQ(main->ListView1->CurrentView()->model()->rowCount(), 3);

    TAddform* add = AppForms().Addform;
    add->SetArchive("C:\\tool.zip");
    add->DirTree1->OpenPath("C:\\Projects\\Tool");
    add->show();
    add->AddListView1->SetSelected(0, true);
    add->AddFilesbtn->click();
    const Walk walk = WalkWindow(add);
    ASSERT_EQ(walk.lists.size(), 2u);
    EXPECT_EQ(add->AddListView1->RowCount(), 2);
    EXPECT_EQ(add->AddListView2->RowCount(), 1);
    for (QWidget* list : walk.lists)
        ExpectTableOfRows(list);
    ExpectTableOfRows(AppForms().Wiz3->ListView1->CurrentView());
}

TEST_F(Accessibility, TheFolderTreesNameTheirFoldersAndSayWhichAreOpen) {
    TExtractForm* extract = AppForms().ExtractForm;
    extract->show();
    extract->DirTree1->OpenPath("C:\\Projects\\Tool");
    ExpectFolderRows(extract->DirTree1);
    TAddform* add = AppForms().Addform;
    add->show();
    add->DirTree1->OpenPath("C:\\Projects");
    ExpectFolderRows(add->DirTree1);

    platform::ui::FolderBrowseDialog browser({.title = "Choose the download folder"});
    browser.show();
    browser.SelectFolder("C:\\Projects\\Tool");
    QApplication::processEvents();
    auto* tree = browser.findChild<QTreeView*>("FolderTree");
    ExpectFolderRows(tree);
    const Walk walk = WalkWindow(&browser);
    EXPECT_EQ(walk.unnamed, QStringList());
}
