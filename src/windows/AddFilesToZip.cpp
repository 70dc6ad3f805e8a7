// TAddform: showing and closing the window, listing the selected folder's files, and the
// selection with the path list kept in step with it, row for row.
#include "windows/AddFilesToZip.h"

#include "controls/DirTree.h"
#include "controls/FileDrop.h"
#include "platform/Find.h"
#include "platform/WinPath.h"
#include "platform/ui/ColourCodec.h"
#include "platform/ui/ErrorBox.h"
#include "platform/ui/HourGlass.h"
#include "platform/ui/ListView.h"
#include "platform/ui/SystemImageList.h"
#include "windows/PickedPaths.h"

#include <QDropEvent>
#include <QLabel>
#include <QMouseEvent>
#include <cstdint>
#include <optional>

bool AddCancelled = true;

namespace {

// The size texts of selection rows that are not picked files.
const QString kFolderSize = "<DIR>";
const QString kDroppedSize = "???";
// A folder specification shorter than this is a drive root ("C:\*.*") or no folder at all.
constexpr std::size_t kShortestFolderSpec = 7;
// The attribute find-first gives a volume label.
constexpr win::DWORD kVolumeLabel = 0x08;

QString Text(const std::string& bytes) {
    return QString::fromLocal8Bit(bytes);
}

// The shell's icon for a file, asked by its name and type only: the file is not opened.
std::optional<int> FileIcon(const std::string& path) {
    using namespace platform::ui;
    const auto info =
        GetShellFileInfo(path, SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES);
    if (!info || info->iconIndex < 0)
        return std::nullopt;
    return info->iconIndex;
}

// A header's colours, by the names of the colour table: navy with a white label when its pane is
// active, the button face with a black label otherwise. A dark palette's button face takes the
// palette's text colour instead of black, so the label stays readable.
void ShowHeaderState(QFrame* header, QLabel* label, bool active) {
    const QPalette& window = header->window()->palette();
    const auto colour = [&window](const char* name) {
        return colours::ToQColor(colours::StringToColor(name).value_or(colours::clNone), window);
    };
    const QColor background = colour(active ? "clNavy" : "clBtnFace");
    QPalette palette = header->palette();
    palette.setColor(QPalette::Window, background);
    header->setPalette(palette);
    colours::ShowTextReadably(label, colour(active ? "clWhite" : "clBlack"), background);
}

} // namespace

int TPathList::IndexOf(std::string_view path) const {
    for (int row = 0; row < Count(); ++row) {
        const std::string& item = items_[static_cast<std::size_t>(row)];
        if (SamePickedPath(item, path))
            return row;
    }
    return -1;
}

void TAddform::showEvent(QShowEvent* event) {
    Form::showEvent(event);
    // A window restored from the task bar is not a new showing.
    if (!event->spontaneous())
        platform::ui::Guarded([this] { FormShow(); })();
}

void TAddform::SetArchive(std::string path) {
    archive_ = std::move(path);
}

void TAddform::FormShow() {
    const std::string archive = win::ExtractFileName(archive_);
    setWindowTitle("Adding files to zip - " + Text(archive));
    SetActiveHeader(true);
    PathLabel2->setText("Zip-file:  " + Text(win::LowerCase(archive)));
    PathLabel1->setText(Text(win::LowerCase(DirTree1->SelectedPath())));
    // Every showing starts with an empty selection.
    AddListView2->Clear();
    ListBox1->Clear();
    FillFileList();
}

void TAddform::SetActiveHeader(bool left) {
    leftActive_ = left;
    ShowHeaderState(Panel6, PathLabel1, left);
    ShowHeaderState(Panel7, PathLabel2, !left);
}

