// The editing commands: new, add, delete entries, convert, save as, close and delete the archive,
// with the real engines, the scripted add-files window and the exact questions and messages.
#include "MainFormTest.h"

#include "platform/ui/ListView.h"
#include "windows/AddFilesToZip.h"
#include "windows/Wizard2.h"

#include <QAction>
#include <QFileDialog>
#include <QPushButton>
#include <QToolButton>
#include <filesystem>
#include <sys/stat.h>

using namespace testing_support;
using platform::ui::DialogKind;

namespace {

class Edit : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        Start();
        main->AutoRun = false;
    }
    void Open(const std::string& name, const std::vector<zipbytes::Entry>& entries) {
        WriteArchive(DriveC() + "/" + name, entries);
        main->OpenArchive("C:\\" + name);
    }
    // The user picks these host files in the add-files window and presses OK (or Cancel).
    void AddInWindow(std::vector<std::string> winPaths, bool ok = true) {
        dialogs->Act([winPaths, ok](QWidget* window) {
            auto* add = static_cast<TAddform*>(window);
            for (const std::string& path : winPaths)
                add->ListBox1->Add(path);
            (ok ? add->BitBtn1 : add->BitBtn2)->click();
            return add->result();
        });
    }
    // The texts of the confirmation questions asked so far.
    QStringList Questions() const {
        QStringList texts;
        for (const auto& shown : dialogs->Shown())
            if (shown.kind == DialogKind::Confirm)
                texts << shown.text;
        return texts;
    }
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : main->ZipMaster1.Entries())
            names.emplace_back(entry.FileName);
        return names;
    }
};

} // namespace

TEST_F(Edit, NamesOfNewArchives) {
    struct Row {
        const char* chosen;
        const char* message; // "" when accepted
        const char* archive;
    };
    const Row rows[] = {
        {"C:\\letters", "", "C:\\letters.zip"},
        {"C:\\tool.EXE", "Error: you must create a .ZIP file, then convert to .EXE", ""},
        {"C:\\my.dir\\letters", "Error: your new archive must end in .ZIP", ""},
        {"C:\\data.Zip", "", "C:\\data.Zip"},
    };
    for (const Row& row : rows) {
        main->CloseArchive1Click();
        const qsizetype before = dialogs->Messages().size();
        dialogs->AnswerText(row.chosen);
        if (*row.archive)
            AddInWindow({}, false); // the add-files window, cancelled
        main->NewZipButClick();
        EXPECT_EQ(main->ZipMaster1.ZipFilename(), row.archive) << row.chosen;
        EXPECT_EQ(dialogs->Messages().mid(before),
                  *row.message ? QStringList{row.message} : QStringList{})
            << row.chosen;
    }
}

TEST_F(Edit, TheNewArchiveDialogsAreDialogsForANewFile) {
    // The New command's and the wizard's: their button says what it does.
    const std::function<void()> commands[] = {[this] { main->NewZipButClick(); },
                                              [] { AppForms().Wiz2->NameNewArchive(); }};
    for (const auto& command : commands) {
        dialogs->Respond([](const platform::ui::DialogRequest& request) {
            EXPECT_EQ(request.caption, "Create new Zip file");
            QFileDialog dialog;
            dialog.setOption(QFileDialog::DontUseNativeDialog);
            platform::ui::PrepareFileDialog(dialog, request.file, false);
            EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
            EXPECT_EQ(dialog.labelText(QFileDialog::Accept), "&Create");
            return platform::ui::DialogAnswer{}; // Cancel
        });
        command();
    }
    EXPECT_EQ(dialogs->Shown().size(), 2u);
}

