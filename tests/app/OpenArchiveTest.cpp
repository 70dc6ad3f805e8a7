// Start-up, the download hand-off, the choice window and the caption.
#include "MainFormTest.h"
#include "OtherUser.h"

#include "app/MachineCheck.h"
#include "app/untEvent.h"
#include "platform/PathMap.h"
#include "platform/Registry.h"
#include "platform/SharedFile.h"
#include "platform/WinPath.h"
#include "platform/ui/ListView.h"

#include <QAction>
#include <QToolButton>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace testing_support;
using platform::ui::DialogKind;

namespace {

const std::vector<zipbytes::Entry> kTool = {{"readme.txt", "read me"}, {"bin/tool.exe", "MZ"}};

int ChoiceWindows(const ScriptedDialogs& dialogs) {
    int count = 0;
    for (const auto& shown : dialogs.Shown())
        count += shown.kind == DialogKind::Modal && shown.caption == "Select you choice...";
    return count;
}

} // namespace

TEST_F(MainFormTest, StartsWithTheDesignedCaptionAndPanels) {
    Start();
    EXPECT_EQ(main->windowTitle(), "Pakrune ");
    EXPECT_EQ(main->PanelText(0), "Filname:");
    EXPECT_EQ(main->PanelText(1), "Files in zip: <none>");
    EXPECT_EQ(main->PanelText(2), "Total Uncompressed Size:");
    EXPECT_EQ(main->TempDir, "C:\\WINDOWS\\Temp");
    EXPECT_EQ(main->IniFileName, "C:\\Program Files\\Pakrune\\pakrune.ini");
    EXPECT_FALSE(main->Item("Install1")->isEnabled());
    EXPECT_FALSE(main->Item("FileInfo1")->isVisible());
    EXPECT_TRUE(TZipMaster::UnzEngineLoaded()); // for the whole run
    EXPECT_TRUE(dialogs->Shown().empty());      // no argument: no choice window
}

TEST_F(MainFormTest, ADownloadInATempFolderMovesToTheDownloadFolder) {
    WriteArchive(HostTemp() + "/Tool.zip", kTool);
    dialogs->Act([](QWidget*) { return 0; }); // the choice window: closed
    Start({HostTemp() + "/Tool.zip"});
    EXPECT_FALSE(HostExists(HostTemp() + "/Tool.zip"));
    EXPECT_TRUE(HostExists(DriveC() + "/download/Tool.zip"));
    EXPECT_EQ(main->ZipMaster1.ZipFilename(), "c:\\download\\Tool.zip");
    EXPECT_EQ(main->windowTitle(), "Pakrune - Tool.zip");
    EXPECT_EQ(main->PanelText(0), "Filename: c:\\download\\Tool.zip");
    EXPECT_EQ(main->PanelText(1), "Files in Zip: 2");
    EXPECT_EQ(main->PanelText(2), "Total Uncompressed Size: 9 bytes");
    EXPECT_EQ(ChoiceWindows(*dialogs), 1);
    EXPECT_TRUE(main->Item("Install1")->isEnabled());
}

TEST_F(MainFormTest, ADownloadInTheSharedTemporaryFolderMovesToTheDownloadFolder) {
    // Where a browser leaves a download: $TMPDIR (or /tmp), whose Windows path (on drive Z:)
    // need not say "temp". The program's own temporary folder is a private one.
    WriteArchive(SharedTemp() + "/Tool.zip", kTool);
    ASSERT_EQ(win::LowerCase(platform::WindowsPathOf(SharedTemp() + "/Tool.zip")).find("temp"),
              std::string::npos);
    dialogs->Act([](QWidget*) { return 0; });
    Start({SharedTemp() + "/Tool.zip"});
    EXPECT_FALSE(HostExists(SharedTemp() + "/Tool.zip"));
    EXPECT_EQ(main->ZipMaster1.ZipFilename(), "c:\\download\\Tool.zip");
    EXPECT_EQ(main->ZipMaster1.Count(), 2);
}

TEST_F(MainFormTest, AFileBesideTheSharedTemporaryFolderStaysWhereItIs) {
    // A folder whose name only begins with the shared folder's name is another folder.
    WriteArchive(SharedTemp() + "x/Tool.zip", kTool);
    dialogs->Act([](QWidget*) { return 0; });
    Start({SharedTemp() + "x/Tool.zip"});
    EXPECT_TRUE(HostExists(SharedTemp() + "x/Tool.zip"));
    EXPECT_EQ(main->ZipMaster1.Count(), 2);
}

struct HandOffRow {
    const char* name;
    bool targetPresent;
    bool folderMissing;
    bool answerYes; // to the question whether to make the missing download folder
    bool moved;
};

