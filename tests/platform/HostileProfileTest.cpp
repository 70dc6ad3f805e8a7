// The private-profile functions on damaged settings files: a row per kind of damage, named after
// what is wrong, with what is read from the file. The next write must keep every value read, add
// its own, and leave a well-formed file (text lines with LF ends, no NUL, within the read limit)
// that a second identical write leaves byte for byte as it is.
#include "platform/Profile.h"

#include "HostileFiles.h"
#include "TestMachine.h"

#include <gtest/gtest.h>

using namespace win;
using namespace testing_support;
using namespace std::string_literals;

namespace {

const char* const kIni = "C:\\Program\\pakrune.ini";
constexpr std::size_t kLimit = 1 << 20; // what the reader reads of a file
const char* const kDefault = "<default>";

std::string IniHost() {
    return DriveC() + "/Program/pakrune.ini";
}

std::string Read(const char* section, const char* key) {
    char buffer[2048];
    GetPrivateProfileStringA(section, key, kDefault, buffer, sizeof buffer, kIni);
    return buffer;
}

std::string Utf16(std::string_view ascii) {
    std::string bytes = "\xFF\xFE";
    for (const char c : ascii)
        bytes += {c, '\0'};
    return bytes;
}

// The large rows are made when their test runs.
std::string TenMegabyteLine() {
    return "[Options]\nAutoMove=0\n[Big]\nx=" + std::string(10 << 20, 'y') + "\n[Window]\nLeft=5\n";
}
std::string FiftyMegabyteFile() {
    return "[Options]\nAutoMove=0\n" + Repeat("k=v\n", 50 << 20) + "[Window]\nLeft=5\n";
}
std::string LineAcrossTheLimit() {
    return Repeat("[Options]\nAutoMove=0\n" + std::string(1000, ';') + "\n", kLimit - 10) +
           "\nDownloadDir=c:\\a-folder-cut-by-the-limit\n";
}
std::string GarbageThenSettings() {
    return Garbage(64 << 10) + "\n[Options]\nAutoMove=0\n";
}
std::string HalfMegabyteValue() {
    return "[Options]\nDownloadDir=" + std::string(512 << 10, 'x') + "\nAutoMove=0\n";
}

struct Expect {
    const char* section;
    const char* key;
    std::string value; // kDefault: not read
};

struct Row {
    const char* name;
    std::string text;
    std::string (*make)(); // instead of text for large rows
    std::vector<Expect> reads;
};

const std::string kNuls(4096, '\0');

// clang-format off
const Row kRows[] = {
    {"empty", "", nullptr, {{"Options", "AutoMove", kDefault}}},
    {"truncated-in-a-value", "[Options]\nAutoMove=0\nDownloadDir=c:\\dow", nullptr, {{"Options", "AutoMove", "0"}, {"Options", "DownloadDir", "c:\\dow"}}},
    {"truncated-in-a-section-name", "[Options]\nAutoMove=0\n[Wind", nullptr, {{"Options", "AutoMove", "0"}, {"Window", "Left", kDefault}}},
    {"nul-bytes-inside-lines", "[Options]\nAuto\0Move=0\n[Win\0dow]\nLeft=5\0\n"s, nullptr, {{"Options", "AutoMove", "0"}, {"Window", "Left", "5"}}},
    {"nul-block-left-by-a-crash", "[Options]\nAutoMove=0\n" + kNuls, nullptr, {{"Options", "AutoMove", "0"}}},
    {"only-nul-bytes", kNuls, nullptr, {{"Options", "AutoMove", kDefault}}},
    {"binary-garbage-before-the-settings", "", GarbageThenSettings, {{"Options", "AutoMove", "0"}}},
    {"invalid-utf8-in-a-value", "[Options]\nDownloadDir=c:\\d\xE9j\xE0\xFF\xC3\n", nullptr, {{"Options", "DownloadDir", "c:\\d\xE9j\xE0\xFF\xC3"}}},
    {"crlf-line-ends", "[Options]\r\nAutoMove=0\r\n[Window]\r\nLeft=5\r\n", nullptr, {{"Options", "AutoMove", "0"}, {"Window", "Left", "5"}}},
    {"cr-only-line-ends", "[Options]\rAutoMove=0\rAutoRun=0\r[Window]\rLeft=5\r", nullptr, {{"Options", "AutoMove", "0"}, {"Options", "AutoRun", "0"}, {"Window", "Left", "5"}}},
    {"mixed-line-ends", "[Options]\r\nAutoMove=0\n\rAutoRun=0\r[Window]\nLeft=5", nullptr, {{"Options", "AutoMove", "0"}, {"Options", "AutoRun", "0"}, {"Window", "Left", "5"}}},
    {"utf8-byte-order-mark", "\xEF\xBB\xBF[Options]\nAutoMove=0\n", nullptr, {{"Options", "AutoMove", "0"}}},
    {"utf16-text", Utf16("[Options]\r\nAutoMove=0\r\n[Window]\r\nLeft=5\r\n"), nullptr, {{"Options", "AutoMove", "0"}, {"Window", "Left", "5"}}},
    {"half-megabyte-value", "", HalfMegabyteValue, {{"Options", "DownloadDir", std::string(2047, 'x')}, {"Options", "AutoMove", "0"}}},
    {"ten-megabyte-line-past-the-limit", "", TenMegabyteLine, {{"Options", "AutoMove", "0"}, {"Big", "x", kDefault}, {"Window", "Left", kDefault}}},
    {"fifty-megabyte-file", "", FiftyMegabyteFile, {{"Options", "AutoMove", "0"}, {"Window", "Left", kDefault}}},
    {"line-across-the-limit", "", LineAcrossTheLimit, {{"Options", "AutoMove", "0"}, {"Options", "DownloadDir", kDefault}}},
    {"unterminated-quote", "[Options]\nDownloadDir=\"c:\\dl\nAutoMove=\"0\"\n", nullptr, {{"Options", "DownloadDir", "\"c:\\dl"}, {"Options", "AutoMove", "0"}}},
    {"duplicate-section", "[Options]\nAutoMove=0\n[Window]\nLeft=5\n[options]\nAutoMove=1\nAutoRun=0\n", nullptr, {{"Options", "AutoMove", "0"}, {"Options", "AutoRun", kDefault}, {"Window", "Left", "5"}}},
    {"duplicate-key", "[Options]\nAutoMove=0\nautomove=1\n", nullptr, {{"Options", "AutoMove", "0"}}},
    {"section-without-closing-bracket", "[Options]\nAutoRun=0\n[Window\nLeft=5\n", nullptr, {{"Options", "AutoRun", "0"}, {"Options", "Left", "5"}, {"Window", "Left", kDefault}}},
    {"key-without-equals-sign", "[Options]\nAutoMove\nAutoRun=0\n", nullptr, {{"Options", "AutoMove", kDefault}, {"Options", "AutoRun", "0"}}},
    {"key-before-any-section", "AutoMove=0\n[Options]\nAutoRun=0\n", nullptr, {{"Options", "AutoMove", kDefault}, {"Options", "AutoRun", "0"}}},
    {"blanks-around-everything", "  [ Options ]  \n\t AutoMove = 0 \t\nDownloadDir = \" c:\\x \"\n", nullptr, {{"Options", "AutoMove", "0"}, {"Options", "DownloadDir", " c:\\x "}}},
};
// clang-format on

class HostileSettingsFile : public ::testing::TestWithParam<Row> {};

} // namespace

