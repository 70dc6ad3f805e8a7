// TDirTree: a tree of the computer's drives and their folders in which the user picks a folder.
// Drives are the top-level nodes; a folder level is read only when its node opens or a path is
// opened through it, and a node that has not been read carries an empty placeholder child so that
// the tree draws its expand button. Every real node owns a record with its full path in upper case
// (trailing backslash). The tree follows the platform's drive set and media changes through the
// device-change notice, and can mark shared folders and take files dropped from the desktop.
//
// The implementation is split by concern: DirTree.cpp (construction, properties, the window's
// life, selection and expansion), DirTreeDrives.cpp (drive nodes and media), DirTreeFolders.cpp
// (reading folders and opening paths), DirTreeShell.cpp (share overlays and drops) and
// DirTreeNode.cpp (the nodes and their records).
#pragma once

#include "platform/WinTypes.h"
#include "platform/ui/ShellFolder.h"

#include <QTreeWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Which folders are listed, by attribute. A set: member order is the bit order.
enum TDirType : std::uint8_t {
    dtReadOnly = 1 << 0,
    dtHidden = 1 << 1,
    dtSystem = 1 << 2,
    dtArchive = 1 << 3,
    dtNormal = 1 << 4,
    dtAll = 1 << 5
};
using TDirTypes = std::uint8_t;

// Which kinds of drive are shown; they stand for the platform's drive types 0, 2, 3, 4, 5 and 6.
enum TDriveType : std::uint8_t {
    drtUnknown = 1 << 0,
    drtRemovable = 1 << 1,
    drtFixed = 1 << 2,
    drtRemote = 1 << 3,
    drtCDRom = 1 << 4,
    drtRamDisk = 1 << 5
};
using TDriveTypes = std::uint8_t;
constexpr TDriveTypes kAllDriveTypes =
    drtUnknown | drtRemovable | drtFixed | drtRemote | drtCDRom | drtRamDisk;

// One step of enumerating a folder's entries.
struct TDirRec {
    win::DWORD Attr = 0;
    std::string Name;
    win::HANDLE FindHandle = nullptr;
    win::WIN32_FIND_DATAA FindData{};
    void* Data = nullptr; // becomes the Data of the node made from this entry
};

// The record of every real node; a placeholder child has none.
struct TDirNodeRec {
    std::string Path; // upper case with a trailing backslash, as C:\WINDOWS\SYSTEM\ (C:\ a drive)
    std::uint8_t ChildrenRead = 0;
    void* Data = nullptr;
    // Kept only while share overlays are computed: this node as a shell folder (for its children)
    // and its identifier relative to its parent's folder.
    std::shared_ptr<platform::ui::ShellFolder> ShellFolder;
    std::optional<platform::ui::ItemId> ItemId;
};

class TDirTree;

// A node of the tree. Its icons are indexes into the shared system image list; the overlay index
// 0 marks a shared folder, -1 none. Deleting a node, however that happens, goes through the
// tree's node-deletion hook.
class TTreeNode : public QTreeWidgetItem {
public:
    static constexpr int NodeType = QTreeWidgetItem::UserType + 1;
    explicit TTreeNode(TDirTree* owner);
    ~TTreeNode() override;

    // The node behind a tree item; nothing for an item the tree did not make.
    static TTreeNode* From(QTreeWidgetItem* item);

    TDirNodeRec* Record() const { return record_.get(); }
    // storedPath: the record's Path in the letter case in which it is stored on disk.
    void Attach(std::unique_ptr<TDirNodeRec> record, std::string storedPath);
    void FreeRecord() { record_.reset(); }
    // The folder's path as stored (with a trailing backslash), for asking the disk: a name in
    // its stored case is found at once, where an upper-case one is looked for among all names.
    const std::string& StoredPath() const { return storedPath_; }

    TTreeNode* Parent() const;
    TTreeNode* Child(int index) const;
    int Count() const { return childCount(); }
    bool IsPlaceholder() const { return !record_ && text(0).isEmpty(); }

    // Indexes into the system image list; setting one redraws the node.
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index);
    int SelectedIndex() const { return selectedIndex_; }
    void SetSelectedIndex(int index);
    int OverlayIndex() const { return overlayIndex_; }
    void SetOverlayIndex(int index);

    QVariant data(int column, int role) const override;

