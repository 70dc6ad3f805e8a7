// The creation wizard run from the main window with the real engines: the stacked pages and their
// transitions, naming the archive, picking files, compressing, and the main window opening the
// archive afterwards.
#include "MainFormTest.h"

#include "platform/ui/ListView.h"
#include "windows/Wizard1.h"
#include "windows/Wizard2.h"
#include "windows/Wizard3.h"

#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <sys/stat.h>

using namespace testing_support;
using platform::ui::DialogKind;

namespace {

constexpr const char* kPage1 = "Pakrune - Wizard (1/X)";
constexpr const char* kFurther = "Pakrune Wizard (1/X) - Further Info";
constexpr const char* kPage2 = "Pakrune Wizard (2/X)";
constexpr const char* kPage3 = "Pakrune Wizard (3/X)";
constexpr const char* kPage4 = "Pakrune Wizard - Information";
constexpr const char* kExeRefused = "Error: you must create a .ZIP file, then convert to .EXE";
constexpr const char* kZipRequired = "Error: your new archive must end in .ZIP";
constexpr const char* kCompressNotice = "Now we are going to compress the files. Please wait!";

void Click(QWidget* page, const char* button) {
    auto* found = page->findChild<QPushButton*>(button);
    ASSERT_NE(found, nullptr) << button;
    ASSERT_TRUE(found->isEnabled()) << button;
    found->click();
}

// A page's part of the script: the user presses these buttons in turn.
std::function<int(QWidget*)> Press(std::vector<const char*> buttons) {
    return [buttons](QWidget* page) {
        for (const char* button : buttons)
            Click(page, button);
        return 0;
    };
}

class Wizard : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        WriteHostFile(DriveC() + "/src/Letter.txt", "Dear reader, " + std::string(500, 'x'));
        WriteHostFile(DriveC() + "/src/Notes.txt", "notes");
        std::filesystem::create_directories(DriveC() + "/new");
        Start();
        main->AutoRun = false;
    }
    // The captions of the wizard's pages in the order they were shown.
    QStringList PagesShown() const {
        QStringList pages;
        for (const auto& shown : dialogs->Shown())
            if (shown.kind == DialogKind::Modal)
                pages << shown.caption;
        return pages;
    }
    // Page 1 "Next", page 2 "Next" naming the archive.
    void UpToPage3(const QString& name) {
        dialogs->Act(Press({"Button2"}));
        dialogs->Act(Press({"Button2"}));
        dialogs->AnswerText(name);
    }
    void RunWizard() { main->Button("WizardAddBut")->click(); }
    TWiz3& Page3() const { return *AppForms().Wiz3; }
};

TEST_F(Wizard, ACompletedRunMakesTheArchiveAndTheMainWindowOpensIt) {
    UpToPage3("C:\\new\\letters");
    dialogs->Act(Press({"BitBtn1", "Button2"})); // page 3: Add Files, Next
    dialogs->AnswerFiles({"C:\\src\\Letter.txt", "C:\\src\\Notes.txt"});
    dialogs->Act(Press({"BitBtn1"})); // page 4: OK
    RunWizard();

    EXPECT_EQ(PagesShown(), (QStringList{kPage1, kPage2, kPage3, kPage4}));
    EXPECT_EQ(dialogs->Messages(),
              (QStringList{kCompressNotice, "CONGRATULATIONS! 2 files were successfully added"}));
    EXPECT_EQ(main->CurrentArchive, "C:\\new\\letters.zip");
    EXPECT_EQ(main->ZipMaster1.ZipFilename(), "C:\\new\\letters.zip");
    EXPECT_EQ(main->ZipMaster1.Count(), 2);
    EXPECT_EQ(Column(0), (QStringList{"Letter.txt", "Notes.txt"}));
    EXPECT_EQ(main->windowTitle(), "Pakrune - letters.zip");
    // The next run starts with an empty list and "Next" disabled.
    EXPECT_TRUE(Page3().ListBox1.isEmpty());
    EXPECT_EQ(Page3().ListView1->RowCount(), 0);
    EXPECT_FALSE(Page3().Button2->isEnabled());
    EXPECT_FALSE(Page3().BitBtn2->isEnabled());
}

struct NameRow {
    const char* typed;
    const char* archive; // nullptr: refused, the user stays on page 2
    const char* message;
};

class WizardNaming : public Wizard, public ::testing::WithParamInterface<NameRow> {};

