// The extract-to window and the commands that use it: Extract Selected, Extract All, the choice
// window's extract button, and View.
#include "ItemEditing.h"
#include "MainFormTest.h"

#include "app/untEvent.h"
#include "app/untExtract.h"
#include "controls/DirTree.h"
#include "platform/ui/ListView.h"
#include "windows/AddFilesToZip.h"
#include "windows/TextView.h"

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <filesystem>

using namespace testing_support;

namespace {

const std::vector<zipbytes::Entry> kEntries = {
    {"a.txt", "alpha"}, {"docs/b.txt", "beta"}, {"docs/c.txt", "gamma"}};

class ExtractWindow : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        std::filesystem::create_directories(DriveC() + "/Target/Old");
        WriteArchive(DriveC() + "/a.zip", kEntries);
        Start();
        main->AutoRun = false;
        main->OpenArchive("C:\\a.zip");
    }
    // The user picks folder in the extract-to window and presses the button.
    void PickIn(const std::string& folder, const char* button) {
        dialogs->Act([this, folder, button](QWidget* window) {
            auto* extract = static_cast<TExtractForm*>(window);
            shownAt = extract->Label2->text().toStdString();
            extract->DirTree1->OpenPath(folder);
            extract->findChild<QPushButton*>(button)->click();
            return extract->result();
        });
    }
    std::string shownAt;
};

} // namespace

TEST_F(ExtractWindow, FolderNamesInTheWindowsTreesCannotBeEditedInPlace) {
    // The extract-to window's tree and the add window's: a folder renamed on screen would stay as
    // it is on disk.
    for (QWidget* window :
         std::initializer_list<QWidget*>{AppForms().ExtractForm, AppForms().Addform}) {
        SCOPED_TRACE(window->objectName().toStdString());
        auto* tree = window->findChild<TDirTree*>("DirTree1");
        window->show();
        tree->OpenPath("C:\\Target");
        EXPECT_FALSE(EditsInPlace(tree, tree->currentIndex()));
        EXPECT_EQ(tree->Selected()->text(0), "Target");
        window->hide();
    }
}

TEST_F(ExtractWindow, ExtractSelectedAndAllGoIntoThePickedFolder) {
    main->DownloadDir = "C:\\Target\\Old";
    main->ListView1->SetSelected(0, false);
    main->ListView1->SetSelected(1, true); // docs/b.txt (rows sort as a.txt, b.txt, c.txt)
    PickIn("c:\\target", "BitBtn1");
    main->Item("ExtractSelected1")->trigger();
    EXPECT_EQ(shownAt, "C:\\TARGET\\OLD\\"); // opened at the download folder
    EXPECT_EQ(ReadHostFile(DriveC() + "/Target/docs/b.txt"), "beta");
    EXPECT_FALSE(HostExists(DriveC() + "/Target/a.txt"));

    PickIn("c:\\target\\old", "BitBtn1");
    main->Button("SpeedButton6")->click(); // Extract All
    for (const char* name : {"a.txt", "docs/b.txt", "docs/c.txt"})
        EXPECT_TRUE(HostExists(DriveC() + "/Target/Old/" + name)) << name;
    EXPECT_TRUE(dialogs->Messages().isEmpty());
}

TEST_F(ExtractWindow, CancelExtractsNothing) {
    PickIn("c:\\target", "BitBtn2");
    main->Item("ExtractAll1")->trigger();
    EXPECT_TRUE(std::filesystem::is_empty(DriveC() + "/Target/Old"));
    EXPECT_FALSE(HostExists(DriveC() + "/Target/a.txt"));
}

TEST_F(ExtractWindow, TheChoiceWindowsExtractButtonExtractsAll) {
    PickIn("c:\\target", "BitBtn1");
    AppForms().EventForm->SpeedButton1Click();
    EXPECT_EQ(ReadHostFile(DriveC() + "/Target/a.txt"), "alpha");
}

TEST_F(ExtractWindow, NewFolderMessages) {
    TExtractForm* window = AppForms().ExtractForm;
    window->DirTree1->OpenPath("c:\\target");
    EXPECT_EQ(window->Label2->text(), "C:\\TARGET\\");
    dialogs->AnswerText("Old"); // exists
    dialogs->AnswerText("New");
    window->SpeedButton1->click();
    window->SpeedButton1->click();
    EXPECT_TRUE(std::filesystem::is_directory(DriveC() + "/Target/New"));
    window->DirTree1->OpenPath("c:\\target\\new"); // the tree was read again and shows it
    EXPECT_EQ(window->DirTree1->SelectedPath(), "C:\\TARGET\\NEW\\");
    // With nothing selected there is nowhere to make a folder.
    window->DirTree1->setCurrentItem(nullptr);
    window->SpeedButton1->click();
    EXPECT_EQ(dialogs->Messages(),
              (QStringList{"Directory exists. Use another name. ",
                           "Select the folder in which to create the new directory."}));
}

TEST_F(ExtractWindow, ViewShowsEachSelectedRowInTurn) {
    main->ListView1->SelectAll();
    std::vector<QString> texts;
    for (int i = 0; i < 3; ++i)
        dialogs->Act([&texts](QWidget* window) {
            texts.push_back(static_cast<TfrmTextViewer*>(window)->RichEdit1->toPlainText());
            return 0;
        });
    main->ListView1->CurrentView()->setFocus();
    main->activateWindow();
    ASSERT_TRUE(main->ListView1->HasListFocus());
    main->btnViewSelectedClick();
    EXPECT_EQ(texts, (std::vector<QString>{"alpha", "beta", "gamma"}));
    // Without the list's focus nothing happens (a further window would fail the test).
    main->ListView1->clearFocus();
    main->ProgressBar1->setFocus();
    main->btnViewSelectedClick();
}
