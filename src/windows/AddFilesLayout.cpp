// TAddform: the controls as designed. The left pane (the folder tree over the file list) and the
// right pane (the selection) share a splitter; each pane has a header that shows whether it is
// active and a bottom panel with its buttons.
#include "windows/AddFilesToZip.h"

#include "controls/DirTree.h"
#include "controls/FileDrop.h"
#include "platform/ui/ButtonKeys.h"
#include "platform/ui/ErrorBox.h"
#include "platform/ui/ListView.h"
#include "platform/ui/Pictures.h"
#include "platform/ui/SystemImageList.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int kLeftPaneWidth = 321;
constexpr int kTreeHeight = 120;
constexpr int kBottomPanelHeight = 71;
constexpr int kHeaderHeight = 22;
constexpr int kSizeColumnWidth = 80;
constexpr int kSelectionFileColumnWidth = 250;

// A pane's header: a panel holding a bold label. Its colours say whether the pane is active.
QFrame* MakeHeader(QWidget* parent, const char* name, QLabel*& label, const char* labelName,
                   int height) {
    auto* header = new QFrame(parent);
    header->setObjectName(name);
    header->setFrameShape(QFrame::Panel);
    header->setFrameShadow(QFrame::Raised);
    header->setAutoFillBackground(true);
    header->setFixedHeight(height);
    label = new QLabel(header);
    label->setObjectName(labelName);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    // A long path is cut at the pane's edge instead of widening the pane.
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(6, 0, 6, 0);
    row->addWidget(label);
    return header;
}

platform::ui::ListView* MakeList(QWidget* parent, const char* name, int fileColumnWidth,
                                 const platform::ui::DesignScale& design) {
    auto* list = new platform::ui::ListView(parent);
    list->setObjectName(name);
    list->AddColumn("File", design.X(fileColumnWidth));
    list->AddColumn("Size", design.X(kSizeColumnWidth), Qt::AlignRight);
    return list;
}

QCheckBox* MakeCheckBox(QWidget* parent, const char* name, const char* caption) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    return box;
}

QToolButton* MakeFlatButton(QWidget* parent, const char* name, const char* label, const char* hint,
                            const QIcon& icon) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(label);
    button->setToolTip(hint);
    button->setIcon(icon);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    platform::ui::PressWithEnter(button);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return button;
}

QWidget* MakeBottomPanel(QWidget* parent, const char* name,
                         const platform::ui::DesignScale& design) {
    auto* panel = new QWidget(parent);
    panel->setObjectName(name);
    panel->setFixedHeight(design.Y(kBottomPanelHeight));
    return panel;
}

QVBoxLayout* Column(QWidget* owner, int margin, int spacing) {
    auto* column = new QVBoxLayout(owner);
    column->setContentsMargins(margin, margin, margin, margin);
    column->setSpacing(spacing);
    return column;
}

// A pane of the splitter: its header, with the pane's contents to be added below it.
QVBoxLayout* MakePane(QWidget*& pane, const char* name, QFrame*& header, const char* headerName,
                      QLabel*& label, const char* labelName,
                      const platform::ui::DesignScale& design) {
    pane = new QWidget;
    pane->setObjectName(name);
    QVBoxLayout* column = Column(pane, 0, 0);
    header = MakeHeader(pane, headerName, label, labelName, design.Y(kHeaderHeight));
    column->addWidget(header);
    return column;
}

} // namespace

TAddform::TAddform(QWidget* parent) : Form("TAddform", "Add files to ZIP", 640, 480, parent) {
    // No border icons, so no close box: the window closes with OK or Cancel.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    ListBox1 = new TPathList(this);
    ListBox1->setObjectName("ListBox1");

    Splitter2 = new QSplitter(Qt::Horizontal, this);
    Splitter2->setObjectName("Splitter2");
    Splitter2->setChildrenCollapsible(false);
    Splitter2->addWidget(BuildLeftPane());
    Splitter2->addWidget(BuildRightPane());
    Splitter2->setStretchFactor(0, 0);
    Splitter2->setStretchFactor(1, 1);
    FitBottomPanels();
    QVBoxLayout* client = Column(this, 0, 0);
    client->addWidget(Splitter2);
    // The splitter takes the client's size first, so that the left pane keeps its designed width.
    client->activate();
    const int leftPane = Design().X(kLeftPaneWidth);
    Splitter2->setSizes({leftPane, Splitter2->width() - leftPane});

    BuildDropTarget();
    ConnectHandlers();
    SetActiveHeader(true);
    // Last: the loaded tree selects its initial folder, which fills the file list.
    DirTree1->Loaded();
}

