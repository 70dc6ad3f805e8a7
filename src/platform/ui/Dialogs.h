// The dialog service: every dialog the program shows (message, confirmation, input, open and save
// file, font, colour, print, printer setup, find, folder browser) and every one of our own windows
// shown modally goes through here. A hook can take each request instead of a real dialog: tests
// script the answers and read back, in order, what was shown.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QFileDialog;
class QPrinter;
class QWidget;

namespace platform::ui {

enum class DialogKind {
    Message, // text with OK
    Error,   // the application's default error box
    Confirm, // text with Yes and No
    Input,   // caption, prompt and a text to edit
    OpenFile,
    SaveFile,
    Font,
    Colour,
    Print,
    PrinterSetup,
    Modal,    // one of our own windows, shown modally
    Modeless, // one of our own windows, shown without modality (the find dialog, the readme)
    BrowseFolder,
    Password // caption, prompt and a masked text to type
};

// Options of the open and save dialogs. The filter is written as "Text|*.ext|Text|*.a;*.b".
struct FileDialogOptions {
    QString title{};
    QString filter{};
    QString defaultExt{};
    std::string initialDir{}; // Windows path
    bool fileMustExist = false;
    bool pathMustExist = false;
    bool hideReadOnly = false;
    bool allowMultiSelect = false; // the open dialog: several files can be chosen at once
    // The chosen file is one the program makes: the dialog is one for a new file, whose button
    // says "Create" (never "Open").
    bool createsFile = false;
};

// An open folder browser, as its caller sees it: while it is open it can be told to select a
// folder (which reports a selection change, as the user's click does) and to show a status text.
class FolderBrowser {
public:
    virtual void SelectFolder(const std::string& path) = 0; // Windows path; "C:" is the drive
    virtual void SetStatusText(const QString& text) = 0;

protected:
    ~FolderBrowser() = default;
};

// The folder browser's request. The caller learns of the open browser through shown, before the
// user can act, and of every change of the selected folder through selectionChanged.
struct FolderBrowseOptions {
    QString title{}; // the text above the folder tree
    bool showStatus = false;
    std::function<void(FolderBrowser& browser)> shown{};
    std::function<void(const std::string& path)> selectionChanged{};
};

struct DialogRequest {
    DialogKind kind = DialogKind::Message;
    QString caption{};
    QString text{};    // message or prompt
    QString initial{}; // the text an input starts with
    FileDialogOptions file{};
    FolderBrowseOptions folder{};
    QFont font{};
    QColor colour{};
    QWidget* window = nullptr; // Modal and Modeless
};

struct DialogAnswer {
    bool accepted = false; // OK or Yes
    QString text{};        // typed text, or the chosen file or folder as a Windows path
    QStringList files{};   // the files chosen in an open dialog with several files selectable
    QFont font{};
    QColor colour{};
    int modalResult = 0; // Modal: what the window ended with
};

// Takes every request while set; an empty hook restores the real dialogs.
using DialogHook = std::function<DialogAnswer(const DialogRequest&)>;
void SetDialogHook(DialogHook hook);

// The application's title, shown as the caption of message boxes.
QString ApplicationTitle();

void ShowMessage(const QString& text);
void ShowError(const QString& text);
bool Confirm(const QString& text); // true for Yes
std::optional<QString> InputQuery(const QString& caption, const QString& prompt,
                                  const QString& initial);
// Like InputQuery, starting empty, with what is typed shown as dots.
std::optional<QString> PasswordQuery(const QString& caption, const QString& prompt);
std::optional<std::string> OpenFileName(const FileDialogOptions& options);
// The open dialog with several files selectable: the chosen files in the dialog's order.
std::optional<std::vector<std::string>> OpenFileNames(FileDialogOptions options);
std::optional<std::string> SaveFileName(const FileDialogOptions& options);
// Sets up the real open or save dialog for options: each text of the filter shown as written and
// its patterns choosing the files; a save dialog (also an open dialog for a file the program
// makes) that does not ask about replacing a file itself.
void PrepareFileDialog(QFileDialog& dialog, const FileDialogOptions& options, bool save);
// The font dialog with effects: face, size, style and the text colour.
struct FontChoice {
    QFont font;
    QColor colour;
};
std::optional<FontChoice> ChooseFont(const QFont& initial, const QColor& initialColour);
std::optional<QColor> ChooseColour(const QColor& initial);
// The chosen folder as a Windows path (a drive as "C:\"), or nothing for Cancel.
std::optional<std::string> BrowseForFolder(const FolderBrowseOptions& options);
bool ExecutePrintDialog(QPrinter& printer);
bool ExecutePrinterSetup(QPrinter& printer);

// Shows window modally and returns its modal result (QDialog's result for dialogs, 0 for other
// windows once they are hidden).
int ShowModal(QWidget* window);
// Shows window without modality.
void ShowModeless(QWidget* window);

} // namespace platform::ui
