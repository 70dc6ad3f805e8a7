// TMainForm: the options dialog, filled from the settings' in-memory copies and, when it closes
// with OK, written back to the settings file and to the copies, one value at a time.
#include "app/Main.h"

#include "app/Forms.h"
#include "app/Options.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

void TMainForm::Options1Click() {
    ShowOptionsDialog();
}

void TMainForm::ShowOptionsDialog() {
    TfrmOptions* options = AppForms().frmOptions;
    (AutoMove ? options->radiobtnAutoMove : options->radiobtnKeepInTempDir)->setChecked(true);
    options->editDownloadDir->setText(QString::fromStdString(DownloadDir));
    options->editDownloadDir->setEnabled(AutoMove);
    options->btnBrowse->setEnabled(AutoMove);
    options->chkboxNetscape->setChecked(Netscape);
    options->chkboxIE->setChecked(IE);
    options->chkboxAutoRunSetup->setChecked(AutoRun);
    options->chkboxAutoExit->setChecked(AutoExit);
    if (options->ShowModal() != QDialog::Accepted)
        return;

    // Each value is written, then copied; a refused write stops the values after it.
    auto save = [this](const char* section, const char* key, bool value, bool& copy) {
        if (!Written(Settings.WriteBool(section, key, value)))
            return false;
        copy = value;
        return true;
    };
    if (!save("Options", "AutoMove", options->radiobtnAutoMove->isChecked(), AutoMove))
        return;
    const std::string folder = options->editDownloadDir->text().toStdString(); // as typed
    if (!Written(Settings.WriteString("Options", "DownloadDir", folder)))
        return;
    DownloadDir = folder;
    if (!save("Browsers", "Netscape", options->chkboxNetscape->isChecked(), Netscape) ||
        !save("Browsers", "IE", options->chkboxIE->isChecked(), IE))
        return;
    // Always, whether or not the browser settings changed. A registry failure is reported there
    // and the confirmations are saved all the same.
    ApplyBrowserIntegration();
    save("Options", "AutoRun", options->chkboxAutoRunSetup->isChecked(), AutoRun) &&
        save("Options", "AutoExit", options->chkboxAutoExit->isChecked(), AutoExit);
}
