// The private-profile functions as the settings file uses them.
#include "platform/Profile.h"

#include "TestMachine.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace win;
using namespace testing_support;

namespace {

const char* const kIni = "C:\\Program\\pakrune.ini";

std::string Read(const char* section, const char* key, const char* def = "<default>") {
    char buffer[2048];
    GetPrivateProfileStringA(section, key, def, buffer, sizeof buffer, kIni);
    return buffer;
}

} // namespace

TEST(Profile, ReadsWithoutRegardToCaseAndFallsBackToTheDefault) {
    WriteHostFile(DriveC() + "/Program/pakrune.ini",
                  "; my settings\n[Options]\nAutoMove = 0\nDownloadDir=\"c:\\dl\"\nEmpty=\n");
    EXPECT_EQ(Read("options", "AUTOMOVE"), "0");
    EXPECT_EQ(Read("Options", "DownloadDir"), "c:\\dl");
    EXPECT_EQ(Read("Options", "Empty"), ""); // present but empty is not the default
    EXPECT_EQ(Read("Options", "Missing"), "<default>");
    EXPECT_EQ(Read("NoSection", "AutoMove"), "<default>");
    EXPECT_EQ(GetPrivateProfileIntA("Options", "AutoMove", 1, kIni), 0u);
    EXPECT_EQ(GetPrivateProfileIntA("Options", "Missing", 7, kIni), 7u);
    char buffer[16];
    EXPECT_EQ(GetPrivateProfileStringA("A", "b", "dflt", buffer, sizeof buffer, "C:\\none.ini"),
              4u);
    EXPECT_STREQ(buffer, "dflt");
}

TEST(Profile, ABufferOf2048SeesAtMost2047Characters) {
    WriteHostFile(DriveC() + "/Program/pakrune.ini",
                  "[Last Files]\n1=" + std::string(3000, 'x') + "\n");
    char buffer[2048];
    EXPECT_EQ(GetPrivateProfileStringA("Last Files", "1", "", buffer, sizeof buffer, kIni), 2047u);
    EXPECT_EQ(std::string(buffer), std::string(2047, 'x'));
}

TEST(Profile, WritesKeepEveryOtherLine) {
    const std::string original = "; written by hand\n"
                                 "[Unknown]\n"
                                 "Foo=bar ; keep me\n"
                                 "\n"
                                 "[Options]\n"
                                 "# another comment\n"
                                 "AutoMove=1\n"
                                 "\n"
                                 "[Tail]\n"
                                 "x=y\n";
    WriteHostFile(DriveC() + "/Program/pakrune.ini", original);
    ASSERT_TRUE(WritePrivateProfileStringA("OPTIONS", "automove", "0", kIni));
    ASSERT_TRUE(WritePrivateProfileStringA("Options", "DownloadDir", "c:\\download", kIni));
    ASSERT_TRUE(WritePrivateProfileStringA("Window", "Left", "-1", kIni));
    EXPECT_EQ(ReadHostFile(DriveC() + "/Program/pakrune.ini"), "; written by hand\n"
                                                               "[Unknown]\n"
                                                               "Foo=bar ; keep me\n"
                                                               "\n"
                                                               "[Options]\n"
                                                               "# another comment\n"
                                                               "AutoMove=0\n"
                                                               "DownloadDir=c:\\download\n"
                                                               "\n"
                                                               "[Tail]\n"
                                                               "x=y\n"
                                                               "[Window]\n"
                                                               "Left=-1\n");
    // A missing file is created.
    ASSERT_TRUE(WritePrivateProfileStringA("A", "k", "v", "C:\\Program\\new.ini"));
    EXPECT_EQ(ReadHostFile(DriveC() + "/Program/new.ini"), "[A]\nk=v\n");
}

TEST(Profile, ARefusedWriteFailsAndChangesNothing) {
    WriteHostFile(DriveC() + "/Program/pakrune.ini", "[Options]\nAutoMove=1\n");
    ::chmod((DriveC() + "/Program/pakrune.ini").c_str(), 0444);
    EXPECT_FALSE(WritePrivateProfileStringA("Options", "AutoMove", "0", kIni));
    EXPECT_EQ(ReadHostFile(DriveC() + "/Program/pakrune.ini"), "[Options]\nAutoMove=1\n");
    EXPECT_FALSE(WritePrivateProfileStringA("Options", "AutoMove", "0", "C:\\NoFolder\\x.ini"));
}