TEST_P(WizardNaming, TheTypedNameIsCheckedOnPage2) {
    const NameRow& row = GetParam();
    main->CurrentArchive.clear();
    dialogs->AnswerText(row.typed);
    EXPECT_EQ(AppForms().Wiz2->NameNewArchive(), row.archive != nullptr);
    EXPECT_EQ(main->CurrentArchive, row.archive ? row.archive : "");
    EXPECT_EQ(dialogs->Messages(), row.message ? QStringList{row.message} : QStringList{});
}

INSTANTIATE_TEST_SUITE_P(
    Names, WizardNaming,
    ::testing::Values(NameRow{"C:\\new\\letters", "C:\\new\\letters.zip", nullptr},
                      NameRow{"C:\\new\\letters.zip", "C:\\new\\letters.zip", nullptr},
                      NameRow{"C:\\new\\LETTERS.ZIP", "C:\\new\\LETTERS.ZIP", nullptr},
                      NameRow{"C:\\new\\letters.exe", nullptr, kExeRefused},
                      NameRow{"C:\\new\\Letters.Exe", nullptr, kExeRefused},
                      NameRow{"C:\\my.dir\\letters", nullptr, kZipRequired},
                      NameRow{"C:\\new\\letters.txt", nullptr, kZipRequired}));

TEST_F(Wizard, CancellingTheNameDialogStaysOnPage2) {
    main->CurrentArchive = "C:\\before.zip";
    dialogs->Respond([](const platform::ui::DialogRequest& request) {
        EXPECT_EQ(request.caption, "Create new Zip file");
        EXPECT_EQ(request.file.filter, "ZIP Files (*.ZIP)|*.zip");
        EXPECT_FALSE(request.file.fileMustExist || request.file.pathMustExist);
        EXPECT_FALSE(request.file.allowMultiSelect);
        EXPECT_TRUE(request.file.hideReadOnly);
        return platform::ui::DialogAnswer{}; // Cancel
    });
    EXPECT_FALSE(AppForms().Wiz2->NameNewArchive());
    EXPECT_EQ(main->CurrentArchive, "C:\\before.zip");
}

TEST_F(Wizard, OverwriteAnsweredYesDeletesAtOnceAndTheMainWindowTriesThePath) {
    WriteArchive(DriveC() + "/new/old.zip", {{"a.txt", "a"}});
    dialogs->Act(Press({"Button2"}));
    dialogs->Act(Press({"Button2"}));
    dialogs->AnswerText("C:\\new\\old.zip");
    dialogs->AnswerYes();
    dialogs->Act([](QWidget* page) {
        EXPECT_FALSE(HostExists(DriveC() + "/new/old.zip")); // before any file is compressed
        Click(page, "Button1");                              // page 3: Close
        return 0;
    });
    RunWizard();
    EXPECT_EQ(dialogs->Shown().at(3).text, "Overwrite Existing File: C:\\new\\old.zip?");
    EXPECT_EQ(PagesShown(), (QStringList{kPage1, kPage2, kPage3}));
    EXPECT_FALSE(HostExists(DriveC() + "/new/old.zip"));
    EXPECT_EQ(main->ZipMaster1.ZipFilename(), "C:\\new\\old.zip");
    EXPECT_EQ(main->ZipMaster1.Count(), 0);
}

TEST_F(Wizard, OverwriteAnsweredNoKeepsTheFileAndStaysOnPage2) {
    WriteArchive(DriveC() + "/new/old.zip", {{"a.txt", "a"}});
    main->CurrentArchive.clear();
    dialogs->AnswerText("C:\\new\\old.zip");
    dialogs->AnswerNo();
    EXPECT_FALSE(AppForms().Wiz2->NameNewArchive());
    EXPECT_TRUE(HostExists(DriveC() + "/new/old.zip"));
    EXPECT_TRUE(main->CurrentArchive.empty());
}

TEST_F(Wizard, AnOldFileThatCannotBeDeletedKeepsTheUserOnPage2) {
    const std::string old = DriveC() + "/new/old.zip";
    WriteArchive(old, {{"a.txt", "a"}});
    ::chmod(old.c_str(), 0444); // read-only: the system refuses to delete it
    main->CurrentArchive.clear();
    dialogs->AnswerText("C:\\new\\old.zip");
    dialogs->AnswerYes();
    EXPECT_FALSE(AppForms().Wiz2->NameNewArchive());
    EXPECT_EQ(dialogs->Messages(),
              QStringList{"Could not delete C:\\new\\old.zip. Nothing was changed."});
    EXPECT_TRUE(HostExists(old));
    EXPECT_TRUE(main->CurrentArchive.empty());
}

