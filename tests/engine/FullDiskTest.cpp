// Adding, deleting, converting and extracting on a disk that is really full (a small tmpfs of
// the test's own as drive F:): the archive stays byte for byte as it was, no partial or
// temporary file is left, the call does not count as a success and the message names the drive.
// The same holds on a disk that fails in ways a test cannot make a real one fail on cue: a flush
// that reports an I/O error, a write that reports more than it wrote (a library preloaded into
// engine_worker, FaultShim.cpp).
#include "EngineTest.h"
#include "RunTool.h"
#include "ScratchDisk.h"
#include "TestMachine.h"
#include "ZipBytes.h"

#include "engine/EngineReport.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>

using namespace testing_support;

namespace {

const char* const kNoSpace = ": there is not enough space on drive F:";

// Bytes that do not compress, so that the space they need is their size.
std::string Noise(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random());
    return bytes;
}

// A Zip64 archive, which deleting hands to libzip instead of copying.
const char* const kZip64Archive = R"(
import sys, zipfile
zipfile.ZIP64_LIMIT = 1000
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_STORED) as z:
    for i in range(3):
        z.writestr("part%d.bin" % i, open(sys.argv[2], "rb").read())
)";

class FullDisk : public EngineTest {
protected:
    FullDisk() : disk('F', 1 << 20) {}

    std::string OnDisk(const std::string& name) const { return disk.Host() + "/" + name; }
    // What is on the disk besides the filler, sorted.
    std::vector<std::string> Files() const {
        std::vector<std::string> tree = TreeOf(disk.Host());
        std::erase(tree, ".filler");
        return tree;
    }
    // The engine's write failures, and the boxes, that name the full drive.
    std::vector<std::string> NoSpaceMessages() const {
        std::vector<std::string> found;
        for (const auto& text : MessagesWith(kMsgWriteFailed))
            if (text.find(kNoSpace) != std::string::npos)
                found.push_back(text);
        for (const auto& text : boxes)
            if (text.find(kNoSpace) != std::string::npos)
                found.push_back(text);
        return found;
    }

    // After a failed add or delete: the archive as it was and alone on the disk, the message
    // naming the drive, the listing as before. Then the disk has room again.
    void ExpectTheArchiveAlone(const std::string& name, const std::string& before, int count) {
        EXPECT_EQ(ReadHostFile(OnDisk(name)), before);
        EXPECT_EQ(Files(), std::vector<std::string>{name});
        EXPECT_EQ(NoSpaceMessages(),
                  std::vector<std::string>{"Cannot write archive F:\\" + name + kNoSpace});
        EXPECT_EQ(zip.Count(), count);
        disk.Unfill();
    }

    ScratchDisk disk;
};

} // namespace

TEST_F(FullDisk, AddingLeavesTheArchiveAsItWas) {
    SKIP_WITHOUT_SCRATCH_DISK(disk);
    WriteHostFile(DriveC() + "/src/small.txt", "small");
    WriteHostFile(DriveC() + "/src/noise.bin", Noise(300000, 1));
    ASSERT_EQ(Add("F:\\a.zip", {"C:\\src\\small.txt"}, 0), 1);
    const std::string before = ReadHostFile(OnDisk("a.zip"));
    for (const int level : {9, 0}) { // compressed in memory first, or streamed through libzip
        SCOPED_TRACE(level);
        engineMessages.clear();
        disk.FillLeaving(64 << 10);
        EXPECT_EQ(Add("F:\\a.zip", {"C:\\src\\noise.bin"}, 0, level), 0);
        ExpectTheArchiveAlone("a.zip", before, 1);
    }
}

