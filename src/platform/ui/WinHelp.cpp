// The help engine and its help window.
#include "platform/ui/WinHelp.h"

#include "platform/AtomicFile.h"
#include "platform/PathMap.h"
#include "platform/ui/Dialogs.h"

#include <QKeyEvent>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QWidget>

namespace platform::ui {
namespace {

// The anchor where a help file's contents begin.
constexpr const char* kContentsAnchor = "contents";

class HelpWindow : public QWidget {
public:
    explicit HelpWindow(QWidget* owner) : QWidget(owner, Qt::Window) {
        setObjectName("HelpWindow");
        resize(560, 600);
        browser_ = new QTextBrowser(this);
        browser_->setObjectName("HelpText");
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(browser_);
    }

    // Shows the document (read afresh for every request) at its contents.
    void ShowContents(const QString& html) {
        browser_->setHtml(html);
        browser_->scrollToAnchor(kContentsAnchor);
        const QString title = browser_->documentTitle();
        setWindowTitle(title.isEmpty() ? QStringLiteral("Help") : title);
        browser_->setAccessibleName(windowTitle()); // a reader names the text by its title
    }

protected:
    // Escape closes it, as it closes the program's other windows (the text passes it on).
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
            close();
        else
            QWidget::keyPressEvent(event);
    }

private:
    QTextBrowser* browser_;
};

// The engine's own message for a help file it cannot read.
QString HelpFileMissingMessage(const std::string& helpFile) {
    return QString::fromStdString("Cannot open the help file " + helpFile + ".");
}

} // namespace

bool WinHelp(QWidget* owner, const std::string& helpFile, unsigned command, std::uintptr_t) {
    if (command != HELP_CONTENTS)
        return false;
    const auto host = HostPathOf(helpFile);
    const auto document = host ? ReadWholeFile(*host) : std::nullopt;
    if (!document) {
        ShowMessage(HelpFileMissingMessage(helpFile));
        return false;
    }
    auto* window = owner->findChild<HelpWindow*>("HelpWindow", Qt::FindDirectChildrenOnly);
    if (!window)
        window = new HelpWindow(owner);
    window->ShowContents(QString::fromStdString(*document));
    ShowModeless(window);
    return true;
}

} // namespace platform::ui
