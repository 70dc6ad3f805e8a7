// TDirTree's drives: which drives are shown, their captions and volume serials, the drive nodes,
// and how the tree follows drives that come and go and media that change.
//
// Removable drives are captioned from the shell's display name without reading their medium, and
// only fixed, remote and RAM drives are probed for subfolders when they are added; the others get
// a placeholder child, so building the drive nodes never waits for a floppy or a CD.
#include "controls/DirTree.h"

#include "controls/DirTreeSupport.h"
#include "platform/Volumes.h"
#include "platform/WinPath.h"
#include "platform/ui/HourGlass.h"
#include "platform/ui/SystemImageList.h"

#include <QCoreApplication>
#include <QScopeGuard>

namespace {

// The member of TDriveTypes that stands for a platform drive type; none for "no root directory"
// and for types the set does not know, which are always shown.
std::optional<TDriveTypes> MemberOfDriveType(win::UINT type) {
    switch (type) {
    case win::DRIVE_UNKNOWN:
        return drtUnknown;
    case win::DRIVE_REMOVABLE:
        return drtRemovable;
    case win::DRIVE_FIXED:
        return drtFixed;
    case win::DRIVE_REMOTE:
        return drtRemote;
    case win::DRIVE_CDROM:
        return drtCDRom;
    case win::DRIVE_RAMDISK:
        return drtRamDisk;
    default:
        return std::nullopt;
    }
}

win::UINT DriveType(char letter) {
    return win::GetDriveTypeA(DriveRoot(letter).c_str());
}

} // namespace

int TDirTree::LetterIndex(char letter) {
    const char upper = win::UpperCase(std::string(1, letter))[0];
    return upper >= 'A' && upper <= 'Z' ? upper - 'A' : -1;
}

win::DWORD TDirTree::AllowedDrives() const {
    const FailCriticalErrors errorMode;
    win::DWORD mask = win::GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if (!(mask & (1u << i)))
            continue;
        const auto member = MemberOfDriveType(DriveType(static_cast<char>('A' + i)));
        if (member && !(driveTypes_ & *member))
            mask &= ~(1u << i);
    }
    return mask;
}

win::DWORD TDirTree::VolumeSerial(char letter) {
    const FailCriticalErrors errorMode;
    win::DWORD serial = 0;
    return win::GetVolumeInformationA(DriveRoot(letter).c_str(), nullptr, 0, &serial, nullptr,
                                      nullptr, nullptr, 0)
               ? serial
               : kNoVolume;
}

// "DATA (D:)" from the volume, "(D:)" when it cannot be read; removable and network drives take
// the shell's display name instead. Stores the serial read on the way in DriveSerials.
std::string TDirTree::DriveCaption(char letter) {
    const FailCriticalErrors errorMode;
    const char upper = win::UpperCase(std::string(1, letter))[0];
    const std::string root = DriveRoot(upper);
    char volumeName[24] = {};
    char fileSystemName[499] = {};
    win::DWORD serial = 0, maxComponentLength = 0, flags = 0;
    std::string caption;
    if (win::GetVolumeInformationA(root.c_str(), volumeName, sizeof volumeName, &serial,
                                   &maxComponentLength, &flags, fileSystemName,
                                   sizeof fileSystemName)) {
        caption = std::string(volumeName) + " (" + upper + ":)";
    } else {
        caption = std::string("(") + upper + ":)";
        serial = kNoVolume;
    }
    if (const int index = LetterIndex(upper); index >= 0) {
        driveSerials_[static_cast<std::size_t>(index)] = serial;
        serialsRead_ |= 1u << index;
    }
    const win::UINT type = DriveType(upper);
    if (type == win::DRIVE_REMOVABLE || type == win::DRIVE_REMOTE) {
        const auto info = platform::ui::GetShellFileInfo(root, platform::ui::SHGFI_DISPLAYNAME);
        caption = info ? info->displayName.toLocal8Bit().toStdString() : std::string();
    }
    return caption;
}

bool TDirTree::SerialChanged(char letter, win::DWORD serial) {
    const int index = LetterIndex(letter);
    if (index < 0)
        return false;
    const auto slot = static_cast<std::size_t>(index);
    if (!(serialsRead_ & (1u << index))) {
        // The drive's volume was never read (a removable drive is captioned without it): what it
        // reports now is the medium the user sees, not a change of medium.
        driveSerials_[slot] = serial;
        serialsRead_ |= 1u << index;
        return false;
    }
    return driveSerials_[slot] != serial;
}