class HandOff : public MainFormTest, public ::testing::WithParamInterface<HandOffRow> {};

TEST_P(HandOff, TheDownloadStaysWhereItIsWhenItCannotMove) {
    const HandOffRow& row = GetParam();
    WriteArchive(HostTemp() + "/Tool.zip", kTool);
    if (row.targetPresent)
        WriteHostFile(DriveC() + "/download/Tool.zip", "mine");
    if (row.folderMissing) {
        std::filesystem::remove(DriveC() + "/download");
        row.answerYes ? dialogs->AnswerYes() : dialogs->AnswerNo();
    }
    dialogs->Act([](QWidget*) { return 0; });
    Start({HostTemp() + "/Tool.zip"});
    EXPECT_EQ(main->ZipMaster1.ZipFilename(),
              row.moved ? "c:\\download\\Tool.zip" : "C:\\WINDOWS\\Temp\\Tool.zip");
    EXPECT_EQ(main->ZipMaster1.Count(), 2); // listed wherever it lies
    if (row.folderMissing) {
        EXPECT_EQ(dialogs->Shown().front().text,
                  "Download directory c:\\download does not exist. Do you want to create it ?");
        EXPECT_EQ(HostExists(DriveC() + "/download"), row.answerYes);
    }
    if (row.targetPresent) {
        EXPECT_EQ(ReadHostFile(DriveC() + "/download/Tool.zip"), "mine");
    }
    // A failed move says so: the archive listed is not the one the user expects.
    EXPECT_EQ(dialogs->Messages(),
              row.moved ? QStringList{}
                        : QStringList{"Unable to move file to directory : c:\\download"});
}

