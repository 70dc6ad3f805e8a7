// The settings file and the recent files: defaults, what each command writes, and a restart that
// restores every saved setting.
#include "MainFormTest.h"

#include "app/ListingText.h"
#include "app/SettingsFile.h"
#include "platform/ui/ListView.h"

#include <QAction>
#include <QGuiApplication>
#include <QScreen>
#include <filesystem>
#include <sys/stat.h>

using namespace testing_support;

namespace {

class Settings : public MainFormTest {
protected:
    std::string Ini() const { return DriveC() + "/Program Files/Pakrune/pakrune.ini"; }
    void WriteIni(const std::string& text) { WriteHostFile(Ini(), text); }
    std::vector<int> Widths() const {
        std::vector<int> widths;
        for (int column = 0; column < 6; ++column)
            widths.push_back(main->ListView1->ColumnWidth(column));
        return widths;
    }
    void Open(const std::string& winPath) {
        dialogs->AnswerText(QString::fromStdString(winPath));
        main->Open1Click();
    }
    QStringList RecentItems() const {
        QStringList texts;
        for (const char* name : {"LastZip1", "LastZip2", "LastZip3", "LastZip4"})
            texts << main->Item(name)->text();
        return texts;
    }
};

} // namespace

TEST(SettingsValues, IntegersAsTheFileWritesThem) {
    const std::pair<const char*, std::optional<int>> rows[] = {{"12", 12},
                                                               {"-5", -5},
                                                               {"$10", 16},
                                                               {"$FFFFFFFF", -1},
                                                               {"0x1F", 31},
                                                               {"0X1f", 31},
                                                               {"0x", std::nullopt},
                                                               {"12abc", std::nullopt},
                                                               {"", std::nullopt},
                                                               {"$", std::nullopt},
                                                               {"1.5", std::nullopt},
                                                               {" 7", std::nullopt},
                                                               {"99999999999", std::nullopt}};
    for (const auto& [text, value] : rows)
        EXPECT_EQ(ParseSettingsInteger(text), value) << text;
}

TEST_F(Settings, DefaultsWithoutAFile) {
    Start();
    EXPECT_TRUE(main->AutoMove && main->AutoRun && main->AutoExit && main->Netscape && main->IE);
    EXPECT_EQ(main->DownloadDir, "c:\\download");
    std::vector<int> widths = Widths();
    // Date/Time as designed, or as wide as the widest date and time the locale writes.
    EXPECT_GE(widths[2], 100);
    for (const QString& text : listing::WidestDateTimeTexts())
        EXPECT_LE(main->ListView1->CellWidth(text), widths[2]) << text.toStdString();
    widths[2] = 100;
    EXPECT_EQ(widths, (std::vector<int>{200, 80, 100, 60, 80, 300}));
    EXPECT_FALSE(main->ListView1->GridLines());
    EXPECT_EQ(main->ListView1->ListFont().family(), "Arial");
    EXPECT_EQ(main->ListColor, colours::clWindow);
    EXPECT_EQ(main->ListView1->Color(), main->palette().color(QPalette::Base));
    EXPECT_EQ(RecentItems(), (QStringList{"&1 ", "&2 ", "&3 ", "&4 "}));
    EXPECT_FALSE(main->Item("FileInfo1")->isEnabled());
}

