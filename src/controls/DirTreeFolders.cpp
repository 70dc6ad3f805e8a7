// TDirTree's folders: which folders are listed, reading a folder level when its node opens,
// probing a node for its first subfolder, opening a path level by level, and reloading.
//
// A level is read once: its node's ChildrenRead stays 1 until the node is reset (a media change)
// or the drives are read again. A probe stops at the first subfolder it finds and leaves only a
// placeholder child, so a node shows an expand button without its folder being read.
#include "controls/DirTree.h"

#include "controls/DirTreeSupport.h"
#include "platform/Files.h"
#include "platform/Find.h"
#include "platform/PathMap.h"
#include "platform/UserFolders.h"
#include "platform/WinPath.h"
#include "platform/ui/HourGlass.h"
#include "platform/ui/SystemImageList.h"

#include <QCollator>
#include <algorithm>
#include <stdexcept>

namespace {

constexpr win::DWORD kMarkedAttributes =
    win::FILE_ATTRIBUTE_HIDDEN | win::FILE_ATTRIBUTE_SYSTEM | win::FILE_ATTRIBUTE_ARCHIVE;

// The result of a find call: 0 for an entry, the platform's error code otherwise.
int FindResult(bool found) {
    if (found)
        return 0;
    const win::DWORD error = win::GetLastError();
    return static_cast<int>(error ? error : win::ERROR_NO_MORE_FILES);
}

} // namespace

// Below a recycle bin nothing is listed unless GoBelowRecycleBin; the bin folder itself, whose
// marker ends the path, is. Then OnAddDir decides.
bool TDirTree::FolderAllowed(const std::string& path) {
    bool allowed = true;
    if (!goBelowRecycleBin_) {
        const std::string lower = win::LowerCase(path);
        std::size_t at = lower.find("\\recycled\\");
        if (at == std::string::npos)
            at = lower.find("\\recycler\\");
        const std::size_t position = at + 1; // 1-based, 0 when absent
        if (at != std::string::npos && position + 9 < path.size())
            allowed = false;
    }
    if (allowed && OnAddDir)
        OnAddDir(this, path, allowed);
    return allowed;
}

bool TDirTree::DirTypeAllowed(win::DWORD attr) const {
    if (dirTypes_ & dtAll)
        return true;
    if (((attr & win::FILE_ATTRIBUTE_HIDDEN) && !(dirTypes_ & dtHidden)) ||
        ((attr & win::FILE_ATTRIBUTE_SYSTEM) && !(dirTypes_ & dtSystem)) ||
        ((attr & win::FILE_ATTRIBUTE_ARCHIVE) && !(dirTypes_ & dtArchive)))
        return false;
    return (dirTypes_ & dtNormal) || (attr & kMarkedAttributes);
}

// Hands every subfolder of the node to found, in the order the enumeration gives them, until
// found answers false. The entries come from OnFindDir when it is assigned, else from the disk.
void TDirTree::EnumerateSubfolders(TTreeNode* node,
                                   const std::function<bool(const TDirRec&)>& found) {
    const FailCriticalErrors errorMode;
    const TDirNodeRec& record = *node->Record();
    const std::string path = record.Path;
    TDirRec entry;
    entry.Data = record.Data;
    int result = 0;
    bool first = true;
    const auto next = [&] {
        if (OnFindDir) {
            if (!first)
                entry.Data = record.Data;
            OnFindDir(this, path, entry, result, first);
        } else {
            if (first) {
                entry.FindHandle =
                    win::FindFirstFileA((node->StoredPath() + "*.*").c_str(), &entry.FindData);
                result = FindResult(entry.FindHandle != win::INVALID_HANDLE_VALUE);
            } else {
                result = FindResult(win::FindNextFileA(entry.FindHandle, &entry.FindData));
            }
            if (result == 0) {
                entry.Attr = entry.FindData.dwFileAttributes;
                entry.Name = entry.FindData.cFileName;
                entry.Data = nullptr;
            }
        }
        first = false;
    };
    for (next(); result == 0; next()) {
        const bool subfolder = (entry.Attr & win::FILE_ATTRIBUTE_DIRECTORY) && entry.Name != "." &&
                               entry.Name != ".." && FolderAllowed(path + entry.Name + "\\") &&
                               DirTypeAllowed(entry.Attr);
        if (subfolder && !found(entry))
            break;
    }
    if (entry.FindHandle && entry.FindHandle != win::INVALID_HANDLE_VALUE)
        win::FindClose(entry.FindHandle);
}

