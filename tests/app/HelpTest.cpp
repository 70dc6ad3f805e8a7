// The Help menu: the help file through the help engine, the readme in the viewer, the web pages
// and the feedback mail through the shell, and the about window placed over the main window.
#include "MainFormTest.h"

#include "platform/ui/WinHelp.h"
#include "windows/TextView.h"
#include "windows/about.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>
#include <filesystem>
#include <set>

using namespace testing_support;
using platform::ui::DialogKind;

namespace {

const std::string kProgramFolder = "/Program Files/Pakrune/";

class Help : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        Start();
    }
    // Answers the next modeless window by keeping it.
    QWidget* const* KeepModeless() {
        dialogs->Respond([this](const platform::ui::DialogRequest& request) {
            EXPECT_EQ(request.kind, DialogKind::Modeless);
            modeless_ = request.window;
            return platform::ui::DialogAnswer{.accepted = true};
        });
        return &modeless_;
    }

private:
    QWidget* modeless_ = nullptr;
};

TEST_F(Help, ContentsOpensTheHelpFileInTheHelpWindow) {
    WriteHostFile(DriveC() + kProgramFolder + "pakrune.hlp",
                  "<html><head><title>Pakrune Help</title></head><body><h1>Pakrune Help</h1>"
                  "<h2><a name=\"contents\"></a>Contents</h2><p>Opening an archive</p></body>"
                  "</html>");
    for (const auto& command :
         {std::function<void()>([this] { main->Item("Contents1")->trigger(); }),
          std::function<void()>([this] { main->Button("SpeedButton8")->click(); })}) {
        QWidget* const* window = KeepModeless();
        command();
        ASSERT_NE(*window, nullptr);
        EXPECT_EQ((*window)->windowTitle(), "Pakrune Help");
        auto* text = (*window)->findChild<QTextBrowser*>("HelpText");
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(text->toPlainText(), "Pakrune Help\nContents\nOpening an archive");
        // A screen reader names the text by the window's title; Escape closes the window.
        EXPECT_EQ(text->accessibleName(), "Pakrune Help");
        (*window)->show();
        (*window)->activateWindow();
        QTest::keyClick(text, Qt::Key_Escape);
        EXPECT_FALSE((*window)->isVisible());
    }
    EXPECT_EQ(main->findChildren<QWidget*>("HelpWindow").size(), 1); // one window, reused
    EXPECT_TRUE(dialogs->Messages().isEmpty());
}

TEST_F(Help, AMissingHelpFileGetsTheHelpEngineMessage) {
    main->Item("Contents1")->trigger();
    EXPECT_EQ(dialogs->Messages(),
              QStringList{"Cannot open the help file C:\\Program Files\\Pakrune\\pakrune.hlp."});
    EXPECT_TRUE(main->findChildren<QWidget*>("HelpWindow").isEmpty());
}

TEST_F(Help, TheReadmeOpensInTheViewerWithoutModality) {
    WriteHostFile(DriveC() + kProgramFolder + "readme.txt", "Read me first.\n");
    QWidget* const* window = KeepModeless();
    main->Item("Readmetxt1")->trigger();
    EXPECT_EQ(*window, AppForms().frmTextViewer);
    EXPECT_EQ(AppForms().frmTextViewer->RichEdit1->toPlainText(), "Read me first.\n");
}

TEST_F(Help, AMissingReadmeIsAnErrorAndNoViewer) {
    main->Item("Readmetxt1")->trigger();
    ASSERT_EQ(dialogs->Shown().size(), 1u);
    EXPECT_EQ(dialogs->Shown()[0].kind, DialogKind::Error);
    EXPECT_TRUE(dialogs->Shown()[0].text.contains("readme.txt"))
        << dialogs->Shown()[0].text.toStdString();
}

TEST_F(Help, WebPagesAndMailGoToTheShell) {
    main->Item("TolvekHomePage1")->trigger();
    main->Item("LatestVersion1")->trigger();
    main->Item("SendUsYourComments1")->trigger();
    main->Button("SpeedButton11")->click();
    main->Item("FileInfo1")->trigger(); // does nothing
    std::vector<std::string> opened;
    for (const auto& start : starts) {
        EXPECT_EQ(start.kind, platform::ProgramStart::Kind::ShellOpen);
        opened.push_back(start.request);
    }
    EXPECT_EQ(opened, (std::vector<std::string>{
                          "https://www.tolvek.example/", "https://www.pakrune.example/",
                          "mailto:feedback@pakrune.example", "mailto:feedback@pakrune.example"}));
    EXPECT_TRUE(dialogs->Shown().empty());
}

struct Placement {
    int left, top, width, height;
};

class AboutPlacement : public Help, public ::testing::WithParamInterface<Placement> {};

TEST_P(AboutPlacement, TheAboutWindowOpensOverTheMiddleOfTheMainWindow) {
    const Placement& at = GetParam();
    main->setGeometry(at.left, at.top, at.width, at.height);
    QApplication::processEvents();
    QPoint shownAt;
    QString version;
    dialogs->Act([&](QWidget* window) {
        window->show();
        QApplication::processEvents();
        shownAt = window->frameGeometry().topLeft();
        version = static_cast<TAboutBox*>(window)->lblVersion->text();
        window->hide();
        return 1;
    });
    main->Item("About1")->trigger();
    const QRect frame = main->frameGeometry();
    EXPECT_EQ(shownAt, QPoint(frame.left() + frame.width() / 2 - 153,
                              frame.top() + frame.height() / 2 - 103));
    EXPECT_EQ(version, "Version 4.0");
}

INSTANTIATE_TEST_SUITE_P(MainWindowPlaces, AboutPlacement,
                         ::testing::Values(Placement{40, 30, 576, 440},
                                           Placement{300, 200, 801, 603},
                                           Placement{0, 0, 400, 300}));

// The help file that the build puts beside the program: every link inside it leads to an anchor
// of its own, and it has the contents the help engine opens at.
TEST(HelpFile, EveryLinkOfTheShippedHelpFileHasItsAnchor) {
    const std::string bin = std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
    const QString html = QString::fromStdString(ReadHostFile(bin + "/pakrune.hlp"));
    std::set<QString> anchors, links;
    for (const auto& match : QRegularExpression("<a name=\"([^\"]+)\"").globalMatch(html))
        anchors.insert(match.captured(1));
    for (const auto& match : QRegularExpression("<a href=\"#([^\"]+)\"").globalMatch(html))
        links.insert(match.captured(1));
    EXPECT_TRUE(anchors.contains("contents"));
    EXPECT_GT(links.size(), 10u);
    for (const QString& link : links)
        EXPECT_TRUE(anchors.contains(link)) << link.toStdString();
    EXPECT_FALSE(ReadHostFile(bin + "/readme.txt").empty());
}

} // namespace
