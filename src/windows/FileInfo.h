// The archive information window (TfrmFileInfo): name, entry count, packed and unpacked totals
// and the overall ratio of the open archive, kept up to date by the main window.
#pragma once

#include "platform/ui/Form.h"

class QLabel;
class QPushButton;

class TfrmFileInfo : public platform::ui::Form {
    Q_OBJECT
public:
    explicit TfrmFileInfo(QWidget* parent = nullptr);

    QLabel* Label1; // file name (navy)
    QLabel* Label2; // files in the archive
    QLabel* Label3; // compressed size
    QLabel* Label4; // uncompressed size
    QLabel* Label5; // ratio
    QPushButton* Button1;

    void Button1Click();
};