TEST_F(FullDisk, DeletingLeavesTheArchiveAsItWas) {
    SKIP_WITHOUT_SCRATCH_DISK(disk);
    const std::string part = Noise(100000, 2);
    WriteHostFile(DriveC() + "/part.bin", part);
    struct Row {
        const char* what;
        std::vector<std::string> specs;
        std::size_t free;
    };
    const Row rows[] = {
        {"copying what stays", {"part0.bin"}, 64 << 10},
        {"through libzip", {"part0.bin"}, 64 << 10},
        {"every entry", {"*.*"}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        engineMessages.clear();
        std::filesystem::remove(OnDisk("d.zip"));
        if (row.what == std::string("through libzip")) {
            const auto made = RunPython(kZip64Archive, {OnDisk("d.zip"), DriveC() + "/part.bin"});
            ASSERT_EQ(made.exitCode, 0) << made.output;
        } else {
            WriteHostFile(
                OnDisk("d.zip"),
                zipbytes::Archive({{"part0.bin", part}, {"part1.bin", part}, {"part2.bin", part}}));
        }
        const std::string before = ReadHostFile(OnDisk("d.zip"));
        disk.FillLeaving(row.free);
        EXPECT_EQ(Delete("F:\\d.zip", row.specs), 0);
        ExpectTheArchiveAlone("d.zip", before, 3);
    }
}

TEST_F(FullDisk, ConvertingBothWaysKeepsTheInput) {
    SKIP_WITHOUT_SCRATCH_DISK(disk);
    WriteHostFile(OnDisk("c.zip"), zipbytes::Archive({{"noise.bin", Noise(150000, 3)}}));
    const std::string zipBytes = ReadHostFile(OnDisk("c.zip"));
    zip.SetZipFilename("F:\\c.zip");
    ASSERT_EQ(zip.ConvertToSfx(), 0);
    const std::string exeBytes = ReadHostFile(OnDisk("c.exe"));
    // Back to a .zip: there is room for the stub's worth, not for the archive.
    disk.FillLeaving(40 << 10);
    EXPECT_EQ(zip.ConvertToZip(), -2);
    EXPECT_EQ(ReadHostFile(OnDisk("c.exe")), exeBytes);
    EXPECT_EQ(Files(), std::vector<std::string>{"c.exe"});
    EXPECT_EQ(zip.ZipFilename(), "F:\\c.exe");
    disk.Unfill();
    ASSERT_EQ(zip.ConvertToZip(), 0);
    ASSERT_EQ(ReadHostFile(OnDisk("c.zip")), zipBytes);
    // To an .exe: not even the stub fits.
    disk.FillLeaving(40 << 10);
    EXPECT_EQ(zip.ConvertToSfx(), -2);
    EXPECT_EQ(ReadHostFile(OnDisk("c.zip")), zipBytes);
    EXPECT_EQ(Files(), std::vector<std::string>{"c.zip"});
    EXPECT_EQ(zip.ZipFilename(), "F:\\c.zip");
    EXPECT_EQ(NoSpaceMessages(),
              (std::vector<std::string>{"Cannot write F:\\c.zip" + std::string(kNoSpace),
                                        "Cannot write F:\\c.exe" + std::string(kNoSpace)}));
}

TEST_F(FullDisk, ExtractingStopsAndLeavesNoPartOfAnEntry) {
    SKIP_WITHOUT_SCRATCH_DISK(disk);
    WriteHostFile(DriveC() + "/x.zip", zipbytes::Archive({{"deep/big.bin", Noise(200000, 4)},
                                                          {"small.txt", "small"},
                                                          {"empty/", ""}}));
    std::filesystem::create_directory(OnDisk("out"));
    disk.FillLeaving(64 << 10);
    EXPECT_EQ(Extract("C:\\x.zip", "F:\\out", {"*.*"}, ExtrDirNames), 0);
    // Neither the big entry's part nor its folder is left, and the rest was not tried.
    EXPECT_EQ(Files(), std::vector<std::string>{"out/"});
    EXPECT_EQ(NoSpaceMessages(),
              (std::vector<std::string>{"Cannot write deep/big.bin" + std::string(kNoSpace),
                                        "Extraction stopped" + std::string(kNoSpace)}));
    // With room again everything comes out.
    disk.Unfill();
    EXPECT_EQ(Extract("C:\\x.zip", "F:\\out", {"*.*"}, ExtrDirNames), 2);
    EXPECT_EQ(Files(), (std::vector<std::string>{"out/", "out/deep/", "out/deep/big.bin",
                                                 "out/empty/", "out/small.txt"}));
}

namespace {

// Runs one operation in engine_worker with the fault shim preloaded; its output and status.
ToolResult RunWithFault(const std::string& fault, const std::vector<std::string>& arguments) {
    const std::filesystem::path programs =
        std::filesystem::read_symlink("/proc/self/exe").parent_path();
    const char* sanitizerOptions = std::getenv("ASAN_OPTIONS");
    std::vector<std::string> argv{
        "env", "LD_PRELOAD=" + (programs / "libfault_shim.so").string(), "PAKRUNE_FAULT=" + fault,
        // The sanitizers' runtime wants to be loaded first; the shim only passes calls on.
        "ASAN_OPTIONS=" + std::string(sanitizerOptions ? sanitizerOptions : "") +
            ":verify_asan_link_order=0",
        (programs / "engine_worker").string()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return RunTool(argv);
}

} // namespace

TEST(FailingDisk, AFlushErrorOrAShortWriteKeepsTheInputAndLeavesNothingElse) {
    const std::string folder = DriveC() + "/f";
    const std::string zipBytes = zipbytes::Archive(
        {{"a.txt", "alpha"}, {"b.bin", Noise(100000, 5)}, {"c/", ""}, {"c/d.txt", "delta"}});
    const std::string exeBytes = ReadHostFile(DriveC() + "/WINDOWS/SYSTEM/ZIPSFX.BIN") + zipBytes;
    WriteHostFile(DriveC() + "/src/new.txt", "new");
    const char* const kIoError = ": Input/output error";
    struct Row {
        const char* fault;
        std::vector<std::string> arguments;
        const char* message; // what the worker says, besides failing
    };
    const Row rows[] = {
        {"flush-error",
         {"add", "C:\\f\\a.zip", "C:\\src\\new.txt"},
         "Cannot write archive C:\\f\\a.zip"},
        {"flush-error", {"delete", "C:\\f\\a.zip", "b.bin"}, "Cannot write archive C:\\f\\a.zip"},
        {"flush-error", {"delete", "C:\\f\\a.zip", "*.*"}, "Cannot write archive C:\\f\\a.zip"},
        {"flush-error", {"tosfx", "C:\\f\\a.zip"}, "Cannot write C:\\f\\a.exe"},
        {"flush-error", {"tozip", "C:\\f\\a.exe"}, "Cannot write C:\\f\\a.zip"},
        // The copy comes up short without a word from the disk: only the checks of the new
        // file's size (and, for a .zip, of its end record) see it.
        {"short-write", {"tosfx", "C:\\f\\a.zip"}, nullptr},
        {"short-write", {"tozip", "C:\\f\\a.exe"}, nullptr},
    };
    for (const Row& row : rows) {
        const std::string input = row.arguments[1].substr(5);
        const std::string& bytes = input == "a.zip" ? zipBytes : exeBytes;
        std::string trace = row.fault;
        for (const std::string& argument : row.arguments)
            trace += " " + argument;
        SCOPED_TRACE(trace);
        std::filesystem::remove_all(folder);
        WriteHostFile(folder + "/" + input, bytes);
        const ToolResult result = RunWithFault(row.fault, row.arguments);
        EXPECT_EQ(result.exitCode, 1) << result.output;
        if (row.message) {
            EXPECT_NE(result.output.find(row.message + std::string(kIoError)), std::string::npos)
                << result.output;
        }
        EXPECT_TRUE(ReadHostFile(folder + "/" + input) == bytes);
        EXPECT_EQ(TreeOf(folder), std::vector<std::string>{input}); // no output, no temporary file
    }
}
