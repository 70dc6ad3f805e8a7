// Test main of the tests that need Qt: the offscreen platform, a fresh machine for every test, and
// a dialog hook that fails the test when a dialog appears that the test did not script, so no
// real dialog is ever shown. Qt itself starts with a home and runtime folder of its own, so it
// never reads or writes the real user's settings. The tests run at a font of the measures the
// windows were designed for, so every window shows its designed geometry unless a test gives the
// application another font.
#include "PrivateMounts.h"
#include "ScriptedDialogs.h"
#include "TestMachine.h"

#include "platform/ui/DesignScale.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

int main(int argc, char** argv) {
    // Chosen before anything is made in it, and before the runtime folder below replaces the
    // user's.
    std::string session = testing_support::TestsTemporaryFolder() + "/pakrune-qt.XXXXXX";
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
        QFont designed("DejaVu Sans Condensed");
        designed.setPixelSize(11);
        QApplication::setFont(designed);
        if (platform::ui::UnitsOf(QApplication::font()) != platform::ui::kDesignedUnits) {
            std::fprintf(stderr, "No font of the designed measures: DejaVu Sans Condensed is "
                                 "missing (scripts/install-deps installs it).\n");
            std::filesystem::remove_all(session);
            return 2;
        }
        testing_support::ScriptedDialogs::InstallRefusingHook();
        result = RUN_ALL_TESTS();
    }
    std::filesystem::remove_all(session);
    return result;
}
