// The prefix: made completely on first use, never reset afterwards.
#include "platform/Prefix.h"
#include "platform/PathMap.h"
#include "platform/UserFolders.h"
#include "platform/Volumes.h"

#include "TestMachine.h"

#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace testing_support;
namespace fs = std::filesystem;

TEST(Prefix, IsLaidOutCompletely) {
    const std::string prefix = platform::PrefixDir();
    EXPECT_EQ(fs::read_symlink(prefix + "/dosdevices/c:"), "../drive_c");
    EXPECT_EQ(fs::read_symlink(prefix + "/dosdevices/z:"), "/");
    EXPECT_TRUE(fs::is_directory(prefix + "/drive_c/WINDOWS/SYSTEM"));
    // The temporary folder is the user's alone, never the shared one.
    struct stat temp {};
    ASSERT_EQ(::lstat(HostTemp().c_str(), &temp), 0);
    EXPECT_TRUE(S_ISDIR(temp.st_mode));
    EXPECT_EQ(temp.st_mode & 07777, 0700u);
    EXPECT_EQ(temp.st_uid, ::geteuid());
    for (const char* file :
         {"drives.ini", "HKEY_LOCAL_MACHINE.reg", "HKEY_CURRENT_USER.reg", "HKEY_CLASSES_ROOT.reg"})
        EXPECT_TRUE(fs::is_regular_file(prefix + "/" + file)) << file;
}

