// The application's default error box.
#include "platform/ui/ErrorBox.h"

#include "platform/ui/Dialogs.h"

namespace platform::ui {

void ShowDefaultError(const std::exception& error) {
    ShowError(QString::fromLocal8Bit(error.what()));
}

void ShowUnknownError() {
    ShowError(QStringLiteral("Unknown error"));
}

} // namespace platform::ui
