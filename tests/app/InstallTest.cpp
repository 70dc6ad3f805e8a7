// Installing the software in a download: the setup entry, extraction below the temp folder, the
// start of the setup program, and the auto-exit rule.
#include "MainFormTest.h"
#include "OtherUser.h"

#include "app/untEvent.h"
#include "platform/ui/ListView.h"

#include <QAction>
#include <QProgressBar>
#include <QToolButton>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace testing_support;

namespace {

// A setup program this machine can run: the platform starts "#!" scripts directly.
const std::string kSetup = "#!/bin/sh\nexit 0\n";

class Install : public MainFormTest {
protected:
    void Open(const std::vector<zipbytes::Entry>& entries) {
        WriteArchive(DriveC() + "/dl/tool.zip", entries);
        Start();
        main->AutoRun = false;
        main->OpenArchive("C:\\dl\\tool.zip");
        main->AutoRun = true;
    }
    std::string Started() const {
        return starts.empty() ? "<nothing>" : starts.back().hostArgv.at(0);
    }
};

} // namespace

TEST_F(Install, TheFirstSetupEntryInArchiveOrderIsExtractedAndStarted) {
    Open({{"readme.txt", "r"}, {"Disk1/Install.EXE", kSetup}, {"setup.exe", kSetup}});
    EXPECT_EQ(main->FindSetupEntry(), "disk1/install.exe");
    main->btnInstallClick();
    // Everything below the temp folder, with its folders; the file found whatever its case.
    EXPECT_EQ(ReadHostFile(HostTemp() + "/readme.txt"), "r");
    EXPECT_EQ(ReadHostFile(HostTemp() + "/setup.exe"), kSetup);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(Started(), HostTemp() + "/Disk1/Install.EXE");
    EXPECT_EQ(terminations, 1); // the Auto Install command ends the program when AutoExit is on
}

TEST_F(Install, ASetupEntryBelowACodePage437FolderStarts) {
    // 0x81 is "ü" in code page 437 and no valid UTF-8: the name is decoded as the engines do.
    Open({{"Pr\x81"
           "fung/Setup.exe",
           kSetup}});
    EXPECT_EQ(main->FindSetupEntry(), "pr\u00fcfung/setup.exe"); // lower-cased in ASCII only
    main->btnInstallClick();
    EXPECT_EQ(Started(), HostTemp() + "/Pr\u00fcfung/Setup.exe");
}

TEST_F(Install, NamesContainingTheSetupNamesMatch) {
    Open({{"a.txt", "a"}, {"program/mysetup.exe.bak", kSetup}});
    EXPECT_EQ(main->FindSetupEntry(), "program/mysetup.exe.bak");
    // Neither name comes before the other: only the archive's order counts.
    Open({{"Setup.exe", kSetup}, {"install.exe", kSetup}});
    EXPECT_EQ(main->FindSetupEntry(), "setup.exe");
}

TEST_F(Install, WithoutASetupEntryNothingRunsAndTheProgramStays) {
    Open({{"a.txt", "a"}});
    main->btnInstallClick();
    EXPECT_EQ(dialogs->Messages(), QStringList{"Setup.exe or Install.exe not found"});
    EXPECT_TRUE(starts.empty());
    EXPECT_EQ(terminations, 0);
}

TEST_F(Install, AutoExitOffKeepsTheProgram) {
    Open({{"setup.exe", kSetup}});
    main->AutoExit = false;
    main->btnInstallClick();
    EXPECT_EQ(starts.size(), 1u);
    EXPECT_EQ(terminations, 0);
}

TEST_F(Install, TheChoiceWindowInstallsWithoutEndingTheProgram) {
    WriteArchive(DriveC() + "/dl/tool.zip", {{"setup.exe", kSetup}});
    dialogs->Act([](QWidget* window) {
        window->findChild<QToolButton*>("SpeedButton2")->click();
        return 0;
    });
    Start({DriveC() + "/dl/tool.zip"});
    EXPECT_EQ(Started(), HostTemp() + "/setup.exe");
    EXPECT_EQ(terminations, 0);
    // With AutoRun on, a later archive with a setup entry installs at once, and the program stays.
    WriteArchive(DriveC() + "/dl/next.zip", {{"x/setup.exe", kSetup}});
    main->OpenArchive("C:\\dl\\next.zip");
    EXPECT_EQ(Started(), HostTemp() + "/x/setup.exe");
    EXPECT_EQ(terminations, 0);
}

