// The options dialog.
#include "app/Options.h"

#include "app/Forms.h"
#include "app/Main.h"
#include "app/untExtract.h"
#include "controls/DirTree.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/ErrorBox.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>

namespace {

constexpr const char* kWrongDirectory = "Wrong directory name. ";

// Places a control at its designed bounds, fitted to the desktop's font.
template <typename Control>
Control* Place(Control* control, const char* name, const platform::ui::DesignScale& design,
               int left, int top, int width, int height) {
    control->setObjectName(name);
    control->setGeometry(design.Rect(left, top, width, height));
    return control;
}

QWidget* Page(QTabWidget* pages, const char* name, const QString& caption) {
    auto* page = new QWidget;
    page->setObjectName(name);
    pages->addTab(page, caption);
    return page;
}

} // namespace

TfrmOptions::TfrmOptions(QWidget* parent)
    : Form("TfrmOptions", "Pakrune Options", 459, 225, parent) {
    const platform::ui::DesignScale& d = Design();
    setFixedSize(d.Size(459, 225));
    QFont font("Arial"); // as the main window
    font.setPixelSize(11);
    setFont(font);
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
    PageControl1 = Place(new QTabWidget(this), "PageControl1", d, 6, 6, 364, 213);
    PageControl1->setAccessibleName("Option pages");
    PageControl1->tabBar()->setStyleSheet("QTabBar::tab { padding: 3px 6px; }"); // all tabs in view
    const auto boldLabel = [&d](QWidget* page, const char* name, const QString& text, int top) {
        auto* label = Place(new QLabel(text, page), name, d, 16, top, 320, 16);
        QFont bold = label->font();
        bold.setBold(true);
        label->setFont(bold);
    };
    const auto pushButton = [this, &d](const char* name, const QString& text, int top) {
        return Place(new QPushButton(text, this), name, d, 374, top, 78, 25);
    };

    QWidget* folder = Page(PageControl1, "TabSheet1", "Default download folder");
    boldLabel(folder, "Label1", "Download directory", 12);
    radiobtnAutoMove = Place(
        new QRadioButton("When a new zip file is downloaded, automatically move it to:", folder),
        "radiobtnAutoMove", d, 16, 36, 330, 20);
    auto* panel = Place(new QFrame(folder), "Panel1", d, 32, 60, 300, 36);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    editDownloadDir = Place(new QLineEdit(panel), "editDownloadDir", d, 6, 6, 204, 24);
    // Named by the page's heading: the option's text in front of it ends in "move it to:".
    editDownloadDir->setAccessibleName("Download directory");
    btnBrowse = Place(new QPushButton("Browse...", panel), "btnBrowse", d, 216, 5, 78, 26);
    radiobtnKeepInTempDir = Place(new QRadioButton("Keep zip files in your temp folder", folder),
                                  "radiobtnKeepInTempDir", d, 16, 106, 330, 20);

    QWidget* browsers = Page(PageControl1, "TabSheet2", "Browser options");
    boldLabel(browsers, "Label2", "Use Pakrune to handle zip files downloaded with:", 12);
    chkboxNetscape = Place(
        new QCheckBox("Netscape 4.0  (for older versions, please see the help file)", browsers),
        "chkboxNetscape", d, 16, 40, 330, 20);
    chkboxIE = Place(new QCheckBox("Internet Explorer  (all versions)", browsers), "chkboxIE", d,
                     16, 66, 330, 20);

    QWidget* confirmations = Page(PageControl1, "TabSheet3", "Confirmation options");
    boldLabel(confirmations, "Label3", "Auto install:", 12);
    chkboxAutoRunSetup = Place(
        new QCheckBox("If zip file contains a setup program, automatically run it", confirmations),
        "chkboxAutoRunSetup", d, 16, 34, 330, 20);
    boldLabel(confirmations, "Label4", "Exiting Pakrune", 70);
    chkboxAutoExit =
        Place(new QCheckBox("Exit Pakrune after installation from zip file", confirmations),
              "chkboxAutoExit", d, 16, 92, 330, 20);
    // The page shown first; afterwards the dialog keeps whichever page was last shown.
    PageControl1->setCurrentWidget(confirmations);

    Button1 = pushButton("Button1", "OK", 28);
    Button1->setDefault(true);
    Button2 = pushButton("Button2", "Cancel", 60);
    Button3 = pushButton("Button3", "&Help", 92);
    Button3->hide();

    using platform::ui::ConnectCommand;
    ConnectCommand(Button1, &QPushButton::clicked, this, [this] { accept(); });
    ConnectCommand(Button2, &QPushButton::clicked, this, [this] { reject(); });
    ConnectCommand(btnBrowse, &QPushButton::clicked, this, [this] { btnBrowseClick(); });
    ConnectCommand(radiobtnAutoMove, &QRadioButton::clicked, this,
                   [this] { radiobtnAutoMoveClick(); });
    ConnectCommand(radiobtnKeepInTempDir, &QRadioButton::clicked, this,
                   [this] { radiobtnKeepInTempDirClick(); });
}

void TfrmOptions::showEvent(QShowEvent* event) {
    Form::showEvent(event);
    FormShow();
}

void TfrmOptions::FormShow() {
    // Over the middle of the main window.
    const QRect main = AppForms().MainForm->frameGeometry();
    move(main.left() + main.width() / 2 - Design().X(233),
         main.top() + main.height() / 2 - Design().Y(126));
}

void TfrmOptions::radiobtnAutoMoveClick() {
    editDownloadDir->setEnabled(true);
    btnBrowse->setEnabled(true);
}

void TfrmOptions::radiobtnKeepInTempDirClick() {
    editDownloadDir->setEnabled(false);
    btnBrowse->setEnabled(false);
}

void TfrmOptions::btnBrowseClick() {
    TExtractForm* extract = AppForms().ExtractForm;
    try {
        extract->DirTree1->OpenPath(editDownloadDir->text().toStdString());
        // OK takes the folder selected in the tree; Cancel keeps the folder as it was. With
        // nothing selected the tree answers "?", which is no download folder.
        if (extract->ShowModal() == QDialog::Accepted && extract->DirTree1->IsPathSelected())
            editDownloadDir->setText(QString::fromStdString(extract->DirTree1->SelectedPath()));
    } catch (const std::exception&) {
        platform::ui::ShowMessage(kWrongDirectory);
    }
}
