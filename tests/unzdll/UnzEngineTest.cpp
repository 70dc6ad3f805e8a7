// The decompression engine through TZipMaster: archives written by peers come back byte for byte.
#include "EngineTest.h"
#include "RunTool.h"
#include "TestMachine.h"
#include "ZipBytes.h"

#include "engine/EngineReport.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

constexpr ExtrOpts kAll = ExtrDirNames | ExtrOverWrite;

// Python's zipfile writes deflated and stored entries, a UTF-8 name, and, to a stream it cannot
// seek, sizes in data descriptors after the data.
const std::string kPythonWriter = std::string(kPythonUnseekable) + R"(
import sys, zipfile
def fill(z):
    z.writestr("deflated.txt", "text " * 4000, zipfile.ZIP_DEFLATED)
    z.writestr("stored/raw.bin", bytes(range(256)) * 300, zipfile.ZIP_STORED)
    z.writestr("\u00fcber/gr\u00fc\u00dfe.txt", "utf-8 name", zipfile.ZIP_DEFLATED)
    z.writestr("empty/", "")
with open(sys.argv[1], "wb") as f:
    with zipfile.ZipFile(f, "w") as z: fill(z)
with open(sys.argv[2], "wb") as f:
    with zipfile.ZipFile(Unseekable(f), "w") as z: fill(z)
)";

class UnzEngine : public EngineTest {
protected:
    std::vector<std::string> Extracted(const std::string& folder) {
        return TreeOf(DriveC() + "/" + folder);
    }
};

} // namespace

TEST_F(UnzEngine, ArchivesWrittenByPythonComeBackByteForByte) {
    const auto made =
        RunPython(kPythonWriter, {DriveC() + "/py.zip", DriveC() + "/descriptors.zip"});
    ASSERT_EQ(made.exitCode, 0) << made.output;
    for (const char* archive : {"C:\\py.zip", "C:\\descriptors.zip"}) {
        const std::string folder = archive == std::string("C:\\py.zip") ? "one" : "two";
        ASSERT_TRUE(std::filesystem::create_directories(DriveC() + "/" + folder));
        EXPECT_EQ(Extract(archive, "C:\\" + folder, {"*.*"}, kAll), 3) << archive;
        EXPECT_EQ(Extracted(folder),
                  (std::vector<std::string>{"deflated.txt", "empty/", "stored/", "stored/raw.bin",
                                            "\u00fcber/", "\u00fcber/gr\u00fc\u00dfe.txt"}));
        std::string expected;
        for (int i = 0; i < 300; ++i)
            for (int b = 0; b < 256; ++b)
                expected += static_cast<char>(b);
        EXPECT_EQ(ReadHostFile(DriveC() + "/" + folder + "/stored/raw.bin"), expected);
        EXPECT_EQ(ReadHostFile(DriveC() + "/" + folder + "/deflated.txt").size(), 20000u);
    }
}

TEST_F(UnzEngine, ArchivesWrittenBy7ZipIncludingEncryptedOnes) {
    WriteHostFile(DriveC() + "/src/a.txt", std::string(70000, 'a'));
    WriteHostFile(DriveC() + "/src/sub/b.bin", std::string(3, '\0'));
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"7zz", "a", "-tzip", "-mx=9", DriveC() + "/7z.zip", "src"},
             {"7zz", "a", "-tzip", "-mem=ZipCrypto", "-pSECRET", DriveC() + "/7zenc.zip", "src"},
             {"7zz", "a", "-tzip", "-mem=AES256", "-pSECRET", DriveC() + "/7zaes.zip", "src"}}) {
        std::vector<std::string> inFolder = {"sh", "-c", "cd '" + DriveC() + "' && exec \"$@\"",
                                             "sh"};
        inFolder.insert(inFolder.end(), args.begin(), args.end());
        const auto made = RunTool(inFolder);
        ASSERT_EQ(made.exitCode, 0) << made.output;
    }
    std::filesystem::create_directories(DriveC() + "/x1");
    EXPECT_EQ(Extract("C:\\7z.zip", "C:\\x1", {"*.*"}, kAll), 2);
    EXPECT_EQ(ReadHostFile(DriveC() + "/x1/src/a.txt"), std::string(70000, 'a'));
    EXPECT_EQ(ReadHostFile(DriveC() + "/x1/src/sub/b.bin"), std::string(3, '\0'));

    // Both kinds of encryption; the AES entries, deflated with their CRC left 0, are the kind
    // libzip alone cannot read to the end.
    for (const char* archive : {"7zenc", "7zaes"}) {
        SCOPED_TRACE(archive);
        const std::string path = std::string("C:\\") + archive + ".zip";
        const std::string folder = std::string(archive) + "-x";
        std::filesystem::create_directories(DriveC() + "/" + folder);
        for (const char* password : {"", "wrong"}) {
            engineMessages.clear();
            zip.Password = password;
            EXPECT_EQ(Extract(path, "C:\\" + folder, {"*.*"}, kAll), 0);
            EXPECT_EQ(MessagesWith(kMsgWrongPassword).size(), 2u);
            EXPECT_EQ(Extracted(folder), (std::vector<std::string>{"src/", "src/sub/"}));
        }
        zip.Password = "SECRET";
        EXPECT_EQ(Extract(path, "C:\\" + folder, {"*.*"}, kAll), 2);
        EXPECT_TRUE(ReadHostFile(DriveC() + "/" + folder + "/src/a.txt") ==
                    std::string(70000, 'a'));
        EXPECT_EQ(ReadHostFile(DriveC() + "/" + folder + "/src/sub/b.bin"), std::string(3, '\0'));
    }
}