private:
    void SetIndex(int& field, int index);

    TDirTree* owner_;
    std::unique_ptr<TDirNodeRec> record_;
    std::string storedPath_;
    int imageIndex_ = -1;
    int selectedIndex_ = -1;
    int overlayIndex_ = -1;
};

class TDirTree : public QTreeWidget {
    Q_OBJECT
public:
    using TTVChangedEvent = std::function<void(TDirTree* sender, TTreeNode* node)>;
    using TTVNodeEvent = std::function<void(TDirTree* sender, TTreeNode* node)>;
    using TTVExpandingEvent =
        std::function<void(TDirTree* sender, TTreeNode* node, bool& allowExpansion)>;
    using TTVCollapsingEvent =
        std::function<void(TDirTree* sender, TTreeNode* node, bool& allowCollapse)>;
    using TClickEvent = std::function<void(TDirTree* sender)>;
    using TAddFileEvent =
        std::function<void(TDirTree* sender, const std::string& aFileName, bool& doAdd)>;
    using TFindDirEvent = std::function<void(TDirTree* sender, const std::string& aPath,
                                             TDirRec& aRec, int& aResult, bool aFirst)>;
    using TDropFilesEvent = std::function<void(
        TDirTree* sender, int x, int y, const std::string& aDropDir,
        const std::vector<std::string>& aDropFiles, Qt::KeyboardModifiers shift)>;

    // SelectedPath when no node is selected.
    static constexpr const char* NoSelection = "?";
    // The message of the error OpenPath raises for an empty path.
    static constexpr const char* InvalidPathName = "Invalid Path Name";

    explicit TDirTree(QWidget* parent = nullptr);
    ~TDirTree() override;

    // Published properties. Plain fields store only; the setters act as described.
    bool ReadOnStart = true;
    bool FastLoad = false;
    TDirTypes DirTypes() const { return dirTypes_; }
    void SetDirTypes(TDirTypes value); // a different value reloads
    bool GoBelowRecycleBin() const { return goBelowRecycleBin_; }
    void SetGoBelowRecycleBin(bool value); // a different value reloads
    std::string InitialDirectory;          // the current folder at construction
    TDriveTypes DriveTypes() const { return driveTypes_; }
    void SetDriveTypes(TDriveTypes value); // a different value refreshes the drives
    bool ShowShareOverlay() const { return showShareOverlay_; }
    void SetShowShareOverlay(bool value); // a different value recomputes or clears overlays
    bool AcceptDropFiles() const { return acceptDropFiles_; }
    void SetAcceptDropFiles(bool value);
    bool HideSelection() const { return hideSelection_; }
    void SetHideSelection(bool value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);

    // Published events: the tree's own four, then the directory tree's.
    TTVChangedEvent OnChange;
    TClickEvent OnClick;
    TTVExpandingEvent OnExpanding;
    TTVCollapsingEvent OnCollapsing;
    TAddFileEvent OnAddDir;
    TTVNodeEvent OnDeleteItem;
    TTVNodeEvent OnGetIcon;
    TFindDirEvent OnFindDir;
    TDropFilesEvent OnDropFiles;

    // Selects the node of path, reading every level on the way, and scrolls it into view.
    // Throws "Invalid Path Name" for an empty path; "?" does nothing.
    void OpenPath(const std::string& path);
    // The selected node's Path, or NoSelection.
    std::string SelectedPath() const;
    // The selected folder as the disk names it (its stored letter case, with a trailing
    // backslash), so it is told apart from a folder whose name differs only in case; SelectedPath
    // when nothing is selected.
    std::string SelectedStoredPath() const;
    // Whether a folder or drive is selected, so SelectedPath names one.
    bool IsPathSelected() const;
    void Reload();
    void ReadDrives();
    bool RefreshDrives();
    // The Path of the node under the drop being delivered; empty outside a drop.
    std::string DropDirectory() const;
    // The node whose Path is exactly path (a trailing backslash is added), reading nothing.
    TTreeNode* FindPathNode(const std::string& path) const;

    // The end of loading from the form: selects InitialDirectory (or the current folder).
    void Loaded();

    // The selected node, and the tree's nodes by position.
    TTreeNode* Selected() const;
    TTreeNode* TopNode(int index) const;
    int TopCount() const { return topLevelItemCount(); }

