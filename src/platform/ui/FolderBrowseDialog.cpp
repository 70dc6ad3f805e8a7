// The folder browser.
#include "platform/ui/FolderBrowseDialog.h"

#include "platform/Find.h"
#include "platform/Volumes.h"
#include "platform/WinPath.h"
#include "platform/ui/ErrorBox.h"
#include "platform/ui/SystemImageList.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace platform::ui {
namespace {

// The Windows path of a node; a node without one is the placeholder that gives an unread folder
// its expander.
constexpr int kPathRole = Qt::UserRole + 1;
constexpr int kReadRole = Qt::UserRole + 2;

std::string PathOf(const QStandardItem* item) {
    return item ? item->data(kPathRole).toByteArray().toStdString() : std::string();
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    return folder.ends_with('\\') ? folder + name : folder + '\\' + name;
}

QStandardItem* FolderItem(const QString& text, int iconIndex, const std::string& path) {
    auto* item = new QStandardItem(SystemImageList::Instance().Icon(iconIndex), text);
    item->setEditable(false);
    item->setData(QByteArray::fromStdString(path), kPathRole);
    item->appendRow(new QStandardItem);
    return item;
}

} // namespace

FolderBrowseDialog::FolderBrowseDialog(const FolderBrowseOptions& options, QWidget* parent)
    : QDialog(parent), options_(options), tree_(new QTreeView(this)), status_(new QLabel(this)) {
    setObjectName("FolderBrowser");
    setWindowTitle("Browse for Folder");
    resize(320, 400);

    auto* title = new QLabel(options_.title, this);
    title->setObjectName("Title");
    title->setWordWrap(true);
    status_->setObjectName("StatusText");
    status_->setVisible(options_.showStatus);
    tree_->setObjectName("FolderTree");
    // The title says what the folder is for; a tree takes no name from a label.
    tree_->setAccessibleName(options_.title.isEmpty() ? QString("Folders") : options_.title);
    tree_->setHeaderHidden(true);
    // A folder's name is only shown here: renaming it on screen would change nothing on disk.
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree_->setModel(&model_);
    AddDrives();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    ok_->setEnabled(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(tree_, &QTreeView::expanded, this,
            [this](const QModelIndex& index) { ReadSubfolders(model_.itemFromIndex(index)); });
    connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { ReportSelection(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(status_);
    layout->addWidget(tree_, 1);
    layout->addWidget(buttons);
}

std::string FolderBrowseDialog::SelectedFolder() const {
    return PathOf(model_.itemFromIndex(tree_->currentIndex()));
}

void FolderBrowseDialog::SelectFolder(const std::string& path) {
    if (path.size() < 2 || path[1] != ':')
        return;
    QStandardItem* item = nullptr;
    for (int row = 0; row < model_.rowCount() && !item; ++row)
        if (win::SameText(PathOf(model_.item(row)).substr(0, 2), path.substr(0, 2)))
            item = model_.item(row);
    if (!item)
        return;
    std::size_t start = 2;
    while (start < path.size()) {
        const std::size_t end = std::min(path.find('\\', start), path.size());
        if (end > start) {
            QStandardItem* child = ChildNamed(item, path.substr(start, end - start));
            if (!child)
                break;
            item = child;
        }
        start = end + 1;
    }
    const QModelIndex index = model_.indexFromItem(item);
    tree_->setCurrentIndex(index);
    tree_->scrollTo(index);
}

void FolderBrowseDialog::SetStatusText(const QString& text) {
    status_->setText(text);
}

QString FolderBrowseDialog::StatusText() const {
    return status_->text();
}

void FolderBrowseDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (shown_ || !options_.shown)
        return;
    shown_ = true;
    Guarded([this] { options_.shown(*this); })();
}

void FolderBrowseDialog::AddDrives() {
    const win::DWORD drives = win::GetLogicalDrives();
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        if (!(drives & (1u << (letter - 'A'))))
            continue;
        const std::string root = std::string(1, letter) + ":\\";
        const int icon =
            SystemImageList::Instance().IndexOfDriveType(win::GetDriveTypeA(root.c_str()));
        model_.appendRow(FolderItem(DriveDisplayName(letter), icon, root));
    }
}

void FolderBrowseDialog::ReadSubfolders(QStandardItem* item) {
    if (!item || item->data(kReadRole).toBool())
        return;
    item->setData(true, kReadRole);
    item->removeRows(0, item->rowCount());
    const std::string folder = PathOf(item);
    win::WIN32_FIND_DATAA found{};
    const win::HANDLE find = win::FindFirstFileA(JoinPath(folder, "*.*").c_str(), &found);
    if (find == win::INVALID_HANDLE_VALUE)
        return;
    do {
        const std::string name = found.cFileName;
        if ((found.dwFileAttributes & win::FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != "..")
            item->appendRow(FolderItem(QString::fromLocal8Bit(name), SystemImageList::kClosedFolder,
                                       JoinPath(folder, name)));
    } while (win::FindNextFileA(find, &found));
    win::FindClose(find);
}

QStandardItem* FolderBrowseDialog::ChildNamed(QStandardItem* parent, const std::string& name) {
    ReadSubfolders(parent);
    for (int row = 0; row < parent->rowCount(); ++row)
        if (win::SameText(win::ExtractFileName(PathOf(parent->child(row))), name))
            return parent->child(row);
    return nullptr;
}

void FolderBrowseDialog::ReportSelection() {
    const std::string folder = SelectedFolder();
    ok_->setEnabled(!folder.empty());
    if (options_.selectionChanged && !folder.empty())
        Guarded([&] { options_.selectionChanged(folder); })();
}

} // namespace platform::ui
