// The extract-to window.
#include "app/untExtract.h"

#include "controls/DirTree.h"
#include "engine/ZipMstr.h"
#include "platform/Files.h"
#include "platform/ui/ButtonKeys.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/ErrorBox.h"
#include "platform/ui/Pictures.h"

#include <QLabel>
#include <QPushButton>
#include <QToolButton>

bool ExtractCancelled = true;

TExtractForm::TExtractForm(QWidget* parent)
    : Form("TExtractForm", "Extract to :", 230, 279, parent) {
    setWindowFlag(Qt::Tool);
    const platform::ui::DesignScale& d = Design();

    Label1 = new QLabel("Path:", this);
    Label1->setObjectName("Label1");
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    Label1->setGeometry(d.Rect(8, 8, 34, 16));

    Label2 = new QLabel(this);
    Label2->setObjectName("Label2");
    QFont small = Label2->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    Label2->setFont(small);
    Label2->setGeometry(d.Rect(44, 8, 150, 16));

    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setObjectName("SpeedButton1");
    SpeedButton1->setAutoRaise(true); // flat
    SpeedButton1->setToolTip("Create new directory");
    SpeedButton1->setAccessibleName("Create new directory"); // a picture alone
    platform::ui::PressWithEnter(SpeedButton1);
    SpeedButton1->setIcon(platform::ui::Picture(":/toolbar/new-folder.png"));
    SpeedButton1->setGeometry(d.Rect(200, 4, 24, 24));

    DirTree1 = new TDirTree(this);
    DirTree1->setObjectName("DirTree1");
    DirTree1->setAccessibleName("Folders");
    DirTree1->SetDirTypes(dtNormal | dtAll);
    DirTree1->SetDriveTypes(kAllDriveTypes);
    DirTree1->SetGoBelowRecycleBin(false);
    DirTree1->ReadOnStart = true;
    DirTree1->FastLoad = true;
    DirTree1->InitialDirectory = "c:\\";
    DirTree1->SetShowShareOverlay(false);
    DirTree1->SetAcceptDropFiles(false);
    DirTree1->SetHideSelection(false);
    DirTree1->SetReadOnly(true); // a folder renamed on screen would stay as it is on disk
    DirTree1->setGeometry(d.Rect(8, 32, 214, 206));
    DirTree1->OnChange = [this](TDirTree*, TTreeNode*) { DirTree1Change(); };
    DirTree1->Loaded();
    DirTree1->setFocus(); // a keyboard starts at the folders: Enter there takes the one picked

    BitBtn1 = new QPushButton("OK", this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setDefault(true);
    BitBtn1->setGeometry(d.Rect(40, 246, 75, 25));
    BitBtn2 = new QPushButton("Cancel", this);
    BitBtn2->setObjectName("BitBtn2");
    BitBtn2->setGeometry(d.Rect(124, 246, 75, 25));

    using platform::ui::ConnectCommand;
    ConnectCommand(SpeedButton1, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });
    ConnectCommand(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    ConnectCommand(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
}

void TExtractForm::showEvent(QShowEvent* event) {
    Form::showEvent(event);
    FormShow();
}

void TExtractForm::FormShow() {
    Label2->setText(QString::fromStdString(DirTree1->SelectedPath()));
}

void TExtractForm::DirTree1Change() {
    Label2->setText(QString::fromStdString(DirTree1->SelectedPath()));
}

void TExtractForm::SpeedButton1Click() {
    // Without a selected folder there is nowhere to make the new one.
    if (!DirTree1->IsPathSelected()) {
        platform::ui::ShowMessage("Select the folder in which to create the new directory.");
        return;
    }
    const auto name = platform::ui::InputQuery("Create directory", "Directory name: ", "");
    if (!name)
        return;
    const std::string typed = name->toStdString();
    // The selected path ends in a backslash already, so there are two in a row here.
    const std::string path = DirTree1->SelectedPath() + "\\" + typed;
    if (DirExists(path)) {
        platform::ui::ShowMessage("Directory exists. Use another name. ");
        return;
    }
    // A folder that could not be made is reported too, not only an error on the way.
    if (!win::CreateDirectoryA(path.c_str(), nullptr))
        platform::ui::ShowMessage(
            QString::fromStdString("Couldn\u00b4t create directory " + typed));
    DirTree1->Reload();
}

void TExtractForm::BitBtn1Click() {
    ExtractCancelled = false;
    accept();
}

void TExtractForm::BitBtn2Click() {
    reject();
}
