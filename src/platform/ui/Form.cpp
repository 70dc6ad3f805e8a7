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
    resize(design_.Size(clientWidth, clientHeight));
}

void CentreOnScreen(QWidget* window) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
}

int Form::ShowModal() {
    return platform::ui::ShowModal(this);
}

void Form::showEvent(QShowEvent* event) {
    if (!centred_) {
        centred_ = true;
        CentreOnScreen(this);
    }
    QDialog::showEvent(event);
}

} // namespace platform::ui
