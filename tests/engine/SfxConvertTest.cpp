// Converting an archive to a self-extracting program and back: the stub search, the refusals,
// byte-exact round trips, offsets of other tools' self-extractors, and failures that must lose
// nothing (the input stays, no output or temporary file is left).
#include "engine/ZipMstr.h"
#include "platform/Files.h"
#include "platform/SharedFile.h"
#include "platform/UserNotice.h"

#include "EngineTest.h"
#include "RunTool.h"
#include "TestMachine.h"
#include "ZipBytes.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

const char* const kSystemStub = "C:\\WINDOWS\\SYSTEM\\ZIPSFX.BIN";

// A self-extractor as most other tools make it: the stub, then an archive whose offsets count
// from the start of the file. With "zip64", every offset and the larger entry's sizes go to Zip64
// fields and the end records are Zip64 ones.
const char* const kAbsoluteSfx = R"(
import sys, zipfile
stub, out, zip64 = sys.argv[1], sys.argv[2], sys.argv[3] == "zip64"
if zip64:
    zipfile.ZIP64_LIMIT = 1000
with open(out, "wb") as f:
    f.write(open(stub, "rb").read())
    with zipfile.ZipFile(f, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("docs/readme.txt", "read me\n" * 100)
        z.writestr("data.bin", bytes(range(256)) * 20)
        z.writestr("empty/", "")
)";

class SfxConvert : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetMessageSink([this](const std::string& text) { messages.push_back(text); });
        platform::SetCursorSink([this](bool busy) { cursor.push_back(busy); });
        zip.OnDirUpdate = [this](TZipMaster*) { ++rereads; };
        archive = zipbytes::Archive({{"doc/a.txt", "alpha"}, {"b.bin", std::string(3000, '\7')}});
    }
    void TearDown() override {
        platform::SetMessageSink(nullptr);
        platform::SetCursorSink(nullptr);
    }
    // Names the archive and forgets what reading it said.
    void Open(const std::string& path) {
        zip.SetZipFilename(path);
        messages.clear();
        rereads = 0;
    }
    std::string Host(const std::string& name) const { return DriveC() + "/" + name; }
    std::string Stub() const { return ReadHostFile(Host("WINDOWS/SYSTEM/ZIPSFX.BIN")); }

    TZipMaster zip;
    std::string archive;
    std::vector<std::string> messages;
    std::vector<bool> cursor;
    int rereads = 0;
};

} // namespace

TEST_F(SfxConvert, ARoundTripGivesBackTheSameBytesWithTheStubFromTheSystemFolder) {
    WriteHostFile(Host("conv/Tool.ZIP"), archive);
    WriteHostFile(Host("conv/Tool.exe"), "an older program"); // replaced without a question
    Open("C:\\conv\\Tool.ZIP");

    ASSERT_EQ(zip.ConvertToSfx(), 0);
    EXPECT_EQ(zip.SFXPath, kSystemStub);
    EXPECT_EQ(zip.ZipFilename(), "C:\\conv\\Tool.exe");
    EXPECT_EQ(ReadHostFile(Host("conv/Tool.exe")), Stub() + archive);
    struct stat st {};
    ASSERT_EQ(::stat(Host("conv/Tool.exe").c_str(), &st), 0);
    EXPECT_TRUE(st.st_mode & S_IXUSR);
    EXPECT_EQ(TreeOf(Host("conv")), std::vector<std::string>{"Tool.exe"});
    EXPECT_EQ(zip.Count(), 2);
    EXPECT_EQ(zip.FirstHeaderOffset(), static_cast<std::int32_t>(Stub().size()));
    EXPECT_EQ(rereads, 1);
    EXPECT_EQ(cursor, (std::vector<bool>{true, false}));

    ASSERT_EQ(zip.ConvertToZip(), 0);
    EXPECT_EQ(zip.ZipFilename(), "C:\\conv\\Tool.zip");
    EXPECT_EQ(ReadHostFile(Host("conv/Tool.zip")), archive);
    EXPECT_EQ(TreeOf(Host("conv")), std::vector<std::string>{"Tool.zip"});
    EXPECT_EQ(zip.Count(), 2);
    EXPECT_TRUE(messages.empty());
}

