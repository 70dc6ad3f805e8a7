// TDirTree: construction, properties, the window's life, the selection, expansion and clicks, and
// clearing and deleting nodes.
//
// The window is created the first time the control is shown or Loaded runs, whichever comes
// first; moving the control to another parent destroys it and creates it again when shown, keeping
// the selected path. The owner window's device-change message is the platform's device-change
// notice.
#include "controls/DirTree.h"

#include "controls/DirTreeSupport.h"
#include "platform/Files.h"
#include "platform/PathMap.h"
#include "platform/Volumes.h"
#include "platform/WinPath.h"
#include "platform/ui/DeviceWatch.h"
#include "platform/ui/ErrorBox.h"
#include "platform/ui/HourGlass.h"
#include "platform/ui/SystemImageList.h"

#include <QMouseEvent>
#include <QTreeWidgetItemIterator>

using platform::ui::Guarded;

namespace {

int IconOfWindowsFolder(unsigned extraFlags) {
    char windows[win::MAX_PATH] = {};
    win::GetWindowsDirectoryA(windows, sizeof windows);
    const auto info = platform::ui::GetShellFileInfo(
        WithBackslash(windows),
        platform::ui::SHGFI_SYSICONINDEX | platform::ui::SHGFI_SMALLICON | extraFlags);
    return info ? info->iconIndex : -1;
}

} // namespace

TDirTree::TDirTree(QWidget* parent) : QTreeWidget(parent) {
    {
        FailCriticalErrors errorMode;
        folderIcon_ = IconOfWindowsFolder(0);
        openFolderIcon_ = IconOfWindowsFolder(platform::ui::SHGFI_OPENICON);
    }
    setColumnCount(1);
    setHeaderHidden(true);
    setIconSize(QSize(16, 16));
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(false);
    SetHideSelection(false);
    SetReadOnly(false);

    InitialDirectory = platform::CurrentWindowsDirectory();
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        drivePaths_[static_cast<std::size_t>(letter - 'A')] = DriveRoot(letter);
    if (const int current = LetterIndex(InitialDirectory.empty() ? 0 : InitialDirectory[0]);
        current >= 0)
        drivePaths_[static_cast<std::size_t>(current)] =
            WithBackslash(win::UpperCase(InitialDirectory));
    // No volume has been read yet; letters without a drive report the same, so the media scan of a
    // device change passes over them.
    driveSerials_.fill(kNoVolume);
    MyComputerFolder = platform::ui::ShellFolder::Drives();

    connect(this, &QTreeWidget::currentItemChanged, this,
            Guarded([this](QTreeWidgetItem* current, QTreeWidgetItem*) {
                // A node deleted while selected hands the selection on; keep it drawn as selected.
                if (current && !current->isSelected())
                    current->setSelected(true);
                Change(TTreeNode::From(current));
            }));
    connect(this, &QTreeWidget::itemExpanded, this,
            Guarded([this](QTreeWidgetItem* item) { ItemToggled(item, true); }));
    connect(this, &QTreeWidget::itemCollapsed, this,
            Guarded([this](QTreeWidgetItem* item) { ItemToggled(item, false); }));
}

TDirTree::~TDirTree() {
    destroying_ = true;
    updateLock_ = 0;
    UnhookOwner();
    ClearTree();
}

// Properties.

void TDirTree::SetDirTypes(TDirTypes value) {
    if (Changed(dirTypes_, value))
        Reload();
}

void TDirTree::SetGoBelowRecycleBin(bool value) {
    if (Changed(goBelowRecycleBin_, value))
        Reload();
}

void TDirTree::SetDriveTypes(TDriveTypes value) {
    if (Changed(driveTypes_, value))
        RefreshDrives();
}

void TDirTree::SetAcceptDropFiles(bool value) {
    acceptDropFiles_ = value;
    if (!handleAllocated_)
        return;
    setAcceptDrops(value);
    viewport()->setAcceptDrops(value);
}

void TDirTree::SetHideSelection(bool value) {
    hideSelection_ = value;
    // Without the focus the selection is drawn in the active colours, or not at all.
    QPalette colours = palette();
    colours.setColor(QPalette::Inactive, QPalette::Highlight,
                     colours.color(QPalette::Active, value ? QPalette::Base : QPalette::Highlight));
    colours.setColor(
        QPalette::Inactive, QPalette::HighlightedText,
        colours.color(QPalette::Active, value ? QPalette::Text : QPalette::HighlightedText));
    setPalette(colours);
}

