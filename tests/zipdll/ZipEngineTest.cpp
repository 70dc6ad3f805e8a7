// The compression engine through TZipMaster: what it stores, checked with Python's zipfile and
// 7-Zip.
#include "EngineTest.h"
#include "RunTool.h"
#include "TestMachine.h"
#include "ZipBytes.h"

#include "engine/EngineReport.h"
#include "platform/Files.h"
#include "platform/UserNotice.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace testing_support;

namespace {

// Entry names, methods and the result of testzip() as Python's zipfile sees the archive.
const char* const kListing = R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    if len(sys.argv) > 2:
        z.setpassword(sys.argv[2].encode())
    bad = z.testzip()
    for i in z.infolist():
        print(i.filename, i.compress_type, i.flag_bits & 1)
    print("testzip:", bad)
)";

class ZipEngine : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        WriteHostFile(DriveC() + "/data/readme.txt", std::string(5000, 'r'));
        WriteHostFile(DriveC() + "/data/docs/guide.TXT", "guide");
        WriteHostFile(DriveC() + "/data/docs/deep/notes.bin", std::string(100000, '\x01'));
        WriteHostFile(DriveC() + "/data/.hidden", "h");
        std::filesystem::create_directories(DriveC() + "/data/empty");
    }
    std::string Python(const std::string& archive, const std::string& password = "") {
        std::vector<std::string> args = {DriveC() + "/" + archive};
        if (!password.empty())
            args.push_back(password);
        const auto result = RunPython(kListing, args);
        EXPECT_EQ(result.exitCode, 0) << result.output;
        return result.output;
    }
};

} // namespace

TEST_F(ZipEngine, AddsATreeThatPeersReadBack) {
    EXPECT_EQ(Add("C:\\out.zip", {"C:\\data\\*.*"}, AddDirNames | AddRecurseDirs),
              4 - 1); // .hidden is left out
    EXPECT_EQ(Python("out.zip"), "data/readme.txt 8 0\n"
                                 "data/docs/ 0 0\n"
                                 "data/docs/guide.TXT 8 0\n"
                                 "data/docs/deep/ 0 0\n"
                                 "data/docs/deep/notes.bin 8 0\n"
                                 "data/empty/ 0 0\n" // empty folders survive
                                 "testzip: None\n");
    const auto sevenZip = RunTool({"7zz", "t", DriveC() + "/out.zip"});
    EXPECT_EQ(sevenZip.exitCode, 0) << sevenZip.output;
    EXPECT_EQ(zip.Count(), 6); // the component listed the new archive
}

TEST_F(ZipEngine, FilesThatCannotBeReadAreLeftOutAndTheRestIsAdded) {
    // A dangling link and a pipe beside a good file: the archive holds the good file, the
    // others are reported.
    std::filesystem::create_symlink(DriveC() + "/nowhere", DriveC() + "/data/docs/dangling.txt");
    ASSERT_EQ(::mkfifo((DriveC() + "/data/docs/pipe").c_str(), 0644), 0);
    EXPECT_EQ(Add("C:\\out.zip", {"C:\\data\\docs\\*.*"}, AddDirNames), 1);
    EXPECT_EQ(Python("out.zip"), "data/docs/guide.TXT 8 0\ntestzip: None\n");
    std::vector<std::string> refused;
    for (const auto& [code, text] : engineMessages)
        if (code == kMsgWriteFailed)
            refused.push_back(text);
    EXPECT_EQ(refused,
              (std::vector<std::string>{"Cannot read C:\\data\\docs\\dangling.txt, not added",
                                        "Cannot read C:\\data\\docs\\pipe, not added"}));
}