TEST_F(SfxConvert, TheStubIsLookedForAtSfxPathThenInTheWindowsFolderThenInTheSystemFolder) {
    const std::string systemStub = Stub();
    const std::string windowsStub = "W" + systemStub.substr(1);
    const std::string ownStub = "O" + systemStub.substr(1);
    WriteHostFile(Host("WINDOWS/ZIPSFX.BIN"), windowsStub);
    WriteHostFile(Host("own/my.bin"), ownStub);
    struct Row {
        const char* sfxPath;
        const char* found;
        const std::string& stub;
    };
    const Row rows[] = {
        {"C:\\own\\my.bin", "C:\\own\\my.bin", ownStub},
        {"C:\\own\\missing.bin", "C:\\WINDOWS\\ZIPSFX.BIN", windowsStub},
        {"", "C:\\WINDOWS\\ZIPSFX.BIN", windowsStub},
    };
    for (const Row& row : rows) {
        WriteHostFile(Host("conv/a.zip"), archive);
        Open("C:\\conv\\a.zip");
        zip.SFXPath = row.sfxPath;
        ASSERT_EQ(zip.ConvertToSfx(), 0) << row.sfxPath;
        EXPECT_EQ(zip.SFXPath, row.found);
        EXPECT_EQ(ReadHostFile(Host("conv/a.exe")), row.stub + archive) << row.sfxPath;
        fs::remove(Host("conv/a.exe"));
    }
}

TEST_F(SfxConvert, RefusedRequestsSayWhyAndTouchNothing) {
    struct Row {
        const char* what;
        bool toSfx;
        const char* path;
        std::function<void(const std::string&)> prepare;
        const char* message;
        const char* sfxPath;
    };
    const std::string stub = Host("WINDOWS/SYSTEM/ZIPSFX.BIN");
    const std::string zipBytes = archive;
    const Row rows[] = {
        {"no archive", true, "C:\\none.zip", nullptr, "Error - no zip file specified", ""},
        {"no stub, checked before the extension", true, "C:\\notes.txt",
         [&](const std::string& host) {
             WriteHostFile(host, "text");
             fs::remove(stub);
         },
         "Error - ZIPSFX.BIN not found", kSystemStub},
        {"not a .zip", true, "C:\\a.zip.txt",
         [&](const std::string& h) { WriteHostFile(h, zipBytes); },
         "Error: input file is not a zip file", kSystemStub},
        {"no .exe", false, "C:\\none.exe", nullptr, "Error - no .EXE file specified", ""},
        {"not an .exe", false, "C:\\a.zip",
         [&](const std::string& h) { WriteHostFile(h, zipBytes); },
         "Error: input file is not an .EXE file", ""},
        {"no header in the .exe", false, "C:\\plain.exe",
         [&](const std::string& h) { WriteHostFile(h, std::string(20000, 'x')); },
         "Error determining the type of SFX archive", ""},
        {"a method the stub lacks, named", true, "C:\\lzma.zip",
         [&](const std::string& h) {
             WriteHostFile(h, zipbytes::Archive({{"a.txt", "a"}, {"b.txt", "packed", 0, 14}}));
         },
         "Error - the self-extractor cannot extract b.txt: compression method 14 (LZMA)",
         kSystemStub},
        {"AES encryption", true, "C:\\aes.zip",
         [&](const std::string& h) {
             WriteHostFile(h, zipbytes::Archive({{"secret.txt", std::string(40, 'x'), 1, 99}}));
         },
         "Error - the self-extractor cannot extract secret.txt: AES encryption", kSystemStub},
        {"strong encryption", true, "C:\\strong.zip",
         [&](const std::string& h) {
             WriteHostFile(h, zipbytes::Archive({{"s.txt", std::string(40, 'x'), 0x41, 8}}));
         },
         "Error - the self-extractor cannot extract s.txt: strong encryption", kSystemStub},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string host = Host(row.path + 3);
        if (row.prepare)
            row.prepare(host);
        Open(row.path);
        zip.SFXPath.clear();
        cursor.clear();
        const auto before = TreeOf(DriveC());
        EXPECT_EQ(row.toSfx ? zip.ConvertToSfx() : zip.ConvertToZip(), -9);
        EXPECT_EQ(messages, std::vector<std::string>{row.message});
        EXPECT_EQ(zip.SFXPath, row.sfxPath);
        EXPECT_EQ(zip.ZipFilename(), row.path);
        EXPECT_EQ(TreeOf(DriveC()), before);
        EXPECT_TRUE(cursor.empty());
        WriteHostFile(stub, std::string(30000, 's'));
    }
}

