// What an add stores from a disk that tells letter case apart and allows any name: two files whose
// names differ only in case are two entries, each with its own bytes, folders are stored as they
// are called, a file called like a pattern is that file alone, and links to folders are never
// followed. Checked with Python's zipfile.
#include "EngineTest.h"
#include "RunTool.h"
#include "RunawayGuard.h"
#include "TestMachine.h"

#include "engine/EngineReport.h"
#include "platform/Files.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <sys/stat.h>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

// Every entry of each archive as "name=data", in archive order, after a line with the archive.
const char* const kContents = R"(
import sys, zipfile
for archive in sys.argv[1:]:
    print(archive)
    with zipfile.ZipFile(archive) as z:
        for i in z.infolist():
            print(i.filename + "=" + z.read(i).decode())
)";

using Entries = std::vector<std::string>;

class ZipNames : public EngineTest {
protected:
    // The entries of archives in C: as Python's zipfile reads them (one run for all of them).
    std::map<std::string, Entries> Contents(const std::vector<std::string>& archives) {
        std::vector<std::string> paths;
        for (const auto& archive : archives)
            paths.push_back(DriveC() + "/" + archive);
        const auto result = RunPython(kContents, paths);
        EXPECT_EQ(result.exitCode, 0) << result.output;
        std::map<std::string, Entries> contents;
        Entries* entries = nullptr;
        std::istringstream lines(result.output);
        for (std::string line; std::getline(lines, line);) {
            if (line.starts_with(DriveC() + "/"))
                entries = &contents[line.substr(DriveC().size() + 1)];
            else if (entries)
                entries->push_back(line);
        }
        return contents;
    }
};

} // namespace

TEST_F(ZipNames, CaseTwinsAreTwoEntriesEachWithItsOwnBytes) {
    WriteHostFile(DriveC() + "/data/README.txt", "upper");
    WriteHostFile(DriveC() + "/data/readme.txt", "lower");
    WriteHostFile(DriveC() + "/data/Docs/a.txt", "a");
    EXPECT_EQ(Add("C:\\folder.zip", {"C:\\data\\*.*"}, AddDirNames | AddRecurseDirs), 3);
    // A file named exactly is that file; a name that only differs in case finds one of the
    // twins, and stores that one's name with its bytes.
    EXPECT_EQ(Add("C:\\lower.zip", {"C:\\data\\readme.txt"}, 0), 1);
    EXPECT_EQ(Add("C:\\upper.zip", {"C:\\data\\README.txt"}, 0), 1);
    EXPECT_EQ(Add("C:\\other.zip", {"C:\\data\\ReadMe.TXT"}, 0), 1);
    // Both named at once, and each again into an archive that holds them: each replaces its own.
    const std::vector<std::string> both = {"C:\\data\\README.txt", "C:\\data\\readme.txt"};
    EXPECT_EQ(Add("C:\\both.zip", both, 0), 2);
    WriteHostFile(DriveC() + "/data/readme.txt", "lower, edited");
    EXPECT_EQ(Add("C:\\both.zip", both, 0), 2);
    // Freshening touches entries of exactly the file's name: the newer twin is not one.
    struct timespec later[2] = {{0, UTIME_OMIT}, {::time(nullptr) + 100, 0}};
    ::utimensat(AT_FDCWD, (DriveC() + "/data/readme.txt").c_str(), later, 0);
    EXPECT_EQ(Add("C:\\upper.zip", {"C:\\data\\readme.txt"}, AddFreshen), 0);

    EXPECT_EQ(Contents({"folder.zip", "lower.zip", "upper.zip", "other.zip", "both.zip"}),
              (std::map<std::string, Entries>{
                  {"folder.zip",
                   {"data/README.txt=upper", "data/readme.txt=lower",
                    "data/Docs/=", "data/Docs/a.txt=a"}},
                  {"lower.zip", {"readme.txt=lower"}},
                  {"upper.zip", {"README.txt=upper"}},
                  {"other.zip", {"README.txt=upper"}},
                  {"both.zip", {"README.txt=upper", "readme.txt=lower, edited"}},
              }));
}

