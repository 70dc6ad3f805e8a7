// The extract-to window (TExtractForm): the user picks the folder to extract into in a folder
// tree, and can make a new folder below the selected one.
#pragma once

#include "platform/ui/Form.h"

class QLabel;
class QPushButton;
class QToolButton;
class TDirTree;

// True while the extract-to window is open, false once its OK button was pressed.
extern bool ExtractCancelled;

class TExtractForm : public platform::ui::Form {
    Q_OBJECT
public:
    explicit TExtractForm(QWidget* parent = nullptr);

    QLabel* Label1;
    QLabel* Label2;
    QToolButton* SpeedButton1;
    TDirTree* DirTree1;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;

    void FormShow();
    void DirTree1Change();
    void SpeedButton1Click();
    void BitBtn1Click();
    void BitBtn2Click();

protected:
    void showEvent(QShowEvent* event) override;
};
