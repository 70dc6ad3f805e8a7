// The find dialog.
#include "platform/ui/FindDialog.h"

#include "platform/ui/Dialogs.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace platform::ui {

FindDialog::FindDialog(QWidget* parent)
    : QDialog(parent), text_(new QLineEdit(this)), next_(new QPushButton("&Find Next", this)) {
    setObjectName("FindDialog1");
    setWindowTitle("Find");
    setModal(false);
    text_->setObjectName("FindText");
    next_->setObjectName("FindNext");
    next_->setDefault(true);
    auto* row = new QHBoxLayout(this);
    row->addWidget(new QLabel("Fi&nd what:", this));
    row->addWidget(text_, 1);
    row->addWidget(next_);
    connect(next_, &QPushButton::clicked, this, [this] { emit findNext(text_->text()); });
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

} // namespace platform::ui
