// The hourglass cursor guard.
#include "platform/ui/HourGlass.h"

#include <QCursor>
#include <QGuiApplication>

namespace platform::ui {

HourGlass::HourGlass() {
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

HourGlass::~HourGlass() {
    QGuiApplication::restoreOverrideCursor();
}

bool HourGlassShown() {
    const QCursor* cursor = QGuiApplication::overrideCursor();
    return cursor && cursor->shape() == Qt::WaitCursor;
}

} // namespace platform::ui
