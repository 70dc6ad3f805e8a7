// Starting programs and opening documents: never through a shell, hooked in tests.
#include "platform/Process.h"

#include "TestMachine.h"

#include <chrono>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

using namespace win;
using namespace testing_support;
using platform::ProgramStart;

namespace {

struct RecordStarts {
    std::vector<ProgramStart> starts;
    RecordStarts() {
        platform::SetProgramStartHook([this](const ProgramStart& s) {
            starts.push_back(s);
            return true;
        });
    }
    ~RecordStarts() { platform::SetProgramStartHook(nullptr); }
};

} // namespace

TEST(Process, AProgramWhosePathHoldsBlanksAndShellCharactersStarts) {
    const std::string host = DriveC() + "/Temp dir/my setup; rm -rf x.sh";
    WriteHostFile(host, "#!/bin/sh\nexit 0\n");
    RecordStarts record;
    EXPECT_GT(WinExec("C:\\Temp dir\\my setup; rm -rf x.sh", SW_SHOWNORMAL), 31u);
    ASSERT_EQ(record.starts.size(), 1u);
    EXPECT_EQ(record.starts[0].hostArgv, std::vector<std::string>{host});
    struct stat st {};
    ::stat(host.c_str(), &st);
    EXPECT_TRUE(st.st_mode & S_IXUSR); // an extracted script gets its execute bit

    // Arguments follow the program; quotes group them, and an empty pair is an empty argument.
    EXPECT_GT(WinExec("\"C:\\Temp dir\\my setup; rm -rf x.sh\" /s \"a b\" \"\" b", SW_SHOWNORMAL),
              31u);
    EXPECT_EQ(record.starts[1].hostArgv, (std::vector<std::string>{host, "/s", "a b", "", "b"}));
}

TEST(Process, ProgramsThatCannotRunHereFail) {
    RecordStarts record;
    EXPECT_EQ(WinExec("C:\\missing.exe", SW_SHOWNORMAL), ERROR_FILE_NOT_FOUND);
    WriteHostFile(DriveC() + "/notes.txt", "just text");
    EXPECT_EQ(WinExec("C:\\notes.txt", SW_SHOWNORMAL), 11u);
    WriteHostFile(DriveC() + "/setup.exe", "MZ\x90");
    const UINT result = WinExec("C:\\SETUP", SW_SHOWNORMAL); // ".exe" is added, as the system does
    if (record.starts.empty()) {
        EXPECT_EQ(result, 11u); // no wine on this machine
    } else {
        EXPECT_EQ(record.starts[0].hostArgv.at(1), DriveC() + "/setup.exe");
    }
}

TEST(Process, ShellOpenHandsDocumentsAndAddressesToTheDesktop) {
    WriteHostFile(HostTemp() + "/readme.txt", "x");
    RecordStarts record;
    EXPECT_GT(ShellExecuteA(nullptr, "open", "C:\\WINDOWS\\Temp\\README.TXT", nullptr, nullptr,
                            SW_SHOWNORMAL),
              32);
    EXPECT_GT(ShellExecuteA(nullptr, "open", "mailto:feedback@example.org", nullptr, nullptr,
                            SW_SHOWNORMAL),
              32);
    EXPECT_EQ(ShellExecuteA(nullptr, "open", "C:\\missing.doc", nullptr, nullptr, SW_SHOWNORMAL),
              2);
    ASSERT_EQ(record.starts.size(), 2u);
    EXPECT_EQ(record.starts[0].kind, ProgramStart::Kind::ShellOpen);
    EXPECT_EQ(record.starts[0].hostArgv.at(1), HostTemp() + "/readme.txt");
    EXPECT_EQ(record.starts[1].hostArgv.at(1), "mailto:feedback@example.org");
}

TEST(Process, AStartedProgramRunsWithoutAShellAndWithoutWaiting) {
    // The program finishes only once the test lets it go (or after 5 s): had the start waited
    // for it, its mark would already be there when the start returns.
    const std::string marker = MachineRoot() + "/ran";
    const std::string go = MachineRoot() + "/go";
    WriteHostFile(DriveC() + "/a b;c.sh", "#!/bin/sh\nfor i in $(seq 500); do [ -e '" + go +
                                              "' ] && break; sleep 0.01; done\necho \"$1\" > '" +
                                              marker + "'\n");
    ASSERT_GT(WinExec("C:\\a b;c.sh $HOME", SW_SHOWNORMAL), 31u);
    EXPECT_FALSE(HostExists(marker));
    WriteHostFile(go, "");
    for (int i = 0; i < 300 && ReadHostFile(marker).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(ReadHostFile(marker), "$HOME\n"); // no shell expanded it
}
