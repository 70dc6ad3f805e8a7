// A prefix only the user can change: its private temporary folder, prefixes that another user
// could have laid out or could change, and no shared fallback without a home folder.
#include "platform/PathMap.h"
#include "platform/Prefix.h"

#include "OtherUser.h"
#include "TestMachine.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

// The checks run once a run; the next start is played by pointing at another prefix and back.
bool StartAgain(const std::string& prefix) {
    ::setenv("PAKRUNE_PREFIX", (MachineRoot() + "/elsewhere").c_str(), 1);
    platform::EnsurePrefix();
    platform::TakePrefixNotices();
    ::setenv("PAKRUNE_PREFIX", prefix.c_str(), 1);
    return platform::EnsurePrefix();
}

struct stat Status(const std::string& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return st;
}

bool PrivateFolder(const std::string& path) {
    const struct stat st = Status(path);
    return S_ISDIR(st.st_mode) && (st.st_mode & 07777) == 0700 && st.st_uid == ::geteuid();
}

std::vector<std::string> SetAside(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().starts_with("Temp.unsafe."))
            names.push_back(entry.path().string());
    return names;
}

} // namespace

TEST(PrefixOwnership, TheTemporaryFolderIsMadeTheUsersOwnAndTheUserIsToldOnce) {
    const std::string prefix = platform::PrefixDir();
    const std::string windows = DriveC() + "/WINDOWS";
    const std::string temp = HostTemp();
    WriteHostFile(SharedTemp() + "/someone-elses.txt", "theirs");
    const std::string mine = MachineRoot() + "/my-temp";
    fs::create_directory(mine);
    ::chmod(mine.c_str(), 0700);
    struct Row {
        const char* what;
        std::function<void()> lay;
        bool told;
        bool linkKept;
        bool setAside;
    };
    std::vector<Row> rows = {
        {"a link to the shared temporary folder, as prefixes made earlier have",
         [&] { fs::create_symlink(SharedTemp(), temp); }, true, false, false},
        {"a link to nothing", [&] { fs::create_symlink(MachineRoot() + "/gone", temp); }, true,
         false, false},
        {"a link to a private folder of the user's", [&] { fs::create_symlink(mine, temp); }, false,
         true, false},
        {"a folder of the user's that others can open",
         [&] {
             WriteHostFile(temp + "/kept.txt", "kept");
             ::chmod(temp.c_str(), 0755);
         },
         true, false, false},
        {"a file", [&] { WriteHostFile(temp, "a file"); }, true, false, true},
    };
    if (::geteuid() == 0)
        rows.push_back({"a folder of another user",
                        [&] {
                            fs::create_directory(temp);
                            ::chown(temp.c_str(), kOtherUser, kOtherUser);
                        },
                        true, false, true});
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        for (const auto& aside : SetAside(windows))
            fs::remove_all(aside);
        fs::remove_all(temp);
        row.lay();
        ASSERT_TRUE(StartAgain(prefix));
        EXPECT_EQ(platform::TakePrefixNotices().size(), row.told ? 1u : 0u);
        EXPECT_EQ(fs::is_symlink(temp), row.linkKept);
        EXPECT_TRUE(PrivateFolder(row.linkKept ? mine : temp));
        EXPECT_EQ(SetAside(windows).size(), row.setAside ? 1u : 0u); // never deleted
        if (HostExists(temp + "/kept.txt")) {
            EXPECT_EQ(ReadHostFile(temp + "/kept.txt"), "kept");
        }
        // Told once: the next start finds nothing to repair.
        ASSERT_TRUE(StartAgain(prefix));
        EXPECT_TRUE(platform::TakePrefixNotices().empty());
    }
    EXPECT_EQ(ReadHostFile(SharedTemp() + "/someone-elses.txt"), "theirs");
}

