// Which entries a specification names, in both engines alike: a mask ("*", "?", without regard to
// case), except that a specification equal to an entry's name names that entry alone, so a row
// whose name holds "*" or "?" deletes or extracts that entry and no other.
#include "EngineTest.h"
#include "TestMachine.h"
#include "ZipBytes.h"

#include "engine/EngineReport.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

const std::vector<std::string> kNames = {"*.txt", "a.txt",      "B.TXT",     "a?c",
                                         "abc",   "dir/x?.bin", "dir/x1.bin"};

struct Row {
    const char* spec;
    std::vector<std::string> named;
};

const Row kRows[] = {
    {"*.txt", {"*.txt"}},                    // the entry of that name only
    {"a?c", {"a?c"}},                        // not abc
    {"dir/x?.bin", {"dir/x?.bin"}},          // not dir/x1.bin
    {"dir\\x?.bin", {"dir/x?.bin"}},         // either separator
    {"*.TXT", {"*.txt", "a.txt", "B.TXT"}},  // no entry has this name: a mask
    {"?bc", {"abc"}},                        // a mask
    {"A?C", {"a?c", "abc"}},                 // a mask, without regard to case
    {"dir/*", {"dir/x?.bin", "dir/x1.bin"}}, // a mask
    {"*.*", {"*.txt", "a.txt", "B.TXT", "a?c", "abc", "dir/x?.bin", "dir/x1.bin"}},
};

class Specifications : public EngineTest, public ::testing::WithParamInterface<Row> {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        std::vector<zipbytes::Entry> entries;
        for (const auto& name : kNames)
            entries.push_back({name, "data of " + name});
        WriteHostFile(DriveC() + "/n.zip", zipbytes::Archive(entries));
    }
};

} // namespace

TEST_P(Specifications, NameTheSameEntriesInBothEngines) {
    const Row& row = GetParam();
    std::filesystem::create_directories(DriveC() + "/out");
    EXPECT_EQ(Extract("C:\\n.zip", "C:\\out", {row.spec}, ExtrDirNames),
              static_cast<int>(row.named.size()));
    std::vector<std::string> extracted;
    for (const auto& path : TreeOf(DriveC() + "/out"))
        if (!path.ends_with("/"))
            extracted.push_back(path);
    std::vector<std::string> named = row.named;
    std::sort(named.begin(), named.end());
    EXPECT_EQ(extracted, named);
    for (const auto& name : named)
        EXPECT_EQ(ReadHostFile(DriveC() + "/out/" + name), "data of " + name);

    EXPECT_EQ(Delete("C:\\n.zip", {row.spec}), static_cast<int>(row.named.size()));
    std::vector<std::string> left;
    for (const auto& entry : zip.Entries())
        left.push_back(entry->FileName);
    std::vector<std::string> expectedLeft;
    for (const auto& name : kNames)
        if (std::find(named.begin(), named.end(), name) == named.end())
            expectedLeft.push_back(name);
    EXPECT_EQ(left, expectedLeft);
}

INSTANTIATE_TEST_SUITE_P(Rows, Specifications, ::testing::ValuesIn(kRows));