TEST_F(Install, RunningAnEntryExtractsItToTheTempFolderFirst) {
    Open({{"docs/readme.txt", "hello"}, {"tool.exe", kSetup}});
    main->ListView1->SetSelected(0, false);
    main->ListView1->SetSelected(0, true); // docs/readme.txt sorts first
    main->ListView1DblClick();
    EXPECT_EQ(ReadHostFile(HostTemp() + "/docs/readme.txt"), "hello");
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].kind,
              platform::ProgramStart::Kind::ShellOpen); // a document opens in its program
    EXPECT_EQ(starts[0].hostArgv.at(1), HostTemp() + "/docs/readme.txt");
    main->ListView1->SetSelected(0, false);
    main->ListView1->SetSelected(1, true);
    main->ListView1KeyDown(Qt::Key_Return); // Enter clicks Run
    EXPECT_EQ(Started(), HostTemp() + "/tool.exe");
}

TEST_F(Install, TheBarMovesOnlyForLargerValuesAndAKnownTotal) {
    Start();
    struct Step {
        std::int64_t total;
        double bytes;
        int bar; // the bar's position afterwards
    };
    const Step steps[] = {
        {0, 500, 7},                  // no total: the bar stays still (7 set below)
        {1000, 400, 7},               // not larger than the 500 last shown: no move
        {1000, 625, 62},              // 62.5: to the even neighbour
        {1000, 625, 62},              // the same value again: no move
        {1000, 2000, 100},            // past the total: the bar's end
        {3000000000, 1500000000, 50}, // a total above 2 GiB
    };
    main->ProgressBar1->setValue(7);
    main->LastShown = 0;
    for (const Step& step : steps) {
        main->ProgressTotal = step.total;
        main->UpdateProgress(step.bytes);
        EXPECT_EQ(main->ProgressBar1->value(), step.bar) << step.total << " " << step.bytes;
    }
    EXPECT_EQ(main->LastShown, 1500000000);
}

TEST_F(Install, ProgressFollowsTheBytesOfAnExtractAll) {
    Open({{"big.bin", std::string(200000, 'b')}, {"setup.exe", kSetup}});
    std::vector<int> positions;
    QObject::connect(main->ProgressBar1, &QProgressBar::valueChanged,
                     [&](int value) { positions.push_back(value); });
    std::filesystem::create_directories(DriveC() + "/out");
    main->ExtractAllTo("C:\\out");
    ASSERT_FALSE(positions.empty());
    EXPECT_GT(*std::max_element(positions.begin(), positions.end()), 50);
    EXPECT_EQ(positions.back(), 0); // the end of the batch resets the bar
}

TEST_F(Install, ProgressFollowsTheBytesOfTheSelectedEntries) {
    Open({{"big.bin", std::string(3000000, 'b')}, {"small.txt", "s"}});
    std::vector<int> positions;
    QObject::connect(main->ProgressBar1, &QProgressBar::valueChanged,
                     [&](int value) { positions.push_back(value); });
    std::filesystem::create_directories(DriveC() + "/out");
    main->ListView1->SetSelected(0, true); // big.bin
    main->ExtractSelected("C:\\out");
    EXPECT_EQ(main->ProgressTotal, 3000000);
    ASSERT_FALSE(positions.empty());
    EXPECT_GT(*std::max_element(positions.begin(), positions.end()), 90);
}

