// Drives and volumes as the directory tree and the program ask for them.
#include "platform/Volumes.h"
#include "platform/Prefix.h"

#include "TestMachine.h"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace win;
using namespace testing_support;

namespace {

void AddDrive(char letter, const std::string& target, const char* type) {
    ASSERT_EQ(::symlink(target.c_str(), platform::DriveLink(letter).c_str()), 0);
    const std::string ini = ReadHostFile(platform::PrefixFile("drives.ini"));
    WriteHostFile(platform::PrefixFile("drives.ini"),
                  ini + std::string(1, letter) + "=" + type + "\n");
}

} // namespace

TEST(Volumes, DrivesAndTheirTypes) {
    // C:, H: (the home folder) and Z: by default.
    EXPECT_EQ(GetLogicalDrives(), (1u << 2) | (1u << 7) | (1u << 25));
    EXPECT_EQ(GetDriveTypeA("H:\\"), DRIVE_FIXED);
    struct Row {
        char letter;
        const char* declared;
        UINT type;
    };
    const Row rows[] = {{'A', "removable", DRIVE_REMOVABLE}, {'D', "cdrom", DRIVE_CDROM},
                        {'N', "remote", DRIVE_REMOTE},       {'R', "ramdisk", DRIVE_RAMDISK},
                        {'U', "unknown", DRIVE_UNKNOWN},     {'F', "3", DRIVE_FIXED}};
    for (const auto& row : rows)
        AddDrive(row.letter, MachineRoot() + "/drive-" + row.letter, row.declared);
    for (const auto& row : rows) {
        const char root[] = {row.letter, ':', '\\', 0};
        EXPECT_EQ(GetDriveTypeA(root), row.type) << row.letter;
        EXPECT_TRUE(GetLogicalDrives() & (1u << (row.letter - 'A'))) << row.letter;
    }
    EXPECT_EQ(GetDriveTypeA("c:\\"), DRIVE_FIXED);
    EXPECT_EQ(GetDriveTypeA("Q:\\"), DRIVE_NO_ROOT_DIR);
}

TEST(Volumes, VolumeNameSerialAndMissingMedium) {
    WriteHostFile(DriveC() + "/.windows-label", "SYSTEMDISK\n");
    WriteHostFile(DriveC() + "/.windows-serial", "1234-ABCD\n");
    char name[24] = {}, fs[32] = {};
    DWORD serial = 0;
    ASSERT_TRUE(
        GetVolumeInformationA("C:\\", name, sizeof name, &serial, nullptr, nullptr, fs, sizeof fs));
    EXPECT_STREQ(name, "SYSTEMDISK");
    EXPECT_EQ(serial, 0x1234ABCDu);
    char small[5] = {};
    ASSERT_TRUE(
        GetVolumeInformationA("C:\\", small, sizeof small, nullptr, nullptr, nullptr, nullptr, 0));
    EXPECT_STREQ(small, "SYST"); // cut to the caller's buffer

    // No label file: an empty name; no serial file: a serial that stays the same.
    AddDrive('E', MachineRoot() + "/usb", "removable");
    WriteHostFile(MachineRoot() + "/usb/file", "x");
    DWORD first = 0, second = 0;
    ASSERT_TRUE(
        GetVolumeInformationA("E:\\", name, sizeof name, &first, nullptr, nullptr, nullptr, 0));
    EXPECT_STREQ(name, "");
    ASSERT_TRUE(
        GetVolumeInformationA("E:\\", name, sizeof name, &second, nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(first, second);

    // The home folder's drive is called Home, with no file of ours in the user's folder.
    ASSERT_TRUE(
        GetVolumeInformationA("H:\\", name, sizeof name, nullptr, nullptr, nullptr, nullptr, 0));
    EXPECT_STREQ(name, "Home");
    EXPECT_FALSE(HostExists(MachineRoot() + "/home/.windows-label"));

    // A drive whose root is missing has no medium.
    AddDrive('D', MachineRoot() + "/no-disc", "cdrom");
    EXPECT_FALSE(
        GetVolumeInformationA("D:\\", name, sizeof name, &serial, nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(GetLastError(), ERROR_NOT_READY);
    EXPECT_EQ(GetDriveTypeA("D:\\"), DRIVE_CDROM);
}

TEST(Volumes, SystemFoldersAndProgramPath) {
    char buffer[MAX_PATH];
    EXPECT_EQ(GetWindowsDirectoryA(buffer, sizeof buffer), 10u);
    EXPECT_STREQ(buffer, "C:\\WINDOWS");
    GetSystemDirectoryA(buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "C:\\WINDOWS\\SYSTEM");
    EXPECT_EQ(GetWindowsDirectoryA(buffer, 5), 11u); // too small: the size needed

    platform::OverrideProgramPath(DriveC() + "/Program Files/Pakrune/pakrune");
    GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "C:\\Program Files\\Pakrune\\pakrune");
    platform::OverrideProgramPath("");
}
