// The creation wizard's welcome page (TWiz1): what the wizard does, the way to the page on what
// an archive is, and the way on to naming the archive.
#pragma once

#include "windows/WizardPage.h"

class TWiz1 : public WizardPage {
    Q_OBJECT
public:
    explicit TWiz1(QWidget* parent = nullptr);

    QLabel* Image1;
    QPushButton* BitBtn1; // "Further Info"
    QPushButton* Button1; // "&Close"
    QPushButton* Button2; // "&Next >>"

    void Button1Click();
    void BitBtn1Click();
    void Button2Click();
};