// A drive node, inserted before another top-level node or appended.
TTreeNode* TDirTree::AddDriveNode(char letter, TTreeNode* before) {
    const FailCriticalErrors errorMode;
    const std::string root = win::UpperCase(DriveRoot(letter));
    const auto info = platform::ui::GetShellFileInfo(root, platform::ui::SHGFI_SYSICONINDEX |
                                                               platform::ui::SHGFI_DISPLAYNAME |
                                                               platform::ui::SHGFI_SMALLICON);
    auto* node = new TTreeNode(this);
    if (before)
        insertTopLevelItem(indexOfTopLevelItem(before), node);
    else
        addTopLevelItem(node);
    if (DriveType(letter) == win::DRIVE_REMOVABLE)
        node->setText(0, info ? info->displayName : QString());
    else
        node->setText(0, QString::fromLocal8Bit(DriveCaption(letter)));
    AttachRecord(node, root, nullptr, info ? info->iconIndex : -1);
    return node;
}

// Fixed, remote and RAM drives (and types the platform does not name) are probed for a
// subfolder; the others, or every drive with FastLoad, get a placeholder without being touched.
void TDirTree::GiveDriveChildren(TTreeNode* drive, win::UINT type) {
    const bool probe = !FastLoad && (type == win::DRIVE_FIXED || type == win::DRIVE_REMOTE ||
                                     type >= win::DRIVE_RAMDISK);
    if (probe)
        ProbeChildren(drive);
    else
        AddPlaceholder(drive);
}

void TDirTree::ReadDrives() {
    if (!handleAllocated_)
        return;
    const platform::ui::HourGlass hourglass;
    {
        const BulkUpdate bulk(*this);
        const Lock lock(*this);
        readingDrives_ = true;
        const auto done = qScopeGuard([this] { readingDrives_ = false; });
        ClearTree();
        QCoreApplication::processEvents();
        driveMask_ = AllowedDrives();
        for (char letter = 'A'; letter <= 'Z'; ++letter) {
            if (!(driveMask_ & (1u << (letter - 'A'))) || !FolderAllowed(DriveRoot(letter)))
                continue;
            GiveDriveChildren(AddDriveNode(letter, nullptr), DriveType(letter));
        }
    }
    if (TTreeNode* selected = Selected())
        scrollToItem(selected);
}

bool TDirTree::RefreshDrives() {
    if (!handleAllocated_)
        return false;
    bool changed = false;
    {
        const Lock lock(*this);
        const BulkUpdate bulk(*this);
        const win::DWORD mask = AllowedDrives();
        for (char letter = 'A'; letter <= 'Z'; ++letter) {
            const win::DWORD bit = 1u << (letter - 'A');
            if (!(driveMask_ & bit) || (mask & bit))
                continue;
            // Everything below the node goes with it; the gone drive is not read again.
            if (TTreeNode* drive = FindPathNode(DriveRoot(letter))) {
                delete drive;
                changed = true;
            }
        }
        for (char letter = 'A'; letter <= 'Z'; ++letter) {
            const win::DWORD bit = 1u << (letter - 'A');
            if (!(mask & bit) || (driveMask_ & bit))
                continue;
            const std::string root = DriveRoot(letter);
            TTreeNode* before = nullptr;
            for (int i = 0; i < TopCount() && !before; ++i)
                if (TopNode(i) && TopNode(i)->Record() && TopNode(i)->Record()->Path > root)
                    before = TopNode(i);
            GiveDriveChildren(AddDriveNode(letter, before), DriveType(letter));
            changed = true;
        }
        driveMask_ = mask;
    }
    repaint();
    if (changed)
        Change(Selected());
    return changed;
}

// The drive's medium changed: the node starts over unread, with a fresh caption and serial, and
// with an expand button unless no volume can be read.
void TDirTree::RefreshMedia(char letter, TTreeNode* drive) {
    ResetNode(drive);
    drive->setText(0, QString::fromLocal8Bit(DriveCaption(letter)));
    if (driveSerials_[static_cast<std::size_t>(LetterIndex(letter))] != kNoVolume)
        AddPlaceholder(drive);
}

// The platform's device-change notice: drives that came or went, or else the first drive from Z
// down whose medium changed. A notice that arrives while the drives are being read is left to
// that reading, which takes the drive set after it.
void TDirTree::DeviceChange() {
    if (readingDrives_)
        return;
    {
        const Lock lock(*this);
        if (!RefreshDrives()) {
            for (char letter = 'Z'; letter >= 'A'; --letter) {
                if (VolumeSerial(letter) == driveSerials_[static_cast<std::size_t>(letter - 'A')])
                    continue;
                if (TTreeNode* drive = FindPathNode(DriveRoot(letter)))
                    RefreshMedia(letter, drive);
                break;
            }
        }
    }
    Change(Selected());
}