    // State.
    const std::array<std::string, 26>& DrivePaths() const { return drivePaths_; }
    const std::array<win::DWORD, 26>& DriveSerials() const { return driveSerials_; }
    win::DWORD DriveMask() const { return driveMask_; }
    int UpdateLock() const { return updateLock_; }
    const std::vector<std::string>& DroppedFiles() const { return droppedFiles_; }
    int FolderIcon() const { return folderIcon_; }
    int OpenFolderIcon() const { return openFolderIcon_; }
    bool HandleAllocated() const { return handleAllocated_; }

    // The serial a drive reports when no volume can be read.
    static constexpr win::DWORD kNoVolume = 0xFFFFFFFF;

protected:
    // The tree's hooks.
    virtual void Change(TTreeNode* node);
    virtual bool CanExpand(TTreeNode* node);
    virtual bool CanCollapse(TTreeNode* node);
    virtual void Click();
    void CreateWnd();
    void DestroyWnd();
    void HandleNeeded();

    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    friend class TTreeNode;
    class Lock;
    class BulkUpdate;

    // DirTree.cpp
    void NodeDeleted(TTreeNode* node);
    void DeleteChildren(TTreeNode* node);
    void ClearTree();
    void Unlock();
    void BeginUpdate();
    void EndUpdate();
    void Select(TTreeNode* node);
    void ItemToggled(QTreeWidgetItem* item, bool expanded);
    void HookOwner();
    void UnhookOwner();

    // DirTreeDrives.cpp
    win::DWORD AllowedDrives() const;
    std::string DriveCaption(char letter);
    static win::DWORD VolumeSerial(char letter);
    TTreeNode* AddDriveNode(char letter, TTreeNode* before);
    void GiveDriveChildren(TTreeNode* drive, unsigned type);
    void RefreshMedia(char letter, TTreeNode* drive);
    bool SerialChanged(char letter, win::DWORD serial);
    void DeviceChange();
    static int LetterIndex(char letter);

    // DirTreeFolders.cpp
    bool FolderAllowed(const std::string& path);
    bool DirTypeAllowed(win::DWORD attr) const;
    void EnumerateSubfolders(TTreeNode* node, const std::function<bool(const TDirRec&)>& found);
    void ReadChildren(TTreeNode* node);
    void ProbeChildren(TTreeNode* node);
    void ResetNode(TTreeNode* node);
    TTreeNode* AddFolderNode(TTreeNode* parent, const std::string& name, void* data);
    void AddPlaceholder(TTreeNode* node);
    void AttachRecord(TTreeNode* node, const std::string& storedPath, void* data, int iconIndex);
    void SetIcons(TTreeNode* node, int iconIndex);
    void ReloadFallback();
    TTreeNode* WalkPath(const std::string& path, bool exact,
                        const std::function<void(TTreeNode*)>& reached) const;
    static std::string StoredName(const std::string& path);

    // DirTreeShell.cpp
    int ShareOverlayIndex(TTreeNode* node);
    void SetOverlays(TTreeNode* node, bool show);
    bool TakesFileDrag(QDropEvent& event) const;
    void DropFiles(const QPoint& point, const std::vector<std::string>& files,
                   Qt::KeyboardModifiers modifiers);

    TDirTypes dirTypes_ = dtNormal | dtAll;
    bool goBelowRecycleBin_ = false;
    TDriveTypes driveTypes_ = kAllDriveTypes;
    bool showShareOverlay_ = false;
    bool acceptDropFiles_ = false;
    bool hideSelection_ = false;
    bool readOnly_ = false;

    std::array<std::string, 26> drivePaths_;
    std::array<win::DWORD, 26> driveSerials_;
    std::uint32_t serialsRead_ = 0; // letters whose serial has been read since the start
    win::DWORD driveMask_ = 0;
    int updateLock_ = 0;
    int bulkDepth_ = 0;
    int folderIcon_ = -1;
    int openFolderIcon_ = -1;
    std::vector<std::string> droppedFiles_;
    TTreeNode* dropTarget_ = nullptr;
    std::shared_ptr<platform::ui::ShellFolder> MyComputerFolder; // the computer's drives

    bool handleAllocated_ = false;
    bool destroying_ = false;
    bool readingDrives_ = false;
    bool recreatePending_ = false;
    std::string recreatePath_;
    bool ownerHooked_ = false;
    QMetaObject::Connection ownerHook_;
    bool expansionGuard_ = false;
};
