// The folders and names an extraction writes: any number of folders within a desktop's limit of
// open files, names kept exactly as the entries give them (two entries that differ only in letter
// case are two files), and folders made only for entries that failed removed again.
#include "EngineTest.h"
#include "ManyFolders.h"
#include "OpenFileLimit.h"
#include "ScratchDisk.h"
#include "TestMachine.h"
#include "ZipBytes.h"

#include "engine/EngineReport.h"
#include "platform/PathMap.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

constexpr ExtrOpts kAll = ExtrDirNames | ExtrOverWrite;

} // namespace

using UnzFolders = EngineTest;

TEST_F(UnzFolders, FiveThousandFoldersExtractWithinALimitOf256OpenFiles) {
    auto entries = ManyFolderEntries();
    // A folder entry asks for an empty folder; an entry that fails takes its new folder with it.
    entries.push_back({"d7/empty/"});
    zipbytes::Entry bad{"d9/bad/f.txt", "damaged"};
    bad.crc = 0x12345678;
    entries.push_back(bad);
    // Not called .zip: the machine would keep it as a fuzzing seed, and replay it on every run.
    WriteHostFile(DriveC() + "/many.archive", zipbytes::Archive(entries));
    // Into a disk of the test's own where it can have one: a disk that discards what is deleted
    // takes many seconds to remove ten thousand names again.
    const ScratchDisk disk('F', 64 << 20);
    const std::string out = disk.Mounted() ? disk.Host() : DriveC() + "/out";
    fs::create_directories(out);
    {
        const OpenFileLimit limit(256);
        EXPECT_EQ(Extract("C:\\many.archive", platform::WindowsPathOf(out), {"*.*"}, kAll), 5000);
    }
    EXPECT_EQ(MessagesWith(kMsgWriteFailed), std::vector<std::string>{});
    EXPECT_EQ(MessagesWith(kMsgDataError).size(), 1u);
    EXPECT_EQ(FilesHoldingTheirFolder(out), 5000u);
    EXPECT_TRUE(fs::is_directory(out + "/d7/empty"));
    EXPECT_FALSE(fs::exists(out + "/d9/bad"));
    EXPECT_TRUE(fs::exists(out + "/d9/s99/f.txt"));
}

TEST_F(UnzFolders, FoldersMadeForAnEntryThatFailedGoAgainHoweverDeep) {
    std::string deep;
    for (int level = 0; level < 1000; ++level)
        deep += level == 500 ? "half/" : "a/";
    zipbytes::Entry bad{deep + "bad.txt", "damaged"};
    bad.crc = 0x12345678;
    const std::string half = deep.substr(0, deep.find("half/") + 5);
    // Not called .zip, as the archive above.
    WriteHostFile(DriveC() + "/deep.archive",
                  zipbytes::Archive({bad,
                                     {half + "good.txt", "good"},
                                     {"b/c/bad.txt", "x", 0, 0, 0x5A8C6000, {}, {}, {}, 1}}));
    fs::create_directories(DriveC() + "/out/b"); // there before, empty
    EXPECT_EQ(Extract("C:\\deep.archive", "C:\\out", {"*.*"}, kAll), 1);
    // What holds the good file stays, down to it; everything below it and beside it went, but
    // not what was there before.
    EXPECT_EQ(TreeOf(DriveC() + "/out/" + half), std::vector<std::string>{"good.txt"});
    EXPECT_EQ(TreeOf(DriveC() + "/out/a").size(), 499u + 2); // the folders a below, half, good.txt
    EXPECT_EQ(TreeOf(DriveC() + "/out/b"), std::vector<std::string>{});
    EXPECT_TRUE(fs::is_directory(DriveC() + "/out/b"));
}

TEST_F(UnzFolders, AFolderMovedAwayMeanwhileIsNotRemovedWhereItWent) {
    // The folder y, made for an entry that fails, is still open when 16 folders later its parent
    // has been closed; meanwhile another program moves it out of the target, on the same disk.
    zipbytes::Entry bad{"x/y/bad.txt", "damaged"};
    bad.crc = 0x12345678;
    std::vector<zipbytes::Entry> entries{bad};
    for (int i = 0; i < 15; ++i)
        entries.push_back({"f" + std::to_string(i) + "/a.txt", "a"});
    WriteHostFile(DriveC() + "/moved.zip", zipbytes::Archive(entries));
    fs::create_directories(DriveC() + "/out");
    fs::create_directories(DriveC() + "/elsewhere");
    zip.OnProgress = [](TZipMaster*, ProgressType type, const std::string& name, std::int32_t) {
        if (type == ProgressType::FileStart && name == "f14/a.txt")
            fs::rename(DriveC() + "/out/x/y", DriveC() + "/elsewhere/y");
    };
    EXPECT_EQ(Extract("C:\\moved.zip", "C:\\out", {"*.*"}, kAll), 15);
    // Going up from y finds another folder than the x it came from: x is opened again from the
    // target, and the folder that went elsewhere stays.
    EXPECT_TRUE(fs::is_directory(DriveC() + "/elsewhere/y"));
    EXPECT_FALSE(fs::exists(DriveC() + "/out/x"));
}

TEST_F(UnzFolders, EntriesThatDifferOnlyInLetterCaseAreFilesOfTheirOwn) {
    WriteHostFile(DriveC() + "/twins.zip", zipbytes::Archive({{"README.txt", "upper"},
                                                              {"readme.txt", "lower"},
                                                              {"Docs/a.txt", "in Docs"},
                                                              {"DOCS/a.txt", "in DOCS"}}));
    fs::create_directories(DriveC() + "/out");
    // A file there before in another letter case is not the entry's file either.
    WriteHostFile(DriveC() + "/out/ReadMe.TXT", "mine");
    EXPECT_EQ(Extract("C:\\twins.zip", "C:\\out", {"*.*"}, kAll), 4);
    EXPECT_EQ(TreeOf(DriveC() + "/out"),
              (std::vector<std::string>{"DOCS/", "DOCS/a.txt", "Docs/", "Docs/a.txt", "README.txt",
                                        "ReadMe.TXT", "readme.txt"}));
    EXPECT_EQ(ReadHostFile(DriveC() + "/out/README.txt"), "upper");
    EXPECT_EQ(ReadHostFile(DriveC() + "/out/readme.txt"), "lower");
    EXPECT_EQ(ReadHostFile(DriveC() + "/out/ReadMe.TXT"), "mine");
    EXPECT_EQ(ReadHostFile(DriveC() + "/out/Docs/a.txt"), "in Docs");
    EXPECT_EQ(ReadHostFile(DriveC() + "/out/DOCS/a.txt"), "in DOCS");
}

TEST_F(UnzFolders, ExtractingTheWholeArchiveTakesEveryEntryBesideOneCalledStarDotStar) {
    WriteHostFile(DriveC() + "/stars.zip",
                  zipbytes::Archive({{"*.*", "stars"}, {"a.txt", "a"}, {"setup.exe", "setup"}}));
    fs::create_directories(DriveC() + "/out");
    EXPECT_EQ(Extract("C:\\stars.zip", "C:\\out", {"*.*"}, kAll), 3);
    EXPECT_EQ(TreeOf(DriveC() + "/out"), (std::vector<std::string>{"*.*", "a.txt", "setup.exe"}));
    EXPECT_EQ(ReadHostFile(DriveC() + "/out/*.*"), "stars");
}
