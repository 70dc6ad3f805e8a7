// Extracting, running and dragging entries out: the folder must exist, a file is used only when
// this extraction wrote it inside the temp folder, the engine's errors reach the user, and
// commands wait while an engine call runs.
#include "MainFormTest.h"

#include "app/ExtractedFile.h"
#include "platform/ui/ListView.h"

#include <QAction>
#include <QCoreApplication>
#include <QMimeData>
#include <QProgressBar>
#include <QToolButton>
#include <QUrl>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace testing_support;

namespace {

const std::string kProgram = "#!/bin/sh\nexit 0\n";

class Extract : public MainFormTest {
protected:
    void Open(const std::vector<zipbytes::Entry>& entries) {
        WriteArchive(DriveC() + "/a.zip", entries);
        Start();
        main->AutoRun = false;
        main->OpenArchive("C:\\a.zip");
    }
    // Selects the row whose File cell is name, alone.
    void Select(const QString& name) {
        for (int row = 0; row < main->ListView1->RowCount(); ++row)
            main->ListView1->SetSelected(row, main->ListView1->Cell(row, 0) == name);
    }
};

zipbytes::Entry WithWrongCrc(const char* name, const std::string& data) {
    zipbytes::Entry entry{name, data};
    entry.crc = 0x12345678;
    return entry;
}

} // namespace

TEST_F(Extract, AFolderThatIsNotThereGetsNothing) {
    Open({{"a.txt", "a"}});
    const auto before = std::filesystem::current_path();
    main->ExtractAllTo("C:\\missing");
    main->ExtractAllTo("?"); // the tree's answer when nothing is selected
    EXPECT_EQ(dialogs->Messages(),
              (QStringList{"The folder C:\\missing does not exist. Nothing was extracted.",
                           "No folder is selected. Nothing was extracted."}));
    EXPECT_FALSE(HostExists(before.string() + "/a.txt")); // not into the current folder either
    EXPECT_TRUE(main->ZipMaster1.FSpecArgs.empty());
}

TEST_F(Extract, AMissingTempFolderIsMadeBeforeRunning) {
    Open({{"tool.exe", kProgram}});
    main->TempDir = "C:\\Fresh";
    Select("tool.exe");
    main->SpeedButton3Click();
    EXPECT_EQ(ReadHostFile(DriveC() + "/Fresh/tool.exe"), kProgram);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].hostArgv.at(0), DriveC() + "/Fresh/tool.exe");
}

TEST_F(Extract, AFailedExtractionNeverRunsAnOlderFile) {
    // An earlier archive left tool.exe in the temp folder; this one's copy has a wrong CRC.
    WriteHostFile(HostTemp() + "/tool.exe", kProgram);
    Open({WithWrongCrc("tool.exe", "#!/bin/sh\necho new\n")});
    Select("tool.exe");
    main->SpeedButton3Click();
    EXPECT_TRUE(starts.empty());
    const QStringList messages = dialogs->Messages();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[0].contains("tool.exe")) << messages[0].toStdString(); // the engine's
    EXPECT_EQ(messages[1], "Could not extract tool.exe.");
    EXPECT_EQ(ReadHostFile(HostTemp() + "/tool.exe"), kProgram); // left as it was
}

TEST_F(Extract, OnlyTheFileTheEngineReportedWritingIsUsed) {
    // Whatever else happens to a file under that name (touched, changed, replaced), only the
    // file the engine wrote counts, told by its identity on the disk.
    const std::string host = HostTemp() + "/setup.exe";
    WriteHostFile(host, kProgram);
    struct stat st {};
    ASSERT_EQ(::stat(host.c_str(), &st), 0);
    const std::vector<FileIdentity> written = {
        {1, 2}, {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)}};
    const ExtractedFile file("C:\\WINDOWS\\Temp", "setup.exe");
    platform::Descriptor verified;
    EXPECT_EQ(file.Verify(written, verified), ExtractedFile::Check::Usable);
    ::chmod(host.c_str(), 0755); // a change of its status alone is no new writing
    platform::Descriptor none;
    EXPECT_EQ(file.Verify({}, none), ExtractedFile::Check::NotWritten);
    EXPECT_FALSE(none);
    WriteHostFile(host + ".new", "#!/bin/sh\necho another\n");
    std::filesystem::rename(host + ".new", host); // another file under the same name
    EXPECT_EQ(file.Verify(written, none), ExtractedFile::Check::NotWritten);
    // The descriptor checked still reads the file that was checked.
    ASSERT_TRUE(verified);
    char head[64] = {};
    EXPECT_EQ(std::string(head, ::pread(verified.Get(), head, sizeof head, 0)), kProgram);
}