TEST_F(Settings, StoredValuesAreAppliedAndHandEditedOnesSurvive) {
    WriteIni(
        "; edited by "
        "hand\n[Mine]\nkeep=this\n[Options]\nAutoMove=0\nDownloadDir=\nAutoRun=$0\nAutoExit=junk\n"
        "[Browsers]\nIE=0x0\n[Settings]\nGridLines=1\nColor=not a colour\n[Last "
        "Files]\n1=C:\\a.zip\n[Columns]\nTime=42\n");
    Start();
    EXPECT_EQ(main->ListView1->ColumnWidth(2), 42); // the user's width, however narrow
    EXPECT_FALSE(main->AutoMove);
    EXPECT_EQ(main->DownloadDir, ""); // present and empty is not the default
    EXPECT_FALSE(main->AutoRun);
    EXPECT_TRUE(main->AutoExit); // does not parse: the default
    EXPECT_FALSE(main->IE);
    EXPECT_TRUE(main->ListView1->GridLines());
    EXPECT_FALSE(main->Item("GridLines1")->isChecked()); // the check mark stays as designed
    EXPECT_EQ(main->ListColor, colours::clWindow);       // an unreadable colour is passed over...
    EXPECT_EQ(RecentItems()[0], "&1 C:\\a.zip");         // ...and the rest is read all the same
    main->SaveSettings1Click();
    main->SaveColumnwidth1Click();
    main->Savewindowpos1Click();
    Restart();
    const std::string text = ReadHostFile(Ini());
    EXPECT_NE(text.find("; edited by hand\n[Mine]\nkeep=this\n"), std::string::npos);
    EXPECT_NE(text.find("AutoExit=junk"), std::string::npos);
}

TEST_F(Settings, ColoursByNameOrNumber) {
    for (const char* stored : {"$00FF0000", "clblue", "16711680"}) {
        WriteIni(std::string("[Settings]\nColor=") + stored + "\n");
        Start();
        EXPECT_EQ(main->ListColor, 0xFF0000) << stored;
        EXPECT_EQ(main->ListView1->Color(), QColor(0, 0, 255)) << stored;
        main->SaveSettings1Click();
        EXPECT_NE(ReadHostFile(Ini()).find("Color=clBlue"),
                  std::string::npos); // written by its name
        DestroyForms();
    }
    EXPECT_EQ(colours::ColorToString(0x123456), "$00123456");
    EXPECT_EQ(colours::StringToColor("clNone"), colours::clNone);
    EXPECT_EQ(colours::ColorToString(static_cast<std::int32_t>(0x8000000F)), "clBtnFace");
}

TEST_F(Settings, TheWindowPositionSurvivesARestartUnlessItIsOffEveryScreen) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    Start();
    const QPoint centred = main->frameGeometry().topLeft();
    struct Row {
        int left;
        int expectedX;
    };
    for (const Row row :
         {Row{-1, centred.x()}, Row{0, 0}, Row{-5, -5}, Row{screen.right() + 500, centred.x()}}) {
        WriteIni("[Window]\nLeft=" + std::to_string(row.left) + "\nTop=-1\nWidth=700\nHeight=-1\n");
        Restart();
        // The offscreen platform may shift a window that reaches past the screen by its 2-pixel
        // frame.
        EXPECT_NEAR(main->frameGeometry().x(), row.expectedX, 2) << "Left=" << row.left;
        EXPECT_EQ(main->frameGeometry().width(), 700);
    }
    main->move(12, 34);
    main->Savewindowpos1Click();
    Restart();
    EXPECT_EQ(main->frameGeometry().topLeft(), QPoint(12, 34));
}

TEST_F(Settings, TheRecentFilesKeepTheirOrderAndTheNewestFourPaths) {
    for (const char* name : {"a", "b", "c", "d", "e"})
        WriteArchive(DriveC() + "/" + name + ".zip", {{"x.txt", "x"}});
    WriteArchive(DriveC() + "/A.ZIP", {{"x.txt", "x"}});
    Start();
    main->AutoRun = false;
    Open("C:\\a.zip");
    Open("C:\\b.zip");
    Open("C:\\a.zip"); // already there: stays in its slot
    EXPECT_EQ(RecentItems(), (QStringList{"&1 C:\\b.zip", "&2 C:\\a.zip", "&3 ", "&4 "}));
    Open("C:\\A.zip"); // another letter case is another path
    Open("C:\\c.zip");
    Open("C:\\d.zip");
    EXPECT_EQ(RecentItems(),
              (QStringList{"&1 C:\\d.zip", "&2 C:\\c.zip", "&3 C:\\A.zip", "&4 C:\\b.zip"}));
    Restart(); // written at the end, read at the start
    EXPECT_EQ(RecentItems()[3], "&4 C:\\b.zip");
    main->AutoRun = false;
    main->Item("LastZip2")->trigger();
    EXPECT_EQ(main->ZipMaster1.ZipFilename(), "C:\\c.zip");
    std::filesystem::remove(DriveC() + "/b.zip");
    main->Item("LastZip4")->trigger();
    EXPECT_EQ(dialogs->Messages(), QStringList{"File does not exist"});
}

