// The shared "system image list" of the shell: one index per file type, found from the name alone
// and never by reading the file, the closed folder at index 3, the open folder at 4 and one index
// per drive type; each index has a small (16 px) and a large (32 px) icon. Also the shell's file
// information: icon index and display name of a path, as SHGetFileInfo gives them.
#pragma once

#include <QIcon>
#include <QString>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace platform::ui {

class SystemImageList {
public:
    static constexpr int kFile = 0;
    static constexpr int kDocument = 1;
    static constexpr int kProgram = 2;
    static constexpr int kClosedFolder = 3;
    static constexpr int kOpenFolder = 4;
    static constexpr int kFirstDrive = 5; // kFirstDrive + drive type (0 to 6)

    static SystemImageList& Instance();

    // The index for a file of this name, by its type (its extension) only.
    int IndexOfFileName(const QString& name);
    int IndexOfDriveType(unsigned driveType) const;
    int Count() const { return static_cast<int>(icons_.size()); }
    QIcon Icon(int index) const;
    QPixmap SmallIcon(int index) const;
    QPixmap LargeIcon(int index) const;

private:
    SystemImageList();
    struct Entry {
        QString type;
        QIcon icon;
    };
    std::vector<Entry> icons_;
    std::map<QString, int> byExtension_; // the type's index, found once per extension
};

// Flags of ShellFileInfo, as SHGetFileInfo names them.
constexpr unsigned SHGFI_SMALLICON = 0x1;
constexpr unsigned SHGFI_OPENICON = 0x2;
constexpr unsigned SHGFI_DISPLAYNAME = 0x200;
constexpr unsigned SHGFI_SYSICONINDEX = 0x4000;
constexpr unsigned SHGFI_USEFILEATTRIBUTES = 0x10;

struct ShellFileInfo {
    int iconIndex = -1;
    QString displayName;
};

// The shell's information on a Windows path: a drive root ("C:\") gets its drive icon and a display
// name such as "Local Disk (C:)"; an existing folder the folder icon (open with SHGFI_OPENICON);
// anything else the icon of its type. Nothing for a path that does not exist, unless
// SHGFI_USEFILEATTRIBUTES asks for the type alone.
std::optional<ShellFileInfo> GetShellFileInfo(const std::string& winPath, unsigned flags);

// The display name of a drive: its volume name, or "Local Disk" and the like, then " (X:)".
QString DriveDisplayName(char letter);

} // namespace platform::ui
