// Windows paths onto host paths and back: case-insensitive resolution and the drive boundaries.
#include "platform/PathMap.h"
#include "platform/Files.h"
#include "platform/Prefix.h"

#include "TestMachine.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace testing_support;
using platform::FullWindowsPath;
using platform::HostPathOf;
using platform::WindowsPathOf;

namespace {

// A path given and the path it becomes.
struct Row {
    const char* in;
    const char* out;
};

} // namespace

TEST(PathMap, FullPathsResolveDotsAndRelativeForms) {
    ASSERT_TRUE(win::CreateDirectoryA("C:\\Work", nullptr));
    ASSERT_TRUE(win::SetCurrentDirectoryA("C:\\Work"));
    const Row rows[] = {
        {"C:\\A\\..\\b.txt", "C:\\b.txt"},
        {"c:/a/./b", "C:\\a\\b"},
        {"C:\\..\\..\\x", "C:\\x"}, // ".." stops at the root
        {"\\Temp", "C:\\Temp"},     // drive-relative: the current drive
        {"a\\b", "C:\\Work\\a\\b"}, // relative: the current folder
        {"C:x", "C:\\Work\\x"},     // drive letter, current folder of that drive
        {"D:x", "D:\\x"},           // another drive: its root
        {"C:\\Work\\", "C:\\Work\\"},
        {"\\\\srv\\share\\..\\x", "\\\\srv\\x"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(FullWindowsPath(row.in), row.out) << row.in;
}

TEST(PathMap, ComponentsMatchWithoutRegardToCase) {
    WriteHostFile(DriveC() + "/Stuff/Tool.ZIP", "x");
    EXPECT_EQ(HostPathOf("c:\\STUFF\\tool.zip"), DriveC() + "/Stuff/Tool.ZIP");
    // An exact match wins over a match in another case.
    WriteHostFile(DriveC() + "/Stuff/tool.zip", "y");
    EXPECT_EQ(HostPathOf("C:\\stuff\\tool.zip"), DriveC() + "/Stuff/tool.zip");
    // Missing components keep the form given, so files can be created.
    EXPECT_EQ(HostPathOf("C:\\stuff\\New.txt"), DriveC() + "/Stuff/New.txt");
    EXPECT_EQ(HostPathOf("C:\\NoSuch\\Dir\\f"), DriveC() + "/NoSuch/Dir/f");
    // Also on the drive that is the host's root, from its first component on.
    EXPECT_EQ(HostPathOf("Z:\\USR\\SHARE"), "/usr/share");
    EXPECT_FALSE(HostPathOf("Q:\\x")); // no such drive
    EXPECT_FALSE(HostPathOf("\\\\srv\\share\\x"));
}

TEST(PathMap, ExistingCasePathsNameWhatTheDiskHolds) {
    WriteHostFile(DriveC() + "/Tools/Tool.zip", "x");
    WriteHostFile(DriveC() + "/Docs/a", "x");
    WriteHostFile(DriveC() + "/DOCS/b", "x");
    ASSERT_TRUE(win::SetCurrentDirectoryA("C:\\Tools"));
    const Row rows[] = {
        {"c:\\tools\\TOOL.ZIP", "C:\\Tools\\Tool.zip"},
        {"C:\\TOOLS\\", "C:\\Tools\\"},
        {"tool.zip", "C:\\Tools\\Tool.zip"},                // relative
        {"c:\\tools\\New\\X.txt", "C:\\Tools\\New\\X.txt"}, // missing: as given
        {"C:\\Docs\\A", "C:\\Docs\\a"},                     // the exact twin
        {"C:\\DOCS\\B", "C:\\DOCS\\b"},
        {"C:\\docs", "C:\\DOCS"}, // no exact name: the smallest of the twins
        {"c:\\", "C:\\"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(platform::ExistingCasePath(row.in), row.out) << row.in;
}

TEST(PathMap, HostPathsBecomeWindowsPathsOfTheLongestMatchingFolder) {
    WriteHostFile(DriveC() + "/Download/a.zip", "x");
    WriteHostFile(HostTemp() + "/dl/x.zip", "x");
    const std::string dDrive = MachineRoot() + "/cdrom";
    WriteHostFile(dDrive + "/setup.exe", "x");
    ASSERT_EQ(::symlink(dDrive.c_str(), platform::DriveLink('D').c_str()), 0);

    EXPECT_EQ(WindowsPathOf(DriveC() + "/Download/a.zip"), "C:\\Download\\a.zip");
    EXPECT_EQ(WindowsPathOf(DriveC()), "C:\\");
    EXPECT_EQ(WindowsPathOf(HostTemp() + "/dl/x.zip"), "C:\\WINDOWS\\Temp\\dl\\x.zip");
    EXPECT_EQ(WindowsPathOf(dDrive + "/setup.exe"), "D:\\setup.exe");
    EXPECT_EQ(WindowsPathOf("/usr/share/doc"), "Z:\\usr\\share\\doc");
    std::string missing = MachineRoot() + "/missing/y.zip"; // not there: mapped all the same
    std::replace(missing.begin(), missing.end(), '/', '\\');
    EXPECT_EQ(WindowsPathOf(MachineRoot() + "/missing/y.zip"), "Z:" + missing);
    // A relative host path is taken from the current folder.
    EXPECT_EQ(WindowsPathOf("Download/a.zip"), "C:\\Download\\a.zip");
    // And back again.
    EXPECT_EQ(HostPathOf(WindowsPathOf(HostTemp() + "/dl/x.zip")), HostTemp() + "/dl/x.zip");
    // A link to a file on a drive is no folder: the file keeps its own path.
    std::filesystem::create_directory(DriveC() + "/links");
    ASSERT_EQ(::symlink("../Download/a.zip", (DriveC() + "/links/a.zip").c_str()), 0);
    EXPECT_EQ(WindowsPathOf(DriveC() + "/Download/a.zip"), "C:\\Download\\a.zip");
    EXPECT_EQ(WindowsPathOf(DriveC() + "/links/a.zip"), "C:\\Download\\a.zip");
}