TEST_F(Install, ProgressOfAnArchiveAbove2GiBFollowsItsBytes) {
    // Listed as 3 GiB (two entries whose headers claim 1.5 GiB each; the data is not there).
    const std::uint32_t claimed = 3u << 29;
    Open({{.name = "a.bin", .data = "a", .uncompressedSize = claimed},
          {.name = "b.bin", .data = "b", .uncompressedSize = claimed}});
    std::filesystem::create_directories(DriveC() + "/out");
    main->ExtractAllTo("C:\\out"); // the entries fail their size check
    ASSERT_EQ(main->ProgressTotal, 2 * std::int64_t{claimed});
    // The engine's reports of an entry of 1.5 GiB, then one above 2 GiB, whose size is reported
    // as the largest 32-bit size: the bar follows their blocks.
    main->ResetProgress();
    main->ProgressTotal = 6 * std::int64_t{claimed}; // 9 GiB
    main->ZipMaster1Progress(ProgressType::FileStart, "a.bin", claimed);
    for (int block = 0; block < (3 << 14); ++block) // 1.5 GiB
        main->ZipMaster1Progress(ProgressType::BlockDone, " ", 0);
    EXPECT_EQ(main->ProgressBar1->value(), 17);
    main->ZipMaster1Progress(ProgressType::FileStart, "b.bin", INT32_MAX);
    for (int block = 0; block < (3 << 15); ++block) // 3 GiB
        main->ZipMaster1Progress(ProgressType::BlockDone, " ", 0);
    EXPECT_EQ(main->ProgressBar1->value(), 50);
    main->ZipMaster1Progress(ProgressType::FileStart, "c.bin", 1000);
    EXPECT_EQ(main->ProgressBar1->value(), 50); // the 3 GiB counted, not 2 GiB
    for (int block = 0; block < (3 << 14); ++block)
        main->ZipMaster1Progress(ProgressType::BlockDone, " ", 0);
    EXPECT_EQ(main->ProgressBar1->value(), 67);
}

TEST_F(Install, TheSetupProgramStartsBesideAnOlderOneWhoseNameDiffersOnlyInCase) {
    // Left in the temp folder by an earlier installation.
    WriteHostFile(HostTemp() + "/setup.exe", "#!/bin/sh\nexit 1\n");
    Open({{"Setup.exe", kSetup}});
    main->btnInstallClick();
    EXPECT_EQ(Started(), HostTemp() + "/Setup.exe");
    EXPECT_EQ(dialogs->Messages(), QStringList{});
}

TEST_F(Install, AFileThatOthersCouldChangeIsRefusedBeforeItStarts) {
    struct Row {
        const char* what;
        std::function<void()> lay; // before the extraction
        std::function<void()> undo;
        const char* said;
    };
    const std::string disk1 = HostTemp() + "/disk1";
    const std::string data = HostTemp() + "/disk1/data";
    const char* const folderRefused = "The folder C:\\WINDOWS\\Temp\\disk1 can be changed by other "
                                      "users; nothing was extracted into the temporary folder.";
    std::vector<Row> rows = {
        {"a folder on the way that others can write to",
         [&] {
             std::filesystem::create_directory(disk1);
             ::chmod(disk1.c_str(), 0777);
         },
         [&] { std::filesystem::remove_all(disk1); }, folderRefused},
        {"a folder beside the program that others can write to",
         [&] {
             std::filesystem::create_directories(data);
             ::chmod(data.c_str(), 0777);
         },
         [&] { std::filesystem::remove_all(disk1); },
         "The folder C:\\WINDOWS\\Temp\\disk1\\data can be changed by other users; nothing was "
         "extracted into the temporary folder."},
        {"the temporary folder itself, opened to others during the run",
         [&] { ::chmod(HostTemp().c_str(), 0777); },
         [&] {
             ::chmod(HostTemp().c_str(), 0700);
             std::filesystem::remove_all(disk1);
         },
         "The file C:\\WINDOWS\\Temp\\disk1\\setup.exe or a folder on the way to it can be changed "
         "by other users; it is not opened."},
    };
    if (::geteuid() == 0)
        rows.push_back({"a folder on the way of another user",
                        [&] {
                            std::filesystem::create_directory(disk1);
                            ::chown(disk1.c_str(), kOtherUser, kOtherUser);
                        },
                        [&] { std::filesystem::remove_all(disk1); }, folderRefused});
    Open({{"disk1/setup.exe", kSetup}, {"disk1/data/lib.sh", "echo ours"}});
    main->AutoExit = false;
    // With the folders as they should be, it starts (and the engines have checked the prefix).
    main->btnInstallClick();
    ASSERT_EQ(Started(), HostTemp() + "/disk1/setup.exe");
    starts.clear();
    std::filesystem::remove_all(disk1);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        row.lay();
        const qsizetype seen = dialogs->Messages().size();
        main->btnInstallClick();
        EXPECT_TRUE(starts.empty());
        EXPECT_EQ(dialogs->Messages().mid(seen), QStringList{row.said});
        if (std::string(row.said).starts_with("The folder")) {
            EXPECT_FALSE(HostExists(data + "/lib.sh")); // nothing written into their folder
        }
        row.undo();
    }
    main->btnInstallClick(); // with the folders as they should be, it starts
    EXPECT_EQ(Started(), HostTemp() + "/disk1/setup.exe");
}

