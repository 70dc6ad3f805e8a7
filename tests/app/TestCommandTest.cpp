// Zip > Test: the selected entries, or all, are read as an extraction reads them and nothing is
// written; one message says that all the files are sound, or names only the entries that failed,
// and why. Cancel stops it with no result.
#include "MainFormTest.h"

#include "platform/ui/ListView.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QToolButton>
#include <filesystem>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

const std::string kText = "All work and no play makes a dull archive.\n";

class TestCommand : public MainFormTest {
protected:
    void Open(const std::vector<zipbytes::Entry>& entries) {
        WriteArchive(DriveC() + "/a.zip", entries);
        if (!main)
            Start();
        main->AutoRun = false;
        main->OpenArchive("C:\\a.zip");
    }
    void Select(const QStringList& names) {
        for (int row = 0; row < main->ListView1->RowCount(); ++row)
            main->ListView1->SetSelected(row, names.contains(main->ListView1->Cell(row, 0)));
    }
    // What the command said, run as the Zip menu runs it.
    QStringList Tested() {
        const qsizetype seen = dialogs->Messages().size();
        main->Item("Test1")->trigger();
        return dialogs->Messages().mid(seen);
    }
    // Every file and folder of the test machine with its time of change.
    static std::vector<std::string> Machine() {
        std::vector<std::string> found;
        std::error_code gone;
        for (const auto& item : fs::recursive_directory_iterator(MachineRoot()))
            found.push_back(
                item.path().string() + " " +
                std::to_string(fs::last_write_time(item.path(), gone).time_since_epoch().count()));
        return found;
    }
};

// The entry with one byte of its data changed, as a damaged download has it: its headers still
// tell of the data as it was.
zipbytes::Entry Damaged(zipbytes::Entry entry) {
    entry.crc = entry.crc.value_or(zipbytes::Crc(entry.data));
    entry.data[entry.data.size() / 2] ^= 0x55;
    return entry;
}

} // namespace

TEST_F(TestCommand, TheZipMenuOffersItAfterExtractAllWhileAnArchiveHasEntries) {
    Start();
    QAction* test = main->Item("Test1");
    ASSERT_TRUE(test);
    EXPECT_EQ(test->text(), "&Test");
    EXPECT_EQ(test->shortcut(), QKeySequence("Ctrl+T"));
    const QList<QAction*> zip = main->menuBar()->findChild<QMenu*>("Zip1")->actions();
    ASSERT_GT(zip.indexOf(test), 0);
    EXPECT_EQ(zip[zip.indexOf(test) - 1], main->Item("ExtractAll1"));
    EXPECT_FALSE(test->isEnabled()); // no archive
    Open({});
    EXPECT_FALSE(test->isEnabled()); // an archive without entries
    Open({{"a.txt", "a"}});
    EXPECT_TRUE(test->isEnabled());
    main->CloseArchive1Click();
    EXPECT_FALSE(test->isEnabled());
}

TEST_F(TestCommand, SoundEntriesAreCountedAndNothingIsWritten) {
    Open({{"docs/", ""},
          zipbytes::DeflatedEntry("docs/a.txt", kText),
          {"b.bin", std::string(100000, 'b')},
          {"../up.txt", "a name an extraction refuses"}});
    const struct {
        QStringList selected;
        QString said;
    } rows[] = {
        {{}, "All 3 files in a.zip tested and sound."},
        {{"b.bin"}, "1 file in a.zip tested and sound."},
        {{"a.txt", "up.txt"}, "All 2 files in a.zip tested and sound."},
    };
    const auto before = Machine();
    // The first row, which the listing selects, is no choice of the user's: all are tested.
    ASSERT_EQ(main->ListView1->SelectedRows(), std::vector<int>{0});
    EXPECT_EQ(Tested(), QStringList{rows[0].said});
    for (const auto& row : rows) {
        SCOPED_TRACE(row.selected.join(" ").toStdString());
        Select(row.selected);
        EXPECT_EQ(Tested(), QStringList{row.said});
    }
    EXPECT_EQ(Machine(), before);
    EXPECT_EQ(main->ZipMaster1.ExtrOptions & ExtrTest, 0); // the next extraction writes again
}

TEST_F(TestCommand, OnlyTheEntriesThatFailedAreNamedWithWhy) {
    std::vector<zipbytes::Entry> many;
    for (int i = 0; i < 25; ++i) {
        zipbytes::Entry entry{"bad" + std::to_string(100 + i) + ".txt", kText};
        entry.crc = 1;
        many.push_back(entry);
    }
    QStringList listed = {"25 of 26 files in a.zip failed the test:"};
    for (int i = 0; i < 20; ++i)
        listed << QString("CRC error in bad%1.txt").arg(100 + i);
    many.push_back({"good.txt", kText});
    const struct {
        const char* what;
        std::vector<zipbytes::Entry> entries;
        QStringList said;
    } rows[] = {
        {"a stored entry with a changed byte",
         {{"a.txt", kText}, Damaged({"b.txt", kText}), {"c.txt", kText}},
         {"1 of 3 files in a.zip failed the test:\nCRC error in b.txt"}},
        {"a deflated entry with a changed byte",
         {zipbytes::DeflatedEntry("a.txt", kText),
          Damaged(zipbytes::DeflatedEntry("b.txt", std::string(5000, 'x') + kText)),
          zipbytes::DeflatedEntry("c.txt", kText)},
         {"1 of 3 files in a.zip failed the test:\ndata shorter than its declared size in b.txt"}},
        {"an entry of a method nobody here reads",
         {{"a.txt", kText}, {.name = "b.wv", .data = "waves", .method = 97}},
         {"1 of 2 files in a.zip failed the test:\nCannot read b.wv: its compression method 97 "
          "(WavPack) is not supported"}},
        {"more failures than a message lists", many, {listed.join('\n') + "\n... and 5 more"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Open(row.entries);
        EXPECT_EQ(Tested(), row.said);
    }
}

TEST_F(TestCommand, CancelStopsTheTestWithoutAResult) {
    Open({{"first.bin", std::string(100000, 'f')}, {"second.bin", std::string(3000000, 's')}});
    int peak = 0;
    QObject::connect(main->ProgressBar1, &QProgressBar::valueChanged, [&](int value) {
        peak = std::max(peak, value);
        if (value > 40 && main->EngineRunning() && main->CancelButton->isVisibleTo(main))
            main->CancelButton->click();
    });
    EXPECT_EQ(Tested(), QStringList{"The operation was cancelled."});
    EXPECT_GT(peak, 40); // the bar followed the bytes tested
    EXPECT_FALSE(main->CancelButton->isVisibleTo(main));
    // The next test runs whole.
    QObject::disconnect(main->ProgressBar1, nullptr, nullptr, nullptr);
    EXPECT_EQ(Tested(), QStringList{"All 2 files in a.zip tested and sound."});
}

TEST_F(TestCommand, AnArchiveGoneOrChangedSinceItWasListedGivesNoResult) {
    Open({{"a.txt", kText}, {"b.txt", kText}});
    EXPECT_EQ(Tested(), QStringList{"All 2 files in a.zip tested and sound."});
    WriteArchive(DriveC() + "/a.zip", {{"a.txt", "another"}});
    EXPECT_EQ(Tested(), QStringList{"Cannot test C:\\a.zip: another program changed it meanwhile. "
                                    "Open it again to see what it holds now."});
    fs::remove(DriveC() + "/a.zip");
    // The component says so itself; no count of an earlier test passes for this one's.
    EXPECT_EQ(Tested(), (QStringList{"Error - no zip file specified", "No files were tested."}));
}
