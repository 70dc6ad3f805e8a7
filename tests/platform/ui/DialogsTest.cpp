// The dialog service: scripted answers, the record of what was shown, modal windows, and the
// default error box behind every command handler.
#include "platform/ui/Dialogs.h"
#include "platform/ui/ErrorBox.h"
#include "platform/ui/FindDialog.h"
#include "platform/ui/HourGlass.h"

#include "ScriptedDialogs.h"

#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace platform::ui;
using testing_support::ScriptedDialogs;

TEST(Dialogs, ScriptedAnswersComeBackInOrderAndEverythingShownIsRecorded) {
    ScriptedDialogs dialogs;
    dialogs.AnswerYes();
    dialogs.AnswerNo();
    dialogs.AnswerText("new folder");
    dialogs.AnswerCancel();
    dialogs.AnswerText("C:\\DOWNLOAD\\tool.zip");

    ShowMessage("No files selected");
    EXPECT_TRUE(Confirm("Delete Existing Archive: C:\\a.zip?"));
    EXPECT_FALSE(Confirm("Overwrite Existing File: C:\\b.zip?"));
    EXPECT_EQ(InputQuery("Create directory", "Directory name: ", ""), QString("new folder"));
    EXPECT_FALSE(InputQuery("Create directory", "Directory name: ", ""));
    EXPECT_EQ(OpenFileName({.title = "Open Existing ZIP File"}),
              std::string("C:\\DOWNLOAD\\tool.zip"));

    ASSERT_EQ(dialogs.Shown().size(), 6u);
    EXPECT_EQ(dialogs.Shown()[0].kind, DialogKind::Message);
    EXPECT_EQ(dialogs.Shown()[0].caption, "Pakrune");
    EXPECT_EQ(dialogs.Shown()[1].kind, DialogKind::Confirm);
    EXPECT_EQ(dialogs.Shown()[2].text, "Overwrite Existing File: C:\\b.zip?");
    EXPECT_EQ(dialogs.Shown()[3].caption, "Create directory");
    EXPECT_EQ(dialogs.Shown()[3].text, "Directory name: ");
    EXPECT_EQ(dialogs.Shown()[5].caption, "Open Existing ZIP File");
    EXPECT_EQ(dialogs.Messages(), QStringList{"No files selected"});
}

TEST(Dialogs, AModalWindowIsScriptedByActingOnIt) {
    QDialog window;
    window.setWindowTitle("Extract to :");
    auto* ok = new QPushButton("OK", &window);
    bool pressed = false;
    QObject::connect(ok, &QPushButton::clicked, [&] {
        pressed = true;
        window.accept();
    });
    ScriptedDialogs dialogs;
    dialogs.Act([](QWidget* shown) {
        shown->findChild<QPushButton*>()->click();
        return static_cast<QDialog*>(shown)->result();
    });
    EXPECT_EQ(ShowModal(&window), QDialog::Accepted);
    EXPECT_TRUE(pressed);
    EXPECT_EQ(dialogs.Shown().at(0).kind, DialogKind::Modal);
    EXPECT_EQ(dialogs.Shown().at(0).caption, "Extract to :");
}

TEST(Dialogs, AnErrorEscapingACommandIsShownAndTheProgramGoesOn) {
    QPushButton button;
    int runs = 0;
    ConnectCommand(&button, &QPushButton::clicked, &button, [&] {
        ++runs;
        HourGlass busy;
        throw std::runtime_error("Cannot open file C:\\locked.zip");
    });
    bool checkedArgument = true;
    ConnectCommand(&button, &QPushButton::clicked, &button,
                   [&](bool checked) { checkedArgument = checked; });

    ScriptedDialogs dialogs;
    button.click();
    EXPECT_FALSE(HourGlassShown()); // the guard put the cursor back on the way out
    button.click();
    EXPECT_EQ(runs, 2);
    EXPECT_FALSE(checkedArgument); // handlers may take the signal's arguments
    ASSERT_EQ(dialogs.Shown().size(), 2u);
    EXPECT_EQ(dialogs.Shown()[0].kind, DialogKind::Error);
    EXPECT_EQ(dialogs.Shown()[0].text, "Cannot open file C:\\locked.zip");
}

TEST(Dialogs, TheFindDialogIsModelessAndReportsEachFindNext) {
    FindDialog find;
    QStringList searched;
    QObject::connect(&find, &FindDialog::findNext, [&](const QString& text) { searched << text; });
    ScriptedDialogs dialogs;
    dialogs.Act([](QWidget* shown) {
        shown->findChild<QLineEdit*>("FindText")->setText("needle");
        shown->findChild<QPushButton*>("FindNext")->click();
        shown->findChild<QPushButton*>("FindNext")->click();
        return 0;
    });
    find.Execute();
    EXPECT_EQ(dialogs.Shown().at(0).kind, DialogKind::Modeless);
    EXPECT_EQ(searched, (QStringList{"needle", "needle"}));
    EXPECT_EQ(find.FindText(), "needle");
}

TEST(Dialogs, FileDialogsShowTheFilterTextsAsWrittenAndLeaveTheOverwriteQuestionToTheCaller) {
    struct Row {
        const char* filter;
        QStringList shown;    // the texts the user chooses from
        QStringList patterns; // what the dialog matches files by, the last bracket of each filter
        bool save;
    };
    const Row rows[] = {
        {"Zip file (*.zip)|*.zip|All Zip files (*.zip, *.exe)|*.zip;*.exe",
         {"Zip file (*.zip)", "All Zip files (*.zip, *.exe)"},
         {"(*.zip)", "(*.zip *.exe)"},
         false},
        {"Zip file (*.zip)|*.zip", {"Zip file (*.zip)"}, {"(*.zip)"}, true},
        {"Text File (*.*)|*.*", {"Text File (*.*)"}, {"(*.*)"}, true},
        {"ZIP Files (*.ZIP)|*.zip", {"ZIP Files (*.ZIP)"}, {"(*.zip)"}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.filter);
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        PrepareFileDialog(dialog, {.filter = row.filter}, row.save);
        const auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
        ASSERT_NE(types, nullptr);
        QStringList shown;
        for (int i = 0; i < types->count(); ++i)
            shown << types->itemText(i);
        EXPECT_EQ(shown, row.shown);
        ASSERT_EQ(dialog.nameFilters().size(), row.patterns.size());
        for (int i = 0; i < row.patterns.size(); ++i)
            EXPECT_TRUE(dialog.nameFilters()[i].endsWith(row.patterns[i])) << i;
        // Saving over a file asks once: the caller's question, not the dialog's as well.
        EXPECT_TRUE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
        EXPECT_EQ(dialog.acceptMode(),
                  row.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    }
    // An open dialog for a file the program makes is a dialog for a new file.
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    PrepareFileDialog(dialog, {.filter = "ZIP Files (*.ZIP)|*.zip", .createsFile = true}, false);
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(dialog.labelText(QFileDialog::Accept), "&Create");
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
}
