// The program's folder of an installed program: C:\Program Files\Pakrune, links to the installed
// files made with the prefix and refreshed when the installation moves, the user's settings file
// beside them.
#include "TestMachine.h"

#include "platform/Prefix.h"
#include "platform/Profile.h"
#include "platform/ProgramFolder.h"
#include "platform/Volumes.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

class ProgramFolder : public ::testing::Test {
protected:
    void TearDown() override { platform::OverrideProgramPath(""); }

    // An installation at a host folder: the program, an engine, the readme and the marker.
    static std::string Install(const std::string& folder, bool withReadme = true) {
        for (const char* name : {"pakrune", "libunzdll.so", "pakrune.installed"})
            WriteHostFile(folder + "/" + name, name);
        if (withReadme)
            WriteHostFile(folder + "/readme.txt", "read me");
        platform::OverrideProgramPath(folder + "/pakrune");
        return folder;
    }
    static std::string ModulePath() {
        char path[260] = {};
        win::GetModuleFileNameA(nullptr, path, sizeof path);
        return path;
    }
    static std::string UserFolder() { return DriveC() + "/Program Files/Pakrune"; }
    static std::string LinkTarget(const std::string& name) {
        std::error_code error;
        return fs::read_symlink(UserFolder() + "/" + name, error).string();
    }
};

} // namespace

TEST_F(ProgramFolder, AProgramOutsideAnInstallationSeesItsOwnFolder) {
    WriteHostFile(MachineRoot() + "/build/bin/pakrune", "");
    platform::OverrideProgramPath(MachineRoot() + "/build/bin/pakrune");
    EXPECT_EQ(platform::InstalledProgramFolder(), "");
    EXPECT_EQ(ModulePath().find("C:\\Program Files"), std::string::npos) << ModulePath();
    EXPECT_FALSE(HostExists(UserFolder()));
}

TEST_F(ProgramFolder, AnInstalledProgramLivesInProgramFilesWithItsSettingsThere) {
    const std::string installed = Install(MachineRoot() + "/usr/lib/pakrune");
    EXPECT_EQ(ModulePath(), "C:\\Program Files\\Pakrune\\pakrune");
    for (const char* name : {"pakrune", "libunzdll.so", "readme.txt"})
        EXPECT_EQ(LinkTarget(name), installed + "/" + name) << name;
    EXPECT_FALSE(HostExists(UserFolder() + "/pakrune.installed"));

    // The settings file beside the program is the user's own.
    ASSERT_TRUE(win::WritePrivateProfileStringA("Options", "AutoRun", "0",
                                                "C:\\Program Files\\Pakrune\\pakrune.ini"));
    EXPECT_EQ(ReadHostFile(UserFolder() + "/pakrune.ini"), "[Options]\nAutoRun=0\n");
    EXPECT_FALSE(HostExists(installed + "/pakrune.ini"));
    EXPECT_FALSE(fs::is_symlink(UserFolder() + "/pakrune.ini"));
}

TEST_F(ProgramFolder, MovedInstallationsAreLinkedAgainAndTheUsersFilesStay) {
    Install(MachineRoot() + "/usr/lib/pakrune");
    ModulePath();
    WriteHostFile(UserFolder() + "/pakrune.ini", "[Options]\nAutoRun=0\n");
    // A readme of the user's own in place of the link, and an installation without a readme.
    fs::remove(UserFolder() + "/readme.txt");
    WriteHostFile(UserFolder() + "/readme.txt", "mine");
    const std::string moved = Install(MachineRoot() + "/opt/pakrune", false);
    fs::remove_all(MachineRoot() + "/usr");

    EXPECT_EQ(ModulePath(), "C:\\Program Files\\Pakrune\\pakrune");
    EXPECT_EQ(LinkTarget("pakrune"), moved + "/pakrune");
    EXPECT_EQ(LinkTarget("libunzdll.so"), moved + "/libunzdll.so");
    EXPECT_EQ(ReadHostFile(UserFolder() + "/readme.txt"), "mine");
    EXPECT_EQ(ReadHostFile(UserFolder() + "/pakrune.ini"), "[Options]\nAutoRun=0\n");

    // A link into the old installation whose file is gone goes with it.
    fs::create_symlink(MachineRoot() + "/usr/lib/pakrune/help.hlp", UserFolder() + "/help.hlp");
    Install(MachineRoot() + "/opt2/pakrune", false);
    ModulePath();
    EXPECT_FALSE(HostExists(UserFolder() + "/help.hlp"));
}

TEST_F(ProgramFolder, ANewPrefixIsMadeWithTheLinks) {
    const std::string installed = Install(MachineRoot() + "/usr/lib/pakrune");
    ::setenv("PAKRUNE_PREFIX", (MachineRoot() + "/second").c_str(), 1);
    ASSERT_TRUE(platform::EnsurePrefix());
    EXPECT_EQ(fs::read_symlink(MachineRoot() + "/second/drive_c/Program Files/Pakrune/pakrune"),
              installed + "/pakrune");
    ::setenv("PAKRUNE_PREFIX", (MachineRoot() + "/prefix").c_str(), 1);
}