TEST(PrefixOwnership, APrefixOthersCouldChangeIsRefusedAndLeftAsItIs) {
    const std::string prefix = platform::PrefixDir();
    struct Row {
        const char* part; // below the prefix; "" is the prefix itself
        mode_t mode;
        const char* why;
    };
    const Row rows[] = {
        {"", 0777, "can be changed by other users"},
        {"/dosdevices", 0757, "can be changed by other users"},
        {"/drive_c", 0777, "can be changed by other users"},
        {"/drive_c/WINDOWS/SYSTEM", 0757, "can be changed by other users"},
        {"/HKEY_LOCAL_MACHINE.reg", 0646, "can be changed by other users"},
        {"/drives.ini", 0666, "can be changed by other users"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.part);
        const std::string part = prefix + row.part;
        const mode_t before = Status(part).st_mode & 07777;
        ::chmod(part.c_str(), row.mode);
        fs::remove_all(HostTemp());
        EXPECT_FALSE(StartAgain(prefix));
        const std::string refusal = platform::PrefixRefusal();
        EXPECT_NE(refusal.find(part + " " + row.why), std::string::npos) << refusal;
        EXPECT_NE(refusal.find("PAKRUNE_PREFIX"), std::string::npos);
        // Nothing of it is used, nothing is written into it.
        EXPECT_FALSE(platform::HostPathOf("C:\\x.zip"));
        EXPECT_FALSE(HostExists(HostTemp()));
        ::chmod(part.c_str(), before);
        EXPECT_TRUE(StartAgain(prefix));
    }
}

TEST(PrefixOwnership, AFolderAboveThePrefixCountsUnlessItsStickyBitProtectsThePrefix) {
    const std::string open = MachineRoot() + "/open";
    const std::string prefix = open + "/prefix";
    fs::create_directory(open);
    ::chmod(open.c_str(), 0777);
    EXPECT_FALSE(StartAgain(prefix));
    EXPECT_NE(platform::PrefixRefusal().find("lies in " + open + ", which other users can change"),
              std::string::npos)
        << platform::PrefixRefusal();
    EXPECT_FALSE(HostExists(prefix + "/drive_c/WINDOWS/Temp"));
    // As /tmp: others may write there, but not rename what is the user's.
    ::chmod(open.c_str(), 01777);
    EXPECT_TRUE(StartAgain(prefix));
}

TEST(PrefixOwnership, WithoutAHomeNoSharedFolderStandsIn) {
    const bool existedBefore = HostExists("/tmp/.pakrune");
    ::unsetenv("PAKRUNE_PREFIX");
    ::unsetenv("HOME");
    EXPECT_EQ(platform::PrefixDir(), "");
    EXPECT_FALSE(platform::EnsurePrefix());
    const std::string refusal = platform::PrefixRefusal();
    EXPECT_NE(refusal.find("HOME is not set"), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("PAKRUNE_PREFIX"), std::string::npos) << refusal;
    EXPECT_FALSE(platform::HostPathOf("C:\\x.zip"));
    EXPECT_EQ(HostExists("/tmp/.pakrune"), existedBefore);
}

TEST(PrefixOwnership, APrefixAnotherUserLaidOutIsNotUsed) {
    SKIP_WITHOUT_OTHER_USER();
    // Where a shared fallback would have been: a folder like /tmp that everybody may write to.
    const std::string shared = MachineRoot() + "/shared";
    fs::create_directory(shared);
    ::chmod(shared.c_str(), 01777);
    const std::string planted = shared + "/.pakrune";
    ASSERT_EQ(RunAsOtherUser({"/bin/sh", "-c",
                              "mkdir -p \"$0/dosdevices\" \"$0/drive_c/WINDOWS/Temp\" && "
                              "chmod 755 \"$0\" \"$0/dosdevices\" \"$0/drive_c\" && "
                              "ln -s ../drive_c \"$0/dosdevices/c:\" && "
                              "echo '#!/bin/sh' > \"$0/drive_c/WINDOWS/Temp/setup.exe\"",
                              planted}),
              0);
    EXPECT_FALSE(StartAgain(planted));
    EXPECT_NE(platform::PrefixRefusal().find(planted + " belongs to another user"),
              std::string::npos)
        << platform::PrefixRefusal();
    EXPECT_FALSE(platform::HostPathOf("C:\\WINDOWS\\Temp\\setup.exe"));
    EXPECT_FALSE(HostExists(planted + "/drive_c/WINDOWS/SYSTEM")); // nothing made in it
    EXPECT_FALSE(HostExists(planted + "/HKEY_LOCAL_MACHINE.reg"));
}