TEST(Prefix, ManyProcessesMakeOneAndNobodyResetsIt) {
    const std::string fresh = MachineRoot() + "/other/prefix";
    ::setenv("PAKRUNE_PREFIX", fresh.c_str(), 1);
    std::vector<pid_t> children;
    for (int i = 0; i < 4; ++i) {
        const pid_t pid = ::fork();
        if (pid == 0)
            ::_exit(platform::EnsurePrefix() ? 0 : 1);
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    // Exactly one prefix, no half-built leftovers beside it.
    EXPECT_EQ(
        std::distance(fs::directory_iterator(MachineRoot() + "/other"), fs::directory_iterator()),
        1);

    // What is there stays; a part that went missing is made again at the next start.
    WriteHostFile(fresh + "/drive_c/mine.txt", "kept");
    fs::remove(fresh + "/dosdevices/z:");
    ::setenv("PAKRUNE_PREFIX", (MachineRoot() + "/elsewhere").c_str(), 1);
    ASSERT_TRUE(platform::EnsurePrefix());
    ::setenv("PAKRUNE_PREFIX", fresh.c_str(), 1);
    ASSERT_TRUE(platform::EnsurePrefix());
    EXPECT_EQ(ReadHostFile(fresh + "/drive_c/mine.txt"), "kept");
    EXPECT_EQ(fs::read_symlink(fresh + "/dosdevices/z:"), "/");
}

TEST(Prefix, TheStubBesideTheProgramIsInstalledInTheSystemFolder) {
    const std::string program = MachineRoot() + "/program";
    WriteHostFile(program + "/ZIPSFX.BIN", "the stub");
    platform::OverrideProgramPath(program + "/pakrune");
    for (const bool beside : {true, false}) {
        if (!beside)
            fs::remove(program + "/ZIPSFX.BIN");
        const std::string fresh = MachineRoot() + (beside ? "/with" : "/without");
        ::setenv("PAKRUNE_PREFIX", fresh.c_str(), 1);
        ASSERT_TRUE(platform::EnsurePrefix());
        const std::string installed = fresh + "/drive_c/WINDOWS/SYSTEM/ZIPSFX.BIN";
        EXPECT_EQ(HostExists(installed), beside);
        EXPECT_EQ(ReadHostFile(installed), beside ? "the stub" : "");
    }
    platform::OverrideProgramPath("");
}

namespace {

// The checks and the completion run once a run; the next start is played by pointing at another
// prefix and back.
bool StartWith(const std::string& prefix) {
    ::setenv("PAKRUNE_PREFIX", (MachineRoot() + "/elsewhere").c_str(), 1);
    platform::EnsurePrefix();
    ::setenv("PAKRUNE_PREFIX", prefix.c_str(), 1);
    return platform::EnsurePrefix();
}

void SetTime(const std::string& path, std::time_t seconds) {
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

} // namespace

TEST(Prefix, AFolderMadeByHandIsCompletedAndWhatItHoldsStays) {
    // An empty folder, and one holding only a drive, as the README suggests adding drives.
    for (const bool withDrive : {false, true}) {
        SCOPED_TRACE(withDrive ? "a drive link only" : "empty");
        const std::string dir = MachineRoot() + (withDrive ? "/by-hand-drive" : "/by-hand");
        fs::create_directories(dir);
        if (withDrive) {
            fs::create_directories(dir + "/dosdevices");
            fs::create_directory_symlink(MachineRoot() + "/home", dir + "/dosdevices/e:");
        }
        ASSERT_TRUE(StartWith(dir));
        EXPECT_EQ(fs::read_symlink(dir + "/dosdevices/c:"), "../drive_c");
        EXPECT_EQ(fs::read_symlink(dir + "/dosdevices/z:"), "/");
        EXPECT_TRUE(fs::is_regular_file(dir + "/drive_c/WINDOWS/SYSTEM/ZIPSFX.BIN"));
        EXPECT_TRUE(fs::is_directory(dir + "/drive_c/WINDOWS/Temp"));
        for (const char* file : {"drives.ini", "HKEY_LOCAL_MACHINE.reg", "HKEY_CURRENT_USER.reg"})
            EXPECT_TRUE(fs::is_regular_file(dir + "/" + file)) << file;
        if (withDrive) {
            EXPECT_EQ(fs::read_symlink(dir + "/dosdevices/e:"), MachineRoot() + "/home");
        }
        EXPECT_EQ(platform::HostPathOf("C:\\WINDOWS\\Temp"), dir + "/drive_c/WINDOWS/Temp");
    }
}

TEST(Prefix, ADownloadFolderLeadsToTheUsersOwn) {
    const std::string home = MachineRoot() + "/home";
    // By default ~/Downloads; the folder the desktop names, where user-dirs.dirs names one.
    EXPECT_EQ(fs::read_symlink(DriveC() + "/download"), home + "/Downloads");
    WriteHostFile(home + "/.config/user-dirs.dirs",
                  "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                  "XDG_DOWNLOAD_DIR=\"$HOME/T\u00e9l\u00e9chargements\"\n");
    const std::string named = MachineRoot() + "/named";
    ASSERT_TRUE(StartWith(named));
    EXPECT_EQ(fs::read_symlink(named + "/drive_c/download"), home + "/T\u00e9l\u00e9chargements");
    // A prefix with a download folder of its own, in any letter case, keeps it.
    const std::string own = MachineRoot() + "/own";
    fs::create_directories(own + "/drive_c/Download");
    fs::create_directories(own + "/dosdevices");
    fs::create_directory_symlink("../drive_c", own + "/dosdevices/c:");
    ASSERT_TRUE(StartWith(own));
    EXPECT_FALSE(HostExists(own + "/drive_c/download"));
}

TEST(Prefix, TheHomeFolderIsDriveHUnlessTheUserHasADriveH) {
    const std::string home = MachineRoot() + "/home";
    const std::string prefix = platform::PrefixDir();
    EXPECT_EQ(fs::read_symlink(prefix + "/dosdevices/h:"), home);
    WriteHostFile(home + "/letters/a.txt", "a");
    EXPECT_EQ(platform::WindowsPathOf(home + "/letters/a.txt"), "H:\\letters\\a.txt");
    EXPECT_EQ(platform::HostPathOf("h:\\letters\\a.txt"), home + "/letters/a.txt");
    EXPECT_EQ(platform::UserFallbackFolder(), "H:\\");
    // The designed folders stay where they were: C:\download is still the download folder.
    EXPECT_EQ(platform::WindowsPathOf(home + "/Downloads"), "C:\\download");

    // Made again when it went missing; a drive H: of the user's own stays as it is.
    fs::remove(prefix + "/dosdevices/h:");
    ASSERT_TRUE(StartWith(prefix));
    EXPECT_EQ(fs::read_symlink(prefix + "/dosdevices/h:"), home);
    fs::remove(prefix + "/dosdevices/h:");
    fs::create_directory_symlink(MachineRoot() + "/usb", prefix + "/dosdevices/h:");
    ASSERT_TRUE(StartWith(prefix));
    EXPECT_EQ(fs::read_symlink(prefix + "/dosdevices/h:"), MachineRoot() + "/usb");

    // Without a home folder, or with the machine's root as home, there is no drive H:.
    for (const char* noHome : {"/missing", "/"}) {
        SCOPED_TRACE(noHome);
        ::setenv("HOME", (noHome[1] ? MachineRoot() + noHome : std::string(noHome)).c_str(), 1);
        const std::string fresh = MachineRoot() + "/fresh" + (noHome[1] ? "1" : "2");
        ASSERT_TRUE(StartWith(fresh));
        EXPECT_FALSE(HostExists(fresh + "/dosdevices/h:"));
        EXPECT_TRUE(HostExists(fresh + "/dosdevices/z:"));
    }
    ::setenv("HOME", home.c_str(), 1);
}

TEST(Prefix, ANewerStubBesideTheProgramReplacesTheSystemFoldersCopy) {
    const std::string program = MachineRoot() + "/program";
    const std::string installed = platform::PrefixDir() + "/drive_c/WINDOWS/SYSTEM/ZIPSFX.BIN";
    platform::OverrideProgramPath(program + "/pakrune");
    WriteHostFile(program + "/ZIPSFX.BIN", "version 1");
    SetTime(program + "/ZIPSFX.BIN", 1000000000);
    WriteHostFile(installed, "version 0");
    SetTime(installed, 900000000);
    ASSERT_TRUE(StartWith(platform::PrefixDir()));
    EXPECT_EQ(ReadHostFile(installed), "version 1");
    // An older one does not.
    WriteHostFile(program + "/ZIPSFX.BIN", "version 0.5");
    SetTime(program + "/ZIPSFX.BIN", 950000000);
    ASSERT_TRUE(StartWith(platform::PrefixDir()));
    EXPECT_EQ(ReadHostFile(installed), "version 1");
    platform::OverrideProgramPath("");
}