TEST_F(Wizard, AFilePickedTwiceIsListedOnceAndNextWaitsForAFile) {
    TWiz3& page = Page3();
    dialogs->Respond([](const platform::ui::DialogRequest& request) {
        EXPECT_EQ(request.caption, "Add files to Zip...");
        EXPECT_EQ(request.file.filter, "All Files (*.*)|*.*");
        EXPECT_EQ(request.file.initialDir, "c:\\");
        EXPECT_TRUE(request.file.allowMultiSelect);
        EXPECT_TRUE(request.file.fileMustExist && request.file.pathMustExist);
        EXPECT_TRUE(request.file.hideReadOnly);
        return platform::ui::DialogAnswer{}; // Cancel
    });
    page.BitBtn1->click();
    EXPECT_FALSE(page.Button2->isEnabled());
    dialogs->AnswerFiles({"C:\\src\\Letter.txt"});
    page.BitBtn1->click();
    dialogs->AnswerFiles({"C:\\SRC\\letter.TXT", "C:\\src\\Notes.txt", "C:\\src\\Notes.txt"});
    page.BitBtn1->click();
    EXPECT_EQ(page.ListBox1, (QStringList{"C:\\src\\Letter.txt", "C:\\src\\Notes.txt"}));
    ASSERT_EQ(page.ListView1->RowCount(), 2);
    EXPECT_EQ(page.ListView1->Cell(0, 0), "c:\\src\\letter.txt");
    EXPECT_EQ(page.ListView1->Cell(1, 0), "c:\\src\\notes.txt");
    EXPECT_TRUE(page.Button2->isEnabled());
    EXPECT_TRUE(page.BitBtn2->isEnabled());
}

TEST_F(Wizard, CaseTwinsAreTwoFilesAndBothAreAdded) {
    // On a disk that tells letter case apart, README.txt beside readme.txt is a file of its own;
    // the same file picked again in another case is still one.
    WriteHostFile(DriveC() + "/src/readme.txt", "lower case");
    WriteHostFile(DriveC() + "/src/README.txt", "UPPER CASE");
    UpToPage3("C:\\new\\twins");
    dialogs->Act([this](QWidget* page) {
        Click(page, "BitBtn1"); // Add Files, twice
        Click(page, "BitBtn1");
        EXPECT_EQ(Page3().ListBox1, (QStringList{"C:\\src\\readme.txt", "C:\\src\\README.txt",
                                                 "C:\\src\\Notes.txt"}));
        EXPECT_EQ(Page3().ListView1->RowCount(), 3);
        Click(page, "Button2"); // Next
        return 0;
    });
    dialogs->AnswerFiles({"C:\\src\\readme.txt", "C:\\src\\README.txt"});
    dialogs->AnswerFiles({"C:\\SRC\\Readme.TXT", "C:\\src\\readme.txt", "C:\\src\\Notes.txt"});
    dialogs->Act(Press({"BitBtn1"})); // page 4: OK
    RunWizard();
    EXPECT_EQ(dialogs->Messages(),
              (QStringList{kCompressNotice, "CONGRATULATIONS! 3 files were successfully added"}));
    EXPECT_EQ(Column(0), (QStringList{"Notes.txt", "readme.txt", "README.txt"}));
}

TEST_F(Wizard, BackFromPage3EmptiesTheList) {
    UpToPage3("C:\\new\\letters");
    dialogs->Act(Press({"BitBtn1", "Button3"})); // page 3: Add Files, << Back
    dialogs->AnswerFiles({"C:\\src\\Letter.txt"});
    dialogs->Act(Press({"Button2"})); // page 2 again: Next
    dialogs->AnswerText("C:\\new\\letters");
    dialogs->Act([](QWidget* page) {
        auto& files = static_cast<TWiz3&>(*page);
        EXPECT_EQ(files.ListView1->RowCount(), 0);
        EXPECT_TRUE(files.ListBox1.isEmpty());
        EXPECT_FALSE(files.Button2->isEnabled());
        Click(page, "Button1");
        return 0;
    });
    RunWizard();
    EXPECT_EQ(PagesShown(), (QStringList{kPage1, kPage2, kPage3, kPage2, kPage3}));
}

TEST_F(Wizard, FurtherInfoGoesBackToTheWelcomePage) {
    dialogs->Act(Press({"BitBtn1"}));
    dialogs->Act(Press({"Button2"})); // further info: Back
    dialogs->Act(Press({"Button1"})); // page 1 again: Close
    main->CurrentArchive.clear();
    main->Item("Wizard1")->trigger();
    EXPECT_EQ(PagesShown(), (QStringList{kPage1, kFurther, kPage1}));
    EXPECT_TRUE(main->ZipMaster1.ZipFilename().empty()); // nothing to open
}

