// The creation wizard's closing page (TWiz4): the quicker way through the main window, shown
// after the files were added; OK ends the wizard.
#pragma once

#include "windows/WizardPage.h"

class TWiz4 : public WizardPage {
    Q_OBJECT
public:
    explicit TWiz4(QWidget* parent = nullptr);

    QPushButton* BitBtn1; // OK

    void BitBtn1Click();
};
