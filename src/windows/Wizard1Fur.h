// The creation wizard's page on what an archive is and why one would make one (TWiz1Fur),
// opened from the welcome page and left with "&Back".
#pragma once

#include "windows/WizardPage.h"

class TWiz1Fur : public WizardPage {
    Q_OBJECT
public:
    explicit TWiz1Fur(QWidget* parent = nullptr);

    QPushButton* Button2; // "&Back"

    void Button2Click();
};
