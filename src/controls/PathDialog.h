// TPathDialog: a non-visual component around the folder browser. It keeps the browser's title,
// the folder to select, an optional status line and a free tag. While a browser it opened is
// open, setting Directory or StatusText reaches that browser at once.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <string>

namespace platform::ui {
class FolderBrowser;
}

class TPathDialog;
using TPathDialogEvent = std::function<void(TPathDialog* sender)>;
using TSelectEvent = std::function<void(TPathDialog* sender, const std::string& path)>;

class TPathDialog : public QObject {
    Q_OBJECT
public:
    explicit TPathDialog(QObject* owner = nullptr);

    // Published properties and events.
    QString Title;
    const std::string& Directory() const { return directory_; }
    // One trailing backslash is dropped: "C:\TEMP\" is kept as "C:\TEMP", "C:\" as "C:".
    void SetDirectory(const std::string& directory);
    bool ShowStatus = false;
    const QString& StatusText() const { return statusText_; }
    void SetStatusText(const QString& text);
    int Tag = 0;
    TPathDialogEvent OnShow;
    TSelectEvent OnSelect;

    // Shows the browser with Title, Directory selected and, with ShowStatus, the status line.
    // OnShow fires once the browser is open, OnSelect at every change of its selection. Returns
    // the chosen folder (a drive as "C:\"), which Directory then holds too; nothing for Cancel.
    std::optional<std::string> Execute();

private:
    void SendDirectory();
    void SendStatusText();

    std::string directory_;
    QString statusText_;
    platform::ui::FolderBrowser* browser_ = nullptr; // the open browser, while there is one
};