TEST_P(HostileSettingsFile, IsReadAsFarAsItIsValidAndTheNextWriteRepairsIt) {
    const Row& row = GetParam();
    WriteHostFile(IniHost(), row.make ? row.make() : row.text);
    for (const auto& [section, key, value] : row.reads)
        EXPECT_EQ(Read(section, key), value) << section << "/" << key;

    ASSERT_TRUE(WritePrivateProfileStringA("Window", "Width", "640", kIni));
    for (const auto& [section, key, value] : row.reads)
        EXPECT_EQ(Read(section, key), value) << section << "/" << key << " after a write";
    EXPECT_EQ(Read("Window", "Width"), "640");

    const std::string written = ReadHostFile(IniHost());
    EXPECT_EQ(written.find('\0'), std::string::npos);
    EXPECT_EQ(written.find('\r'), std::string::npos);
    EXPECT_EQ(written.back(), '\n');
    EXPECT_LE(written.size(), kLimit + std::string("[Window]\nWidth=640\n").size());
    ASSERT_TRUE(WritePrivateProfileStringA("Window", "Width", "640", kIni));
    EXPECT_EQ(ReadHostFile(IniHost()), written);
}

INSTANTIATE_TEST_SUITE_P(Rows, HostileSettingsFile, ::testing::ValuesIn(kRows),
                         RowName<::testing::TestParamInfo<Row>>);

TEST(SettingsFileNames, ALineBreakInANameOrValueIsRefused) {
    WriteHostFile(IniHost(), "[Last Files]\n1=C:\\a.zip\n");
    // A file name may hold a line break; written as it is, it would add lines of its own choosing.
    EXPECT_FALSE(
        WritePrivateProfileStringA("Last Files", "1", "C:\\x\n[Options]\nAutoRun=1", kIni));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(WritePrivateProfileStringA("Last Files", "1\r", "C:\\b.zip", kIni));
    EXPECT_FALSE(WritePrivateProfileStringA("Last\nFiles", "1", "C:\\b.zip", kIni));
    EXPECT_EQ(ReadHostFile(IniHost()), "[Last Files]\n1=C:\\a.zip\n");
}

class UnreadableSettingsFile : public ::testing::TestWithParam<UnreadableRow> {};

TEST_P(UnreadableSettingsFile, ReadsAsMissingAndIsReplacedOnlyWhenNothingIsLost) {
    const std::string observed = ReadWriteRead(
        GetParam().kind, IniHost(), "[Options]\nAutoMove=0\n",
        [] { return Read("Options", "AutoMove"); },
        [] { return WritePrivateProfileStringA("Options", "AutoMove", "1", kIni) != FALSE; });
    EXPECT_EQ(observed,
              GetParam().replaced ? "<default> written 1" : "<default> refused <default>");
}

INSTANTIATE_TEST_SUITE_P(Rows, UnreadableSettingsFile, ::testing::ValuesIn(kUnreadableRows),
                         RowName<::testing::TestParamInfo<UnreadableRow>>);
