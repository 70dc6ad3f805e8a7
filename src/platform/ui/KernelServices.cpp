// Connects the plain C++ layers' message box, busy cursor and event pump to the user interface.
#include "platform/ui/KernelServices.h"

#include "platform/UserNotice.h"
#include "platform/ui/Dialogs.h"

#include <QCoreApplication>
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
    SetEventPump([] { QCoreApplication::processEvents(); });
}

} // namespace platform::ui