void TDirTree::SetReadOnly(bool value) {
    readOnly_ = value;
    // Captions can be edited in place unless read-only; that changes the caption only.
    setEditTriggers(value ? QAbstractItemView::NoEditTriggers
                          : QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
}

// The window's life.

void TDirTree::HandleNeeded() {
    if (!handleAllocated_)
        CreateWnd();
}

void TDirTree::CreateWnd() {
    handleAllocated_ = true;
    HookOwner();
    if (ReadOnStart)
        ReadDrives();
    if (recreatePending_) {
        recreatePending_ = false;
        OpenPath(recreatePath_);
    }
    SetAcceptDropFiles(acceptDropFiles_);
}

void TDirTree::DestroyWnd() {
    SetAcceptDropFiles(false);
    recreatePending_ = true;
    recreatePath_ = SelectedPath();
    ClearTree();
    UnhookOwner();
    handleAllocated_ = false;
}

void TDirTree::Loaded() {
    HandleNeeded();
    if (!InitialDirectory.empty() && platform::DirectoryExists(InitialDirectory))
        OpenPath(InitialDirectory);
    else
        OpenPath(platform::CurrentWindowsDirectory());
}

bool TDirTree::event(QEvent* event) {
    if (event->type() == QEvent::ParentAboutToChange && handleAllocated_)
        Guarded([this] { DestroyWnd(); })();
    return QTreeWidget::event(event);
}

void TDirTree::showEvent(QShowEvent* event) {
    QTreeWidget::showEvent(event);
    Guarded([this] { HandleNeeded(); })();
}

void TDirTree::HookOwner() {
    if (ownerHooked_ || !parentWidget())
        return;
    ownerHook_ =
        connect(&platform::ui::DeviceWatch::Instance(), &platform::ui::DeviceWatch::devicesChanged,
                this, Guarded([this] { DeviceChange(); }));
    ownerHooked_ = true;
}

void TDirTree::UnhookOwner() {
    if (!ownerHooked_)
        return;
    disconnect(ownerHook_);
    ownerHooked_ = false;
}

// Selection, expansion and clicks.

TTreeNode* TDirTree::Selected() const {
    return TTreeNode::From(currentItem());
}

TTreeNode* TDirTree::TopNode(int index) const {
    return TTreeNode::From(topLevelItem(index));
}

void TDirTree::Select(TTreeNode* node) {
    setCurrentItem(node);
}

std::string TDirTree::SelectedPath() const {
    const TTreeNode* node = Selected();
    return node && node->Record() ? node->Record()->Path : NoSelection;
}

std::string TDirTree::SelectedStoredPath() const {
    const TTreeNode* node = Selected();
    return node && node->Record() ? node->StoredPath() : NoSelection;
}

bool TDirTree::IsPathSelected() const {
    return SelectedPath() != NoSelection;
}

void TDirTree::Change(TTreeNode* node) {
    if (destroying_ || updateLock_ != 0)
        return;
    if (node && node->Record()) {
        const char letter = node->Record()->Path[0];
        if (SerialChanged(letter, VolumeSerial(letter))) {
            // Another medium: the drive starts over, unread, under a fresh caption.
            TTreeNode* drive = FindPathNode(DriveRoot(letter));
            if (drive) {
                Lock lock(*this); // the nodes deleted here hand the selection on
                RefreshMedia(letter, drive);
            }
            node = drive;
        }
        if (node && node->Record()) {
            const std::string path = win::UpperCase(node->Record()->Path);
            if (const int index = LetterIndex(path[0]); index >= 0)
                drivePaths_[static_cast<std::size_t>(index)] = path;
        }
    }
    if (OnChange)
        OnChange(this, node);
}

bool TDirTree::CanExpand(TTreeNode* node) {
    const platform::ui::HourGlass hourglass;
    ReadChildren(node);
    for (int i = 0; i < node->Count(); ++i)
        ProbeChildren(node->Child(i));
    bool allow = true;
    if (OnExpanding)
        OnExpanding(this, node, allow);
    return allow;
}

bool TDirTree::CanCollapse(TTreeNode* node) {
    bool allow = true;
    if (OnCollapsing)
        OnCollapsing(this, node, allow);
    return allow;
}

// The tree tells of an expansion or a collapse after the fact: the read comes before anything is
// drawn, and a refusal undoes the change at once.
void TDirTree::ItemToggled(QTreeWidgetItem* item, bool expanded) {
    TTreeNode* node = TTreeNode::From(item);
    if (expansionGuard_ || !node || (expanded ? CanExpand(node) : CanCollapse(node)))
        return;
    expansionGuard_ = true;
    node->setExpanded(!expanded);
    expansionGuard_ = false;
}

void TDirTree::Click() {
    TTreeNode* node = Selected();
    if (node && node->Record()) {
        const char letter = node->Record()->Path[0];
        if (SerialChanged(letter, VolumeSerial(letter))) {
            Change(node);
            return;
        }
    }
    if (OnClick)
        OnClick(this);
}

void TDirTree::mouseReleaseEvent(QMouseEvent* event) {
    QTreeWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        Guarded([this] { Click(); })();
}

// Clearing and deleting.

void TDirTree::BeginUpdate() {
    if (bulkDepth_++ == 0)
        setUpdatesEnabled(false);
}

void TDirTree::EndUpdate() {
    if (--bulkDepth_ == 0)
        setUpdatesEnabled(true);
}

void TDirTree::NodeDeleted(TTreeNode* node) {
    node->FreeRecord();
    if (node == dropTarget_)
        dropTarget_ = nullptr;
    // While the control is destroyed its owner window is already gone: no handler is called.
    if (OnDeleteItem && !destroying_)
        OnDeleteItem(this, node);
}

// Deleting a node deletes its children with it; each node's destructor runs the deletion hook.
void TDirTree::DeleteChildren(TTreeNode* node) {
    while (node->childCount() > 0)
        delete node->child(node->childCount() - 1);
}

void TDirTree::ClearTree() {
    {
        Lock lock(*this);
        std::optional<BulkUpdate> bulk;
        if (handleAllocated_)
            bulk.emplace(*this);
        QTreeWidgetItemIterator it(this);
        for (; *it; ++it)
            if (TTreeNode* node = TTreeNode::From(*it))
                node->FreeRecord();
        while (topLevelItemCount() > 0)
            delete topLevelItem(topLevelItemCount() - 1);
    }
    Unlock();
}

// The lock guard has raised UpdateLock already; a count back at 0 hands on the selection.
void TDirTree::Unlock() {
    if (updateLock_ > 0)
        updateLock_ = 0;
    if (updateLock_ == 0)
        Change(Selected());
}