TEST_F(ZipEngine, StoredNamesFollowTheOptions) {
    ASSERT_TRUE(win::SetCurrentDirectoryA("C:\\"));
    EXPECT_EQ(Add("C:\\plain.zip", {"C:\\data\\docs\\*.txt"}, AddRecurseDirs),
              1); // no folder names
    EXPECT_EQ(Add("C:\\relative.zip", {"data\\docs\\GUIDE.txt"}, AddDirNames), 1);
    EXPECT_EQ(Add("C:\\hidden.zip", {"C:\\data\\.hidden"}, AddDirNames | AddHiddenFiles), 1);
    std::filesystem::rename(DriveC() + "/data/docs/guide.TXT",
                            DriveC() + "/data/docs/Long guide.text");
    EXPECT_EQ(Add("C:\\dos.zip", {"C:\\data\\docs\\*.*"}, AddDirNames | AddForceDOS), 1);
    EXPECT_EQ(Add("C:\\stored.zip", {"C:\\data\\readme.txt"}, 0, 0), 1);
    EXPECT_EQ(Python("plain.zip"), "guide.TXT 8 0\ntestzip: None\n");
    EXPECT_EQ(Python("relative.zip"), "data/docs/guide.TXT 8 0\ntestzip: None\n");
    EXPECT_EQ(Python("hidden.zip"), "data/.hidden 8 0\ntestzip: None\n");
    EXPECT_EQ(Python("dos.zip"), "DATA/DOCS/LONG_GUI.TEX 8 0\ntestzip: None\n");
    EXPECT_EQ(Python("stored.zip"), "readme.txt 0 0\ntestzip: None\n");
    // A folder without a wildcard: its tree with recursion, nothing without.
    EXPECT_EQ(Add("C:\\folder.zip", {"C:\\data\\docs"}, AddDirNames), 0);
    EXPECT_EQ(MessagesWith(kMsgSkipped).size(), 1u);
    EXPECT_EQ(Add("C:\\folder.zip", {"C:\\data\\docs"}, AddDirNames | AddRecurseDirs), 2);
}

TEST_F(ZipEngine, ProtectedFilesJoinEntriesThatKeepTheirOwnProtection) {
    if (!ToolInstalled("7zz"))
        GTEST_SKIP() << "7zz is not installed";
    // An entry without and one with the traditional encryption, then a protected file added.
    const auto made = RunTool({"sh", "-c",
                               "cd \"$0\" && 7zz a -bd -tzip ../mixed.zip docs/guide.TXT && "
                               "7zz a -bd -tzip -ps3cret -mem=ZipCrypto ../mixed.zip .hidden",
                               DriveC() + "/data"});
    ASSERT_EQ(made.exitCode, 0) << made.output;
    zip.Password = "s3cret";
    EXPECT_EQ(Add("C:\\mixed.zip", {"C:\\data\\readme.txt"}, AddEncrypt), 1);
    EXPECT_EQ(SevenZipMethods(DriveC() + "/mixed.zip"), ".hidden ZipCrypto Store\n"
                                                        "docs/guide.TXT Store\n"
                                                        "readme.txt AES-256 Deflate\n");
    const auto tested = RunTool({"7zz", "t", "-ps3cret", DriveC() + "/mixed.zip"});
    EXPECT_EQ(tested.exitCode, 0) << tested.output;
    // A password alone protects nothing; protection without a password is refused.
    EXPECT_EQ(Add("C:\\open.zip", {"C:\\data\\readme.txt"}, 0), 1);
    EXPECT_EQ(SevenZipMethods(DriveC() + "/open.zip"), "readme.txt Deflate\n");
    zip.Password.clear();
    EXPECT_EQ(Add("C:\\none.zip", {"C:\\data\\readme.txt"}, AddEncrypt), 0);
    EXPECT_EQ(MessagesWith(kMsgWrongPassword),
              std::vector<std::string>{
                  "No password to protect the files with, nothing added to C:\\none.zip"});
    EXPECT_FALSE(std::filesystem::exists(DriveC() + "/none.zip"));
}

TEST_F(ZipEngine, AFileGoneBeforeItIsWrittenIsLeftOutAndTheEntryItWouldReplaceStays) {
    ASSERT_EQ(Add("C:\\v.zip", {"C:\\data\\readme.txt", "C:\\data\\docs\\guide.TXT"}, 0), 2);
    WriteHostFile(DriveC() + "/data/readme.txt", "new readme");
    WriteHostFile(DriveC() + "/data/docs/guide.TXT", "new guide");
    WriteHostFile(DriveC() + "/data/new.txt", "new");
    // Stored files are read as they are written: the others go while the first one is.
    zip.OnProgress = [](TZipMaster*, ProgressType type, const std::string& name, std::int32_t) {
        if (type == ProgressType::FileStart && name == "readme.txt") {
            std::filesystem::remove(DriveC() + "/data/docs/guide.TXT");
            std::filesystem::remove(DriveC() + "/data/new.txt");
        }
    };
    EXPECT_EQ(Add("C:\\v.zip",
                  {"C:\\data\\readme.txt", "C:\\data\\docs\\guide.TXT", "C:\\data\\new.txt"}, 0, 0),
              1);
    EXPECT_EQ(MessagesWith(kMsgWriteFailed),
              (std::vector<std::string>{"Cannot read C:\\data\\docs\\guide.TXT, not added",
                                        "Cannot read C:\\data\\new.txt, not added"}));
    const auto contents = RunPython(R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    print(z.testzip(), *[i.filename + "=" + z.read(i).decode() for i in z.infolist()])
)",
                                    {DriveC() + "/v.zip"});
    EXPECT_EQ(contents.output, "None readme.txt=new readme guide.TXT=guide\n");
}

