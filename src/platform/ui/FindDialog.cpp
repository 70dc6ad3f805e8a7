// The find dialog.
#include "platform/ui/FindDialog.h"

#include "platform/ui/Dialogs.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace platform::ui {

FindDialog::FindDialog(QWidget* owner)
    : QDialog(owner), text_(new QLineEdit(this)), next_(new QPushButton("&Find Next", this)) {
    setObjectName("FindDialog1");
    setWindowTitle("Find");
    setModal(false);
    text_->setObjectName("FindText");
    next_->setObjectName("FindNext");
    next_->setDefault(true);
    auto* label = new QLabel("Fi&nd what:", this);
    label->setObjectName("FindLabel");
    // With its buddy the label shows "Find what:" with the n as its accelerator (Alt+N types
    // into the text); without one it would show the ampersand itself.
    label->setBuddy(text_);
    auto* row = new QHBoxLayout(this);
    row->addWidget(label);
    row->addWidget(text_, 1);
    row->addWidget(next_);
    connect(next_, &QPushButton::clicked, this, [this] { emit findNext(text_->text()); });
    if (owner)
        owner->installEventFilter(this);
}

QString FindDialog::FindText() const {
    return text_->text();
}
void FindDialog::SetFindText(const QString& text) {
    text_->setText(text);
}
void FindDialog::Execute() {
    ShowModeless(this);
}

bool FindDialog::eventFilter(QObject* watched, QEvent* event) {
    // A window of its own does not hide with its owner: the dialog goes when the owner is hidden or
    // closed (a minimised owner takes its transient windows along itself, spontaneously).
    if (watched == parent() && event->type() == QEvent::Hide && !event->spontaneous())
        hide();
    return QDialog::eventFilter(watched, event);
}

} // namespace platform::ui
