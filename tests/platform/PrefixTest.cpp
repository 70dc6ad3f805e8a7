// The prefix: made completely on first use, never reset afterwards.
#include "platform/Prefix.h"
#include "platform/Volumes.h"

#include "TestMachine.h"

#include <cstdlib>
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

    WriteHostFile(fresh + "/drive_c/mine.txt", "kept");
    fs::remove(fresh + "/dosdevices/z:");
    ASSERT_TRUE(platform::EnsurePrefix());
    EXPECT_EQ(ReadHostFile(fresh + "/drive_c/mine.txt"), "kept");
    EXPECT_FALSE(fs::exists(fs::symlink_status(fresh + "/dosdevices/z:"))); // not put back
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