TEST_F(ZipNames, SavedPathsKeepTheLetterCaseOfTheFoldersOnTheDisk) {
    WriteHostFile(DriveC() + "/Work/Docs/Guide.txt", "guide");
    WriteHostFile(DriveC() + "/Work/DOCS/other.txt", "other"); // a twin of the folder
    WriteHostFile(DriveC() + "/Work/Notes/n.txt", "n");
    // A folder given in another letter case is stored as the disk calls it; one given exactly
    // is that folder, not its twin.
    EXPECT_EQ(Add("C:\\saved.zip",
                  {"C:\\WORK\\DOCS\\*.*", "C:\\WORK\\Docs\\GUIDE.TXT", "C:\\work\\notes\\N.TXT"},
                  AddDirNames),
              3);
    // A relative specification too.
    ASSERT_TRUE(win::SetCurrentDirectoryA("C:\\Work"));
    EXPECT_EQ(Add("C:\\relative.zip", {"NOTES\\n.txt"}, AddDirNames), 1);
    EXPECT_EQ(
        Contents({"saved.zip", "relative.zip"}),
        (std::map<std::string, Entries>{
            {"saved.zip",
             {"Work/DOCS/other.txt=other", "Work/Docs/Guide.txt=guide", "Work/Notes/n.txt=n"}},
            {"relative.zip", {"Notes/n.txt=n"}},
        }));
}

TEST_F(ZipNames, AFileCalledLikeAPatternIsThatFileAlone) {
    for (const char* name : {"*.txt", "a?c.txt", "abc.txt", "b.txt", "*.*"})
        WriteHostFile(DriveC() + "/p/" + name, name);
    struct Row {
        const char* spec;
        Entries stored; // in the order added
    };
    const Row rows[] = {
        {"*.txt", {"*.txt"}},                                     // that file, not every .txt file
        {"a?c.txt", {"a?c.txt"}},                                 // not abc.txt
        {"?bc.txt", {"abc.txt"}},                                 // no file of that name: a mask
        {"*.TXT", {"*.txt", "a?c.txt", "abc.txt", "b.txt"}},      // a mask, without regard to case
        {"*.*", {"*.*", "*.txt", "a?c.txt", "abc.txt", "b.txt"}}, // every file, also beside "*.*"
    };
    std::vector<std::string> archives;
    std::map<std::string, Entries> expected;
    for (const Row& row : rows) {
        const std::string archive = "p" + std::to_string(archives.size()) + ".zip";
        EXPECT_EQ(Add("C:\\" + archive, {std::string("C:\\p\\") + row.spec}, 0),
                  static_cast<int>(row.stored.size()))
            << row.spec;
        archives.push_back(archive);
        for (const auto& name : row.stored)
            expected[archive].push_back(name + "=" + name);
    }
    EXPECT_EQ(Contents(archives), expected);
}

TEST_F(ZipNames, LinksToFoldersAreNeverFollowedAndEachLeftOutFileIsNamedOnce) {
    WriteHostFile(DriveC() + "/data/a.txt", "a");
    WriteHostFile(DriveC() + "/data/sub/b.txt", "b");
    WriteHostFile(DriveC() + "/outside.txt", "outside");
    fs::create_directory_symlink("..", DriveC() + "/data/sub/loop");
    fs::create_directory_symlink("/", DriveC() + "/data/root");
    fs::create_symlink("../outside.txt", DriveC() + "/data/file-link.txt");
    fs::create_symlink(DriveC() + "/nowhere", DriveC() + "/data/sub/dangling.txt");
    ASSERT_EQ(::mkfifo((DriveC() + "/data/sub/pipe").c_str(), 0644), 0);
    // The second specification meets sub's links and files again. A walk that followed the
    // links would never end: it is stopped after 10 seconds or 200 MB.
    const RunawayGuard guard(zip, std::chrono::seconds(10), 200);
    EXPECT_EQ(
        Add("C:\\links.zip", {"C:\\data\\*.*", "C:\\data\\sub\\*.*"}, AddDirNames | AddRecurseDirs),
        3);
    ASSERT_FALSE(guard.Tripped()) << "the walk ran away";
    // A link to a file is added as that file, under the link's name.
    EXPECT_EQ(
        Contents({"links.zip"})["links.zip"],
        (Entries{"data/a.txt=a", "data/file-link.txt=outside", "data/sub/=", "data/sub/b.txt=b"}));
    EXPECT_EQ(MessagesWith(kMsgSkipped),
              (std::vector<std::string>{"Link to a folder, not followed: C:\\data\\root",
                                        "Link to a folder, not followed: C:\\data\\sub\\loop"}));
    EXPECT_EQ(MessagesWith(kMsgWriteFailed),
              (std::vector<std::string>{"Cannot read C:\\data\\sub\\dangling.txt, not added",
                                        "Cannot read C:\\data\\sub\\pipe, not added"}));
}
