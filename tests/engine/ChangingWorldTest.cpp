// The world changing underneath the archive: read-only archives and folders, an archive reached
// through a symbolic link, and an archive that another program replaced, cut short or changed
// after it was listed or while it was being changed.
#include "EngineTest.h"
#include "RunTool.h"
#include "ScratchDisk.h"
#include "TestMachine.h"
#include "ZipBytes.h"

#include "engine/EngineReport.h"
#include "platform/Files.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

// Each entry as Python's zipfile reads it ("name=contents"), then what testzip() found.
const char* const kContents = R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    for i in z.infolist():
        print(i.filename + "=" + z.read(i).decode("latin-1"))
    print("testzip:", z.testzip())
)";

std::string Contents(const std::string& hostArchive) {
    const auto result = RunPython(kContents, {hostArchive});
    return result.exitCode == 0 ? result.output : "python failed: " + result.output;
}

const std::string kTwoEntries = zipbytes::Archive({{"a.txt", "alpha"}, {"b.txt", "beta"}});

class ChangingWorld : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        WriteHostFile(DriveC() + "/src/new.txt", "new");
    }
    std::string C(const std::string& name) const { return DriveC() + "/" + name; }
};

} // namespace

TEST_F(ChangingWorld, AReadOnlyArchiveIsNeitherAddedToNorDeletedFrom) {
    WriteHostFile(C("ro.zip"), kTwoEntries);
    ASSERT_TRUE(win::SetFileAttributesA("C:\\ro.zip", win::FILE_ATTRIBUTE_READONLY));
    const std::string refused = "Cannot write archive C:\\ro.zip: the archive is read-only";
    EXPECT_EQ(Add("C:\\ro.zip", {"C:\\src\\new.txt"}, 0), 0);
    EXPECT_EQ(MessagesWith(kMsgWriteFailed), std::vector<std::string>{refused});
    EXPECT_EQ(Delete("C:\\ro.zip", {"a.txt"}), 0);
    EXPECT_EQ(Delete("C:\\ro.zip", {"*.*"}), 0);
    EXPECT_EQ(MessagesWith(kMsgWriteFailed), std::vector<std::string>(3, refused));
    EXPECT_EQ(ReadHostFile(C("ro.zip")), kTwoEntries);
    EXPECT_EQ(TreeOf(DriveC()),
              (std::vector<std::string>{"WINDOWS/", "WINDOWS/SYSTEM/", "WINDOWS/SYSTEM/ZIPSFX.BIN",
                                        "WINDOWS/Temp/",
                                        "download -> " + MachineRoot() + "/home/Downloads",
                                        "ro.zip", "src/", "src/new.txt"}));
}

// A folder that cannot be written to: a read-only disk for root (whom permissions do not stop),
// a folder without write permission for anybody else.
TEST_F(ChangingWorld, AReadOnlyFolderRefusesEveryChangeWithAMessage) {
    ScratchDisk disk('F', 1 << 20);
    const bool root = ::geteuid() == 0;
    if (root)
        SKIP_WITHOUT_SCRATCH_DISK(disk);
    const std::string folder = root ? disk.Host() : C("ro");
    const std::string win = root ? "F:" : "C:\\ro";
    const std::string reason = root ? ": drive F: is read-only" : ": access is denied";
    WriteHostFile(folder + "/a.zip", kTwoEntries);
    fs::create_directory(folder + "/out");
    if (root)
        disk.SetReadOnly(true);
    else
        ::chmod(folder.c_str(), 0555), ::chmod((folder + "/out").c_str(), 0555);
    const auto before = TreeOf(folder);

    EXPECT_EQ(Add(win + "\\a.zip", {"C:\\src\\new.txt"}, 0), 0);
    EXPECT_EQ(Delete(win + "\\a.zip", {"a.txt"}), 0);
    EXPECT_EQ(Delete(win + "\\a.zip", {"*.*"}), 0);
    EXPECT_EQ(MessagesWith(kMsgWriteFailed),
              std::vector<std::string>(3, "Cannot write archive " + win + "\\a.zip" + reason));
    engineMessages.clear();
    EXPECT_EQ(Extract(win + "\\a.zip", win + "\\out", {"*.*"}, 0), 0);
    // A read-only drive stops the extraction at once; a folder refuses each entry.
    EXPECT_EQ(
        MessagesWith(kMsgWriteFailed),
        (std::vector<std::string>{"Cannot write a.txt" + reason,
                                  (root ? "Extraction stopped" : "Cannot write b.txt") + reason}));
    zip.SetZipFilename(win + "\\a.zip");
    EXPECT_EQ(zip.ConvertToSfx(), -1);
    EXPECT_EQ(boxes, std::vector<std::string>{"Cannot write " + win + "\\a.exe" + reason});
    EXPECT_EQ(ReadHostFile(folder + "/a.zip"), kTwoEntries);
    EXPECT_EQ(TreeOf(folder), before);
    if (root)
        disk.SetReadOnly(false);
    else
        ::chmod(folder.c_str(), 0755), ::chmod((folder + "/out").c_str(), 0755);
}

