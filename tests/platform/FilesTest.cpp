// Files and folders: attributes, find-first/next, and the move and copy guarantees.
#include "platform/Files.h"
#include "platform/Find.h"

#include "TestMachine.h"

#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <vector>

using namespace win;
using namespace testing_support;

namespace {

std::vector<std::string> FindAll(const char* pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data{};
    HANDLE find = FindFirstFileA(pattern, &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(data.cFileName);
    while (FindNextFileA(find, &data));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    FindClose(find);
    return names;
}

} // namespace

TEST(Files, Attributes) {
    WriteHostFile(DriveC() + "/d/plain.txt", "x");
    WriteHostFile(DriveC() + "/d/locked.txt", "x");
    WriteHostFile(DriveC() + "/d/.profile", "x");
    ::chmod((DriveC() + "/d/locked.txt").c_str(), 0444);

    EXPECT_EQ(GetFileAttributesA("C:\\D"), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(GetFileAttributesA("C:\\d\\PLAIN.txt"), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(GetFileAttributesA("C:\\d\\locked.txt"), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(GetFileAttributesA("C:\\d\\.profile"), FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(GetFileAttributesA("C:\\d\\none"), INVALID_FILE_ATTRIBUTES);

    // Hidden, system and archive are kept where other Windows-on-POSIX layers keep them.
    ASSERT_TRUE(
        SetFileAttributesA("C:\\d\\plain.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(GetFileAttributesA("C:\\d\\plain.txt"),
              FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    char stored[16] = {};
    ASSERT_GT(::getxattr((DriveC() + "/d/plain.txt").c_str(), "user.DOSATTRIB", stored, 15), 0);
    EXPECT_STREQ(stored, "0x22");
    ASSERT_TRUE(
        SetFileAttributesA("C:\\d\\plain.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(GetFileAttributesA("C:\\d\\plain.txt"),
              FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM);
    ASSERT_TRUE(SetFileAttributesA("C:\\d\\plain.txt", FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributesA("C:\\d\\plain.txt"), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(platform::DirectoryExists("c:\\d"));
    EXPECT_FALSE(platform::FileExists("c:\\d"));
}

TEST(Files, FindMatchesWithoutRegardToCase) {
    for (const char* name : {"README", "Setup.EXE", "tool.exe", "b.txt", "A.TXT"})
        WriteHostFile(DriveC() + "/dir/" + name, "x");
    WriteHostFile(DriveC() + "/dir/Sub/inner", "x");

    EXPECT_EQ(FindAll("C:\\DIR\\*.*"),
              (std::vector<std::string>{".", "..", "A.TXT", "b.txt", "README", "Setup.EXE", "Sub",
                                        "tool.exe"}));
    EXPECT_EQ(FindAll("c:\\dir\\*.exe"), (std::vector<std::string>{"Setup.EXE", "tool.exe"}));
    EXPECT_EQ(FindAll("C:\\dir\\?.txt"), (std::vector<std::string>{"A.TXT", "b.txt"}));
    // A drive root has no "." and "..".
    const auto root = FindAll("C:\\*.*");
    EXPECT_EQ(std::set<std::string>(root.begin(), root.end()).count("."), 0u);

    WIN32_FIND_DATAA data{};
    EXPECT_EQ(FindFirstFileA("C:\\dir\\*.zip", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(FindFirstFileA("C:\\nodir\\*.*", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

    HANDLE find = FindFirstFileA("C:\\dir\\sub", &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "Sub"); // the name as stored
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
    FindClose(find);
    find = FindFirstFileA("C:\\dir\\readme", &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_EQ(data.nFileSizeLow, 1u);
    FindClose(find);
}

// On a disk that tells letter case apart, a name without wildcards finds the file of exactly its
// letters; another file is found only when none has them, and a mask matches both twins.
TEST(Files, ANameFindsItsOwnFileBesideItsCaseTwin) {
    WriteHostFile(DriveC() + "/dir/README.txt", "upper");
    WriteHostFile(DriveC() + "/dir/readme.txt", "lower!");
    WriteHostFile(DriveC() + "/dir/*.txt", "a file so called");
    struct Row {
        const char* pattern;
        std::vector<std::string> found;
    };
    const Row rows[] = {
        {"C:\\dir\\readme.txt", {"readme.txt"}},
        {"C:\\dir\\README.txt", {"README.txt"}},
        {"C:\\DIR\\ReadMe.TXT", {"README.txt"}}, // no exact name: one of them, always the same
        {"C:\\dir\\readme.*", {"README.txt", "readme.txt"}},       // a mask matches both
        {"C:\\dir\\*.txt", {"*.txt", "README.txt", "readme.txt"}}, // a mask, always
    };
    for (const Row& row : rows)
        EXPECT_EQ(FindAll(row.pattern), row.found) << row.pattern;
    EXPECT_EQ(GetFileAttributesA("C:\\dir\\readme.txt"), FILE_ATTRIBUTE_NORMAL);
    WIN32_FIND_DATAA data{};
    ASSERT_TRUE(platform::FindNamed("C:\\dir\\readme.txt", &data));
    EXPECT_EQ(data.nFileSizeLow, 6u);
    // The name taken as a name, even with wildcards.
    ASSERT_TRUE(platform::FindNamed("c:\\DIR\\*.txt", &data));
    EXPECT_STREQ(data.cFileName, "*.txt");
    EXPECT_FALSE(platform::FindNamed("C:\\dir\\?.txt", &data));
    EXPECT_FALSE(platform::FindNamed("C:\\dir\\", &data)); // no name: no entry
}

TEST(Files, MoveNeverOverwrites) {
    WriteHostFile(DriveC() + "/a/one.zip", "one");
    WriteHostFile(DriveC() + "/b/one.zip", "other");
    EXPECT_FALSE(MoveFileA("C:\\a\\one.zip", "C:\\b\\ONE.ZIP"));
    EXPECT_EQ(ReadHostFile(DriveC() + "/a/one.zip"), "one");
    EXPECT_EQ(ReadHostFile(DriveC() + "/b/one.zip"), "other");

    EXPECT_FALSE(MoveFileA("C:\\a\\one.zip", "C:\\nofolder\\one.zip"));
    EXPECT_TRUE(MoveFileA("C:\\a\\one.zip", "C:\\b\\two.zip"));
    EXPECT_FALSE(HostExists(DriveC() + "/a/one.zip"));
    EXPECT_EQ(ReadHostFile(DriveC() + "/b/two.zip"), "one");
    // From the temporary folder (which may be another file system) into C:.
    WriteHostFile(HostTemp() + "/dl.zip", "download");
    EXPECT_TRUE(MoveFileA("C:\\WINDOWS\\Temp\\dl.zip", "C:\\b\\dl.zip"));
    EXPECT_EQ(ReadHostFile(DriveC() + "/b/dl.zip"), "download");
    EXPECT_FALSE(HostExists(HostTemp() + "/dl.zip"));
}

TEST(Files, CopyCreateAndDelete) {
    WriteHostFile(DriveC() + "/a/src.zip", "new");
    WriteHostFile(DriveC() + "/a/dst.zip", "old");
    EXPECT_FALSE(CopyFileA("C:\\a\\src.zip", "C:\\a\\dst.zip", TRUE));
    EXPECT_EQ(ReadHostFile(DriveC() + "/a/dst.zip"), "old");
    EXPECT_TRUE(CopyFileA("C:\\a\\src.zip", "C:\\a\\dst.zip", FALSE));
    EXPECT_EQ(ReadHostFile(DriveC() + "/a/dst.zip"), "new");
    EXPECT_FALSE(CopyFileA("C:\\a\\missing", "C:\\a\\x", FALSE));

    EXPECT_TRUE(CreateDirectoryA("C:\\a\\New", nullptr));
    EXPECT_FALSE(CreateDirectoryA("C:\\a\\new", nullptr)); // exists, in another case
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(CreateDirectoryA("C:\\x\\y\\z", nullptr)); // one level only
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

    EXPECT_TRUE(DeleteFileA("c:\\A\\SRC.ZIP"));
    EXPECT_FALSE(HostExists(DriveC() + "/a/src.zip"));
    EXPECT_FALSE(DeleteFileA("C:\\a\\New")); // a folder is not a file
}
