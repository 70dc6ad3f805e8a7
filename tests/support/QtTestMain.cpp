// Test main of the tests that need Qt: the offscreen platform, a fresh machine for every test, and
// a dialog hook that fails the test when a dialog appears that the test did not script, so no
// real dialog is ever shown. Qt itself starts with a home and runtime folder of its own, so it
// never reads or writes the real user's settings.
#include "ScriptedDialogs.h"
#include "TestMachine.h"

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

int main(int argc, char** argv) {
    std::string session = std::filesystem::temp_directory_path().string() + "/pakrune-qt.XXXXXX";
    if (!::mkdtemp(session.data()))
        return 2;
    ::chmod(session.c_str(), 0700);
    ::setenv("HOME", session.c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", session.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (session + "/config").c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);

    ::testing::InitGoogleTest(&argc, argv);
    testing_support::InstallTestMachine();
    int result = 0;
    {
        QApplication application(argc, argv);
        QApplication::setApplicationName("Pakrune");
        testing_support::ScriptedDialogs::InstallRefusingHook();
        result = RUN_ALL_TESTS();
    }
    std::filesystem::remove_all(session);
    return result;
}