TEST_F(ChangingWorld, AnArchiveReachedThroughALinkStaysLinkedThroughEveryChange) {
    fs::create_directories(C("data"));
    fs::create_directories(C("links"));
    struct Row {
        const char* what;
        std::string text; // what the link says
        std::string exeText;
    };
    const Row rows[] = {{"relative", "../data/real.zip", "../data/real.exe"},
                        {"absolute", C("data/real.zip"), C("data/real.exe")}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        WriteHostFile(C("data/real.zip"), kTwoEntries);
        fs::create_symlink(row.text, C("links/a.zip"));
        EXPECT_EQ(Add("C:\\links\\a.zip", {"C:\\src\\new.txt"}, 0), 1);
        EXPECT_EQ(Delete("C:\\links\\a.zip", {"b.txt"}), 1);
        EXPECT_EQ(TreeOf(C("links")), std::vector<std::string>{"a.zip -> " + row.text});
        EXPECT_EQ(Contents(C("data/real.zip")), "a.txt=alpha\nnew.txt=new\ntestzip: None\n");
        const std::string changed = ReadHostFile(C("data/real.zip"));

        // Converted where the link leads; the link follows under its new name.
        EXPECT_EQ(zip.ConvertToSfx(), 0);
        EXPECT_EQ(zip.ZipFilename(), "C:\\links\\a.exe");
        EXPECT_EQ(TreeOf(C("links")), std::vector<std::string>{"a.exe -> " + row.exeText});
        EXPECT_EQ(TreeOf(C("data")), std::vector<std::string>{"real.exe"});
        EXPECT_EQ(zip.Count(), 2);
        EXPECT_EQ(zip.ConvertToZip(), 0);
        EXPECT_EQ(zip.ZipFilename(), "C:\\links\\a.zip");
        EXPECT_EQ(TreeOf(C("links")), std::vector<std::string>{"a.zip -> " + row.text});
        EXPECT_EQ(ReadHostFile(C("data/real.zip")), changed);
        fs::remove(C("links/a.zip"));
        fs::remove(C("data/real.zip"));
    }
    // A link whose file already has the converted name would be converted onto itself.
    WriteHostFile(C("data/real.exe"), "MZ" + std::string(20000, 'x') + kTwoEntries);
    fs::create_symlink("../data/real.exe", C("links/odd.zip"));
    zip.SetZipFilename("C:\\links\\odd.zip");
    boxes.clear();
    EXPECT_EQ(zip.ConvertToSfx(), -9);
    EXPECT_EQ(boxes,
              std::vector<std::string>{"Error - the link leads to a file of the converted name: "
                                       "C:\\links\\odd.zip"});
    EXPECT_EQ(TreeOf(C("links")), std::vector<std::string>{"odd.zip -> ../data/real.exe"});
}

