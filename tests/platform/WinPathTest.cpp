// The path helpers and the wildcard match, a row per behaviour the program relies on.
#include "platform/WinPath.h"

#include <gtest/gtest.h>

using namespace win;

TEST(WinPath, PartsOfAPath) {
    struct Row {
        const char* path;
        const char* name;
        const char* folder;
        const char* ext;
    };
    const Row rows[] = {
        {"C:\\DOWNLOAD\\tool.zip", "tool.zip", "C:\\DOWNLOAD\\", ".zip"},
        {"C:\\my.dir\\letters", "letters", "C:\\my.dir\\", ""}, // a dot in a folder is no extension
        {"C:tool.tar.gz", "tool.tar.gz", "C:", ".gz"},
        {"tool", "tool", "", ""},
        {"C:\\", "", "C:\\", ""},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ExtractFileName(row.path), row.name) << row.path;
        EXPECT_EQ(ExtractFilePath(row.path), row.folder) << row.path;
        EXPECT_EQ(ExtractFileExt(row.path), row.ext) << row.path;
    }
    EXPECT_EQ(ChangeFileExt("C:\\P\\pakrune", ".ini"), "C:\\P\\pakrune.ini");
    EXPECT_EQ(ChangeFileExt("C:\\P\\TOOL.ZIP", ".exe"), "C:\\P\\TOOL.exe");
    EXPECT_EQ(ChangeFileExt("C:\\my.dir\\x", ".zip"), "C:\\my.dir\\x.zip");
    // Only A-Z change case: bytes of other code pages are left alone.
    EXPECT_EQ(LowerCase("SETUP.EXE\xC4"), "setup.exe\xC4");
    EXPECT_EQ(UpperCase("c:\\download\xe4"), "C:\\DOWNLOAD\xe4");
}

TEST(WinPath, WildcardMatch) {
    struct Row {
        const char* name;
        const char* mask;
        bool match;
    };
    const Row rows[] = {
        {"README", "*.*", true}, // every name, with or without a dot
        {"a.b.c", "*.*", true},
        {"Setup.EXE", "*.exe", true},
        {"setup.exe.bak", "*.exe", false},
        {"file1.txt", "file?.TXT", true},
        {"file12.txt", "file?.txt", false},
        {"abcabd", "*abd", true}, // needs backtracking
        {"", "*", true},
        {"x", "", false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(MatchesMask(row.name, row.mask), row.match) << row.name << " ~ " << row.mask;
}
