// Connects the plain C++ layers' message box and busy cursor to the user interface.
#include "platform/ui/KernelServices.h"

#include "platform/UserNotice.h"
#include "platform/ui/Dialogs.h"

#include <QCursor>
#include <QGuiApplication>

namespace platform::ui {

void ConnectKernelServices() {
    SetMessageSink([](const std::string& text) { ShowMessage(QString::fromStdString(text)); });
    SetCursorSink([](bool busy) {
        if (busy)
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        else
            QGuiApplication::restoreOverrideCursor();
    });
}

} // namespace platform::ui