INSTANTIATE_TEST_SUITE_P(Cases, HandOff,
                         ::testing::Values(HandOffRow{"TargetPresent", true, false, false, false},
                                           HandOffRow{"FolderMissingNo", false, true, false, false},
                                           HandOffRow{"FolderMissingYes", false, true, true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainFormTest, ADownloadOfAnotherUserIsCopiedAndTheirsStaysWhereItIs) {
    SKIP_WITHOUT_OTHER_USER();
    // Another user's download in the shared temporary folder (as /tmp is), and another user's
    // archive in a team folder whose name holds "temp".
    const std::string team = MachineRoot() + "/srv/team/Templates";
    std::filesystem::create_directories(team);
    for (const std::string& folder : {SharedTemp(), team})
        ::chmod(folder.c_str(), folder == team ? 02777 : 01777);
    ::chmod((MachineRoot() + "/srv").c_str(), 0755);
    ::chmod((MachineRoot() + "/srv/team").c_str(), 0755);
    WriteArchive(MachineRoot() + "/made.zip", kTool);
    ::chmod((MachineRoot() + "/made.zip").c_str(), 0644);
    for (const std::string& folder : {SharedTemp(), team}) {
        SCOPED_TRACE(folder);
        ASSERT_EQ(RunAsOtherUser({"/bin/cp", MachineRoot() + "/made.zip", folder + "/Tool.zip"}),
                  0);
        std::filesystem::remove(DriveC() + "/download/Tool.zip");
        dialogs->Act([](QWidget*) { return 0; });
        Start({folder + "/Tool.zip"});
        EXPECT_EQ(main->ZipMaster1.ZipFilename(), "c:\\download\\Tool.zip");
        EXPECT_EQ(main->ZipMaster1.Count(), 2);
        struct stat theirs {
        }, copy{};
        ASSERT_EQ(::stat((folder + "/Tool.zip").c_str(), &theirs), 0); // the owner keeps it
        EXPECT_EQ(theirs.st_uid, kOtherUser);
        ASSERT_EQ(::stat((DriveC() + "/download/Tool.zip").c_str(), &copy), 0);
        EXPECT_EQ(copy.st_uid, ::geteuid());
        EXPECT_EQ(ReadHostFile(DriveC() + "/download/Tool.zip"),
                  ReadHostFile(folder + "/Tool.zip"));
        EXPECT_TRUE(dialogs->Messages().isEmpty());
        DestroyForms();
    }
}

TEST_F(MainFormTest, ArchivesOutsideATempFolderOrWithAutoMoveOffStayWhereTheyAre) {
    WriteArchive(DriveC() + "/archives/Tool.zip", kTool);
    dialogs->Act([](QWidget*) { return 0; });
    Start({DriveC() + "/archives/Tool.zip"});
    EXPECT_EQ(main->ZipMaster1.ZipFilename(), "C:\\archives\\Tool.zip");

    WriteArchive(HostTemp() + "/Templates/Other.zip", kTool); // "temp" in any letter case counts
    main->AutoMove = false;
    main->AutoRun = false;
    main->OpenArchive("C:\\WINDOWS\\Temp\\Templates\\Other.zip");
    EXPECT_EQ(main->ZipMaster1.ZipFilename(), "C:\\WINDOWS\\Temp\\Templates\\Other.zip");
    main->AutoMove = true;
    main->OpenArchive("C:\\WINDOWS\\Temp\\Templates\\Other.zip");
    EXPECT_EQ(main->ZipMaster1.ZipFilename(), "c:\\download\\Other.zip");
}

TEST_F(MainFormTest, TheChoiceWindowFollowsTheFirstArchiveThatOpens) {
    WriteArchive(DriveC() + "/locked.zip", kTool);
    WriteArchive(DriveC() + "/next.zip", kTool);
    const int writer = platform::OpenWriteDenyAll(DriveC() + "/locked.zip", false);
    Start({DriveC() + "/locked.zip"});
    // A read error: shown in the default error box; no choice window; the caption still updated.
    ASSERT_EQ(dialogs->Shown().size(), 1u);
    EXPECT_EQ(dialogs->Shown()[0].kind, DialogKind::Error);
    EXPECT_EQ(dialogs->Shown()[0].text, "Cannot open file C:\\locked.zip");
    EXPECT_EQ(main->windowTitle(), "Pakrune - locked.zip");
    EXPECT_FALSE(main->ChoiceShown);
    ::close(writer);

    dialogs->AnswerText("C:\\next.zip");
    dialogs->Act([](QWidget*) { return 0; });
    main->Open1Click(); // the next archive opened brings the choice window
    EXPECT_EQ(ChoiceWindows(*dialogs), 1);
    dialogs->AnswerText("C:\\next.zip");
    main->Open1Click(); // and only once per run
    EXPECT_EQ(ChoiceWindows(*dialogs), 1);
}

TEST_F(MainFormTest, TheOpenCommandShowsTheArchivesRowsAtOnce) {
    WriteArchive(DriveC() + "/tool.zip", kTool);
    Start();
    for (const char* command : {"menu", "button"}) {
        SCOPED_TRACE(command);
        main->CloseArchive1Click();
        dialogs->AnswerText("C:\\tool.zip");
        if (command == std::string("menu"))
            main->Item("Open1")->trigger();
        else
            main->Button("SpeedButton1")->click();
        EXPECT_EQ(Column(0), (QStringList{"tool.exe", "readme.txt"}));
        EXPECT_EQ(main->ListView1->RowCount(), 2);
        EXPECT_EQ(main->PanelText(1), "Files in Zip: 2");
    }
}

TEST_F(MainFormTest, AMissingArchiveIsListedEmptyAndStillOffersTheChoice) {
    dialogs->Act([](QWidget* window) {
        // "Start Pakrune" closes the window and leaves the archive window as it is.
        window->findChild<QToolButton*>("SpeedButton3")->click();
        return 0;
    });
    Start({DriveC() + "/gone.zip"});
    EXPECT_EQ(main->windowTitle(), "Pakrune - gone.zip");
    EXPECT_EQ(main->PanelText(1), "Files in Zip: <none>");
    EXPECT_EQ(main->ListView1->RowCount(), 0);
    EXPECT_EQ(ChoiceWindows(*dialogs), 1);
    EXPECT_TRUE(dialogs->Messages().isEmpty());
    EXPECT_EQ(terminations, 0);
}

TEST_F(MainFormTest, TheChoiceWindowsExitButtonEndsTheProgram) {
    WriteArchive(DriveC() + "/a.zip", kTool);
    dialogs->Act([](QWidget* window) {
        window->findChild<QToolButton*>("SpeedButton4")->click();
        return 0;
    });
    Start({DriveC() + "/a.zip"});
    EXPECT_EQ(terminations, 1);
}

TEST_F(MainFormTest, TheTempFolderComesFromTheWindowsFolderInTheRegistry) {
    const char* const setup = "Software\\Microsoft\\Windows\\CurrentVersion\\Setup";
    const std::string longFolder = "C:\\" + std::string(300, 'L'); // longer than MAX_PATH
    ::setenv("PAKRUNE_TEST_WINDOWS", "D:\\Win", 1);
    struct Row {
        win::DWORD type; // 0: no value
        std::string data;
        std::string tempDir;
    };
    const Row rows[] = {
        {win::REG_DWORD, std::string("\x07\0\0\0", 4),
         "C:\\Program Files\\Pakrune"}, // not text: the program's folder
        {0, "", "\\Temp"},              // no value: on the current drive
        {win::REG_SZ, longFolder, longFolder + "\\Temp"},
        {win::REG_EXPAND_SZ, std::string("%pakrune_test_windows%\\X") + '\0', "D:\\Win\\X\\Temp"},
        {win::REG_EXPAND_SZ, "%NOT_SET%\\X", "%NOT_SET%\\X\\Temp"},
    };
    Start();
    for (const Row& row : rows) {
        win::HKEY key = nullptr;
        ASSERT_EQ(win::RegCreateKeyExA(win::HKEY_LOCAL_MACHINE, setup, &key, nullptr),
                  win::ERROR_SUCCESS);
        win::RegDeleteValueA(key, "WinDir");
        if (row.type != 0)
            win::RegSetValueExA(key, "WinDir", row.type,
                                reinterpret_cast<const win::BYTE*>(row.data.data()),
                                static_cast<win::DWORD>(row.data.size()));
        win::RegCloseKey(key);
        main->FindTempFolder();
        EXPECT_EQ(main->TempDir, row.tempDir) << row.data;
    }
    ::unsetenv("PAKRUNE_TEST_WINDOWS");
}

TEST_F(MainFormTest, ADamagedArchiveIsReportedAndTheEntriesBeforeTheDamageAreListed) {
    const std::vector<zipbytes::Entry> entries = {
        {"first.txt", "one"}, {"second.txt", "two"}, {"third.txt", std::string(1000, '3')}};
    std::string bytes = zipbytes::Archive(entries);
    // Cut inside the third entry's data.
    bytes.resize(bytes.find("third.txt") + 100);
    WriteHostFile(DriveC() + "/cut.zip", bytes);
    Start();
    dialogs->AnswerText("C:\\cut.zip");
    main->Item("Open1")->trigger();
    EXPECT_EQ(dialogs->Messages(), QStringList{"Error 3 reading Zip file"});
    EXPECT_EQ(Column(0), (QStringList{"first.txt", "second.txt"}));
}

TEST_F(MainFormTest, TheStartCheckRepairsAnOldPrefixOnceAndStopsAtOneOthersCouldChange) {
    // A prefix as earlier versions made it: its temporary folder a link to the shared one.
    const std::string old = MachineRoot() + "/old";
    std::filesystem::create_directories(old + "/dosdevices");
    std::filesystem::create_directories(old + "/drive_c/WINDOWS");
    std::filesystem::create_symlink("../drive_c", old + "/dosdevices/c:");
    std::filesystem::create_symlink(SharedTemp(), old + "/drive_c/WINDOWS/Temp");
    ::setenv("PAKRUNE_PREFIX", old.c_str(), 1);
    EXPECT_TRUE(app::CheckMachine());
    ASSERT_EQ(dialogs->Shown().size(), 1u);
    EXPECT_EQ(dialogs->Shown()[0].kind, DialogKind::Message);
    EXPECT_EQ(dialogs->Shown()[0].text.toStdString(),
              "Pakrune's temporary folder C:\\WINDOWS\\Temp was the folder " + SharedTemp() +
                  ", which other users share. Pakrune now keeps its temporary files in a folder "
                  "of your own, " +
                  old + "/drive_c/WINDOWS/Temp.");
    EXPECT_FALSE(std::filesystem::is_symlink(old + "/drive_c/WINDOWS/Temp"));

    const std::string open = MachineRoot() + "/open";
    std::filesystem::create_directories(open);
    ::chmod(open.c_str(), 0777);
    ::setenv("PAKRUNE_PREFIX", open.c_str(), 1);
    EXPECT_FALSE(app::CheckMachine()); // the program stops
    ASSERT_EQ(dialogs->Shown().size(), 2u);
    EXPECT_EQ(dialogs->Shown()[1].kind, DialogKind::Error);
    EXPECT_TRUE(dialogs->Shown()[1].text.startsWith(
        QString::fromStdString("Pakrune does not use the folder " + open + ": " + open +
                               " can be changed by other users.")))
        << dialogs->Shown()[1].text.toStdString();
}

TEST_F(MainFormTest, DownloadsGoToTheUsersDownloadFolderMadeWhenMissing) {
    // C:\download leads to ~/Downloads; that folder is gone: the designed question, and Yes makes
    // it where the link leads.
    const std::string downloads = MachineRoot() + "/home/Downloads";
    std::filesystem::remove(downloads);
    WriteArchive(SharedTemp() + "/Tool.zip", kTool);
    dialogs->AnswerYes();
    dialogs->Act([](QWidget*) { return 0; });
    Start({SharedTemp() + "/Tool.zip"});
    EXPECT_EQ(dialogs->Shown().front().text,
              "Download directory c:\\download does not exist. Do you want to create it ?");
    EXPECT_TRUE(std::filesystem::is_symlink(DriveC() + "/download"));
    EXPECT_TRUE(HostExists(downloads + "/Tool.zip"));
    EXPECT_EQ(main->ZipMaster1.ZipFilename(), "c:\\download\\Tool.zip");
}