TEST_F(SfxConvert, AStubShorterThan28000BytesLeavesTheExeAndKeepsTheZip) {
    WriteHostFile(Host("small.bin"), std::string(27999, 's'));
    WriteHostFile(Host("a.zip"), archive);
    Open("C:\\a.zip");
    zip.SFXPath = "C:\\small.bin";
    EXPECT_EQ(zip.ConvertToSfx(), -9);
    EXPECT_EQ(ReadHostFile(Host("a.exe")), std::string(27999, 's') + archive);
    EXPECT_EQ(ReadHostFile(Host("a.zip")), archive);
    EXPECT_EQ(zip.ZipFilename(), "C:\\a.zip");
    EXPECT_EQ(zip.SFXPath, "C:\\small.bin");
    EXPECT_EQ(rereads, 0);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(cursor, (std::vector<bool>{true, false}));
}

TEST_F(SfxConvert, AFailureLeavesNoOutputAndKeepsTheInput) {
    WriteHostFile(Host("conv/large.zip"),
                  zipbytes::Archive({{"big.bin", std::string(200000, 'b')}, {"c.txt", "c"}}));
    const std::string largeExe = Stub() + ReadHostFile(Host("conv/large.zip"));
    // Writing fails past 50000 bytes, as on a full disk; the signal is ignored so that the write
    // reports the error.
    auto smallDisk = [](bool on) {
        std::signal(SIGXFSZ, on ? SIG_IGN : SIG_DFL);
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = on ? 50000 : limit.rlim_max;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    };
    struct Row {
        const char* what;
        bool toSfx;
        std::function<void()> prepare;
        std::int32_t result;
        const char* left; // a file of the output's name that stays as it was, if any
    };
    int heldOpen = -1;
    auto hold = [&](const std::string& name) {
        heldOpen = platform::OpenWriteDenyAll(Host(name), false);
    };
    const Row rows[] = {
        {"a folder has the .exe's name", true,
         [&] { fs::create_directory(Host("conv/large.exe")); }, -1, "large.exe/"},
        {"a read-only .exe", true,
         [&] {
             WriteHostFile(Host("conv/large.exe"), "read-only");
             win::SetFileAttributesA("C:\\conv\\large.exe", win::FILE_ATTRIBUTE_READONLY);
         },
         -1, "large.exe"},
        {"the stub is being written", true, [&] { hold("WINDOWS/SYSTEM/ZIPSFX.BIN"); }, -3,
         nullptr},
        {"the archive is being written", true, [&] { hold("conv/large.zip"); }, -3, nullptr},
        {"the disk fills up", true, [&] { smallDisk(true); }, -2, nullptr},
        {"the .exe is being written", false, [&] { hold("conv/large.exe"); }, -3, nullptr},
        {"a folder has the .zip's name", false,
         [&] { fs::create_directory(Host("conv/large.zip")); }, -1, "large.zip/"},
        {"the disk fills up", false, [&] { smallDisk(true); }, -2, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const char* input = row.toSfx ? "large.zip" : "large.exe";
        const std::string inputBytes = row.toSfx ? ReadHostFile(Host("conv/large.zip")) : largeExe;
        fs::remove_all(Host("conv/large.zip"));
        fs::remove_all(Host("conv/large.exe"));
        WriteHostFile(Host("conv/") + input, inputBytes);
        Open(std::string("C:\\conv\\") + input);
        row.prepare();
        EXPECT_EQ(row.toSfx ? zip.ConvertToSfx() : zip.ConvertToZip(), row.result);
        smallDisk(false);
        if (heldOpen >= 0)
            ::close(heldOpen);
        heldOpen = -1;
        EXPECT_EQ(ReadHostFile(Host("conv/") + input), inputBytes);
        EXPECT_EQ(zip.ZipFilename(), std::string("C:\\conv\\") + input);
        auto expected = std::vector<std::string>{input};
        if (row.left)
            expected.push_back(row.left);
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(TreeOf(Host("conv")), expected); // no temporary file either
        if (row.left && std::string(row.left) == "large.exe")
            win::SetFileAttributesA("C:\\conv\\large.exe", 0);
    }
}

TEST_F(SfxConvert, OffsetsCountedFromTheStartOfTheExeAreCorrected) {
    for (const char* kind : {"plain", "zip64"}) {
        SCOPED_TRACE(kind);
        const auto made =
            RunPython(kAbsoluteSfx, {Host("WINDOWS/SYSTEM/ZIPSFX.BIN"), Host("other.exe"), kind});
        ASSERT_EQ(made.exitCode, 0) << made.output;
        ASSERT_EQ(PeerFailures(Host("other.exe")), "");
        Open("C:\\other.exe");
        ASSERT_EQ(zip.Count(), 3);
        ASSERT_EQ(zip.ConvertToZip(), 0);
        EXPECT_FALSE(HostExists(Host("other.exe")));
        const std::string result = ReadHostFile(Host("other.zip"));
        EXPECT_EQ(result.find("PK\x06\x06") != std::string::npos, kind == std::string("zip64"));
        EXPECT_EQ(PeerFailures(Host("other.zip")), "");
        EXPECT_EQ(zip.Count(), 3);
        EXPECT_EQ(zip.FirstHeaderOffset(), 0);
        fs::remove(Host("other.zip"));
    }
}

TEST_F(SfxConvert, BytesAfterTheArchiveAreKeptBothWays) {
    // A signature block appended to a download, after an archive whose offsets count from the
    // archive start or from the start of the .exe.
    const std::string trailing = "\r\nsigned\r\n";
    WriteHostFile(Host("signed.zip"), archive + trailing);
    Open("C:\\signed.zip");
    ASSERT_EQ(zip.ConvertToSfx(), 0);
    EXPECT_EQ(ReadHostFile(Host("signed.exe")), Stub() + archive + trailing);
    ASSERT_EQ(zip.ConvertToZip(), 0);
    EXPECT_EQ(ReadHostFile(Host("signed.zip")), archive + trailing);
    EXPECT_EQ(zip.Count(), 2);

    const auto made =
        RunPython(kAbsoluteSfx, {Host("WINDOWS/SYSTEM/ZIPSFX.BIN"), Host("other.exe"), "plain"});
    ASSERT_EQ(made.exitCode, 0) << made.output;
    WriteHostFile(Host("other.exe"), ReadHostFile(Host("other.exe")) + trailing);
    Open("C:\\other.exe");
    ASSERT_EQ(zip.ConvertToZip(), 0);
    EXPECT_EQ(PeerFailures(Host("other.zip")), "");
    EXPECT_EQ(zip.Count(), 3);
    EXPECT_TRUE(messages.empty());
}

TEST_F(SfxConvert, AnExeWhoseDirectoryIsMissingIsKept) {
    const std::string exe =
        Stub() + zipbytes::Archive({{"a.txt", "a"}}, false) + std::string(100, '\0');
    WriteHostFile(Host("cut.exe"), exe);
    EXPECT_THROW(zip.SetZipFilename("C:\\cut.exe"), EZipMaster); // listed up to the cut
    ASSERT_EQ(zip.Count(), 1);
    EXPECT_EQ(zip.ConvertToZip(), -9);
    EXPECT_EQ(ReadHostFile(Host("cut.exe")), exe);
    EXPECT_FALSE(HostExists(Host("cut.zip")));
    EXPECT_EQ(zip.ZipFilename(), "C:\\cut.exe");
}