TEST_F(Extract, NamesLeadingOutOfTheTempFolderAreNeverStarted) {
    // A program outside, reachable by a name with ".." or through a link in the temp folder.
    WriteHostFile(DriveC() + "/outside.exe", kProgram);
    std::filesystem::create_symlink(DriveC(), HostTemp() + "/link");
    Open({{"../outside.exe", kProgram}, {"link/outside.exe", kProgram}});
    ASSERT_EQ(main->ListView1->RowCount(), 2);
    for (int row = 0; row < 2; ++row) {
        for (int other = 0; other < 2; ++other)
            main->ListView1->SetSelected(other, other == row);
        main->SpeedButton3Click();
    }
    EXPECT_TRUE(starts.empty());
    const QString tail =
        " does not lie inside the temporary folder C:\\WINDOWS\\Temp; it is not opened.";
    EXPECT_EQ(dialogs->Messages(), (QStringList{"The entry ../outside.exe" + tail,
                                                "The entry link/outside.exe" + tail}));
}

TEST_F(Extract, CommandsWaitWhileTheEngineRuns) {
    Open({{"big.bin", std::string(3000000, 'b')}});
    std::filesystem::create_directories(DriveC() + "/out");
    bool triedDuringCall = false;
    QObject::connect(main->ProgressBar1, &QProgressBar::valueChanged, [&](int) {
        if (triedDuringCall || !main->EngineRunning())
            return;
        triedDuringCall = true;
        main->Item("Install1")->trigger(); // would extract again: ignored
        main->close();                     // waits for the call to end
        EXPECT_TRUE(main->isVisible());
    });
    main->ExtractAllTo("C:\\out");
    EXPECT_TRUE(triedDuringCall);
    EXPECT_TRUE(dialogs->Messages().isEmpty()); // Install did not run ("not found" otherwise)
    EXPECT_EQ(ReadHostFile(DriveC() + "/out/big.bin").size(), 3000000u);
    QCoreApplication::processEvents();
    EXPECT_FALSE(main->isVisible()); // closed once the call had ended
}

TEST_F(Extract, RowsDraggedOutBecomeTheirExtractedFiles) {
    Open({{"docs/a.txt", "alpha"}, {"b.txt", "beta"}, {"c.txt", "gamma"}});
    ASSERT_EQ(Column(0), (QStringList{"b.txt", "c.txt", "a.txt"})); // sorted by stored name
    // The drag asks the list's model for the data of the dragged rows (no real drag here).
    platform::ui::ListModel& model = main->ListView1->Model();
    ASSERT_TRUE(model.flags(model.index(0, 0)) & Qt::ItemIsDragEnabled);
    const QModelIndexList dragged = {model.index(2, 0), model.index(2, 3), model.index(0, 0)};
    std::unique_ptr<QMimeData> data(model.mimeData(dragged));
    ASSERT_TRUE(data);
    const QList<QUrl> expected = {
        QUrl::fromLocalFile(QString::fromStdString(HostTemp() + "/b.txt")),
        QUrl::fromLocalFile(QString::fromStdString(HostTemp() + "/docs/a.txt"))};
    EXPECT_EQ(data->urls(), expected);
    EXPECT_EQ(ReadHostFile(HostTemp() + "/docs/a.txt"), "alpha");
    EXPECT_FALSE(HostExists(HostTemp() + "/c.txt")); // only what was dragged
    EXPECT_EQ(main->DragRowsOut({}), nullptr);
}

TEST_F(Extract, CancelStopsTheEngineAndLeavesNoPartialFile) {
    Open({{"first.bin", std::string(100000, 'f')}, {"second.bin", std::string(3000000, 's')}});
    std::filesystem::create_directories(DriveC() + "/out");
    EXPECT_FALSE(main->CancelButton->isVisibleTo(main));
    QObject::connect(main->ProgressBar1, &QProgressBar::valueChanged, [&](int value) {
        if (value > 40 && main->EngineRunning() && main->CancelButton->isVisibleTo(main))
            main->CancelButton->click();
    });
    main->ExtractAllTo("C:\\out");
    EXPECT_EQ(dialogs->Messages(), QStringList{"The operation was cancelled."});
    EXPECT_EQ(ReadHostFile(DriveC() + "/out/first.bin").size(), 100000u); // finished before
    EXPECT_FALSE(HostExists(DriveC() + "/out/second.bin"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(DriveC() + "/out"), {}), 1);
    EXPECT_FALSE(main->CancelButton->isVisibleTo(main));
}