TEST_F(ChangingWorld, AnArchiveReplacedAfterListingIsReadAgain) {
    WriteHostFile(C("a.zip"), kTwoEntries);
    zip.SetZipFilename("C:\\a.zip");
    ASSERT_EQ(zip.Count(), 2);
    // Another program puts an archive of other offsets and contents in its place.
    const std::string other = zipbytes::Archive(
        {{"first.bin", std::string(5000, 'f')}, {"b.txt", "other beta"}, {"a.txt", "other"}});
    WriteHostFile(C("a.zip"), other);
    fs::create_directory(C("out"));
    EXPECT_EQ(Extract("C:\\a.zip", "C:\\out", {"a.txt"}, 0), 1);
    EXPECT_EQ(ReadHostFile(C("out/a.txt")), "other");
    EXPECT_EQ(Delete("C:\\a.zip", {"a.txt"}), 1);
    EXPECT_EQ(Contents(C("a.zip")),
              "first.bin=" + std::string(5000, 'f') + "\nb.txt=other beta\ntestzip: None\n");
    EXPECT_EQ(zip.Count(), 2);
}

TEST_F(ChangingWorld, AnArchiveCutShortAfterListingIsRefusedAsItIs) {
    WriteHostFile(C("a.zip"), kTwoEntries);
    zip.SetZipFilename("C:\\a.zip");
    ASSERT_EQ(zip.Count(), 2);
    const std::string cut = kTwoEntries.substr(0, kTwoEntries.size() - 30);
    WriteHostFile(C("a.zip"), cut);
    fs::create_directory(C("out"));
    EXPECT_EQ(Delete("C:\\a.zip", {"a.txt"}), 0);
    EXPECT_EQ(Extract("C:\\a.zip", "C:\\out", {"*.*"}, 0), 0);
    EXPECT_EQ(MessagesWith(kMsgBadArchive),
              (std::vector<std::string>{"Cannot open archive C:\\a.zip",
                                        "No central directory found in C:\\a.zip"}));
    EXPECT_EQ(ReadHostFile(C("a.zip")), cut);
    EXPECT_EQ(TreeOf(C("out")), std::vector<std::string>{});
    EXPECT_EQ(TemporaryFilesIn(DriveC()), std::vector<std::string>{});
}

TEST_F(ChangingWorld, AnExeReplacedAfterListingConvertsFromItsOwnStub) {
    WriteHostFile(C("a.zip"), kTwoEntries);
    zip.SetZipFilename("C:\\a.zip");
    ASSERT_EQ(zip.ConvertToSfx(), 0);
    const std::string exe = ReadHostFile(C("a.exe"));
    // Rebuilt by another tool with a stub 100 bytes longer, after the listing.
    const std::size_t stub = static_cast<std::size_t>(zip.FirstHeaderOffset());
    WriteHostFile(C("a.exe"), exe.substr(0, stub) + std::string(100, '\0') + exe.substr(stub));
    EXPECT_EQ(zip.ConvertToZip(), 0);
    EXPECT_EQ(ReadHostFile(C("a.zip")), kTwoEntries);
    EXPECT_EQ(zip.FirstHeaderOffset(), 0);
}

TEST_F(ChangingWorld, AnArchiveChangedWhileBeingChangedKeepsTheOtherProgramsVersion) {
    const std::string other = zipbytes::Archive({{"other.txt", "theirs"}});
    for (const bool adding : {true, false}) { // through libzip, or deleting by copying
        SCOPED_TRACE(adding ? "adding" : "deleting");
        WriteHostFile(C("a.zip"), kTwoEntries);
        engineMessages.clear();
        bool replaced = false;
        zip.OnProgress = [&](TZipMaster*, ProgressType type, const std::string&, std::int32_t) {
            if (type == ProgressType::FileStart && !replaced) {
                replaced = true;
                WriteHostFile(C("other.zip"), other);
                fs::rename(C("other.zip"), C("a.zip"));
            }
        };
        const int count =
            adding ? Add("C:\\a.zip", {"C:\\src\\new.txt"}, 0) : Delete("C:\\a.zip", {"a.txt"});
        zip.OnProgress = nullptr;
        EXPECT_TRUE(replaced);
        EXPECT_EQ(count, 0);
        EXPECT_EQ(ReadHostFile(C("a.zip")), other);
        EXPECT_EQ(TemporaryFilesIn(DriveC()), std::vector<std::string>{});
        EXPECT_EQ(MessagesWith(kMsgWriteFailed),
                  std::vector<std::string>{
                      "Cannot write archive C:\\a.zip: another program changed it meanwhile"});
    }
}
