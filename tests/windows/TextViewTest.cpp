// The text viewer: loading files, Find Next, word wrap, closing, saving, printing and the font.
#include "ScriptedDialogs.h"
#include "TestMachine.h"

#include "platform/ui/FindDialog.h"
#include "windows/TextView.h"
#include "windows/ViewerText.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <sys/stat.h>

using namespace testing_support;

namespace {

class TextViewer : public ::testing::Test {
protected:
    // Writes a file below C:\view and loads it into the viewer.
    void Load(const std::string& bytes, const std::string& name = "file.txt") {
        WriteHostFile(DriveC() + "/view/" + name, bytes);
        viewer.LoadFromFile("C:\\view\\" + name);
    }
    // Types the text into the find dialog and presses Find Next.
    void FindNext(const QString& text) {
        viewer.FindDialog1->SetFindText(text);
        viewer.FindDialog1->findChild<QPushButton*>("FindNext")->click();
    }
    QString Text() const { return viewer.RichEdit1->toPlainText(); }
    std::pair<int, int> Selection() const {
        const QTextCursor cursor = viewer.RichEdit1->textCursor();
        return {cursor.selectionStart(), cursor.selectionEnd()};
    }
    int LinesOfFirstBlock() const {
        const QTextBlock block = viewer.RichEdit1->document()->firstBlock();
        viewer.RichEdit1->document()->documentLayout()->blockBoundingRect(block); // lays it out
        return block.layout()->lineCount();
    }

    ScriptedDialogs dialogs;
    TfrmTextViewer viewer;
};

struct Press {
    const char* find;
    int start; // where the selection starts afterwards (-1: nothing selected)
    int length;
};

struct FindRow {
    const char* name;
    const char* file;
    std::vector<Press> presses;
};

} // namespace

