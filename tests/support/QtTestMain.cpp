// Test main of the tests that need Qt: the offscreen platform, a fresh machine for every test, and
// a dialog hook that fails the test when a dialog appears that the test did not script, so no
// real dialog is ever shown.
#include "ScriptedDialogs.h"
#include "TestMachine.h"

#include <QApplication>
#include <cstdlib>

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::testing::InitGoogleTest(&argc, argv);
    testing_support::InstallTestMachine();
    QApplication application(argc, argv);
    QApplication::setApplicationName("Pakrune");
    testing_support::ScriptedDialogs::InstallRefusingHook();
    return RUN_ALL_TESTS();
}