TEST_F(Install, WhatStartsIsTheFileThatWasCheckedEvenIfItsNameIsTakenMeanwhile) {
    // The program writes which file ran; between the check and the start, its name is given to
    // another file, as a process racing the start would.
    const std::string ran = MachineRoot() + "/ran";
    const std::string script = "#!/bin/sh\necho \"$1\" > '" + ran + "'\n";
    WriteHostFile(MachineRoot() + "/theirs", "#!/bin/sh\necho theirs > '" + ran + "'\n");
    ::chmod((MachineRoot() + "/theirs").c_str(), 0755);
    Open({{"setup.exe", "#!/bin/sh\necho ours > '" + ran + "'\n"}});
    main->AutoExit = false;
    platform::SetProgramStartHook([](const platform::ProgramStart& start) {
        std::filesystem::rename(MachineRoot() + "/theirs", start.hostArgv.at(0));
        return false; // the start goes on for real
    });
    main->btnInstallClick();
    for (int i = 0; i < 250 && ReadHostFile(ran).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(ReadHostFile(ran), "ours\n");
    EXPECT_EQ(dialogs->Messages(), QStringList{});
}

TEST_F(Install, AnArchiveChangedSinceItWasListedIsNotExtractedAtAll) {
    const std::vector<zipbytes::Entry> listed = {{"setup.exe", kSetup}, {"a.txt", "aaaa"}};
    const std::vector<zipbytes::Entry> other = {{"setup.exe", "#!/bin/sh\necho other\n"}};
    const std::string archive = DriveC() + "/dl/tool.zip";
    struct Row {
        const char* what;
        std::function<void()> change;
    };
    const Row rows[] = {
        {"replaced by another file",
         [&] {
             WriteArchive(archive + ".new", other);
             std::filesystem::rename(archive + ".new", archive);
         }},
        {"rewritten in place, its size and time put back",
         [&] {
             struct stat before {};
             ::stat(archive.c_str(), &before);
             std::string bytes = ReadHostFile(archive);
             bytes[bytes.find("aaaa")] = 'b';
             const int fd = ::open(archive.c_str(), O_WRONLY);
             ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), 0),
                       static_cast<ssize_t>(bytes.size()));
             const struct timespec times[2] = {before.st_atim, before.st_mtim};
             ::futimens(fd, times);
             ::close(fd);
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Open(listed);
        main->AutoExit = false;
        row.change();
        std::filesystem::remove_all(HostTemp());
        std::filesystem::create_directory(HostTemp(), DriveC());
        ::chmod(HostTemp().c_str(), 0700);
        const qsizetype seen = dialogs->Messages().size();
        main->btnInstallClick();
        main->ListView1->SetSelected(0, true);
        main->SpeedButton3Click(); // Run
        std::filesystem::create_directories(DriveC() + "/out");
        main->ExtractAllTo("C:\\out");
        const QString said = "Cannot extract from C:\\dl\\tool.zip: another program changed it "
                             "meanwhile. Open it again to see what it holds now.";
        EXPECT_EQ(dialogs->Messages().mid(seen), (QStringList{said, said, said}));
        EXPECT_TRUE(starts.empty());
        EXPECT_TRUE(std::filesystem::is_empty(HostTemp()));
        EXPECT_TRUE(std::filesystem::is_empty(DriveC() + "/out"));
    }
}

TEST_F(Install, WhatAnotherUserPlantsInTheSharedTemporaryFolderIsNeverStarted) {
    SKIP_WITHOUT_OTHER_USER();
    // The shared folder as /tmp is: everybody may write there. The other user lays out what the
    // extraction will write, the way it would have been found there before.
    ::chmod(SharedTemp().c_str(), 01777);
    const std::string theirs = "#!/bin/sh\necho theirs\n";
    ASSERT_EQ(
        RunAsOtherUser({"/bin/sh", "-c",
                        "mkdir -m 777 \"$0/disk1\" && printf '%s' \"$1\" > \"$0/setup.exe\" && "
                        "cp \"$0/setup.exe\" \"$0/disk1/setup.exe\" && chmod 777 \"$0\"/*",
                        SharedTemp(), theirs}),
        0);
    WriteArchive(SharedTemp() + "/tool.zip", {{"disk1/setup.exe", kSetup}, {"setup.exe", kSetup}});
    dialogs->Act([](QWidget* window) {
        window->findChild<QToolButton*>("SpeedButton2")->click(); // Autoinstall
        return 0;
    });
    Start({SharedTemp() + "/tool.zip"});
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(Started(), HostTemp() + "/disk1/setup.exe");
    EXPECT_EQ(ReadHostFile(Started()), kSetup);
    EXPECT_EQ(ReadHostFile(SharedTemp() + "/disk1/setup.exe"), theirs); // untouched, unused
}

