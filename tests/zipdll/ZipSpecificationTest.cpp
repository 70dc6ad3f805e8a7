// Which entries a specification names, in both engines alike: a mask ("*", "?", without regard to
// case), except that a specification equal to an entry's name names that entry alone, so a row
// whose name holds "*" or "?" deletes or extracts that entry and no other.
#include "EngineTest.h"
#include "RunTool.h"
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
        left.emplace_back(entry.FileName);
    std::vector<std::string> expectedLeft;
    for (const auto& name : kNames)
        if (std::find(named.begin(), named.end(), name) == named.end())
            expectedLeft.push_back(name);
    EXPECT_EQ(left, expectedLeft);
}

INSTANTIATE_TEST_SUITE_P(Rows, Specifications, ::testing::ValuesIn(kRows));

namespace {

// An archive with data descriptors (written to a stream that cannot seek), a stored and deflated
// mix and an archive comment; then, after a delete, every entry left read back with its CRC.
const std::string kDescriptors = std::string(kPythonUnseekable) + R"(
import sys, zipfile
with open(sys.argv[1], "wb") as f:
    with zipfile.ZipFile(Unseekable(f), "w") as z:
        for i in range(6):
            z.writestr("e%d.txt" % i, ("entry %d " % i) * (1000 * i + 1),
                       zipfile.ZIP_DEFLATED if i % 2 else zipfile.ZIP_STORED)
        z.comment = b"kept comment"
)";
const char* const kReadBack = R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    print(z.testzip(), z.comment.decode(), *[i.filename for i in z.infolist()])
    for i in z.infolist():
        n = int(i.filename[1])
        assert z.read(i) == (("entry %d " % n) * (1000 * n + 1)).encode(), i.filename
)";

} // namespace

using ZipDelete = EngineTest;

TEST_F(ZipDelete, WhatStaysIsKeptByteForByteWithDescriptorsAndComment) {
    const auto made = RunPython(kDescriptors, {DriveC() + "/d.zip"});
    ASSERT_EQ(made.exitCode, 0) << made.output;
    EXPECT_EQ(Delete("C:\\d.zip", {"e0.txt", "e3.txt", "e5.txt"}), 3);
    const auto read = RunPython(kReadBack, {DriveC() + "/d.zip"});
    EXPECT_EQ(read.exitCode, 0) << read.output;
    EXPECT_EQ(read.output, "None kept comment e1.txt e2.txt e4.txt\n");
    const auto sevenZip = RunTool({"7zz", "t", DriveC() + "/d.zip"});
    EXPECT_EQ(sevenZip.exitCode, 0) << sevenZip.output;
    EXPECT_EQ(zip.Count(), 3);
    for (const auto& entry : TreeOf(DriveC()))
        EXPECT_EQ(entry.find(".part"), std::string::npos) << "left behind: " << entry;
}
