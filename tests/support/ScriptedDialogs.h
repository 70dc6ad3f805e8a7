// Scripted answers for the dialog service: a test queues what the user will do in each dialog,
// and reads back, in order, every dialog that was shown. A dialog nobody scripted fails the test.
#pragma once

#include "platform/ui/Dialogs.h"

#include <deque>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

// Readable QStrings in test failures.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace testing_support {

using platform::ui::DialogAnswer;
using platform::ui::DialogKind;
using platform::ui::DialogRequest;

// The folder browser as a script shows it: it records what its caller tells it while it is open,
// and reports every selection back to the caller, as the real browser does.
class ScriptedFolderBrowser : public platform::ui::FolderBrowser {
public:
    explicit ScriptedFolderBrowser(const platform::ui::FolderBrowseOptions& options)
        : options_(options) {}

    // The caller's request or the user's click alike.
    void SelectFolder(const std::string& path) override;
    void SetStatusText(const QString& text) override { statusTexts << text; }

    std::vector<std::string> selections;
    QStringList statusTexts;

private:
    const platform::ui::FolderBrowseOptions& options_;
};

struct ShownDialog {
    DialogKind kind;
    QString caption;
    QString text;
};

class ScriptedDialogs {
public:
    ScriptedDialogs();  // takes over the dialog service
    ~ScriptedDialogs(); // gives it back to the refusing hook

    // The next dialog gets this answer; a Message or Error needs no script (it only has OK).
    void Answer(DialogAnswer answer);
    void AnswerYes() { Answer({.accepted = true}); }
    void AnswerNo() { Answer({.accepted = false}); }
    void AnswerText(const QString& text) { Answer({.accepted = true, .text = text}); }
    void AnswerCancel() { Answer({.accepted = false}); }
    // For a modal window: act on it (press a button, type a name) and return its modal result.
    void Act(std::function<int(QWidget*)> action);
    // For the folder browser: it is shown (its caller learns of it), then the action plays the
    // user and returns the folder chosen with OK, or nothing for Cancel.
    void Browse(std::function<std::optional<std::string>(ScriptedFolderBrowser&)> action);
    // The user selects the folder in the browser and presses OK.
    void AnswerFolder(const std::string& folder);
    // The next dialog is answered by respond, which sees the whole request (its filter, its
    // preset font).
    void Respond(std::function<DialogAnswer(const DialogRequest&)> respond);

    const std::vector<ShownDialog>& Shown() const { return shown_; }
    // The texts of the Message and Error boxes shown so far, in order.
    QStringList Messages() const;

    // Outside a script every dialog fails the running test and is declined.
    static void InstallRefusingHook();

private:
    DialogAnswer Take(const DialogRequest& request);

    std::deque<std::function<DialogAnswer(const DialogRequest&)>> script_;
    std::vector<ShownDialog> shown_;
};

} // namespace testing_support