TEST_F(TextViewer, StartsAsDesigned) {
    EXPECT_EQ(viewer.windowTitle(), "Text Viewer");
    EXPECT_TRUE(viewer.RichEdit1->isReadOnly());
    EXPECT_EQ(viewer.RichEdit1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_TRUE(viewer.Item("WrapLines1")->isChecked());
    EXPECT_EQ(viewer.RichEdit1->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    const QFontInfo font(viewer.RichEdit1->font());
    EXPECT_TRUE(font.family() == "Courier New" || font.family() == "Liberation Mono")
        << font.family().toStdString();
    EXPECT_EQ(font.pointSize(), 10);
    EXPECT_TRUE(font.fixedPitch());
    viewer.show();
    EXPECT_TRUE(viewer.isMaximized());
    viewer.hide();
}

TEST_F(TextViewer, FindNextSelectsEachOccurrenceInTurn) {
    const FindRow rows[] = {
        {"first match at 0", "word and word", {{"word", 0, 4}, {"word", 9, 4}, {"word", 9, 4}}},
        {"first match at 1 and 2", "xyab ab", {{"yab", 1, 3}, {"ab", 2, 2}, {"ab", 5, 2}}},
        {"three far apart",
         "a needle, a needle and a needle",
         {{"needle", 2, 6}, {"needle", 12, 6}, {"needle", 25, 6}, {"needle", 25, 6}}},
        {"overlapping", "aaaa", {{"aa", 0, 2}, {"aa", 1, 2}, {"aa", 2, 2}, {"aa", 2, 2}}},
        {"adjacent", "xabab", {{"ab", 1, 2}, {"ab", 3, 2}, {"ab", 3, 2}}},
        {"not found keeps the selection", "one two", {{"two", 4, 3}, {"zzz", 4, 3}, {"one", 0, 3}}},
        {"nothing found yet", "one two", {{"zzz", -1, 0}, {"zzz", -1, 0}, {"two", 4, 3}}},
        {"changed text restarts",
         "cat dog cat dog",
         {{"dog", 4, 3}, {"dog", 12, 3}, {"cat", 0, 3}, {"dog", 4, 3}}},
        {"letter case counts", "Word word", {{"word", 5, 4}, {"Word", 0, 4}}},
        {"across line breaks",
         "ab\r\ncd ab\rab\nab",
         {{"ab", 0, 2}, {"ab", 6, 2}, {"ab", 9, 2}, {"ab", 12, 2}}},
        {"an empty search does nothing", "abc", {{"", -1, 0}, {"b", 1, 1}, {"", 1, 1}}},
    };
    dialogs.Answer({.accepted = true});
    viewer.Item("Find1")->trigger();
    for (const FindRow& row : rows) {
        SCOPED_TRACE(row.name);
        Load(row.file);
        int pressed = 0;
        for (const Press& press : row.presses) {
            FindNext(press.find);
            ++pressed;
            if (press.start < 0) {
                EXPECT_FALSE(viewer.RichEdit1->textCursor().hasSelection()) << "press " << pressed;
                continue;
            }
            EXPECT_EQ(Selection(), std::pair(press.start, press.start + press.length))
                << "press " << pressed;
            EXPECT_EQ(viewer.RichEdit1->textCursor().selectedText(),
                      Text().mid(press.start, press.length));
        }
    }
    // The find dialog opened without modality, and nothing found was no message.
    ASSERT_EQ(dialogs.Shown().size(), 1u);
    EXPECT_EQ(dialogs.Shown()[0].kind, DialogKind::Modeless);
    EXPECT_EQ(dialogs.Shown()[0].caption, "Find");
}

TEST_F(TextViewer, LoadingAnotherFileStartsTheSearchAfresh) {
    Load("first target, second target", "a.txt");
    FindNext("target");
    FindNext("target");
    ASSERT_EQ(Selection(), std::pair(21, 27));
    Load("target at the start", "b.txt");
    EXPECT_TRUE(viewer.LastFindText.isEmpty());
    FindNext("target");
    EXPECT_EQ(Selection(), std::pair(0, 6));
}

TEST_F(TextViewer, WrapLinesTogglesWordWrap) {
    std::string line;
    for (int i = 0; i < 300; ++i)
        line += "word ";
    Load(line + "\nshort\n");
    viewer.resize(600, 400);
    viewer.show();
    QApplication::processEvents();
    EXPECT_GT(LinesOfFirstBlock(), 1);
    viewer.Item("WrapLines1")->trigger();
    EXPECT_FALSE(viewer.Item("WrapLines1")->isChecked());
    EXPECT_EQ(viewer.RichEdit1->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(LinesOfFirstBlock(), 1);
    EXPECT_EQ(viewer.RichEdit1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    viewer.Item("WrapLines1")->trigger();
    EXPECT_TRUE(viewer.Item("WrapLines1")->isChecked());
    EXPECT_GT(LinesOfFirstBlock(), 1);
    viewer.hide();
}

TEST_F(TextViewer, EscAndExitCloseTheViewerShownWithoutModality) {
    const std::pair<const char*, std::function<void()>> rows[] = {
        {"Esc", [this] { QTest::keyClick(viewer.RichEdit1, Qt::Key_Escape); }},
        {"Exit", [this] { viewer.Item("Exit1")->trigger(); }},
    };
    for (const auto& [name, close] : rows) {
        dialogs.Answer({.accepted = true});
        viewer.ViewModeless((Load("readme"), "C:\\view\\file.txt"));
        viewer.show(); // the scripted service does not show it
        ASSERT_TRUE(viewer.isVisible()) << name;
        close();
        EXPECT_FALSE(viewer.isVisible()) << name;
    }
    EXPECT_EQ(dialogs.Shown().back().kind, DialogKind::Modeless);
}

TEST_F(TextViewer, EscEndsTheModalShowing) {
    WriteHostFile(DriveC() + "/view/file.txt", "text");
    int result = -1;
    dialogs.Act([&](QWidget* window) {
        auto* dialog = qobject_cast<QDialog*>(window);
        QTimer::singleShot(0, [this] { QTest::keyClick(viewer.RichEdit1, Qt::Key_Escape); });
        QTimer::singleShot(5000, dialog, [dialog] { dialog->done(99); }); // a safety net
        result = dialog->exec();
        return result;
    });
    viewer.ViewModal("C:\\view\\file.txt");
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_FALSE(viewer.isVisible());
}

TEST_F(TextViewer, AViewerOpenWithoutModalityIsShownModallyForTheViewCommand) {
    dialogs.Answer({.accepted = true});
    viewer.ViewModeless((Load("readme", "readme.txt"), "C:\\view\\readme.txt"));
    viewer.show();
    WriteHostFile(DriveC() + "/view/entry.txt", "entry");
    bool hiddenFirst = false;
    dialogs.Act([&](QWidget* window) {
        hiddenFirst = !window->isVisible();
        return 0;
    });
    viewer.ViewModal("C:\\view\\entry.txt");
    EXPECT_TRUE(hiddenFirst);
    EXPECT_EQ(Text(), "entry");
}

TEST_F(TextViewer, AFileThatCannotBeReadIsAMessageAndChangesNothing) {
    Load("kept");
    std::filesystem::create_directories(DriveC() + "/view/folder");
    ASSERT_EQ(::mkfifo((DriveC() + "/view/pipe").c_str(), 0600), 0);
    const std::pair<const char*, const char*> rows[] = {
        {"C:\\view\\missing.txt",
         "Cannot open file \"C:\\view\\missing.txt\". No such file or directory"},
        {"C:\\view\\folder", "Cannot open file \"C:\\view\\folder\". Is a directory"},
        {"C:\\view\\pipe", "Cannot open file \"C:\\view\\pipe\". It is not a file."},
    };
    for (const auto& [path, message] : rows) {
        try {
            viewer.ViewModal(path);
            ADD_FAILURE() << path << " was read";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), message);
        }
        EXPECT_EQ(Text(), "kept") << path;
    }
    EXPECT_TRUE(dialogs.Shown().empty()); // the viewer was never shown
}

TEST_F(TextViewer, AHugeFileShowsItsStartWithANotice) {
    // One line of 17 MB: too long to show whole, and far too long for one line of the control.
    Load(std::string(viewer_text::kMaxViewedBytes + 1024 * 1024, 'x'));
    EXPECT_EQ(dialogs.Messages(), QStringList{viewer_text::kTruncatedNotice});
    const QTextDocument* document = viewer.RichEdit1->document();
    EXPECT_EQ(document->blockCount(), viewer_text::kMaxViewedBytes / viewer_text::kLongestLine);
    EXPECT_EQ(document->lastBlock().length() - 1, viewer_text::kLongestLine);
    viewer.show();
    QApplication::processEvents();
    viewer.hide();
}

TEST_F(TextViewer, SaveAsWritesTheBytesShownAsTheFileHadThem) {
    // Code page 437, CRLF and a line too long to show whole: all saved as they came.
    const std::string original =
        "caf\x82\r\nline two\n" + std::string(viewer_text::kLongestLine * 2 + 5, 'x') + "\n";
    Load(original);
    WriteHostFile(DriveC() + "/out/saved.txt", "an older file, longer than the text");
    dialogs.Respond([](const DialogRequest& request) {
        EXPECT_EQ(request.file.filter, "Text File (*.*)|*.*");
        return DialogAnswer{.accepted = true, .text = "C:\\out\\saved.txt"};
    });
    viewer.Item("SaveAs1")->trigger();
    EXPECT_EQ(ReadHostFile(DriveC() + "/out/saved.txt"), original);
    EXPECT_EQ(dialogs.Messages(), QStringList{});
}

TEST_F(TextViewer, SaveAsOfAFileLargerThanShownSaysSoBeforeWriting) {
    const std::string huge(viewer_text::kMaxViewedBytes + 1024 * 1024, 'x');
    Load(huge);
    std::filesystem::create_directories(DriveC() + "/out");
    // Declined: no file is chosen and nothing is written.
    dialogs.AnswerNo();
    viewer.Item("SaveAs1")->trigger();
    ASSERT_EQ(dialogs.Shown().size(), 2u); // the notice of the loading, then the question
    EXPECT_EQ(dialogs.Shown()[1].kind, DialogKind::Confirm);
    EXPECT_EQ(dialogs.Shown()[1].text, viewer_text::kTruncatedSaveQuestion);
    // Agreed: the part shown is saved.
    dialogs.AnswerYes();
    dialogs.AnswerText("C:\\out\\part.txt");
    viewer.Item("SaveAs1")->trigger();
    EXPECT_EQ(dialogs.Shown().back().kind, DialogKind::SaveFile);
    // (Compared as a whole: a difference printed would be 16 MB.)
    EXPECT_TRUE(ReadHostFile(DriveC() + "/out/part.txt") ==
                huge.substr(0, viewer_text::kMaxViewedBytes));
    // A file shown whole is saved without the question.
    Load("small");
    dialogs.AnswerText("C:\\out\\small.txt");
    const std::size_t shown = dialogs.Shown().size();
    viewer.Item("SaveAs1")->trigger();
    ASSERT_EQ(dialogs.Shown().size(), shown + 1);
    EXPECT_EQ(dialogs.Shown().back().kind, DialogKind::SaveFile);
    EXPECT_EQ(ReadHostFile(DriveC() + "/out/small.txt"), "small");
}

TEST_F(TextViewer, TheFindDialogBelongsToTheViewerAndGoesWithIt) {
    platform::ui::FindDialog* find = viewer.FindDialog1;
    EXPECT_EQ(find->parentWidget(), &viewer);
    EXPECT_TRUE(find->isWindow());
    EXPECT_FALSE(find->isModal());
    // "Find what:" with the n as its accelerator: the label's buddy is the search text, without
    // which the ampersand would be shown as it is.
    const auto* label = find->findChild<QLabel*>("FindLabel");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), "Fi&nd what:");
    EXPECT_EQ(label->buddy(), find->findChild<QLineEdit*>("FindText"));
    const std::pair<const char*, std::function<void()>> closings[] = {
        {"Exit", [this] { viewer.Item("Exit1")->trigger(); }},
        {"Escape", [this] { QTest::keyClick(viewer.RichEdit1, Qt::Key_Escape); }},
    };
    for (const auto& [name, close] : closings) {
        SCOPED_TRACE(name);
        viewer.show();
        find->show();
        QApplication::processEvents();
        close();
        EXPECT_FALSE(viewer.isVisible());
        EXPECT_FALSE(find->isVisible());
    }
}

