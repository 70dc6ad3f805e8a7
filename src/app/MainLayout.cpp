// TMainForm: the toolbar, the list, the progress bar and the status bar.
#include "app/Main.h"

#include "platform/ui/ButtonKeys.h"
#include "platform/ui/DesignScale.h"
#include "platform/ui/ListView.h"
#include "platform/ui/Pictures.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

struct ToolbarButton {
    const char* name;
    const char* label;
    const char* hint;
    const char* picture;
    bool dividerAfter;
};

// Left to right, in four groups.
const ToolbarButton kToolbar[] = {
    {"NewZipBut", "New", "Create New Zip-file", "new", false},
    {"SpeedButton1", "Open", "Open a .zip or .exe-file", "open", false},
    {"WizardAddBut", "Wizard", "Wizard - Helps you, step by step, to create your own Zip-files",
     "wizard", true},
    {"AddZipBut", "Add", "Add files to your Zip-file", "add", false},
    {"SpeedButton6", "Extr All", "Extract all files to folder", "extract-all", false},
    {"SpeedButton5", "Extr Sel", "Extract selected file(s) in directory", "extract-selected",
     false},
    {"DeleteFromZipBut", "Delete", "Delete selected files", "delete", true},
    {"SpeedButton2", "Install", "Run setup- or installfile in directory", "install", false},
    {"SpeedButton3", "Run", "Run or open selected file", "run", false},
    {"SpeedButton4", "View", "View selected file(s) as text", "view", true},
    {"SpeedButton7", "Options", "Configure program settings", "options", false},
    {"SpeedButton8", "Help", "Help", "help", false},
    {"SpeedButton11", "Mail", "Send Us Your Comments", "mail", false},
};

// The status bar's first panel takes nearly all the room beyond the panels' texts, up to its
// designed width; the last panel the rest.
constexpr int kPathStretch = 1000;

// The width of the gap that holds each line between two groups of buttons.
constexpr int kDividerGap = 6;

// The six buttons whose pictures show whether an archive is open.
const char* const kStateButtons[][2] = {
    {"SpeedButton2", "install"},          {"SpeedButton3", "run"},         {"SpeedButton4", "view"},
    {"SpeedButton5", "extract-selected"}, {"SpeedButton6", "extract-all"}, {"AddZipBut", "add"}};

} // namespace

