// The shared system image list and the shell's file information.
#include "platform/ui/SystemImageList.h"

#include "platform/Files.h"
#include "platform/Volumes.h"
#include "platform/WinPath.h"

#include <QApplication>
#include <QFileIconProvider>
#include <QMimeDatabase>
#include <QStyle>
#include <algorithm>

namespace platform::ui {
namespace {

QIcon ThemeIcon(const QMimeType& mime, const QIcon& fallback) {
    QIcon icon = QIcon::fromTheme(mime.iconName());
    if (icon.isNull())
        icon = QIcon::fromTheme(mime.genericIconName());
    return icon.isNull() ? fallback : icon;
}

bool IsDriveRoot(const std::string& path) {
    return (path.size() == 2 || (path.size() == 3 && path[2] == '\\')) && path[1] == ':';
}

} // namespace

SystemImageList& SystemImageList::Instance() {
    static SystemImageList list;
    return list;
}

SystemImageList::SystemImageList() {
    const QFileIconProvider provider;
    const QIcon file = provider.icon(QFileIconProvider::File);
    const QIcon folder = provider.icon(QFileIconProvider::Folder);
    const QIcon drive = provider.icon(QFileIconProvider::Drive);
    const QIcon network = provider.icon(QFileIconProvider::Network);
    const QIcon program = QApplication::style()->standardIcon(QStyle::SP_ComputerIcon);
    icons_ = {{"file", file},
              {"document", file},
              {"program", program},
              {"folder", folder},
              {"folder-open", QApplication::style()->standardIcon(QStyle::SP_DirOpenIcon)}};
    // Drive types 0 to 6: unknown, no root, removable, fixed, remote, CD-ROM, RAM disk.
    const QIcon drives[] = {drive,
                            drive,
                            QApplication::style()->standardIcon(QStyle::SP_DriveFDIcon),
                            QApplication::style()->standardIcon(QStyle::SP_DriveHDIcon),
                            network,
                            QApplication::style()->standardIcon(QStyle::SP_DriveCDIcon),
                            drive};
    for (unsigned type = 0; type < 7; ++type)
        icons_.push_back({"drive-" + QString::number(type), drives[type]});
}

int SystemImageList::IndexOfFileName(const QString& name) {
    const QString ext =
        QString::fromStdString(win::LowerCase(win::ExtractFileExt(name.toStdString())));
    if (const auto known = byExtension_.find(ext); known != byExtension_.end())
        return known->second;
    int index = kFile;
    static const QMimeDatabase mimes;
    const QMimeType mime = mimes.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    if (ext == ".exe" || ext == ".com" || ext == ".bat") {
        index = kProgram;
    } else if (mime.isValid() && !mime.isDefault()) {
        const auto same = std::find_if(icons_.begin(), icons_.end(),
                                       [&](const Entry& e) { return e.type == mime.name(); });
        index = static_cast<int>(same - icons_.begin());
        if (same == icons_.end())
            icons_.push_back({mime.name(), ThemeIcon(mime, icons_[kDocument].icon)});
    }
    // Names without an extension are typed by their whole name (a "Makefile"): not cached.
    if (!ext.isEmpty())
        byExtension_[ext] = index;
    return index;
}

int SystemImageList::IndexOfDriveType(unsigned driveType) const {
    return kFirstDrive + static_cast<int>(driveType <= 6 ? driveType : 0);
}

QIcon SystemImageList::Icon(int index) const {
    return index >= 0 && index < Count() ? icons_[static_cast<std::size_t>(index)].icon : QIcon();
}

QPixmap SystemImageList::SmallIcon(int index) const {
    return Icon(index).pixmap(16, 16);
}
QPixmap SystemImageList::LargeIcon(int index) const {
    return Icon(index).pixmap(32, 32);
}

QString DriveDisplayName(char letter) {
    const std::string root = std::string(1, letter) + ":\\";
    const unsigned type = win::GetDriveTypeA(root.c_str());
    char label[64] = {};
    QString name;
    if (type != win::DRIVE_REMOVABLE &&
        win::GetVolumeInformationA(root.c_str(), label, sizeof label, nullptr, nullptr, nullptr,
                                   nullptr, 0) &&
        label[0])
        name = QString::fromLocal8Bit(label);
    if (name.isEmpty()) {
        switch (type) {
        case win::DRIVE_REMOVABLE:
            name = "Removable Disk";
            break;
        case win::DRIVE_REMOTE:
            name = "Network Drive";
            break;
        case win::DRIVE_CDROM:
            name = "CD Drive";
            break;
        case win::DRIVE_RAMDISK:
            name = "RAM Disk";
            break;
        default:
            name = "Local Disk";
        }
    }
    return name + " (" + QChar(letter).toUpper() + ":)";
}

std::optional<ShellFileInfo> GetShellFileInfo(const std::string& winPath, unsigned flags) {
    auto& list = SystemImageList::Instance();
    ShellFileInfo info;
    const QString name = QString::fromLocal8Bit(win::ExtractFileName(winPath));
    if (IsDriveRoot(winPath)) {
        const unsigned type = win::GetDriveTypeA(winPath.c_str());
        if (type == win::DRIVE_NO_ROOT_DIR)
            return std::nullopt;
        info.iconIndex = list.IndexOfDriveType(type);
        info.displayName = DriveDisplayName(winPath[0]);
        return info;
    }
    const bool typeOnly = flags & SHGFI_USEFILEATTRIBUTES;
    const win::DWORD attributes =
        typeOnly ? win::FILE_ATTRIBUTE_NORMAL : win::GetFileAttributesA(winPath.c_str());
    if (attributes == win::INVALID_FILE_ATTRIBUTES)
        return std::nullopt;
    std::string trimmed = winPath;
    while (trimmed.size() > 3 && trimmed.back() == '\\')
        trimmed.pop_back();
    info.displayName = QString::fromLocal8Bit(win::ExtractFileName(trimmed));
    if (attributes & win::FILE_ATTRIBUTE_DIRECTORY)
        info.iconIndex = (flags & SHGFI_OPENICON) ? SystemImageList::kOpenFolder
                                                  : SystemImageList::kClosedFolder;
    else
        info.iconIndex = list.IndexOfFileName(name);
    return info;
}

} // namespace platform::ui
