// The internal text viewer (TfrmTextViewer): a file shown as plain, read-only text, with find,
// copy, select all, word wrap, font, print, printer setup and save as. It is created once and
// reused for every file: the View command shows it modally, the readme without modality.
#pragma once

#include "platform/ui/Form.h"

#include <QString>
#include <memory>
#include <string>

class QAction;
class QKeyEvent;
class QPlainTextEdit;
class QPrinter;
namespace platform::ui {
class FindDialog;
}

class TfrmTextViewer : public platform::ui::Form {
    Q_OBJECT
public:
    explicit TfrmTextViewer(QWidget* parent = nullptr);
    ~TfrmTextViewer() override;

    // Replaces the text with the file at a Windows path and starts searches afresh. A file that
    // cannot be read throws, with the message for the user, and leaves the viewer as it was.
    void LoadFromFile(const std::string& winPath);
    // Loads the file and shows the viewer modally; returns when it is closed. A viewer that is
    // open without modality (the readme) becomes modal.
    void ViewModal(const std::string& winPath);
    // Loads the file and shows the viewer without modality, or brings it to the front.
    void ViewModeless(const std::string& winPath);

    // The menu item of this name.
    QAction* Item(const char* name) const;
    // The printer that the print and printer setup dialogs share.
    QPrinter& Printer();

    // Menu commands.
    void SaveAs1Click();
    void Print1Click();
    void PrintSetup1Click();
    void Exit1Click();
    void Copy1Click();
    void SelectAll1Click();
    void Find1Click();
    void WrapLines1Click();
    void Font1Click();

    // Esc in the text closes the viewer; true when the key was taken.
    bool RichEdit1KeyDown(const QKeyEvent& key);
    // Find Next in the find dialog.
    void FindDialog1Find(const QString& findText);

    QPlainTextEdit* RichEdit1;
    platform::ui::FindDialog* FindDialog1;

    // The search text of the previous Find Next and the position where it matched (-1 when it
    // was not found); cleared whenever a file is loaded.
    QString LastFindText;
    qsizetype LastFindPos = 0;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenu();
    void Select(qsizetype position, qsizetype length);

    std::unique_ptr<QPrinter> printer_;
    bool shownBefore_ = false;
    // The bytes of the file that the text shows, as the file holds them: what Save As writes.
    std::string shownBytes_;
    bool truncated_ = false; // the file holds more than shownBytes_
};