TEST_F(Settings, ColumnTogglesAndSavedWidths) {
    Start();
    main->Item("Size1")->trigger(); // hide
    EXPECT_EQ(main->ListView1->ColumnWidth(1), 0);
    main->SaveColumnwidth1Click();
    EXPECT_NE(ReadHostFile(Ini()).find("Size=0"), std::string::npos);
    Restart();
    EXPECT_EQ(main->ListView1->ColumnWidth(1), 0);
    EXPECT_TRUE(main->Item("Size1")->isChecked());
    main->Item("Size1")->trigger();
    main->Item("Size1")->trigger(); // shown again: the stored width, 0
    EXPECT_EQ(main->ListView1->ColumnWidth(1), 0);
    // A column without a stored width is fitted to its contents, not given its start-up width.
    std::filesystem::remove(Ini());
    Restart();
    main->Item("Ratio1")->trigger();
    main->Item("Ratio1")->trigger();
    EXPECT_GT(main->ListView1->ColumnWidth(3), 0);
    EXPECT_NE(main->ListView1->ColumnWidth(3), 60);
}

TEST_F(Settings, OnlyTheFontFaceSurvivesARestart) {
    Start();
    const QFont designed = main->ListView1->ListFont();
    QFont chosen("DejaVu Serif", 12);
    chosen.setBold(true);
    dialogs->Answer({.accepted = true, .font = chosen, .colour = QColor(Qt::darkRed)});
    main->Font1Click();
    EXPECT_TRUE(main->ListView1->ListFont().bold());
    EXPECT_EQ(main->ListView1->TextColor(), QColor(Qt::darkRed));
    main->SaveSettings1Click();
    Restart();
    EXPECT_EQ(main->ListView1->ListFont().family(), "DejaVu Serif");
    EXPECT_FALSE(main->ListView1->ListFont().bold());
    EXPECT_NE(main->ListView1->TextColor(), QColor(Qt::darkRed));
    EXPECT_EQ(main->ListView1->ListFont().pointSizeF(), designed.pointSizeF());
}

TEST_F(Settings, ARefusedWriteIsReportedAndStopsTheCommand) {
    WriteIni("[Settings]\nGridLines=0\n");
    ::chmod(Ini().c_str(), 0444);
    Start();
    main->Item("GridLines1")->trigger();
    main->SaveSettings1Click();
    EXPECT_EQ(
        dialogs->Messages(),
        QStringList{
            "Unable to write to C:\\Program Files\\Pakrune\\pakrune.ini"}); // once, not three times
    EXPECT_EQ(ReadHostFile(Ini()), "[Settings]\nGridLines=0\n");
    ::chmod(Ini().c_str(), 0644);
}

TEST_F(Settings, APickedBackgroundColourIsSavedAsItsValue) {
    Start();
    dialogs->Answer({.accepted = true, .colour = QColor(0x12, 0x34, 0x56)});
    main->BackgroundColor1Click();
    EXPECT_EQ(main->ListView1->Color(), QColor(0x12, 0x34, 0x56));
    main->SaveSettings1Click();
    EXPECT_NE(ReadHostFile(Ini()).find("Color=$00563412"), std::string::npos); // 0x00BBGGRR
    Restart();
    EXPECT_EQ(main->ListView1->Color(), QColor(0x12, 0x34, 0x56));
}
