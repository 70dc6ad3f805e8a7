// The creation wizard's naming page (TWiz2): the user picks a folder and a name for the new
// archive, which becomes the main window's CurrentArchive.
#pragma once

#include "windows/WizardPage.h"

class TWiz2 : public WizardPage {
    Q_OBJECT
public:
    explicit TWiz2(QWidget* parent = nullptr);

    QLabel* Image1;
    QPushButton* Button1; // "&Close"
    QPushButton* Button3; // "<< &Back"
    QPushButton* Button2; // "&Next >>"

    void Button1Click();
    void Button3Click();
    void Button2Click();
    // Asks for the new archive's name, checks it and clears the way for it; on success the path
    // is in CurrentArchive.
    bool NameNewArchive();
};