QWidget* TAddform::BuildLeftPane() {
    QVBoxLayout* column =
        MakePane(Panel2, "Panel2", Panel6, "Panel6", PathLabel1, "PathLabel1", Design());
    BuildTree();
    column->addWidget(DirTree1);
    AddListView1 = MakeList(Panel2, "AddListView1", 200, Design());
    // Rows dragged from here are taken by the selection list only.
    AddListView1->SetDragSource([](const std::vector<int>&) {
        auto* data = new QMimeData;
        data->setData(FileRowsFormat, {});
        return data;
    });
    column->addWidget(AddListView1, 1);
    // The pane's header names the folder whose files the list shows.
    PathLabel1->setBuddy(AddListView1);
    column->addWidget(BuildAddOptions(Panel2));
    return Panel2;
}

QWidget* TAddform::BuildRightPane() {
    QVBoxLayout* column =
        MakePane(Panel4, "Panel4", Panel7, "Panel7", PathLabel2, "PathLabel2", Design());
    AddListView2 = MakeList(Panel4, "AddListView2", kSelectionFileColumnWidth, Design());
    AddListView2->setAcceptDrops(true); // rows dragged from the file list
    column->addWidget(AddListView2, 1);
    PathLabel2->setBuddy(AddListView2); // the archive the selection goes to
    column->addWidget(BuildSelectionButtons(Panel4));
    return Panel4;
}

void TAddform::BuildTree() {
    DirTree1 = new TDirTree(Panel2);
    DirTree1->setObjectName("DirTree1");
    DirTree1->setAccessibleName("Folders");
    DirTree1->ReadOnStart = true;
    DirTree1->SetDirTypes(dtNormal | dtAll);
    DirTree1->SetGoBelowRecycleBin(false);
    DirTree1->FastLoad = false;
    DirTree1->InitialDirectory = "c:\\";
    DirTree1->SetDriveTypes(kAllDriveTypes);
    DirTree1->SetShowShareOverlay(false);
    DirTree1->SetAcceptDropFiles(false);
    DirTree1->SetHideSelection(false);
    DirTree1->SetReadOnly(true); // a folder renamed on screen would stay as it is on disk
    DirTree1->setFixedHeight(Design().Y(kTreeHeight));
}

QWidget* TAddform::BuildAddOptions(QWidget* parent) {
    QWidget* panel = MakeBottomPanel(parent, "AddButtonsPanel", Design());
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(4, 2, 4, 4);

    auto* options = new QGroupBox("Add options", panel);
    options->setObjectName("AddOptionsBox");
    QVBoxLayout* boxes = Column(options, 4, 0);
    RecurseCB = MakeCheckBox(options, "RecurseCB", "Include Subfolders");
    DirnameCB = MakeCheckBox(options, "DirnameCB", "Save Path Info");
    EncryptCB = MakeCheckBox(options, "EncryptCB", "Protect With Password");
    for (QCheckBox* box : {RecurseCB, DirnameCB, EncryptCB})
        boxes->addWidget(box);
    row->addWidget(options, 1);

    QVBoxLayout* buttons = Column(nullptr, 0, 2);
    AddFilesbtn = MakeFlatButton(panel, "AddFilesbtn", "Add Selected", "Add Selected Files",
                                 platform::ui::Picture(":/toolbar/add.png"));
    const auto& images = platform::ui::SystemImageList::Instance();
    AddDirbtn = MakeFlatButton(panel, "AddDirbtn", "Add Folder", "Add Folder",
                               images.Icon(platform::ui::SystemImageList::kClosedFolder));
    buttons->addWidget(AddFilesbtn);
    buttons->addWidget(AddDirbtn);
    row->addLayout(buttons);
    return panel;
}

