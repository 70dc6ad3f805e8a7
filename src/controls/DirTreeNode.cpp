// The nodes of TDirTree: their records, their icons from the system image list with the share
// overlay drawn over them, and the deletion hook every deleted node passes through.
#include "controls/DirTree.h"

#include "platform/ui/SystemImageList.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <map>

namespace {

// Overlay image 0: the shared-folder mark, drawn over the lower left corner of the icon.
QIcon WithShareOverlay(int imageIndex) {
    static std::map<int, QIcon> made;
    if (const auto known = made.find(imageIndex); known != made.end())
        return known->second;
    QPixmap picture = platform::ui::SystemImageList::Instance().SmallIcon(imageIndex);
    if (picture.isNull()) {
        picture = QPixmap(16, 16);
        picture.fill(Qt::transparent);
    }
    QPainter painter(&picture);
    const QPixmap mark =
        QApplication::style()->standardIcon(QStyle::SP_DriveNetIcon).pixmap(10, 10);
    painter.drawPixmap(0, picture.height() - mark.height(), mark);
    painter.end();
    return made.emplace(imageIndex, QIcon(picture)).first->second;
}

} // namespace

TTreeNode::TTreeNode(TDirTree* owner) : QTreeWidgetItem(NodeType), owner_(owner) {
    setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable | Qt::ItemIsDragEnabled);
}

TTreeNode::~TTreeNode() {
    if (owner_)
        owner_->NodeDeleted(this);
}

void TTreeNode::Attach(std::unique_ptr<TDirNodeRec> record, std::string storedPath) {
    record_ = std::move(record);
    storedPath_ = std::move(storedPath);
}

TTreeNode* TTreeNode::From(QTreeWidgetItem* item) {
    return item && item->type() == NodeType ? static_cast<TTreeNode*>(item) : nullptr;
}

TTreeNode* TTreeNode::Parent() const {
    return From(parent());
}

TTreeNode* TTreeNode::Child(int index) const {
    return From(child(index));
}

void TTreeNode::SetIndex(int& field, int index) {
    if (field == index)
        return;
    field = index;
    emitDataChanged();
}

void TTreeNode::SetImageIndex(int index) {
    SetIndex(imageIndex_, index);
}
void TTreeNode::SetSelectedIndex(int index) {
    SetIndex(selectedIndex_, index);
}
void TTreeNode::SetOverlayIndex(int index) {
    SetIndex(overlayIndex_, index);
}

QVariant TTreeNode::data(int column, int role) const {
    if (column != 0 || role != Qt::DecorationRole)
        return QTreeWidgetItem::data(column, role);
    const int index = treeWidget() && isSelected() ? selectedIndex_ : imageIndex_;
    if (index < 0)
        return {};
    if (overlayIndex_ == 0)
        return WithShareOverlay(index);
    return platform::ui::SystemImageList::Instance().Icon(index);
}