void TMainForm::BuildToolbar() {
    const platform::ui::DesignScale design;
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* panel = new QFrame(central);
    panel->setObjectName("Panel1");
    panel->setFixedHeight(design.Y(63));
    panel->setAutoFillBackground(true);
    // Silver as designed; the labels keep the palette's text colour where it can be read on
    // silver (a dark palette's light text cannot) and are black otherwise.
    const QColor silver(0xC0, 0xC0, 0xC0);
    const QColor labels =
        colours::ReadableOn(palette().color(QPalette::WindowText), silver, Qt::black);
    panel->setStyleSheet(QString("#Panel1 { background: %1; } #Panel1 QLabel { color: %2; }")
                             .arg(silver.name(), labels.name()));
    auto* row = new QHBoxLayout(panel);
    // The buttons side by side, the groups parted by a line in a gap of its own: the thirteen
    // buttons and three gaps take 572 of the window's 576 pixels as designed.
    row->setContentsMargins(design.X(2), design.Y(2), design.X(2), design.Y(2));
    row->setSpacing(0);
    for (const ToolbarButton& spec : kToolbar) {
        auto* cell = new QVBoxLayout;
        cell->setSpacing(0);
        auto* button = new QToolButton(panel);
        button->setObjectName(spec.name);
        button->setToolTip(spec.hint);
        // The picture's caption is a label of its own: a screen reader says it as the button's
        // name, and the hint as its description.
        button->setAccessibleName(spec.label);
        button->setAccessibleDescription(spec.hint);
        platform::ui::PressWithEnter(button);
        button->setAutoRaise(true);
        button->setFixedSize(design.Size(42, 46));
        button->setIconSize(QSize(32, 32));
        button->setIcon(platform::ui::Picture(QString(":/toolbar/%1.png").arg(spec.picture)));
        auto* label = new QLabel(spec.label, panel);
        label->setObjectName(QString(spec.name) + "Label");
        label->setAlignment(Qt::AlignHCenter);
        cell->addWidget(button, 0, Qt::AlignHCenter);
        cell->addWidget(label);
        row->addLayout(cell);
        buttons_[spec.name] = button;
        if (spec.dividerAfter) {
            auto* line = new QFrame(panel);
            line->setFrameShape(QFrame::VLine);
            line->setFrameShadow(QFrame::Sunken);
            line->setFixedWidth(design.X(kDividerGap));
            row->addWidget(line);
        }
    }
    row->addStretch();
    column->addWidget(panel);

    ListView1 = new platform::ui::ListView(central);
    ListView1->setObjectName("ListView1");
    ListView1->setAccessibleName("Files in the archive");
    ListView1->SetColumnKeys(true); // a column clicked sorts the list
    ListView1->AddColumn("File", design.X(200));
    ListView1->AddColumn("Size", design.X(80), Qt::AlignRight);
    ListView1->AddColumn("Date/Time", design.X(100));
    ListView1->AddColumn("Ratio", design.X(50), Qt::AlignRight);
    ListView1->AddColumn("Packed Size", design.X(80), Qt::AlignRight);
    ListView1->AddColumn("Path", design.X(100));
    column->addWidget(ListView1, 1);

    ProgressBar1 = new QProgressBar(central);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setFixedHeight(design.Y(13));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    // Beside the bar while an engine call runs: cancels it, as Escape does.
    CancelButton = new QToolButton(central);
    CancelButton->setObjectName("CancelButton");
    CancelButton->setText("Cancel");
    CancelButton->setToolTip("Cancel the running operation (Esc)");
    CancelButton->setFixedHeight(design.Y(13));
    CancelButton->setAutoRaise(true);
    platform::ui::PressWithEnter(CancelButton);
    CancelButton->hide();
    auto* progressRow = new QHBoxLayout;
    progressRow->setSpacing(2);
    progressRow->addWidget(ProgressBar1, 1);
    progressRow->addWidget(CancelButton);
    column->addLayout(progressRow);
    setCentralWidget(central);
}

void TMainForm::BuildStatusBar() {
    const platform::ui::DesignScale design;
    auto* bar = new QStatusBar(this);
    bar->setObjectName("StatusBar1");
    bar->setFixedHeight(design.Y(19));
    bar->setSizeGripEnabled(false);
    const char* const designTexts[] = {"Filname:", "Files in zip: <none>",
                                       "Total Uncompressed Size:"};
    for (int i = 0; i < 3; ++i) {
        panels_[i] = new QLabel(designTexts[i], bar);
        panels_[i]->setObjectName(QString("StatusPanel%1").arg(i));
    }
    // 280, 117 and the rest, as designed, while the total fits the rest; a total that needs more
    // takes it from the archive's path, which is cut at its end anyway, down to a third of its
    // width. The total's panel is never narrower than its text (its least size is the text's).
    panels_[0]->setMinimumWidth(design.X(280) / 3);
    panels_[0]->setMaximumWidth(design.X(280));
    panels_[1]->setFixedWidth(design.X(117));
    bar->addWidget(panels_[0], kPathStretch);
    bar->addWidget(panels_[1]);
    bar->addWidget(panels_[2], 1);
    setStatusBar(bar);
}

QString TMainForm::PanelText(int panel) const {
    return panels_[panel]->text();
}
void TMainForm::SetPanelText(int panel, const QString& text) {
    panels_[panel]->setText(text);
}

QToolButton* TMainForm::Button(const char* name) const {
    const auto found = buttons_.find(name);
    return found == buttons_.end() ? nullptr : found->second;
}

void TMainForm::SetActivePictures(bool active) {
    for (const auto& [name, picture] : kStateButtons)
        Button(name)->setIcon(platform::ui::Picture(
            QString(":/toolbar/%1%2.png").arg(picture, active ? "" : "-grey")));
}