void TAddform::FitBottomPanels() {
    // The designed height held three check boxes of the system's 17 pixels; a style that draws
    // them taller would crowd them into each other, so both panels grow alike and the panes'
    // lists still end level.
    auto* options = findChild<QWidget*>("AddButtonsPanel");
    const int height =
        std::max(Design().Y(kBottomPanelHeight), options->layout()->sizeHint().height());
    for (const char* name : {"AddButtonsPanel", "SelectionButtonsPanel"})
        findChild<QWidget*>(name)->setFixedHeight(height);
}

QWidget* TAddform::BuildSelectionButtons(QWidget* parent) {
    QWidget* panel = MakeBottomPanel(parent, "SelectionButtonsPanel", Design());
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(4, 4, 8, 4);

    QVBoxLayout* removing = Column(nullptr, 0, 2);
    const QIcon remove = platform::ui::Picture(":/toolbar/delete.png");
    RemoveItembtn = MakeFlatButton(panel, "RemoveItembtn", "Remove Selected",
                                   "Remove Selected Items From List", remove);
    RemoveAllBut = MakeFlatButton(panel, "RemoveAllBut", "Remove All", "Remove All Items", remove);
    removing->addWidget(RemoveItembtn);
    removing->addWidget(RemoveAllBut);
    row->addLayout(removing, 1);

    BitBtn1 = new QPushButton("OK", panel);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton("Cancel", panel);
    BitBtn2->setObjectName("BitBtn2");
    QVBoxLayout* closing = Column(nullptr, 0, 4);
    for (QPushButton* button : {BitBtn1, BitBtn2})
        closing->addWidget(button);
    row->addLayout(closing);
    return panel;
}

void TAddform::BuildDropTarget() {
    // As read from the form: enabled, then the drop control resolved at the end of reading.
    FileDrop1 = new TFileDrop(this, TFileDrop::Origin::Form);
    FileDrop1->setObjectName("FileDrop1");
    FileDrop1->SetEnableDrop(true);
    FileDrop1->SetDropControl(AddListView2);
    FileDrop1->OnDrop = [this](TFileDrop*) { FileDrop1Drop(); };
    FileDrop1->Loaded();
}

void TAddform::ConnectHandlers() {
    using platform::ui::ConnectCommand;
    DirTree1->OnChange = [this](TDirTree*, TTreeNode*) { DirTree1Change(); };
    DirTree1->OnClick = [this](TDirTree*) { DirTree1Click(); };
    WatchClicks(AddListView1);
    WatchClicks(AddListView2);
    AddListView2->installEventFilter(this); // rows dragged from the file list
    ConnectCommand(AddListView1, &platform::ui::ListView::doubleClicked, this,
                   [this] { AddListView1DblClick(); });
    ConnectCommand(AddListView2, &platform::ui::ListView::doubleClicked, this,
                   [this] { AddListView2DblClick(); });
    ConnectCommand(AddFilesbtn, &QToolButton::clicked, this, [this] { AddFilesbtnClick(); });
    ConnectCommand(AddDirbtn, &QToolButton::clicked, this, [this] { AddDirbtnClick(); });
    ConnectCommand(RemoveItembtn, &QToolButton::clicked, this, [this] { RemoveItembtnClick(); });
    ConnectCommand(RemoveAllBut, &QToolButton::clicked, this, [this] { RemoveAllButClick(); });
    ConnectCommand(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    ConnectCommand(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
}

void TAddform::WatchClicks(platform::ui::ListView* list) {
    // A click anywhere in a list counts, on a row or not, in every view style.
    for (QAbstractItemView* view : list->findChildren<QAbstractItemView*>())
        if (!qobject_cast<QHeaderView*>(view)) // a column header is not the list
            view->viewport()->installEventFilter(this);
}

void TAddform::FitSelectionColumns() {
    if (AddListView2->Style() != platform::ui::ListView::ViewStyle::Report)
        return;
    // As designed the two columns are wider than the pane; the File column, whose paths are cut
    // anyway, gives up what the Size column lacks, down to the Size column's own width.
    const int room =
        AddListView2->CurrentView()->viewport()->width() - AddListView2->ColumnWidth(1);
    AddListView2->SetColumnWidth(
        0, std::clamp(room, Design().X(kSizeColumnWidth), Design().X(kSelectionFileColumnWidth)));
}
