// The desktop's handler of ZIP files, in the test's own XDG folders: the entry the desktop tools
// accept, the default they report, and mimeapps.list left as it was once the handler is gone.
#include "HostileFiles.h"
#include "RunTool.h"
#include "TestMachine.h"

#include "platform/DesktopZipHandler.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

// xdg-mime as a fresh desktop session would run it: only the test's folders, no desktop named.
std::string DefaultFor(const std::string& type) {
    const std::string home = MachineRoot() + "/home";
    const std::string none = MachineRoot() + "/no-system-folders";
    const auto result = RunTool(
        {"env", "-i", "PATH=/usr/bin:/bin", "HOME=" + home, "XDG_CONFIG_HOME=" + home + "/.config",
         "XDG_DATA_HOME=" + home + "/.local/share", "XDG_CONFIG_DIRS=" + none,
         "XDG_DATA_DIRS=" + none, "xdg-mime", "query", "default", type});
    std::string answer = result.output;
    while (!answer.empty() && (answer.back() == '\n' || answer.back() == ' '))
        answer.pop_back();
    return answer;
}

// A program that exists, as xdg-mime wants of a default application.
std::string Program(const std::string& folder) {
    const std::string path = MachineRoot() + folder + "/pakrune";
    WriteHostFile(path, "#!/bin/sh\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return path;
}

} // namespace

TEST(DesktopZipHandler, TheDesktopsDefaultWhileRegisteredAndNoLongerAfterwards) {
    ASSERT_EQ(platform::RegisterZipHandler(Program("/usr/lib/pakrune")), "");
    for (const auto& type : platform::kZipHandlerTypes)
        EXPECT_EQ(DefaultFor(type), platform::kZipHandlerId) << type;
    // The desktop database knows the entry.
    EXPECT_NE(ReadHostFile(MachineRoot() + "/home/.local/share/applications/mimeinfo.cache")
                  .find(platform::kZipHandlerId),
              std::string::npos);

    ASSERT_EQ(platform::UnregisterZipHandler(), "");
    EXPECT_FALSE(HostExists(platform::ZipHandlerEntryPath()));
    for (const auto& type : platform::kZipHandlerTypes)
        EXPECT_EQ(DefaultFor(type).find(platform::kZipHandlerId), std::string::npos) << type;
}

TEST(DesktopZipHandler, TheUsersOtherChoicesFollowOursAndReturnUnchanged) {
    const std::string before = "# chosen by the user\n"
                               "[Added Associations]\n"
                               "application/zip=org.other.Archiver.desktop;\n"
                               "\n"
                               "[Default Applications]\n"
                               "text/plain=org.other.Editor.desktop;\n"
                               "application/zip=org.other.Archiver.desktop;\n";
    WriteHostFile(platform::MimeAppsListPath(), before);
    WriteHostFile(MachineRoot() + "/home/.local/share/applications/org.other.Archiver.desktop",
                  "[Desktop Entry]\nType=Application\nName=Other\nExec=true %f\n");

    const std::string program = Program("/opt/pakrune");
    ASSERT_EQ(platform::RegisterZipHandler(program), "");
    const std::string during = ReadHostFile(platform::MimeAppsListPath());
    EXPECT_NE(during.find("application/zip=" + std::string(platform::kZipHandlerId) +
                          ";org.other.Archiver.desktop;\n"),
              std::string::npos)
        << during;
    EXPECT_EQ(DefaultFor("application/zip"), platform::kZipHandlerId);
    // Registering again changes nothing.
    ASSERT_EQ(platform::RegisterZipHandler(program), "");
    EXPECT_EQ(ReadHostFile(platform::MimeAppsListPath()), during);

    ASSERT_EQ(platform::UnregisterZipHandler(), "");
    EXPECT_EQ(ReadHostFile(platform::MimeAppsListPath()), before);
    EXPECT_EQ(DefaultFor("application/zip"), "org.other.Archiver.desktop");
}