void TDirTree::ReadChildren(TTreeNode* node) {
    if (!node || !node->Record() || node->Record()->ChildrenRead == 1)
        return;
    DeleteChildren(node);
    node->Record()->ChildrenRead = 1;
    struct Entry {
        QString name;
        std::string bytes;
        void* data;
    };
    std::vector<Entry> entries;
    EnumerateSubfolders(node, [&](const TDirRec& entry) {
        entries.push_back({QString::fromLocal8Bit(entry.Name), entry.Name, entry.Data});
        return true;
    });
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
        return collator.compare(a.name, b.name) < 0;
    });
    for (const Entry& entry : entries)
        AddFolderNode(node, entry.bytes, entry.data);
}

void TDirTree::ProbeChildren(TTreeNode* node) {
    // A node that already has its placeholder is not looked at again.
    if (!node || !node->Record() || node->Record()->ChildrenRead == 1 || node->Count() > 0)
        return;
    bool any = false;
    EnumerateSubfolders(node, [&](const TDirRec&) {
        any = true;
        return false;
    });
    if (any)
        AddPlaceholder(node);
}

// Back to unread: no children, closed, and probed again.
void TDirTree::ResetNode(TTreeNode* node) {
    DeleteChildren(node);
    node->Record()->ChildrenRead = 0;
    expansionGuard_ = true;
    collapseItem(node);
    expansionGuard_ = false;
    ProbeChildren(node);
}

void TDirTree::AddPlaceholder(TTreeNode* node) {
    if (node->Count() == 0)
        node->addChild(new TTreeNode(this));
}

// The caption is the folder's name as stored: the disk's own entries come that way, a name from
// OnFindDir is looked up.
TTreeNode* TDirTree::AddFolderNode(TTreeNode* parent, const std::string& name, void* data) {
    const std::string stored =
        parent->StoredPath() + (OnFindDir ? StoredName(parent->StoredPath() + name) : name);
    const FailCriticalErrors errorMode;
    const auto info = platform::ui::GetShellFileInfo(
        stored + "\\", platform::ui::SHGFI_SYSICONINDEX | platform::ui::SHGFI_DISPLAYNAME |
                           platform::ui::SHGFI_SMALLICON);
    auto* node = new TTreeNode(this);
    parent->addChild(node);
    node->setText(0, QString::fromLocal8Bit(win::ExtractFileName(stored)));
    AttachRecord(node, stored + "\\", data, info ? info->iconIndex : -1);
    return node;
}

// A new node's record (its Path in upper case), share overlay and icons; OnGetIcon may then
// change the icons.
void TDirTree::AttachRecord(TTreeNode* node, const std::string& storedPath, void* data,
                            int iconIndex) {
    auto record = std::make_unique<TDirNodeRec>();
    record->Path = win::UpperCase(storedPath);
    record->Data = data;
    node->Attach(std::move(record), storedPath);
    if (showShareOverlay_)
        node->SetOverlayIndex(ShareOverlayIndex(node));
    SetIcons(node, iconIndex);
}

void TDirTree::SetIcons(TTreeNode* node, int iconIndex) {
    node->SetImageIndex(iconIndex);
    if (iconIndex == folderIcon_) {
        node->SetSelectedIndex(openFolderIcon_);
    } else {
        const FailCriticalErrors errorMode;
        const auto open = platform::ui::GetShellFileInfo(
            node->StoredPath(), platform::ui::SHGFI_SYSICONINDEX | platform::ui::SHGFI_SMALLICON |
                                    platform::ui::SHGFI_OPENICON);
        node->SetSelectedIndex(open ? open->iconIndex : -1);
    }
    if (OnGetIcon)
        OnGetIcon(this, node);
}