TEST_F(UnzEngine, OptionsSpecificationsAndCodePage437Names) {
    const std::string archive = zipbytes::Archive({{"dir/\x81"
                                                    "ber.txt",
                                                    "cp437"},
                                                   {"dir/two.txt", "two"},
                                                   {"top.txt", "top"}});
    WriteHostFile(DriveC() + "/n.zip", archive);
    std::filesystem::create_directories(DriveC() + "/flat");
    // Without folder names, by name alone; the specification matches without regard to case.
    EXPECT_EQ(Extract("C:\\n.zip", "C:\\flat", {"DIR/*.TXT"}, 0), 2);
    const std::vector<std::string> flat = {"two.txt", "\u00fcber.txt"};
    EXPECT_EQ(Extracted("flat"), flat);
    // An existing file is kept without the overwrite option, with a message.
    WriteHostFile(DriveC() + "/flat/top.txt", "mine");
    EXPECT_EQ(Extract("C:\\n.zip", "C:\\flat", {"top.txt"}, 0), 0);
    EXPECT_EQ(ReadHostFile(DriveC() + "/flat/top.txt"), "mine");
    EXPECT_EQ(MessagesWith(kMsgSkipped).size(), 1u);
    EXPECT_EQ(Extract("C:\\n.zip", "C:\\flat", {"top.txt"}, ExtrOverWrite), 1);
    EXPECT_EQ(ReadHostFile(DriveC() + "/flat/top.txt"), "top");
    // Testing writes nothing and counts the good entries.
    EXPECT_EQ(Extract("C:\\n.zip", "C:\\flat", {"*.*"}, ExtrTest | ExtrDirNames), 3);
    EXPECT_FALSE(HostExists(DriveC() + "/flat/dir"));
    // A specification that matches nothing says so.
    EXPECT_EQ(Extract("C:\\n.zip", "C:\\flat", {"nothing.txt"}, kAll), 0);
    EXPECT_EQ(MessagesWith(kMsgNotFound), std::vector<std::string>{"No entry matches nothing.txt"});
}

TEST_F(UnzEngine, FreshenAndUpdateCompareTimes) {
    zipbytes::Entry entry{"f.txt", "new"};
    entry.dosDateTime = 0x5A8C6000; // 2025-04-12 12:00
    WriteHostFile(DriveC() + "/t.zip", zipbytes::Archive({entry, {"g.txt", "g"}}));
    std::filesystem::create_directories(DriveC() + "/t");
    EXPECT_EQ(Extract("C:\\t.zip", "C:\\t", {"*.*"}, ExtrFreshen), 0); // nothing there to freshen
    EXPECT_EQ(Extract("C:\\t.zip", "C:\\t", {"*.*"}, ExtrUpdate), 2);
    // The file's time is the entry's DOS time (a local time).
    struct tm local {};
    local.tm_year = 2025 - 1900;
    local.tm_mon = 3;
    local.tm_mday = 12;
    local.tm_hour = 12;
    local.tm_isdst = -1;
    EXPECT_EQ(std::filesystem::last_write_time(DriveC() + "/t/f.txt"),
              std::filesystem::file_time_type::clock::from_sys(
                  std::chrono::system_clock::from_time_t(std::mktime(&local))));
    WriteHostFile(DriveC() + "/t/f.txt", "edited later"); // now newer than the entry
    EXPECT_EQ(Extract("C:\\t.zip", "C:\\t", {"*.*"}, ExtrUpdate | ExtrFreshen), 0);
    EXPECT_EQ(ReadHostFile(DriveC() + "/t/f.txt"), "edited later");
}

TEST_F(UnzEngine, ASelfExtractingFileExtractsLikeItsArchive) {
    // The stub comes first; the directory offsets still count from the archive's start.
    WriteHostFile(DriveC() + "/tool.exe",
                  "MZ" + std::string(19998, 's') + zipbytes::Archive({{"setup.exe", "MZsetup"}}));
    std::filesystem::create_directories(DriveC() + "/sfx");
    EXPECT_EQ(Extract("C:\\tool.exe", "C:\\sfx", {"*.*"}, kAll), 1);
    EXPECT_EQ(ReadHostFile(DriveC() + "/sfx/setup.exe"), "MZsetup");
}