TEST(DesktopZipHandler, EntriesForAwkwardProgramPathsAreValid) {
    const std::pair<const char*, const char*> rows[] = {
        {"/usr/lib/pakrune/pakrune", R"(Exec=/usr/lib/pakrune/pakrune %f)"},
        {"/home/a b/Pakrune 4/pakrune", R"(Exec="/home/a b/Pakrune 4/pakrune" %f)"},
        {"/tmp/$HOME/`x`/\"q\"/100%/back\\slash/pakrune",
         R"(Exec="/tmp/\\$HOME/\\`x\\`/\\"q\\"/100%%/back\\\\slash/pakrune" %f)"},
    };
    for (const auto& [program, exec] : rows) {
        const std::string entry = platform::ZipHandlerEntry(program);
        EXPECT_NE(entry.find(std::string(exec) + "\n"), std::string::npos) << entry;
        const std::string file = MachineRoot() + "/check/" + platform::kZipHandlerId;
        WriteHostFile(file, entry);
        const auto validation = RunTool({"desktop-file-validate", file});
        EXPECT_EQ(validation.exitCode, 0) << program << "\n" << validation.output;
    }
}

TEST(DesktopZipHandler, AFolderThatCannotBeWrittenIsNamed) {
    // The applications folder is a file, so the entry cannot be written there.
    WriteHostFile(MachineRoot() + "/home/.local/share/applications", "");
    EXPECT_EQ(platform::RegisterZipHandler("/usr/bin/pakrune"), platform::ZipHandlerEntryPath());
    EXPECT_FALSE(HostExists(platform::MimeAppsListPath()));
}

TEST(DesktopZipHandler, AListThatCannotBeReadIsNotReplaced) {
    // ReadWriteRead checks that the list still holds what it held.
    const std::string observed = ReadWriteRead(
        Unreadable::NoReadPermission, platform::MimeAppsListPath(),
        "[Default Applications]\ntext/plain=editor.desktop;\n", [] { return std::string(); },
        [] { return platform::RegisterZipHandler("/usr/bin/pakrune").empty(); });
    EXPECT_EQ(observed, " refused ");
}

TEST(DesktopZipHandler, TheListAsTheUserKeepsItComesBackByteForByte) {
    // mimeapps.list as editors and dotfile managers leave it: CRLF line ends, blanks around "=",
    // no section of defaults yet, kept elsewhere and linked into place.
    const std::string list = platform::MimeAppsListPath();
    const std::string kept = MachineRoot() + "/dotfiles/mimeapps.list";
    struct Row {
        const char* what;
        std::string text;
        bool linked;
    };
    const Row rows[] = {
        {"CRLF and blanks",
         "[Default Applications]\r\napplication/zip = org.other.Archiver.desktop;\r\n"
         "text/plain=ed.desktop;\r\n",
         false},
        {"no defaults yet",
         "[Added Associations]\r\napplication/zip=org.other.Archiver.desktop;\r\n", false},
        {"a link to a dotfile", "[Default Applications]\napplication/zip=a.desktop;b.desktop;\n",
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::filesystem::remove(list);
        WriteHostFile(row.linked ? kept : list, row.text);
        if (row.linked)
            std::filesystem::create_symlink(kept, list);
        ASSERT_EQ(platform::RegisterZipHandler("/usr/bin/pakrune"), "");
        EXPECT_EQ(DefaultFor("application/zip"), platform::kZipHandlerId);
        EXPECT_EQ(std::filesystem::is_symlink(list), row.linked);
        ASSERT_EQ(platform::UnregisterZipHandler(), "");
        EXPECT_EQ(ReadHostFile(row.linked ? kept : list), row.text);
        EXPECT_EQ(std::filesystem::is_symlink(list), row.linked);
    }
}

TEST(DesktopZipHandler, AReadOnlyListIsTheUsersToKeep) {
    const std::string text = "[Default Applications]\napplication/zip=a.desktop;\n";
    WriteHostFile(platform::MimeAppsListPath(), text);
    std::filesystem::permissions(platform::MimeAppsListPath(), std::filesystem::perms::owner_read);
    EXPECT_EQ(platform::DesktopFilesRefusal(),
              "the file " + platform::MimeAppsListPath() + " is read-only");
    EXPECT_EQ(platform::ZipHandlerRefusal("/usr/bin/pakrune"), platform::DesktopFilesRefusal());
    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("HOME");
    EXPECT_NE(platform::DesktopFilesRefusal().find("HOME is set"), std::string::npos);
}