TEST_F(Wizard, ClosingAfterBackFromPage2EndsTheWizard) {
    WriteArchive(DriveC() + "/open.zip", {{"a.txt", "a"}});
    main->OpenArchive("C:\\open.zip");
    dialogs->Act(Press({"Button2"}));
    dialogs->Act(Press({"Button3"})); // page 2: << Back
    dialogs->Act(Press({"Button1"})); // page 1: Close
    RunWizard();
    EXPECT_EQ(PagesShown(), (QStringList{kPage1, kPage2, kPage1}));
    // What was open before is opened again.
    EXPECT_EQ(main->ZipMaster1.ZipFilename(), "C:\\open.zip");
    EXPECT_EQ(Column(0), QStringList{"a.txt"});
}

TEST_F(Wizard, AnAddThatAddsNothingSaysSoAndKeepsTheFiles) {
    UpToPage3("C:\\new\\letters");
    dialogs->Act([](QWidget* page) {
        Click(page, "BitBtn1");
        std::filesystem::remove(DriveC() + "/src/Letter.txt"); // gone before it is compressed
        Click(page, "Button2");
        auto& files = static_cast<TWiz3&>(*page);
        EXPECT_EQ(files.ListBox1, QStringList{"C:\\src\\Letter.txt"}); // still listed
        EXPECT_TRUE(files.Button2->isEnabled());
        Click(page, "Button1");
        return 0;
    });
    dialogs->AnswerFiles({"C:\\src\\Letter.txt"});
    RunWizard();
    EXPECT_EQ(PagesShown(), (QStringList{kPage1, kPage2, kPage3})); // no closing page
    const QStringList messages = dialogs->Messages();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages[0], kCompressNotice);
    EXPECT_TRUE(messages[1].startsWith("No files were added to C:\\new\\letters.zip.\n"))
        << messages[1].toStdString();
    EXPECT_TRUE(messages[1].contains("Letter.txt")) << messages[1].toStdString();
    EXPECT_FALSE(HostExists(DriveC() + "/new/letters.zip"));
}

TEST_F(Wizard, CommandsWaitWhileAnEngineCallRuns) {
    // The main window's guard: a wizard started during an engine call would work on the same
    // archive, so the command is ignored until the call ends.
    WriteArchive(DriveC() + "/open.zip", {{"a.txt", std::string(200000, 'a')}});
    main->OpenArchive("C:\\open.zip");
    main->ZipMaster1.OnProgress = [this](TZipMaster*, ProgressType, const std::string&,
                                         std::int32_t) { RunWizard(); };
    main->ExtractAllTo("C:\\WINDOWS\\Temp");
    EXPECT_TRUE(PagesShown().isEmpty());
}

// The pages as the program shows them, in real modal loops: going forward hides a page whose
// loop then waits under the next; going back shows it again; closing unwinds every loop.
TEST_F(Wizard, TheRealModalLoopsStackAndUnwind) {
    auto clickLater = [](QWidget* page, const char* button) {
        QTimer::singleShot(0, page, [page, button] { Click(page, button); });
        return static_cast<QDialog*>(page)->exec();
    };
    std::vector<bool> page1Visible;
    dialogs->Act([&](QWidget* page) { return clickLater(page, "Button2"); });
    dialogs->Act([&](QWidget* page) {
        page1Visible.push_back(AppForms().Wiz1->isVisible());
        return clickLater(page, "Button3"); // << Back
    });
    dialogs->Act([&](QWidget* page) { return clickLater(page, "Button2"); });
    dialogs->Act([&](QWidget* page) { return clickLater(page, "Button2"); });
    dialogs->AnswerText("C:\\new\\letters");
    dialogs->Act([&](QWidget* page) {
        page1Visible.push_back(AppForms().Wiz1->isVisible());
        return clickLater(page, "Button1"); // page 3: Close
    });
    RunWizard();
    EXPECT_EQ(PagesShown(), (QStringList{kPage1, kPage2, kPage1, kPage2, kPage3}));
    EXPECT_EQ(page1Visible, (std::vector<bool>{false, false}));
    for (QWidget* page :
         std::initializer_list<QWidget*>{AppForms().Wiz1, AppForms().Wiz2, AppForms().Wiz3})
        EXPECT_FALSE(page->isVisible()) << page->objectName().toStdString();
}

} // namespace