// The last component of a path (without trailing backslash) in the letter case in which it is
// stored on disk, or as given when the disk does not have it. Only the last component names a
// node's caption; the ones before it are the parent's.
std::string TDirTree::StoredName(const std::string& path) {
    const FailCriticalErrors errorMode;
    win::WIN32_FIND_DATAA found{};
    const win::HANDLE find = win::FindFirstFileA(path.c_str(), &found);
    if (find == win::INVALID_HANDLE_VALUE)
        return win::ExtractFileName(path);
    win::FindClose(find);
    return found.cFileName;
}

// Walks an upper-case path with a trailing backslash level by level: the node of each level is
// looked for among the children of the node of the level before (the drives first). Nothing when
// a level has no node.
TTreeNode* TDirTree::WalkPath(const std::string& path, bool exact,
                              const std::function<void(TTreeNode*)>& reached) const {
    TTreeNode* node = nullptr;
    for (std::size_t end = path.find('\\'); end != std::string::npos;
         end = path.find('\\', end + 1)) {
        const std::string level = path.substr(0, end + 1);
        TTreeNode* match = nullptr;
        const int count = node ? node->Count() : TopCount();
        for (int i = 0; i < count && !match; ++i) {
            TTreeNode* candidate = node ? node->Child(i) : TopNode(i);
            const TDirNodeRec* record = candidate ? candidate->Record() : nullptr;
            if (record && (exact ? record->Path == level : win::SameText(record->Path, level)))
                match = candidate;
        }
        if (!match)
            return nullptr;
        if (reached)
            reached(match);
        node = match;
    }
    return node;
}

TTreeNode* TDirTree::FindPathNode(const std::string& path) const {
    const platform::ui::HourGlass hourglass;
    return WalkPath(win::UpperCase(WithBackslash(path)), true, nullptr);
}

void TDirTree::OpenPath(const std::string& path) {
    if (path.empty())
        throw std::invalid_argument(InvalidPathName);
    if (path == NoSelection)
        return;
    HandleNeeded();
    std::string target = WithBackslash(path);
    {
        const FailCriticalErrors errorMode;
        const std::string folder = target.substr(0, target.size() - 1);
        // A folder that is not there opens a folder of the user's own instead, never the root of
        // the current drive: started from a home folder or by the desktop that is the machine's
        // root, and extracting there would write into it.
        if (win::GetFileAttributesA(folder.c_str()) == win::INVALID_FILE_ATTRIBUTES)
            target = WithBackslash(platform::UserFallbackFolder());
    }
    const platform::ui::HourGlass hourglass;
    const BulkUpdate bulk(*this);
    TTreeNode* node = WalkPath(win::UpperCase(target), false, [this](TTreeNode* level) {
        if (level->Record()->ChildrenRead == 0)
            ReadChildren(level);
    });
    if (!node)
        return;
    Select(node);
    scrollToItem(node);
}

void TDirTree::Reload() {
    const std::string remembered = SelectedPath();
    ReadDrives();
    OpenPath(remembered);
    if (TopCount() > 0 && !Selected())
        OpenPath(remembered.substr(0, 3));
    if (!Selected())
        ReloadFallback();
}

// Neither the old selection nor its drive could be opened: the first drive whose first child has
// been read (or else the last drive) opens at the folder last selected on it, or is selected
// itself. Nothing that goes wrong here is reported.
void TDirTree::ReloadFallback() {
    try {
        TTreeNode* node = TopNode(0);
        if (!node)
            return;
        const auto firstChildUnread = [](const TTreeNode* drive) {
            const TTreeNode* first = drive->Child(0);
            // A placeholder has no record: it stands for children not read yet.
            return first && (!first->Record() || first->Record()->ChildrenRead == 0);
        };
        for (int i = 0; firstChildUnread(node) && i + 1 < TopCount();)
            node = TopNode(++i);
        const int letter = LetterIndex(node->Record()->Path[0]);
        if (letter < 0)
            return;
        const std::string drivePath = drivePaths_[static_cast<std::size_t>(letter)];
        OpenPath(drivePath);
        if (SelectedPath() == drivePath)
            return;
        if (Selected() != node)
            Select(node); // the selection change runs Change
        else
            Change(node);
    } catch (...) {
    }
}
