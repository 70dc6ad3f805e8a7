// The shell services: the system image list, file information and the device-change notice.
#include "platform/Prefix.h"
#include "platform/ui/DeviceWatch.h"
#include "platform/ui/SystemImageList.h"

#include "TestMachine.h"

#include <QSignalSpy>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace platform::ui;
using namespace testing_support;

TEST(Shell, OneIndexPerFileTypeFoundFromTheNameAlone) {
    auto& list = SystemImageList::Instance();
    const int text = list.IndexOfFileName("readme.txt");
    EXPECT_EQ(list.IndexOfFileName("NOTES.TXT"), text);
    EXPECT_NE(list.IndexOfFileName("photo.jpg"), text);
    EXPECT_EQ(list.IndexOfFileName("setup.exe"), SystemImageList::kProgram);
    EXPECT_EQ(list.IndexOfFileName("data.xyz123"), SystemImageList::kFile);
    EXPECT_FALSE(list.SmallIcon(SystemImageList::kClosedFolder).isNull());

    // Names that are not on disk still get their type's icon, when asked by type.
    const auto info =
        GetShellFileInfo("C:\\nowhere\\doc.txt", SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->iconIndex, text);
    EXPECT_FALSE(GetShellFileInfo("C:\\nowhere\\doc.txt", SHGFI_SYSICONINDEX));

    const auto windows = GetShellFileInfo("C:\\WINDOWS\\", SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    ASSERT_TRUE(windows);
    EXPECT_EQ(windows->iconIndex, SystemImageList::kClosedFolder);
    EXPECT_EQ(GetShellFileInfo("C:\\WINDOWS", SHGFI_OPENICON)->iconIndex,
              SystemImageList::kOpenFolder);
}

TEST(Shell, DriveDisplayNames) {
    EXPECT_EQ(GetShellFileInfo("C:\\", SHGFI_DISPLAYNAME)->displayName, "Local Disk (C:)");
    WriteHostFile(DriveC() + "/.windows-label", "SYSTEM\n");
    EXPECT_EQ(DriveDisplayName('c'), "SYSTEM (C:)");
    EXPECT_FALSE(GetShellFileInfo("Q:\\", SHGFI_DISPLAYNAME));
}

TEST(Shell, DeviceChangesReachTheWindowsThatAskedForThem) {
    auto& watch = DeviceWatch::Instance();
    QSignalSpy changes(&watch, &DeviceWatch::devicesChanged);
    // A new drive appears.
    const std::string disc = MachineRoot() + "/disc";
    WriteHostFile(disc + "/setup.exe", "x");
    ASSERT_EQ(::symlink(disc.c_str(), platform::DriveLink('D').c_str()), 0);
    EXPECT_TRUE(changes.wait(3000));
    // Another medium in the same drive: its serial changes.
    changes.clear();
    WriteHostFile(disc + "/.windows-serial", "CAFE0001\n");
    EXPECT_TRUE(changes.wait(3000));
}
