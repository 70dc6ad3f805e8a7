// The about window (TAboutBox): the logo, the product's name and version and the copyright line,
// placed over the middle of the main window whenever it is shown.
#pragma once

#include "platform/ui/Form.h"

class QFrame;
class QLabel;
class QPushButton;

class TAboutBox : public platform::ui::Form {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    // The window the about window is placed over; the main window sets it.
    QWidget* MainWindow = nullptr;

    QFrame* Panel1;
    QLabel* Image1;     // the logo
    QLabel* Label1;     // the product's name
    QLabel* lblVersion; // the version, set at every showing
    QLabel* Copyright;
    QPushButton* OKButton;

    void FormShow();

protected:
    void showEvent(QShowEvent* event) override;
};
