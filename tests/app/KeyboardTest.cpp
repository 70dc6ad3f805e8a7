// The windows with the keyboard alone: where the focus starts, the list entered, moved through,
// selected and acted on by keys (Enter, Delete, the context-menu key), and Enter on the picture
// buttons.
#include "MainFormTest.h"

#include "app/untEvent.h"
#include "app/untExtract.h"
#include "controls/DirTree.h"
#include "platform/ui/ListView.h"
#include "windows/AddFilesToZip.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QTest>
#include <QToolButton>

using namespace testing_support;

namespace {

class Keyboard : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        WriteArchive(DriveC() + "/tool.zip",
                     {{"a.txt", "alpha"}, {"b.txt", "beta"}, {"c.txt", "gamma"}});
        Start();
        main->AutoRun = false;
        main->OpenArchive("C:\\tool.zip");
        main->activateWindow();
        QApplication::processEvents();
    }
    QAbstractItemView* List() const { return main->ListView1->CurrentView(); }
};

} // namespace

TEST_F(Keyboard, TheFocusStartsWhereTheWindowsWorkIs) {
    // The list of entries, the folders to extract to, and in the choice window the choice that
    // runs nothing from the download.
    EXPECT_EQ(main->focusWidget(), List());
    EXPECT_EQ(AppForms().ExtractForm->focusWidget(), AppForms().ExtractForm->DirTree1);
    EXPECT_EQ(AppForms().EventForm->focusWidget(), AppForms().EventForm->SpeedButton3);
}

TEST_F(Keyboard, TheListIsMovedThroughSelectedAndActedOnByKeys) {
    ASSERT_TRUE(List()->hasFocus());
    EXPECT_EQ(main->ListView1->FocusedRow(), 0);
    QTest::keyClick(List(), Qt::Key_Down);
    EXPECT_EQ(main->ListView1->SelectedRows(), std::vector<int>{1});
    QTest::keyClick(List(), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(main->ListView1->SelectedRows(), (std::vector<int>{1, 2}));

    // The context-menu key opens the list's menu at the row with the focus mark.
    const QRect current = List()->visualRect(List()->currentIndex());
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, current.center(),
                              List()->viewport()->mapToGlobal(current.center()));
    QApplication::sendEvent(List()->viewport(), &menuKey);
    EXPECT_TRUE(main->PopupMenu1->isVisible());
    main->PopupMenu1->hide();
    QTest::keyClick(List(), Qt::Key_F10, Qt::ShiftModifier); // where there is no such key
    EXPECT_TRUE(main->PopupMenu1->isVisible());
    main->PopupMenu1->hide();

    // Delete asks before deleting the selected entries.
    dialogs->AnswerNo();
    QTest::keyClick(List(), Qt::Key_Delete);
    ASSERT_EQ(dialogs->Shown().size(), 1u);
    EXPECT_EQ(dialogs->Shown()[0].text, "Delete selected files from: C:\\tool.zip?");
    EXPECT_EQ(main->ListView1->RowCount(), 3);
}

TEST_F(Keyboard, TheColumnHeadersFollowTheRowsAndSortByKeys) {
    // Tab leaves the rows for the headers; arrows pick a column, Enter sorts by it, Enter again
    // reverses the order, as clicks do.
    QTest::keyClick(List(), Qt::Key_Tab);
    QWidget* header = main->focusWidget();
    ASSERT_EQ(header, main->ListView1->findChild<QHeaderView*>());
    QApplication::processEvents();
    for (const int key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Left})
        QTest::keyClick(header, static_cast<Qt::Key>(key));
    QTest::keyClick(header, Qt::Key_Return);
    EXPECT_EQ(main->SortColumn, "Size");
    EXPECT_EQ(main->ListView1->Cell(0, 0), "b.txt"); // beta, the smallest
    QTest::keyClick(header, Qt::Key_Space);
    EXPECT_EQ(main->ListView1->Cell(2, 0), "b.txt");
    QTest::keyClick(header, Qt::Key_End);
    QTest::keyClick(header, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(main->SortColumn, "Size") << "the path column does not sort";
    QTest::keyClick(header, Qt::Key_Home);
    QTest::keyClick(header, Qt::Key_Return);
    EXPECT_EQ(main->SortColumn, "Name");
    // The add window's lists sort nothing: their headers take no focus.
    EXPECT_EQ(AppForms().Addform->AddListView1->findChild<QHeaderView*>()->focusPolicy(),
              Qt::NoFocus);
}

TEST_F(Keyboard, EnterPressesTheFocusedPictureButton) {
    // In the choice window Enter at once goes on to the archive window, running nothing.
    TEventForm* choice = AppForms().EventForm;
    choice->show();
    bool installed = false;
    choice->OnAutoInstall = [&installed] { installed = true; };
    QTest::keyClick(choice->SpeedButton3, Qt::Key_Return);
    QTest::qWait(250); // the press is animated
    EXPECT_FALSE(choice->isVisible());
    EXPECT_FALSE(installed);
    choice->show();
    QTest::keyClick(choice->SpeedButton2, Qt::Key_Enter, Qt::KeypadModifier);
    QTest::qWait(250);
    EXPECT_TRUE(installed);

    // On the toolbar: Enter on Extract All asks for the folder; with a modifier it does nothing.
    dialogs->Act([](QWidget* window) {
        EXPECT_EQ(window, AppForms().ExtractForm);
        return 0;
    });
    QTest::keyClick(main->Button("SpeedButton6"), Qt::Key_Return, Qt::ShiftModifier);
    QTest::qWait(250);
    EXPECT_TRUE(dialogs->Shown().empty());
    QTest::keyClick(main->Button("SpeedButton6"), Qt::Key_Return);
    QTest::qWait(250);
    EXPECT_EQ(dialogs->Shown().size(), 1u);
}