TEST_F(ZipEngine, AnArchiveWhoseEntriesOverlapIsNeitherAddedToNorDeletedFrom) {
    // Two directory entries share one local header: copying what stays would copy it twice.
    const std::string one = zipbytes::Archive({{"a.txt", "aaaa"}});
    const std::size_t directory = 30 + 5 + 4;
    const std::string record = one.substr(directory, 46 + 5);
    const std::string twice = one.substr(0, directory) + record + record + "PK\x05\x06" +
                              zipbytes::U32(0) + zipbytes::U16(2) + zipbytes::U16(2) +
                              zipbytes::U32(static_cast<std::uint32_t>(2 * record.size())) +
                              zipbytes::U32(static_cast<std::uint32_t>(directory)) +
                              zipbytes::U16(0);
    WriteHostFile(DriveC() + "/twice.zip", twice);
    EXPECT_EQ(Add("C:\\twice.zip", {"C:\\data\\readme.txt"}, 0), 0);
    EXPECT_EQ(Delete("C:\\twice.zip", {"a.txt"}), 0);
    EXPECT_EQ(MessagesWith(kMsgBadArchive),
              std::vector<std::string>(2, "Entries overlap, archive refused: C:\\twice.zip"));
    EXPECT_EQ(ReadHostFile(DriveC() + "/twice.zip"), twice);
}

TEST_F(ZipEngine, AnArchiveOfMoreEntriesThanItsEndRecordCountsStaysWhole) {
    // 65,600 entries need the Zip64 end record; the engine adds to such an archive and deletes
    // from it, copying what stays. (Not called .zip: no fuzzing seed of this size.)
    const std::string archive = DriveC() + "/many.archive";
    ASSERT_EQ(RunPython(R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w") as z:
    for i in range(65600):
        z.writestr("e%05d" % i, str(i))
)",
                        {archive})
                  .exitCode,
              0);
    EXPECT_EQ(Add("C:\\many.archive", {"C:\\data\\readme.txt"}, 0), 1);
    EXPECT_EQ(Delete("C:\\many.archive", {"e00001"}), 1);
    EXPECT_EQ(zip.Count(), 65600);
    const auto read = RunPython(R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    names = z.namelist()
    print(len(names), names[1], names[-1], z.testzip(), z.read("e65599").decode())
)",
                                {archive});
    EXPECT_EQ(read.output, "65600 e00002 readme.txt None 65599\n") << read.output;
}

TEST_F(ZipEngine, UpdateAndFreshenCompareTimes) {
    ASSERT_EQ(Add("C:\\u.zip", {"C:\\data\\readme.txt", "C:\\data\\docs\\guide.TXT"}, 0), 2);
    // guide becomes newer on disk; readme stays; a new file appears.
    struct timespec later[2] = {{0, UTIME_OMIT}, {::time(nullptr) + 100, 0}};
    ::utimensat(AT_FDCWD, (DriveC() + "/data/docs/guide.TXT").c_str(), later, 0);
    WriteHostFile(DriveC() + "/data/new.txt", "n");
    const std::vector<std::string> all = {"C:\\data\\readme.txt", "C:\\data\\docs\\guide.TXT",
                                          "C:\\data\\new.txt"};
    EXPECT_EQ(Add("C:\\u.zip", all, AddFreshen), 1); // only the older existing entry
    EXPECT_EQ(zip.Count(), 2);
    EXPECT_EQ(Add("C:\\u.zip", all, AddUpdate), 1); // nothing older is left; the new file joins
    EXPECT_EQ(zip.Count(), 3);
    EXPECT_EQ(Add("C:\\u.zip", all, 0), 3); // plain add replaces all
}

TEST_F(ZipEngine, MoveDeletesSourcesOnlyOnceTheArchiveIsInPlaceAndZipTimeDatesIt) {
    struct timespec old[2] = {{0, UTIME_OMIT}, {1000000000, 0}}; // 2001-09-09
    ::utimensat(AT_FDCWD, (DriveC() + "/data/readme.txt").c_str(), old, 0);
    ::utimensat(AT_FDCWD, (DriveC() + "/data/docs/guide.TXT").c_str(), old, 0);
    EXPECT_EQ(Add("C:\\m.zip", {"C:\\data\\readme.txt", "C:\\data\\docs\\guide.TXT"},
                  AddMove | AddZipTime),
              2);
    EXPECT_FALSE(HostExists(DriveC() + "/data/readme.txt"));
    EXPECT_FALSE(HostExists(DriveC() + "/data/docs/guide.TXT"));
    struct stat st {};
    ::stat((DriveC() + "/m.zip").c_str(), &st);
    EXPECT_LE(std::abs(st.st_mtime - 1000000000), 2);
}

