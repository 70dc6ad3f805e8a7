// Start-up with a settings file and registry files that something else has damaged: the program
// starts and shows its window with what could be read, and its next writes leave the files whole.
#include "MainFormTest.h"

#include "platform/Prefix.h"
#include "platform/RegistryText.h"
#include "platform/ui/ListView.h"

#include <QAction>
#include <filesystem>
#include <random>

using namespace testing_support;

namespace {

const char* const kRoots[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"};

std::string Garbage(std::size_t size) {
    std::mt19937 bits(4242);
    std::string bytes;
    while (bytes.size() < size)
        bytes += static_cast<char>(bits());
    return bytes;
}

class DamagedSettings : public MainFormTest {
protected:
    std::string Ini() const { return DriveC() + "/Program Files/Pakrune/pakrune.ini"; }
    static std::string RootFile(const char* root) {
        return platform::PrefixFile(std::string(root) + ".reg");
    }
    // Every line of each root's file is understood: read and written again, it is the same text.
    static void ExpectWellFormedRoots() {
        for (const char* root : kRoots) {
            const std::string text = ReadHostFile(RootFile(root));
            EXPECT_EQ(platform::registry::SerialiseHive(platform::registry::ParseHive(text)), text)
                << root;
        }
    }
};

} // namespace

TEST_F(DamagedSettings, GarbageEverywhereStartsWithTheDefaultsAndShowsTheWindow) {
    WriteHostFile(Ini(), Garbage(200 << 10));
    for (const char* root : kRoots)
        WriteHostFile(RootFile(root), Garbage(200 << 10));
    Start();
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(dialogs->Messages(), QStringList());
    EXPECT_TRUE(main->AutoMove && main->AutoRun && main->AutoExit && main->Netscape && main->IE);
    EXPECT_EQ(main->DownloadDir, "c:\\download");
    EXPECT_EQ(main->ListView1->ColumnWidth(5), 300);
    EXPECT_EQ(main->TempDir, "\\Temp"); // the folder's value is gone: the current drive's

    // The browser registrations were written into the damaged roots, which are whole again.
    ExpectWellFormedRoots();
    EXPECT_NE(ReadHostFile(RootFile("HKEY_CLASSES_ROOT")).find("[.zip]\n"), std::string::npos);

    main->Item("GridLines1")->trigger();
    main->SaveSettings1Click();
    EXPECT_EQ(dialogs->Messages(), QStringList());
    EXPECT_EQ(ReadHostFile(Ini()).find('\0'), std::string::npos);
    Restart();
    EXPECT_TRUE(main->ListView1->GridLines());
}

TEST_F(DamagedSettings, TheValidPartsAreReadAndKept) {
    // Settings with CR line ends, a crash's NUL block in the middle and a cut last line.
    WriteHostFile(Ini(), "[Options]\r\nAutoMove=0\r\n" + std::string(4096, '\0') +
                             "\r[Settings]\rGridLines=1\r[Last Files]\r1=C:\\a.zip\r2=C:\\b.z");
    // The machine's root: garbage before the key, the folder typed by hand with single
    // backslashes, and a value cut short.
    WriteHostFile(RootFile("HKEY_LOCAL_MACHINE"),
                  Garbage(10000) + "\n[Software\\Microsoft\\Windows\\CurrentVersion\\Setup]\n" +
                      "\"WinDir\"=\"C:\\WINDOWS\"\n\"Broken\"=hex:0");
    Start();
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(dialogs->Messages(), QStringList());
    EXPECT_FALSE(main->AutoMove);
    EXPECT_TRUE(main->ListView1->GridLines());
    EXPECT_EQ(main->Item("LastZip1")->text(), "&1 C:\\a.zip");
    EXPECT_EQ(main->Item("LastZip2")->text(), "&2 C:\\b.z");
    EXPECT_EQ(main->TempDir, "C:\\WINDOWS\\Temp");

    main->SaveColumnwidth1Click();
    const std::string text = ReadHostFile(Ini());
    EXPECT_EQ(text.find('\0'), std::string::npos);
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_NE(text.find("[Options]\nAutoMove=0\n"), std::string::npos) << text;
    ExpectWellFormedRoots();
    Restart();
    EXPECT_FALSE(main->AutoMove);
    EXPECT_EQ(main->TempDir, "C:\\WINDOWS\\Temp");
}

TEST_F(DamagedSettings, FilesThatAreFoldersAreReportedWhenWrittenAndStartUpGoesOn) {
    std::filesystem::create_directories(Ini() + "/inside");
    std::filesystem::remove(RootFile("HKEY_CURRENT_USER"));
    std::filesystem::create_directories(RootFile("HKEY_CURRENT_USER") + "/inside");
    Start();
    EXPECT_TRUE(main->isVisible());
    // The current user's root holds the Netscape viewer; the classes root is written before it.
    EXPECT_EQ(dialogs->Messages(), QStringList{"Failed to set data for 'application/x-pakrune'"});
    EXPECT_TRUE(main->AutoMove);
    main->SaveSettings1Click();
    EXPECT_EQ(dialogs->Messages().back(),
              "Unable to write to C:\\Program Files\\Pakrune\\pakrune.ini");
    EXPECT_TRUE(std::filesystem::is_directory(Ini() + "/inside"));
}