TEST_F(Edit, NewThenCancelLeavesANamedEmptyRecentArchive) {
    dialogs->AnswerText("C:\\fresh.zip");
    AddInWindow({}, false);
    main->Item("New1")->trigger();
    EXPECT_EQ(main->ZipMaster1.ZipFilename(), "C:\\fresh.zip");
    EXPECT_EQ(main->ZipMaster1.Count(), 0);
    EXPECT_TRUE(main->Item("AddToZip1")->isEnabled());
    EXPECT_EQ(main->RecentFiles[0], "C:\\fresh.zip");
    EXPECT_FALSE(HostExists(DriveC() + "/fresh.zip"));
    // Delete From Zip on it does nothing at all (no rows and no entries is not "every entry").
    const std::size_t shown = dialogs->Shown().size();
    main->DeleteFromZipButClick();
    EXPECT_EQ(dialogs->Shown().size(), shown);
    // Save As has nothing to copy yet, and says so instead of deleting the target.
    WriteHostFile(DriveC() + "/keep.zip", "kept");
    dialogs->AnswerText("C:\\keep.zip");
    main->SaveAs1Click();
    EXPECT_EQ(ReadHostFile(DriveC() + "/keep.zip"), "kept");
    EXPECT_EQ(dialogs->Messages(),
              QStringList{"The archive C:\\fresh.zip does not exist yet. Nothing was saved."});
}

TEST_F(Edit, AddWithoutAnArchiveAsksForOneFirst) {
    dialogs->AnswerCancel(); // the new-archive dialog
    main->Button("AddZipBut")->click();
    EXPECT_EQ(dialogs->Messages(), QStringList{"Error - Open or create a zip file first"});
    EXPECT_EQ(main->ZipMaster1.ZipFilename(), "");

    WriteHostFile(DriveC() + "/in/a.txt", "alpha");
    dialogs->AnswerText("C:\\made");
    AddInWindow({"C:\\in\\a.txt"});
    main->Button("AddZipBut")->click();
    EXPECT_EQ(Entries(), std::vector<std::string>{"a.txt"});
    EXPECT_EQ(dialogs->Messages().last(), "1 files were successfully added!");
    int addWindows = 0;
    for (const auto& shown : dialogs->Shown())
        addWindows += shown.kind == DialogKind::Modal;
    EXPECT_EQ(addWindows, 1);
}

TEST_F(Edit, AnAddThatAddsNothingDoesNotClaimSuccess) {
    Open("a.zip", {{"old.txt", "old"}});
    AddInWindow({"C:\\nowhere\\missing.txt"});
    main->AddZipButClick();
    EXPECT_EQ(dialogs->Messages().last(), "No files were added.");
    EXPECT_EQ(Entries(), std::vector<std::string>{"old.txt"});
    // An empty pick is refused before the engine runs.
    AddInWindow({});
    main->AddZipButClick();
    EXPECT_EQ(dialogs->Messages().last(), "There are no files selected");
}

TEST_F(Edit, SelfExtractingArchivesRefuseAddAndDelete) {
    // A self-extracting file: the archive behind a stub of 15000 bytes.
    WriteHostFile(DriveC() + "/tool.ExE",
                  std::string(15000, 's') + zipbytes::Archive({{"a.txt", "a"}}));
    main->OpenArchive("C:\\tool.ExE");
    main->ListView1->SelectAll();
    main->AddZipButClick();
    main->DeleteFromZipButClick();
    EXPECT_EQ(
        dialogs->Messages(),
        (QStringList{"Error - this program can NOT add files to a self-extracting archive",
                     "Error - this pgm can NOT delete files from a self-extracting archive"}));
}

TEST_F(Edit, DeletingEveryRowDeletesTheArchiveOnlyWhenTheRowsAreEveryEntry) {
    Open("a.zip", {{"a.txt", "a"}, {"b.txt", "b"}});
    main->ListView1->SelectAll();
    dialogs->AnswerNo();
    main->DeleteFromZipButClick();
    main->ListView1->SetSelected(1, false);
    dialogs->AnswerYes();
    main->DeleteFromZipButClick();
    EXPECT_EQ(Questions(), (QStringList{"Delete Existing Archive: C:\\a.zip?",
                                        "Delete selected files from: C:\\a.zip?"}));
    EXPECT_EQ(Entries(), std::vector<std::string>{"b.txt"});

    // A folder entry has no row: all rows selected is not the whole archive.
    Open("f.zip", {{"dir/", ""}, {"dir/x.txt", "x"}, {"y.txt", "y"}});
    main->ListView1->SelectAll();
    dialogs->AnswerYes();
    main->DeleteFromZipButClick();
    EXPECT_EQ(Questions().last(), "Delete selected files from: C:\\f.zip?");
    EXPECT_EQ(Entries(), std::vector<std::string>{"dir/"});
    // Folder entries alone: no rows, no whole-archive delete, nothing asked.
    const qsizetype asked = Questions().size();
    main->DeleteFromZipButClick();
    EXPECT_EQ(Questions().size(), asked);
    EXPECT_EQ(dialogs->Messages().last(), "Error - no files to delete");
    EXPECT_TRUE(HostExists(DriveC() + "/f.zip"));
}