TEST_F(ZipEngine, LongWaitsLetTheWindowsInAndCanBeAborted) {
    // Files that take a while to compress at level 9: while the writer waits for them, the
    // engine keeps the caller's windows responsive, and an abort given then is heard. Random
    // letters of a four-letter alphabet are full of short matches, which makes the best-ratio
    // search slow: each file keeps a worker busy for several of the engine's 40 ms waits even on
    // an idle machine, so the second turn comes well before the first file is done.
    std::string data(1 << 20, '\0');
    std::uint32_t seed = 1;
    for (char& c : data)
        c = "acgt"[(seed = seed * 1103515245 + 12345) >> 24 & 3];
    for (int i = 0; i < 4; ++i)
        WriteHostFile(DriveC() + "/slow/f" + std::to_string(i) + ".bin", data);
    ASSERT_EQ(Add("C:\\keep.zip", {"C:\\data\\readme.txt"}, 0), 1);
    const std::string before = ReadHostFile(DriveC() + "/keep.zip");
    int turns = 0;
    platform::SetEventPump([&] {
        if (++turns == 2)
            zip.AbortFlag = true;
    });
    EXPECT_EQ(Add("C:\\keep.zip", {"C:\\slow\\*.*"}, 0, 9), 0);
    platform::SetEventPump(nullptr);
    EXPECT_GE(turns, 2);
    EXPECT_EQ(ReadHostFile(DriveC() + "/keep.zip"), before);
}

TEST_F(ZipEngine, AnAbortInTheMiddleLeavesTheArchiveAsItWas) {
    ASSERT_EQ(Add("C:\\keep.zip", {"C:\\data\\readme.txt"}, 0), 1);
    const std::string before = ReadHostFile(DriveC() + "/keep.zip");
    zip.OnProgress = [this](TZipMaster*, ProgressType type, const std::string&, std::int32_t) {
        if (type == ProgressType::BlockDone)
            zip.AbortFlag = true; // during the large file
    };
    EXPECT_EQ(Add("C:\\keep.zip", {"C:\\data\\*.*"}, AddDirNames | AddRecurseDirs | AddMove), 0);
    EXPECT_EQ(ReadHostFile(DriveC() + "/keep.zip"), before);
    for (const auto& entry : TreeOf(DriveC()))
        EXPECT_EQ(entry.find("keep.zip."), std::string::npos) << "left behind: " << entry;
    EXPECT_TRUE(HostExists(DriveC() + "/data/readme.txt")); // nothing moved
    EXPECT_EQ(MessagesWith(kMsgAborted).size(), 1u);
}

TEST_F(ZipEngine, DeletesMatchingEntriesAndKeepsAnEmptyArchive) {
    ASSERT_EQ(Add("C:\\d.zip", {"C:\\data\\*.*"}, AddDirNames | AddRecurseDirs), 3);
    EXPECT_EQ(Delete("C:\\d.zip", {"DATA/DOCS/*.txt"}), 1); // wildcards, without regard to case
    EXPECT_EQ(Delete("C:\\d.zip", {"nothing/*"}), 0);
    EXPECT_EQ(MessagesWith(kMsgNotFound).size(), 1u);
    EXPECT_EQ(Delete("C:\\d.zip", {"*.*"}), 5);
    EXPECT_EQ(Python("d.zip"), "testzip: None\n"); // still an archive, without entries
}

TEST_F(ZipEngine, AnEntryIsDeletedByTheNameTheListingShows) {
    // A name given by its Unicode Path field: deleting the row the listing shows deletes it.
    const std::string euro = "\u20ac_for_Dollar.txt";
    zipbytes::Entry named{"%U20AC_for_Dollar.txt", "dollar"};
    named.extra = zipbytes::UnicodePathExtra(named.name, euro);
    WriteHostFile(DriveC() + "/u.zip", zipbytes::Archive({named, {"other.txt", "other"}}));
    zip.SetZipFilename("C:\\u.zip");
    ASSERT_EQ(zip.Count(), 2);
    EXPECT_EQ(zip.Entries()[0].FileName, euro);
    EXPECT_EQ(Delete("C:\\u.zip", {euro}), 1);
    ASSERT_EQ(zip.Count(), 1);
    EXPECT_EQ(zip.Entries()[0].FileName, "other.txt");
}
