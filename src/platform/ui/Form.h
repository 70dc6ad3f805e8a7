// A window of the program: a top-level dialog with its class name as object name, its caption and
// its designed client size fitted to the desktop's font (DesignScale), centred on the screen when
// first shown (as the windows were designed), and shown modally through the dialog service.
#pragma once

#include "platform/ui/DesignScale.h"

#include <QDialog>

namespace platform::ui {

// Moves a top-level window so that its frame is centred on the primary screen.
void CentreOnScreen(QWidget* window);

class Form : public QDialog {
    Q_OBJECT
public:
    Form(const QString& className, const QString& caption, int clientWidth, int clientHeight,
         QWidget* parent = nullptr);

    // Shows the window modally and returns its modal result.
    virtual int ShowModal();

    // The scale of the window's designed geometry, taken when it was made.
    const DesignScale& Design() const { return design_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    DesignScale design_;
    bool centred_ = false;
};

} // namespace platform::ui