void TAddform::FillFileList() {
    platform::ui::HourGlass hourGlass;
    AddListView1->BeginUpdate();
    AddListView1->Clear();
    fileNames_.clear();
    // A folder that cannot be listed (no medium, nothing selected) leaves the list empty.
    const std::string folder = DirTree1->SelectedStoredPath();
    win::WIN32_FIND_DATAA found{};
    const win::HANDLE find = DirTree1->IsPathSelected()
                                 ? win::FindFirstFileA((folder + "*.*").c_str(), &found)
                                 : win::INVALID_HANDLE_VALUE;
    if (find != win::INVALID_HANDLE_VALUE) {
        do {
            if (found.dwFileAttributes & (win::FILE_ATTRIBUTE_DIRECTORY | kVolumeLabel))
                continue;
            const std::string name = found.cFileName;
            const auto icon = FileIcon(folder + name);
            if (!icon)
                continue;
            const std::uint64_t size =
                (std::uint64_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow;
            AddListView1->AddRow({*icon, Text(win::LowerCase(name)), {QString::number(size)}});
            fileNames_.push_back(name);
        } while (win::FindNextFileA(find, &found));
        win::FindClose(find);
    }
    AddListView1->EndUpdate();
}

void TAddform::AddFolderItem(const std::string& path) {
    AddListView2->AddRow({platform::ui::SystemImageList::kClosedFolder, Text(path), {kFolderSize}});
}

void TAddform::AddSelectionItem(const std::string& path, const QString& sizeText) {
    AddListView2->AddRow(
        {FileIcon(path).value_or(platform::ui::SystemImageList::kFile), Text(path), {sizeText}});
}

void TAddform::DirTree1Change() {
    PathLabel1->setText(Text(win::LowerCase(DirTree1->SelectedPath())));
    FillFileList();
}

void TAddform::DirTree1Click() {
    SetActiveHeader(true);
    FillFileList();
}

void TAddform::AddListView1Click() {
    SetActiveHeader(true);
}

void TAddform::AddListView2Click() {
    SetActiveHeader(false);
}

void TAddform::AddSelectedFiles(bool deselect) {
    const std::string folder = DirTree1->SelectedStoredPath();
    for (const int row : AddListView1->SelectedRows()) {
        // The name as the disk gave it: a name that is not valid text survives, and of two names
        // that differ only in letter case the one picked is handed on.
        if (static_cast<std::size_t>(row) >= fileNames_.size())
            break;
        const std::string path = folder + fileNames_[static_cast<std::size_t>(row)];
        if (deselect)
            AddListView1->SetSelected(row, false);
        if (ListBox1->IndexOf(path) >= 0)
            continue;
        ListBox1->Add(path);
        AddSelectionItem(win::LowerCase(path), AddListView1->Cell(row, 1));
    }
}

void TAddform::AddFilesbtnClick() {
    AddCancelled = true;
    AddSelectedFiles(true);
}

void TAddform::AddListView1DblClick() {
    AddFilesbtnClick();
}

void TAddform::AddDirbtnClick() {
    AddCancelled = true;
    const std::string spec = DirTree1->SelectedStoredPath() + "*.*";
    if (ListBox1->IndexOf(spec) >= 0 || spec.size() < kShortestFolderSpec)
        return;
    ListBox1->Add(spec);
    AddFolderItem(win::LowerCase(DirTree1->SelectedPath()));
}

bool TAddform::IsInList(platform::ui::ListView* list, const QObject* object) const {
    const auto* widget = qobject_cast<const QWidget*>(object);
    return widget && (widget == list || list->isAncestorOf(widget));
}

bool TAddform::AddListView2DragOver(const QObject* source) const {
    return IsInList(AddListView1, source);
}

void TAddform::AddListView2DragDrop(const QObject* source) {
    if (AddListView2DragOver(source))
        AddSelectedFiles(false);
}

void TAddform::FileDrop1Drop() {
    // Taken as delivered: a dropped folder is a plain path, not a folder specification.
    for (const std::string& path : FileDrop1->Files()) {
        if (ListBox1->IndexOf(path) >= 0)
            continue;
        ListBox1->Add(path);
        AddSelectionItem(path, kDroppedSize);
    }
}

void TAddform::RemoveItembtnClick() {
    int row = 0;
    while (row < AddListView2->RowCount()) {
        if (!AddListView2->IsSelected(row)) {
            ++row;
            continue;
        }
        AddListView2->DeleteRow(row);
        if (row < ListBox1->Count())
            ListBox1->Delete(row);
    }
}

void TAddform::AddListView2DblClick() {
    RemoveItembtnClick();
}

void TAddform::RemoveAllButClick() {
    ListBox1->Clear();
    AddListView2->Clear();
}

void TAddform::BitBtn1Click() {
    AddCancelled = false;
    accept();
}

void TAddform::BitBtn2Click() {
    AddCancelled = true;
    Form::reject();
}

void TAddform::reject() {
    BitBtn2Click();
}

bool TAddform::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == AddListView2 &&
        (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop)) {
        auto* drag = static_cast<QDropEvent*>(event);
        const QObject* source = drag->source();
        if (!AddListView2DragOver(source))
            return false;
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
        if (type == QEvent::Drop)
            platform::ui::Guarded([this, source] { AddListView2DragDrop(source); })();
        return true;
    }
    if (type == QEvent::Resize && IsInList(AddListView2, watched))
        FitSelectionColumns();
    if (type == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (IsInList(AddListView1, watched))
            AddListView1Click();
        else if (IsInList(AddListView2, watched))
            AddListView2Click();
    }
    return Form::eventFilter(watched, event);
}
