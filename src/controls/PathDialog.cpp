// TPathDialog: the folder browser's settings, passed to the dialog service when it browses and
// to the open browser whenever they change.
#include "controls/PathDialog.h"

#include "platform/ui/Dialogs.h"

#include <QScopeGuard>

TPathDialog::TPathDialog(QObject* owner) : QObject(owner) {}

void TPathDialog::SetDirectory(const std::string& directory) {
    directory_ = directory.ends_with('\\') ? directory.substr(0, directory.size() - 1) : directory;
    SendDirectory();
}

void TPathDialog::SetStatusText(const QString& text) {
    statusText_ = text;
    SendStatusText();
}

void TPathDialog::SendDirectory() {
    if (browser_ && !directory_.empty())
        browser_->SelectFolder(directory_);
}

void TPathDialog::SendStatusText() {
    if (browser_ && ShowStatus)
        browser_->SetStatusText(statusText_);
}

std::optional<std::string> TPathDialog::Execute() {
    platform::ui::FolderBrowseOptions options{
        .title = Title,
        .showStatus = ShowStatus,
        .shown =
            [this](platform::ui::FolderBrowser& browser) {
                browser_ = &browser;
                SendDirectory();
                SendStatusText();
                if (OnShow)
                    OnShow(this);
            },
        .selectionChanged =
            [this](const std::string& path) {
                if (OnSelect)
                    OnSelect(this, path);
            },
    };
    std::optional<std::string> chosen;
    {
        // The browser is gone when the call returns, also when it ends with an error.
        const auto forget = qScopeGuard([this] { browser_ = nullptr; });
        chosen = platform::ui::BrowseForFolder(options);
    }
    if (chosen)
        SetDirectory(*chosen);
    return chosen;
}
