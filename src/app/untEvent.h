// The choice window (TEventForm), offered once after a start with an archive: install the
// software in it, extract it, or go on to the archive window, over a picture of its own.
#pragma once

#include "platform/ui/Form.h"

#include <QIcon>
#include <functional>

class QLabel;
class QToolButton;

class TEventForm : public platform::ui::Form {
    Q_OBJECT
public:
    explicit TEventForm(QWidget* parent = nullptr);

    // What the first two buttons do once the window is asked to close; the main window sets them.
    std::function<void()> OnAutoInstall;
    std::function<void()> OnExtractAll;

    QLabel* Image1; // shows Picture at the density of the window's screen
    QIcon Picture;  // the window's picture, also twice as large for screens of two pixels a point
    QToolButton* SpeedButton1; // "Extract all files "
    QToolButton* SpeedButton2; // "Autoinstall program"
    QToolButton* SpeedButton3; // "Start Pakrune"
    QToolButton* SpeedButton4; // "Exit pakrune"

    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();

protected:
    void showEvent(QShowEvent* event) override;
};
