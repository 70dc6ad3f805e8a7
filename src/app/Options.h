// The options dialog (TfrmOptions): the download folder, the browsers Pakrune handles downloads
// for, and the confirmations of auto-install, on three pages. The main window fills it from the
// settings and takes the settings back from it when it closes with OK (ShowOptionsDialog).
#pragma once

#include "platform/ui/Form.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

class TfrmOptions : public platform::ui::Form {
    Q_OBJECT
public:
    explicit TfrmOptions(QWidget* parent = nullptr);

    QTabWidget* PageControl1;
    QRadioButton* radiobtnAutoMove;
    QLineEdit* editDownloadDir;
    QPushButton* btnBrowse;
    QRadioButton* radiobtnKeepInTempDir;
    QCheckBox* chkboxNetscape;
    QCheckBox* chkboxIE;
    QCheckBox* chkboxAutoRunSetup;
    QCheckBox* chkboxAutoExit;
    QPushButton* Button1; // "OK"
    QPushButton* Button2; // "Cancel"
    QPushButton* Button3; // "&Help", hidden

    void FormShow();
    void btnBrowseClick();
    void radiobtnAutoMoveClick();
    void radiobtnKeepInTempDirClick();

protected:
    void showEvent(QShowEvent* event) override;
};
