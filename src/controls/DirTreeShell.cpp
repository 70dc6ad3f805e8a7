// TDirTree and the shell: shared folders marked with the share overlay, and files dropped from
// the desktop onto a folder node.
#include "controls/DirTree.h"

#include "controls/DirTreeSupport.h"
#include "platform/WinPath.h"
#include "platform/ui/DroppedFiles.h"
#include "platform/ui/ErrorBox.h"

#include <QDropEvent>

// Overlay 0 when the shell says the node's folder is shared, -1 otherwise. The node's parent
// folder is its parent node's shell folder (the computer's drives for a drive node), in which the
// node's name is parsed; on the way the node keeps its own shell folder for its children.
int TDirTree::ShareOverlayIndex(TTreeNode* node) {
    TDirNodeRec* record = node->Record();
    if (!record)
        return -1;
    const TTreeNode* parent = node->Parent();
    const std::shared_ptr<platform::ui::ShellFolder> folder =
        parent && parent->Record() ? parent->Record()->ShellFolder : MyComputerFolder;
    if (!folder)
        return -1;
    const std::string& stored = node->StoredPath();
    const std::string name =
        parent ? win::ExtractFileName(stored.substr(0, stored.size() - 1)) : record->Path;
    record->ItemId = folder->ParseDisplayName(name);
    if (!record->ItemId)
        return -1;
    record->ShellFolder = folder->BindToObject(*record->ItemId);
    if (!record->ShellFolder)
        return -1;
    const auto attributes = folder->GetAttributesOf(*record->ItemId, platform::ui::SFGAO_SHARE);
    return attributes && (*attributes & platform::ui::SFGAO_SHARE) ? 0 : -1;
}

// Parents before their children, and only into levels that have been read.
void TDirTree::SetOverlays(TTreeNode* node, bool show) {
    if (!node)
        return;
    node->SetOverlayIndex(show ? ShareOverlayIndex(node) : -1);
    if (show && !(node->Record() && node->Record()->ChildrenRead == 1))
        return;
    for (int i = 0; i < node->Count(); ++i)
        SetOverlays(node->Child(i), show);
}

void TDirTree::SetShowShareOverlay(bool value) {
    if (!Changed(showShareOverlay_, value))
        return;
    for (int i = 0; i < TopCount(); ++i)
        SetOverlays(TopNode(i), value);
}

std::string TDirTree::DropDirectory() const {
    return dropTarget_ && dropTarget_->Record() ? dropTarget_->Record()->Path : std::string();
}

void TDirTree::dragEnterEvent(QDragEnterEvent* event) {
    if (!TakesFileDrag(*event))
        QTreeWidget::dragEnterEvent(event);
}

void TDirTree::dragMoveEvent(QDragMoveEvent* event) {
    if (!TakesFileDrag(*event))
        QTreeWidget::dragMoveEvent(event);
}

void TDirTree::dropEvent(QDropEvent* event) {
    if (!TakesFileDrag(*event)) {
        QTreeWidget::dropEvent(event);
        return;
    }
    const QPoint point = event->position().toPoint();
    const auto files = platform::ui::DroppedFileNames(event->mimeData());
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    platform::ui::Guarded([&] { DropFiles(point, files, modifiers); })();
}

// While AcceptDropFiles is on, a drag of files is taken as a copy; any other drag is the tree's.
bool TDirTree::TakesFileDrag(QDropEvent& event) const {
    if (!acceptDropFiles_ || !platform::ui::IsFileDrag(event))
        return false;
    event.setDropAction(Qt::CopyAction);
    event.accept();
    return true;
}

// A drop on a node hands the files and the node's folder to OnDropFiles; a drop beside the nodes
// or outside the tree is ignored.
void TDirTree::DropFiles(const QPoint& point, const std::vector<std::string>& files,
                         Qt::KeyboardModifiers modifiers) {
    if (!viewport()->rect().contains(point))
        return;
    TTreeNode* target = TTreeNode::From(itemAt(point));
    if (!target)
        return;
    dropTarget_ = target;
    droppedFiles_ = files;
    if (OnDropFiles)
        OnDropFiles(this, point.x(), point.y(), DropDirectory(), droppedFiles_,
                    modifiers & (Qt::ShiftModifier | Qt::AltModifier | Qt::ControlModifier));
    dropTarget_ = nullptr;
}
