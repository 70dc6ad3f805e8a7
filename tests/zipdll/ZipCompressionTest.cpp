// How the compression engine stores files at each level: every level writes archives that peers
// read back byte for byte with every CRC checked, level 9 packs tightest and level 0 stores, and
// each file reports its start and one block per 32768 bytes, whether it was compressed on the
// worker threads (up to the memory bound) or streamed (beyond it). With a password every file is
// encrypted with AES-256, which peers read only with the password.
#include "EngineTest.h"
#include "ProgressLog.h"
#include "RunTool.h"
#include "TestMachine.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <random>

using namespace testing_support;

namespace {

// Every entry read back (which checks its CRC) and compared with the file it came from; prints
// the method of each entry and any difference.
const char* const kCompare = R"(
import os, sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    for i in sorted(z.infolist(), key=lambda i: i.filename):
        if i.is_dir(): continue
        same = z.read(i) == open(os.path.join(sys.argv[2], i.filename), "rb").read()
        print(i.filename, i.compress_type, "same" if same else "DIFFERENT")
)";

// Text that compresses well but not trivially.
std::string Text(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    const char* const words[] = {"archive ", "entry ", "deflate ", "header ", "folder\n", "42 "};
    std::string text;
    while (text.size() < size)
        text += words[random() % 6];
    text.resize(size);
    return text;
}

std::string Noise(std::size_t size) {
    std::mt19937 random(3);
    std::string bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random());
    return bytes;
}

const std::pair<const char*, std::size_t> kFiles[] = {
    {"empty.txt", 0},     {"one.txt", 1},        {"under.txt", 32767},   {"block.txt", 32768},
    {"text.txt", 100000}, {"noise.bin", 300000}, {"large.txt", 8388609}, // beyond the whole-file
                                                                         // bound: streamed
};

class ZipLevels : public EngineTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        for (const auto& [name, size] : kFiles)
            WriteHostFile(DriveC() + "/in/" + name,
                          std::string(name).ends_with(".bin") ? Noise(size) : Text(size, 1));
    }
};

} // namespace

TEST_P(ZipLevels, PeersReadEveryFileBackAndEachReportsItsBlocks) {
    const int level = GetParam();
    ProgressLog progress;
    progress.Attach(zip);
    ASSERT_EQ(Add("C:\\out.zip", {"C:\\in\\*.*"}, 0, level), 7);
    const auto result = RunPython(kCompare, {DriveC() + "/out.zip", DriveC() + "/in"});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    std::map<std::string, std::string> lines; // by name, as printed
    for (const auto& [name, size] : kFiles) {
        lines[name] = std::string(name) + (level == 0 ? " 0" : " 8") + " same\n";
        const ProgressLog::File& file = progress.files[name];
        EXPECT_EQ(file.starts, 1) << name;
        EXPECT_EQ(file.size, static_cast<std::int32_t>(size)) << name;
        EXPECT_EQ(file.blocks, static_cast<int>(size / 32768)) << name;
    }
    std::string expected;
    for (const auto& [name, line] : lines)
        expected += line;
    EXPECT_EQ(result.output, expected);
    EXPECT_EQ(progress.batchEnds, 1);
    const auto sevenZip = RunTool({"7zz", "t", DriveC() + "/out.zip"});
    EXPECT_EQ(sevenZip.exitCode, 0) << sevenZip.output;
}

INSTANTIATE_TEST_SUITE_P(Levels, ZipLevels, ::testing::Values(0, 1, 6, 9));

using ZipPacking = EngineTest;

TEST_F(ZipPacking, HigherLevelsPackTighterAndLevelZeroStores) {
    for (int i = 0; i < 40; ++i)
        WriteHostFile(DriveC() + "/in/f" + std::to_string(i) + ".txt", Text(50000 + i * 997, i));
    std::uintmax_t previous = UINTMAX_MAX;
    for (const int level : {0, 1, 5, 9}) {
        const std::string archive = "level" + std::to_string(level) + ".zip";
        ASSERT_EQ(Add("C:\\" + archive, {"C:\\in\\*.*"}, 0, level), 40);
        const std::uintmax_t size = std::filesystem::file_size(DriveC() + "/" + archive);
        EXPECT_LT(size, previous) << "level " << level;
        previous = size;
    }
}

using ZipProtected = ZipLevels;

TEST_P(ZipProtected, EveryFileIsEncryptedWithAes256AndPeersReadItOnlyWithThePassword) {
    if (!ToolInstalled("7zz") || !ToolInstalled("bsdtar"))
        GTEST_SKIP() << "7zz or bsdtar is not installed";
    const int level = GetParam();
    const std::string password = "pa55 w\xc3\xb6rd";
    zip.Password = password;
    ASSERT_EQ(Add("C:\\out.zip", {"C:\\in\\*.*"}, AddEncrypt, level), 7);
    const std::string archive = DriveC() + "/out.zip";
    std::map<std::string, std::string> lines; // by name, as printed
    for (const auto& [name, size] : kFiles)
        lines[name] = std::string(name) + (level == 0 ? " AES-256 Store\n" : " AES-256 Deflate\n");
    std::string expected;
    for (const auto& [name, line] : lines)
        expected += line;
    EXPECT_EQ(SevenZipMethods(archive), expected);
    // AE-2: the CRC is 0 everywhere, the authentication code stands for it.
    const auto crcs = RunPython(R"(
import sys, zipfile
print({i.CRC for i in zipfile.ZipFile(sys.argv[1]).infolist()})
)",
                                {archive});
    EXPECT_EQ(crcs.output, "{0}\n");
    const auto tested = RunTool({"7zz", "t", "-p" + password, archive});
    EXPECT_EQ(tested.exitCode, 0) << tested.output;
    for (const auto& refusing : {std::vector<std::string>{"7zz", "t", archive},
                                 std::vector<std::string>{"7zz", "t", "-pwrong", archive}}) {
        const auto refused = RunTool(refusing);
        EXPECT_NE(refused.exitCode, 0) << refused.output;
    }
    // bsdtar and the engine's own extraction give every file back.
    for (const bool ours : {false, true}) {
        const std::string out = DriveC() + (ours ? "/ours" : "/bsdtar");
        std::filesystem::create_directories(out);
        if (ours) {
            ASSERT_EQ(Extract("C:\\out.zip", "C:\\ours", {"*.*"}, 0), 7);
        } else {
            const auto extracted =
                RunTool({"bsdtar", "-x", "-C", out, "--passphrase", password, "-f", archive});
            ASSERT_EQ(extracted.exitCode, 0) << extracted.output;
        }
        for (const auto& [name, size] : kFiles)
            EXPECT_TRUE(ReadHostFile(out + "/" + name) == ReadHostFile(DriveC() + "/in/" + name))
                << name << (ours ? " by the engine" : " by bsdtar");
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, ZipProtected, ::testing::Values(0, 1, 9));
