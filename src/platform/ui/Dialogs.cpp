// The dialog service and its real dialogs.
#include "platform/ui/Dialogs.h"

#include "platform/PathMap.h"
#include "platform/ui/FolderBrowseDialog.h"
#include "platform/ui/FontEffectsDialog.h"

#include <QApplication>
#include <QColorDialog>
#include <QCursor>
#include <QDialog>
#include <QEventLoop>
#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>

namespace platform::ui {
namespace {

DialogHook& Hook() {
    static DialogHook hook;
    return hook;
}

std::optional<DialogAnswer> Hooked(const DialogRequest& request) {
    if (!Hook())
        return std::nullopt;
    // A copy, so a hook may replace itself while it runs.
    DialogHook hook = Hook();
    return hook(request);
}

// "Zip file (*.zip)|*.zip|All (*.zip, *.exe)|*.zip;*.exe" in the form QFileDialog takes: each
// text followed by its patterns in brackets, which the dialog reads and, told to hide the
// details, leaves out of what it shows.
QString QtFilter(const QString& filter) {
    const QStringList parts = filter.split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        out << parts[i] + " (" + QString(parts[i + 1]).replace(';', ' ') + ")";
    return out.join(";;");
}

// The chosen files as Windows paths, or nothing for Cancel.
std::optional<std::vector<std::string>> RunFileDialog(const FileDialogOptions& options, bool save) {
    QFileDialog dialog(QApplication::activeWindow(), options.title);
    PrepareFileDialog(dialog, options, save);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    std::vector<std::string> files;
    for (const QString& file : dialog.selectedFiles())
        files.push_back(WindowsPathOf(file.toStdString()));
    return files;
}

// The one file of a dialog that chooses one.
std::optional<std::string> FirstFile(const std::optional<std::vector<std::string>>& files) {
    return files ? std::optional(files->front()) : std::nullopt;
}

// A box shown while a long operation has the hourglass up gets the normal arrow: the user is
// asked something, so the program waits for the user, not the other way round.
class ArrowWhileAsking {
public:
    ArrowWhileAsking() : busy_(QGuiApplication::overrideCursor() != nullptr) {
        if (busy_)
            QGuiApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
    }
    ~ArrowWhileAsking() {
        if (busy_)
            QGuiApplication::restoreOverrideCursor();
    }
    ArrowWhileAsking(const ArrowWhileAsking&) = delete;
    ArrowWhileAsking& operator=(const ArrowWhileAsking&) = delete;

private:
    bool busy_;
};

} // namespace

void PrepareFileDialog(QFileDialog& dialog, const FileDialogOptions& options, bool save) {
    dialog.setAcceptMode(save || options.createsFile ? QFileDialog::AcceptSave
                                                     : QFileDialog::AcceptOpen);
    if (options.createsFile)
        dialog.setLabelText(QFileDialog::Accept, QStringLiteral("&Create"));
    // The callers ask before replacing a file where they mean to: the dialog asking first would
    // make it two questions.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    // Before the filter is set, or the dialog would show each text with its patterns again.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    if (options.allowMultiSelect)
        dialog.setFileMode(QFileDialog::ExistingFiles);
    else
        dialog.setFileMode(options.fileMustExist ? QFileDialog::ExistingFile
                                                 : QFileDialog::AnyFile);
    dialog.setNameFilter(QtFilter(options.filter));
    dialog.setDefaultSuffix(options.defaultExt);
    if (!options.initialDir.empty())
        if (const auto host = HostPathOf(options.initialDir))
            dialog.setDirectory(QString::fromStdString(*host));
}

void SetDialogHook(DialogHook hook) {
    Hook() = std::move(hook);
}

QString ApplicationTitle() {
    const QString name = QApplication::applicationDisplayName();
    return name.isEmpty() ? QStringLiteral("Pakrune") : name;
}

void ShowMessage(const QString& text) {
    const DialogRequest request{
        .kind = DialogKind::Message, .caption = ApplicationTitle(), .text = text};
    if (Hooked(request))
        return;
    const ArrowWhileAsking arrow;
    QMessageBox::information(QApplication::activeWindow(), request.caption, text, QMessageBox::Ok);
}

void ShowError(const QString& text) {
    const DialogRequest request{
        .kind = DialogKind::Error, .caption = ApplicationTitle(), .text = text};
    if (Hooked(request))
        return;
    const ArrowWhileAsking arrow;
    QMessageBox::critical(QApplication::activeWindow(), request.caption, text, QMessageBox::Ok);
}

bool Confirm(const QString& text) {
    const DialogRequest request{
        .kind = DialogKind::Confirm, .caption = QStringLiteral("Confirm"), .text = text};
    if (const auto answer = Hooked(request))
        return answer->accepted;
    const ArrowWhileAsking arrow;
    return QMessageBox::question(QApplication::activeWindow(), request.caption, text,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

namespace {

// A text asked in a small modal box with OK and Cancel; nothing for Cancel.
std::optional<QString> AskText(DialogKind kind, const QString& caption, const QString& prompt,
                               const QString& initial, QLineEdit::EchoMode echo) {
    const DialogRequest request{
        .kind = kind, .caption = caption, .text = prompt, .initial = initial};
    if (const auto answer = Hooked(request))
        return answer->accepted ? std::optional(answer->text) : std::nullopt;
    bool ok = false;
    const QString text =
        QInputDialog::getText(QApplication::activeWindow(), caption, prompt, echo, initial, &ok);
    return ok ? std::optional(text) : std::nullopt;
}

} // namespace

std::optional<QString> InputQuery(const QString& caption, const QString& prompt,
                                  const QString& initial) {
    return AskText(DialogKind::Input, caption, prompt, initial, QLineEdit::Normal);
}

std::optional<QString> PasswordQuery(const QString& caption, const QString& prompt) {
    return AskText(DialogKind::Password, caption, prompt, {}, QLineEdit::Password);
}

std::optional<std::string> OpenFileName(const FileDialogOptions& options) {
    const DialogRequest request{
        .kind = DialogKind::OpenFile, .caption = options.title, .file = options};
    if (const auto answer = Hooked(request))
        return answer->accepted ? std::optional(answer->text.toStdString()) : std::nullopt;
    return FirstFile(RunFileDialog(options, false));
}

std::optional<std::vector<std::string>> OpenFileNames(FileDialogOptions options) {
    options.allowMultiSelect = true;
    const DialogRequest request{
        .kind = DialogKind::OpenFile, .caption = options.title, .file = options};
    if (const auto answer = Hooked(request)) {
        if (!answer->accepted)
            return std::nullopt;
        std::vector<std::string> files;
        for (const QString& file : answer->files)
            files.push_back(file.toStdString());
        return files;
    }
    return RunFileDialog(options, false);
}

std::optional<std::string> SaveFileName(const FileDialogOptions& options) {
    const DialogRequest request{
        .kind = DialogKind::SaveFile, .caption = options.title, .file = options};
    if (const auto answer = Hooked(request))
        return answer->accepted ? std::optional(answer->text.toStdString()) : std::nullopt;
    return FirstFile(RunFileDialog(options, true));
}

std::optional<FontChoice> ChooseFont(const QFont& initial, const QColor& initialColour) {
    const DialogRequest request{.kind = DialogKind::Font, .font = initial, .colour = initialColour};
    if (const auto answer = Hooked(request))
        return answer->accepted ? std::optional(FontChoice{answer->font, answer->colour})
                                : std::nullopt;
    FontEffectsDialog dialog(initial, initialColour, QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return FontChoice{dialog.SelectedFont(), dialog.SelectedColour()};
}

std::optional<QColor> ChooseColour(const QColor& initial) {
    const DialogRequest request{.kind = DialogKind::Colour, .colour = initial};
    if (const auto answer = Hooked(request))
        return answer->accepted ? std::optional(answer->colour) : std::nullopt;
    const QColor colour = QColorDialog::getColor(initial, QApplication::activeWindow());
    return colour.isValid() ? std::optional(colour) : std::nullopt;
}

std::optional<std::string> BrowseForFolder(const FolderBrowseOptions& options) {
    const DialogRequest request{
        .kind = DialogKind::BrowseFolder, .caption = options.title, .folder = options};
    if (const auto answer = Hooked(request))
        return answer->accepted ? std::optional(answer->text.toStdString()) : std::nullopt;
    FolderBrowseDialog dialog(options, QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted || dialog.SelectedFolder().empty())
        return std::nullopt;
    return dialog.SelectedFolder();
}

bool ExecutePrintDialog(QPrinter& printer) {
    const DialogRequest request{.kind = DialogKind::Print};
    if (const auto answer = Hooked(request))
        return answer->accepted;
    QPrintDialog dialog(&printer, QApplication::activeWindow());
    return dialog.exec() == QDialog::Accepted;
}

bool ExecutePrinterSetup(QPrinter& printer) {
    const DialogRequest request{.kind = DialogKind::PrinterSetup};
    if (const auto answer = Hooked(request))
        return answer->accepted;
    QPageSetupDialog dialog(&printer, QApplication::activeWindow());
    return dialog.exec() == QDialog::Accepted;
}

int ShowModal(QWidget* window) {
    const DialogRequest request{
        .kind = DialogKind::Modal, .caption = window->windowTitle(), .window = window};
    if (const auto answer = Hooked(request))
        return answer->modalResult;
    if (auto* dialog = qobject_cast<QDialog*>(window))
        return dialog->exec();
    // A plain window: modal until it hides.
    QPointer<QWidget> guard(window);
    window->setWindowModality(Qt::ApplicationModal);
    window->show();
    QEventLoop loop;
    while (guard && guard->isVisible())
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    if (guard)
        guard->setWindowModality(Qt::NonModal);
    return 0;
}

void ShowModeless(QWidget* window) {
    const DialogRequest request{
        .kind = DialogKind::Modeless, .caption = window->windowTitle(), .window = window};
    if (Hooked(request))
        return;
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace platform::ui