TEST_F(TextViewer, SaveAsOverAReadOnlyFileIsAMessageAndKeepsIt) {
    Load("text");
    const std::string target = DriveC() + "/out/locked.txt";
    WriteHostFile(target, "locked");
    ::chmod(target.c_str(), 0444);
    dialogs.AnswerText("C:\\out\\locked.txt");
    viewer.Item("SaveAs1")->trigger();
    EXPECT_EQ(dialogs.Messages(),
              QStringList{"Cannot create file \"C:\\out\\locked.txt\". Permission denied"});
    EXPECT_EQ(ReadHostFile(target), "locked");
}

TEST_F(TextViewer, FontTakesTheChosenFaceSizeStyleAndColour) {
    const QFont initial = viewer.RichEdit1->font();
    QFont chosen("Liberation Serif", 14);
    chosen.setBold(true);
    dialogs.Respond([&](const DialogRequest& request) {
        EXPECT_EQ(request.font, initial);
        EXPECT_EQ(request.colour, viewer.RichEdit1->palette().color(QPalette::Text));
        return DialogAnswer{.accepted = true, .font = chosen, .colour = Qt::red};
    });
    viewer.Item("Font1")->trigger();
    EXPECT_EQ(viewer.RichEdit1->font(), chosen);
    EXPECT_EQ(viewer.RichEdit1->palette().color(QPalette::Text), QColor(Qt::red));
    dialogs.AnswerCancel();
    viewer.Item("Font1")->trigger();
    EXPECT_EQ(viewer.RichEdit1->font(), chosen);
}

TEST_F(TextViewer, PrintPrintsTheTextWhenThePrintDialogIsConfirmed) {
    Load("printed text\n");
    const std::string pdf = HostTemp() + "/printed.pdf";
    viewer.Printer().setOutputFileName(QString::fromStdString(pdf));
    dialogs.AnswerCancel();
    viewer.Item("Print1")->trigger();
    EXPECT_FALSE(HostExists(pdf));
    dialogs.AnswerYes();
    viewer.Item("Print1")->trigger();
    ASSERT_TRUE(HostExists(pdf));
    EXPECT_EQ(ReadHostFile(pdf).substr(0, 5), "%PDF-");
    EXPECT_EQ(viewer.Printer().docName(), "");
    dialogs.AnswerYes();
    viewer.Item("PrintSetup1")->trigger();
    EXPECT_EQ(dialogs.Shown().back().kind, DialogKind::PrinterSetup);
}