TEST_F(Install, AProgramStartsByItsPathAloneWhateverItsNameHolds) {
    // An older foo.exe lies in the temporary folder; the entry's name holds a quote and a blank,
    // which a command line split again would make foo.exe with the argument bar.exe.
    WriteHostFile(HostTemp() + "/foo.exe", kSetup);
    Open({{"foo\" bar.exe", kSetup}, {"x\" setup.exe", kSetup}});
    main->ListView1->SetSelected(0, true);
    main->SpeedButton3Click();
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].hostArgv, std::vector<std::string>{HostTemp() + "/foo\" bar.exe"});
    main->AutoExit = false;
    main->btnInstallClick();
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[1].hostArgv, std::vector<std::string>{HostTemp() + "/x\" setup.exe"});
}

TEST_F(Install, AProgramThatCannotStartIsNamedWithWhereItsFilesAre) {
    // No Windows program loader on the search path.
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", (MachineRoot() + "/no-programs").c_str(), 1);
    const std::string tail =
        ". Its files were extracted to C:\\WINDOWS\\Temp (" + HostTemp() + " on this machine).";
    struct Row {
        const char* data;
        std::string reason;
    };
    const Row rows[] = {
        {"MZ\x90\0\3",
         "it is a Windows program, and no Windows program loader (wine) is installed"},
        {"just text", "it is not a program this system can run"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        Open({{"readme.txt", "r"}, {"setup.exe", row.data}});
        const qsizetype seen = dialogs->Messages().size();
        main->AutoExit = false;
        main->btnInstallClick();
        EXPECT_TRUE(starts.empty());
        EXPECT_EQ(
            dialogs->Messages().mid(seen),
            QStringList{QString::fromStdString(
                "Pakrune could not start C:\\WINDOWS\\Temp\\setup.exe: " + row.reason + tail)});
    }
    ::setenv("PATH", path.c_str(), 1);
}

TEST_F(Install, ADamagedDownloadStartsNothingAndSaysWhichEntriesFailed) {
    zipbytes::Entry damaged{"data/lib.bin", std::string(5000, 'd')};
    damaged.crc = zipbytes::Crc(damaged.data);
    damaged.data[2500] = 'x'; // one byte changed on the way
    const std::vector<zipbytes::Entry> download = {
        {"readme.txt", "r"}, damaged, {"setup.exe", kSetup}};
    const QString said = QString::fromStdString(
        "The download tool.zip is damaged: its setup program was not started. These entries did "
        "not extract:\nCRC error in data/lib.bin\nThe files that did extract are in "
        "C:\\WINDOWS\\Temp (" +
        HostTemp() + " on this machine).");
    // The Auto Install command: nothing starts, and the program stays with its message.
    Open(download);
    main->btnInstallClick();
    EXPECT_EQ(dialogs->Messages(), QStringList{said});
    EXPECT_TRUE(starts.empty());
    EXPECT_EQ(terminations, 0);
    EXPECT_EQ(ReadHostFile(HostTemp() + "/readme.txt"), "r"); // where the message says
    // The choice window's Autoinstall button.
    DestroyForms();
    WriteArchive(DriveC() + "/dl/tool.zip", download);
    dialogs->Act([](QWidget* window) {
        window->findChild<QToolButton*>("SpeedButton2")->click();
        return 0;
    });
    Start({DriveC() + "/dl/tool.zip"});
    EXPECT_EQ(dialogs->Messages(), (QStringList{said, said}));
    EXPECT_TRUE(starts.empty());
    // Running the setup entry alone extracts and starts it, as before.
    main->ListView1->SetSelected(0, false);
    for (int row = 0; row < main->ListView1->RowCount(); ++row)
        main->ListView1->SetSelected(row, main->ListView1->Cell(row, 0) == "setup.exe");
    main->SpeedButton3Click();
    EXPECT_EQ(Started(), HostTemp() + "/setup.exe");
    EXPECT_EQ(dialogs->Messages().size(), 2);
}