TEST_F(Edit, ConvertingToAProgramAndBack) {
    std::filesystem::copy_file(
        std::filesystem::read_symlink("/proc/self/exe").parent_path() / "ZIPSFX.BIN",
        DriveC() + "/WINDOWS/SYSTEM/ZIPSFX.BIN", std::filesystem::copy_options::overwrite_existing);
    Open("Tool.ZIP", {{"a.txt", "alpha"}});
    const std::string zip = ReadHostFile(DriveC() + "/Tool.ZIP");
    main->ConvertZiptoexe1Click();
    EXPECT_EQ(main->Item("ConvertZiptoexe1")->text(), "Convert EXE to ZIP");
    EXPECT_EQ(main->ZipMaster1.Count(), 1);
    main->ConvertZiptoexe1Click();
    EXPECT_EQ(main->Item("ConvertZiptoexe1")->text(), "Convert ZIP to EXE");
    EXPECT_EQ(dialogs->Messages(),
              (QStringList{"Filename is now: C:\\Tool.exe", "Filename is now: c:\\tool.zip"}));
    EXPECT_EQ(ReadHostFile(DriveC() + "/Tool.zip"), zip); // byte for byte
}

TEST_F(Edit, SaveAsNeverLosesAFile) {
    Open("a.zip", {{"a.txt", "a"}});
    const std::string archive = ReadHostFile(DriveC() + "/a.zip");
    // Onto itself, exactly or in another letter case: nothing happens, nothing is asked.
    for (const char* same : {"C:\\a.zip", "c:\\A.ZIP"}) {
        dialogs->AnswerText(same);
        main->SaveAs1Click();
    }
    EXPECT_TRUE(Questions().isEmpty());
    EXPECT_EQ(ReadHostFile(DriveC() + "/a.zip"), archive);
    // Onto another existing file: asked, then replaced by the copy.
    WriteHostFile(DriveC() + "/other.zip", "other");
    dialogs->AnswerText("C:\\other.zip");
    dialogs->AnswerYes();
    main->SaveAs1Click();
    EXPECT_EQ(Questions(), QStringList{"Overwrite Existing File: C:\\other.zip?"});
    EXPECT_EQ(ReadHostFile(DriveC() + "/other.zip"), archive);
    EXPECT_EQ(main->ZipMaster1.ZipFilename(), "C:\\other.zip");
}

TEST_F(Edit, CloseAndDeleteArchive) {
    Open("a.zip", {{"a.txt", "a"}});
    main->CloseArchive1Click();
    EXPECT_EQ(main->ListView1->RowCount(), 0);
    EXPECT_FALSE(main->Item("SaveAs1")->isEnabled());
    EXPECT_TRUE(HostExists(DriveC() + "/a.zip"));

    // A file that cannot be deleted (read-only) is reported and stays open.
    Open("ro.zip", {{"a.txt", "a"}});
    ::chmod((DriveC() + "/ro.zip").c_str(), 0444);
    dialogs->AnswerYes();
    main->DeleteArchive1Click();
    EXPECT_EQ(dialogs->Messages(),
              QStringList{"Could not delete C:\\ro.zip. Nothing was changed."});
    EXPECT_EQ(main->ZipMaster1.ZipFilename(), "C:\\ro.zip");
    ::chmod((DriveC() + "/ro.zip").c_str(), 0644);
    dialogs->AnswerYes();
    main->DeleteArchive1Click();
    EXPECT_FALSE(HostExists(DriveC() + "/ro.zip"));
    EXPECT_EQ(main->ZipMaster1.ZipFilename(), "");
}
