// A prefix only the user can change: its private temporary folder, prefixes that another user
// could have laid out or could change, and no shared fallback without a home folder.
#include "platform/PathMap.h"
#include "platform/Prefix.h"

#include "OtherUser.h"
#include "TestMachine.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
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
         true, false, true},
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
        const std::vector<std::string> notices = platform::TakePrefixNotices();
        EXPECT_EQ(notices.size(), row.told ? 1u : 0u);
        EXPECT_EQ(fs::is_symlink(temp), row.linkKept);
        EXPECT_TRUE(PrivateFolder(row.linkKept ? mine : temp));
        ASSERT_EQ(SetAside(windows).size(), row.setAside ? 1u : 0u); // never deleted
        EXPECT_FALSE(HostExists(temp + "/kept.txt")); // nothing that was there is used
        if (row.setAside) {
            // The notice says where it went.
            EXPECT_NE(notices.front().find("It was moved to " + SetAside(windows).front()),
                      std::string::npos)
                << notices.front();
            if (HostExists(SetAside(windows).front() + "/kept.txt")) {
                EXPECT_EQ(ReadHostFile(SetAside(windows).front() + "/kept.txt"), "kept");
            }
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

TEST(PrefixOwnership, WhatAnotherUserLeftInAnOpenTemporaryFolderIsSetAsideWithIt) {
    SKIP_WITHOUT_OTHER_USER();
    const std::string prefix = platform::PrefixDir();
    const std::string temp = HostTemp();
    for (const std::string& folder : {prefix, DriveC(), DriveC() + "/WINDOWS"})
        ::chmod(folder.c_str(), 0755);
    ::chmod(temp.c_str(), 0777);
    ASSERT_EQ(RunAsOtherUser({"/bin/sh", "-c", "mkdir -m 777 \"$0/data\"", temp}), 0);
    ASSERT_TRUE(StartAgain(prefix));
    EXPECT_TRUE(PrivateFolder(temp));
    EXPECT_FALSE(HostExists(temp + "/data")); // the new folder holds nothing of theirs
    const auto aside = SetAside(DriveC() + "/WINDOWS");
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(Status(aside.front() + "/data").st_uid, kOtherUser);
    // Another user's folder cannot be written into, nor be reached, through the new one.
    EXPECT_NE(RunAsOtherUser({"/bin/sh", "-c", "mkdir \"$0/data\"", temp}), 0);
}

TEST(PrefixOwnership, TheNextStartRemovesOnlyTheUsersOwnEmptySetAsideFolders) {
    const std::string windows = DriveC() + "/WINDOWS";
    const std::string prefix = platform::PrefixDir();
    fs::create_directory(windows + "/Temp.unsafe.empty");
    WriteHostFile(windows + "/Temp.unsafe.full/left.txt", "left");
    WriteHostFile(windows + "/Temp.unsafe.file", ""); // a file set aside is no folder to remove
    if (::geteuid() == 0) {
        fs::create_directory(windows + "/Temp.unsafe.theirs");
        ::chown((windows + "/Temp.unsafe.theirs").c_str(), kOtherUser, kOtherUser);
    }
    ASSERT_TRUE(StartAgain(prefix));
    EXPECT_FALSE(HostExists(windows + "/Temp.unsafe.empty"));
    EXPECT_EQ(ReadHostFile(windows + "/Temp.unsafe.full/left.txt"), "left");
    EXPECT_TRUE(HostExists(windows + "/Temp.unsafe.file"));
    EXPECT_EQ(HostExists(windows + "/Temp.unsafe.theirs"), ::geteuid() == 0);
    EXPECT_TRUE(platform::TakePrefixNotices().empty());
}

TEST(PrefixOwnership, APrefixReachedThroughALinkOthersCouldChangeIsRefused) {
    SKIP_WITHOUT_OTHER_USER();
    const std::string prefix = platform::PrefixDir();
    // Where a prefix could be asked for through a link: a folder like /tmp, and one everybody
    // may change.
    const std::string shared = MachineRoot() + "/shared";
    const std::string open = MachineRoot() + "/open";
    fs::create_directory(shared);
    fs::create_directory(open);
    ::chmod(shared.c_str(), 01777);
    ::chmod(open.c_str(), 0777);
    ASSERT_EQ(RunAsOtherUser({"/bin/ln", "-s", prefix, shared + "/theirs"}), 0);
    fs::create_symlink(prefix, open + "/mine");
    fs::create_symlink(shared + "/theirs", MachineRoot() + "/via-theirs");
    struct Row {
        std::string asked;
        std::string why;
    };
    const Row rows[] = {
        {shared + "/theirs", shared + "/theirs is a link that belongs to another user"},
        {open + "/mine", open + "/mine lies in " + open + ", which other users can change"},
        {MachineRoot() + "/via-theirs/drive_c/..",
         shared + "/theirs is a link that belongs to another user"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.asked);
        EXPECT_FALSE(StartAgain(row.asked));
        EXPECT_NE(platform::PrefixRefusal().find("does not use the folder " + row.asked + ": " +
                                                 row.why + "."),
                  std::string::npos)
            << platform::PrefixRefusal();
        EXPECT_FALSE(platform::HostPathOf("C:\\WINDOWS\\Temp\\x.txt"));
    }
}

TEST(PrefixOwnership, APrefixIsResolvedOnceAndItsLinkChangingLaterChangesNothing) {
    const std::string prefix = platform::PrefixDir();
    const std::string sticky = MachineRoot() + "/sticky";
    fs::create_directory(sticky);
    ::chmod(sticky.c_str(), 01777);
    // The user's own link in a folder like /tmp: others cannot change it, so it is accepted.
    const std::string link = sticky + "/mine";
    fs::create_symlink(prefix, link);
    ASSERT_TRUE(StartAgain(link));
    EXPECT_EQ(platform::PrefixDir(), prefix);
    // Pointed at another prefix afterwards: this run goes on using the one checked.
    const std::string other = MachineRoot() + "/other";
    ::setenv("PAKRUNE_PREFIX", other.c_str(), 1);
    ASSERT_TRUE(platform::EnsurePrefix());
    ::setenv("PAKRUNE_PREFIX", link.c_str(), 1);
    ASSERT_TRUE(platform::EnsurePrefix());
    fs::remove(link);
    fs::create_symlink(other, link);
    EXPECT_EQ(platform::PrefixDir(), prefix);
    EXPECT_EQ(platform::HostPathOf("C:\\WINDOWS\\Temp\\x.txt"), HostTemp() + "/x.txt");
    EXPECT_EQ(platform::WindowsPathOf(HostTemp() + "/x.txt"), "C:\\WINDOWS\\Temp\\x.txt");
}

TEST(PrefixOwnership, AGroupIsTheUsersAloneOnlyWhileNoOtherUserHasItAsTheirOwn) {
    SKIP_WITHOUT_OTHER_USER();
    const group* own = ::getgrgid(::getegid());
    const passwd* user = ::getpwuid(::geteuid());
    if (!own || !user || std::string(own->gr_name) != user->pw_name)
        GTEST_SKIP() << "the test user's group is not named after the user";
    const std::string prefix = platform::PrefixDir();
    // As a desktop's umask 002 leaves it: the group may write, and the group is the user's.
    ::chmod(prefix.c_str(), 0775);
    ASSERT_TRUE(StartAgain(prefix));
    // A user whose primary group it is, though the group lists no member.
    GroupMateAccount account;
    ASSERT_TRUE(account.Listed());
    ASSERT_EQ(RunAsGroupMate({"/bin/sh", "-c", "echo planted > \"$0/planted.txt\"", prefix}), 0);
    EXPECT_FALSE(StartAgain(prefix));
    EXPECT_NE(platform::PrefixRefusal().find(prefix + " can be changed by other users"),
              std::string::npos)
        << platform::PrefixRefusal();
}
