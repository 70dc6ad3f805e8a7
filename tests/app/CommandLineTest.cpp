// The command line arrives as host paths and is seen by the program in Windows form.
#include "app/CommandLine.h"
#include "platform/Volumes.h"

#include "TestMachine.h"

#include <gtest/gtest.h>

using namespace testing_support;

TEST(CommandLine, ArgumentsBecomeWindowsPaths) {
    platform::OverrideProgramPath(DriveC() + "/Pakrune/pakrune");
    const std::string download = HostTemp() + "/Tool Setup.zip";
    WriteHostFile(download, "x");
    std::string zero = "pakrune", one = download, two = "/usr/share";
    char* argv[] = {zero.data(), one.data(), two.data()};
    app::SetCommandLine(3, argv);
    EXPECT_EQ(app::ParamCount(), 2);
    EXPECT_EQ(app::ParamStr(0), "C:\\Pakrune\\pakrune");
    EXPECT_EQ(app::ParamStr(1), "C:\\WINDOWS\\Temp\\Tool Setup.zip");
    EXPECT_EQ(app::ParamStr(2), "Z:\\usr\\share");
    EXPECT_EQ(app::ParamStr(3), "");

    app::SetCommandLine(1, argv);
    EXPECT_EQ(app::ParamCount(), 0);
    platform::OverrideProgramPath("");
}
