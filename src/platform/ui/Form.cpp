// A window of the program.
#include "platform/ui/Form.h"

#include "platform/ui/Dialogs.h"

#include <QGuiApplication>
#include <QScreen>

namespace platform::ui {

Form::Form(const QString& className, const QString& caption, int clientWidth, int clientHeight,
           QWidget* parent)
    : QDialog(parent) {
    setObjectName(className);
    setWindowTitle(caption);
    resize(clientWidth, clientHeight);
}

int Form::ShowModal() {
    return platform::ui::ShowModal(this);
}

void Form::showEvent(QShowEvent* event) {
    if (!centred_) {
        centred_ = true;
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    QDialog::showEvent(event);
}

} // namespace platform::ui
