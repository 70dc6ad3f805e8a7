// The registry on damaged root files: a row per kind of damage, named after what is wrong, with
// the values read from the file. The next change must keep every value read, and leave a file
// whose every line is understood (read and written again, it is the same text) and that a second
// identical change leaves byte for byte as it is.
#include "platform/AtomicFile.h"
#include "platform/Prefix.h"
#include "platform/Registry.h"
#include "platform/RegistryText.h"

#include "HostileFiles.h"
#include "TestMachine.h"

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace win;
using namespace testing_support;
using namespace std::string_literals;

namespace {

constexpr std::size_t kLimit = 1 << 20; // what the registry reads of a root's file

std::string UserFile() {
    return platform::PrefixFile("HKEY_CURRENT_USER.reg");
}

// A value as read through the registry: "sz:text", "dword:0000000a", or "type:bytes" in hex.
std::string Describe(const char* key, const char* name) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, &k) != ERROR_SUCCESS)
        return "<no key>";
    BYTE data[4096];
    DWORD size = sizeof data, type = 0;
    const LONG rc = RegQueryValueExA(k, name, &type, data, &size);
    RegCloseKey(k);
    if (rc != ERROR_SUCCESS)
        return "<none>";
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    char hex[16];
    if (type == REG_SZ)
        return "sz:" + bytes.substr(0, bytes.size() - 1);
    if (type == REG_DWORD && size == 4) {
        std::uint32_t n = 0;
        std::memcpy(&n, data, 4);
        std::snprintf(hex, sizeof hex, "%08x", n);
        return "dword:"s + hex;
    }
    std::string text = std::to_string(type) + ":";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(hex, sizeof hex, i ? ",%02x" : "%02x", static_cast<unsigned char>(bytes[i]));
        text += hex;
    }
    return text;
}

LONG SetText(const char* key, const char* name, const std::string& text) {
    HKEY k = nullptr;
    LONG rc = RegCreateKeyExA(HKEY_CURRENT_USER, key, &k, nullptr);
    if (rc != ERROR_SUCCESS)
        return rc;
    rc = RegSetValueExA(k, name, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>(text.size() + 1));
    RegCloseKey(k);
    return rc;
}

std::string GarbageThenAKey() {
    return Garbage(64 << 10) + "\n[A]\n\"x\"=\"1\"\n";
}
std::string FiftyMegabyteFile() {
    return "[A]\n\"x\"=\"1\"\n" + Repeat("\"k\"=\"v\"\n", 50 << 20) + "[B]\n\"y\"=\"2\"\n";
}
std::string LineAcrossTheLimit() {
    return Repeat("[A]\n\"x\"=\"1\"\n" + std::string(1000, ';') + "\n", kLimit - 10) +
           "\n[A]\n\"y\"=\"cut by the limit\"\n";
}

// Values typed with single backslashes, each of which is written back as two: the file written
// out would be half as large again as the limit.
std::string EscapesThatGrowPastTheLimit() {
    std::string text = "[A]\n";
    for (int i = 0; text.size() < kLimit - 200; ++i)
        text += "\"v" + std::to_string(i) + "\"=\"" + Repeat("\\W", 200) + "\"\n";
    return text;
}

struct Expect {
    const char* key;
    const char* name;
    std::string value;
};

struct Row {
    const char* name;
    std::string text;
    std::string (*make)(); // instead of text for large rows
    std::vector<Expect> reads;
};

// clang-format off
const Row kRows[] = {
    {"truncated-hex-list", "[A]\n\"x\"=\"1\"\n\"y\"=hex:00,01,0", nullptr, {{"A", "x", "sz:1"}, {"A", "y", "<none>"}}},
    {"hex-list-cut-after-a-comma", "[A]\n\"y\"=hex:00,01,\n\"x\"=\"1\"\n", nullptr, {{"A", "y", "<none>"}, {"A", "x", "sz:1"}}},
    {"hex-without-colon", "[A]\n\"y\"=hex00\n", nullptr, {{"A", "y", "<none>"}}},
    {"hex-digits-without-commas", "[A]\n\"y\"=hex:0001\n", nullptr, {{"A", "y", "<none>"}}},
    {"hex-byte-of-one-digit", "[A]\n\"y\"=hex:0,01\n", nullptr, {{"A", "y", "<none>"}}},
    {"hex-type-unclosed", "[A]\n\"y\"=hex(2:00\n", nullptr, {{"A", "y", "<none>"}}},
    {"hex-type-too-large", "[A]\n\"y\"=hex(4294967296):00\n", nullptr, {{"A", "y", "<none>"}}},
    {"hex-type-negative", "[A]\n\"y\"=hex(-1):00\n", nullptr, {{"A", "y", "<none>"}}},
    {"hex-of-another-type", "[A]\n\"y\"=hex(2):25,00\n\"z\"=hex:\n", nullptr, {{"A", "y", "2:25,00"}, {"A", "z", "3:"}}},
    {"text-as-hex-holding-a-nul", "[A]\n\"y\"=hex(1):41,00,42\n", nullptr, {{"A", "y", "sz:A\0B"s}}},
    {"dword-empty", "[A]\n\"y\"=dword:\n", nullptr, {{"A", "y", "<none>"}}},
    {"dword-not-hexadecimal", "[A]\n\"y\"=dword:xyz\n", nullptr, {{"A", "y", "<none>"}}},
    {"dword-of-nine-digits", "[A]\n\"y\"=dword:123456789\n", nullptr, {{"A", "y", "<none>"}}},
    {"dword-negative", "[A]\n\"y\"=dword:-1\n", nullptr, {{"A", "y", "<none>"}}},
    {"dword-with-0x", "[A]\n\"y\"=dword:0x10\n", nullptr, {{"A", "y", "<none>"}}},
    {"dword-with-junk-after", "[A]\n\"y\"=dword:12zz\n", nullptr, {{"A", "y", "<none>"}}},
    {"dword-of-one-digit", "[A]\n\"y\"=dword:A\n", nullptr, {{"A", "y", "dword:0000000a"}}},
    {"name-quote-unterminated", "[A]\n\"y=\"1\"\n\"x\"=\"1\"\n", nullptr, {{"A", "y", "<none>"}, {"A", "x", "sz:1"}}},
    {"value-quote-unterminated", "[A]\n\"y\"=\"text\n", nullptr, {{"A", "y", "<none>"}}},
    {"escape-at-the-line-end", "[A]\n\"y\"=\"text\\\n", nullptr, {{"A", "y", "<none>"}}},
    {"single-backslashes-typed-by-hand", "[A]\n\"WinDir\"=\"C:\\WINDOWS\\x\"\n", nullptr, {{"A", "WinDir", "sz:C:\\WINDOWS\\x"}}},
    {"escapes", "[A]\n\"y\"=\"q\\\"b\\\\s\\nn\\r\"\n", nullptr, {{"A", "y", "sz:q\"b\\s\nn\r"}}},
    {"junk-after-the-value", "[A]\n\"y\"=\"1\" junk\n\"x\"=dword:1 2\n", nullptr, {{"A", "y", "<none>"}, {"A", "x", "<none>"}}},
    {"nul-bytes-inside-lines", "[A]\n\"y\"=\"1\0 2\"\n[B\0]\n\"z\"=dword:0\0a\n"s, nullptr, {{"A", "y", "sz:1 2"}, {"B", "z", "dword:0000000a"}}},
    {"crlf-line-ends", "; HKEY_CURRENT_USER\r\n[A]\r\n\"y\"=\"1\"\r\n", nullptr, {{"A", "y", "sz:1"}}},
    {"cr-only-line-ends", "[A]\r\"y\"=\"1\"\r[B]\r@=\"d\"\r", nullptr, {{"A", "y", "sz:1"}, {"B", "", "sz:d"}}},
    {"utf8-byte-order-mark", "\xEF\xBB\xBF[A]\n\"y\"=\"1\"\n", nullptr, {{"A", "y", "sz:1"}}},
    {"invalid-utf8", "[A\xFF]\n\"\xFE\"=\"\xC3(\"\n", nullptr, {{"A\xFF", "\xFE", "sz:\xC3("}}},
    {"key-in-two-sections", "[A]\n\"x\"=\"1\"\n[B]\n\"y\"=\"2\"\n[a]\n\"z\"=\"3\"\n\"X\"=\"4\"\n", nullptr, {{"A", "x", "sz:1"}, {"A", "z", "sz:3"}, {"B", "y", "sz:2"}}},
    {"value-twice", "[A]\n\"x\"=\"1\"\n\"X\"=\"2\"\n", nullptr, {{"A", "x", "sz:1"}}},
    {"damaged-key-line-takes-its-values", "[A]\n\"x\"=\"1\"\n[B\n\"y\"=\"2\"\n", nullptr, {{"A", "x", "sz:1"}, {"A", "y", "<none>"}, {"B", "y", "<no key>"}}},
    {"value-before-any-key", "\"x\"=\"1\"\n[A]\n", nullptr, {{"A", "x", "<none>"}}},
    {"backslashes-at-the-key-ends", "[\\A\\\\B\\]\n\"x\"=\"1\"\n", nullptr, {{"A\\B", "x", "sz:1"}}},
    {"binary-garbage-before-the-keys", "", GarbageThenAKey, {{"A", "x", "sz:1"}}},
    {"fifty-megabyte-file", "", FiftyMegabyteFile, {{"A", "x", "sz:1"}, {"A", "k", "sz:v"}, {"B", "y", "<no key>"}}},
    {"escapes-that-grow-past-the-limit", "", EscapesThatGrowPastTheLimit, {{"A", "v0", "sz:" + Repeat("\\W", 200)}}},
    {"line-across-the-limit", "", LineAcrossTheLimit, {{"A", "x", "sz:1"}, {"A", "y", "<none>"}}},
};
// clang-format on

class HostileRegistryFile : public ::testing::TestWithParam<Row> {};

} // namespace

TEST_P(HostileRegistryFile, IsReadAsFarAsItIsValidAndTheNextChangeRepairsIt) {
    const Row& row = GetParam();
    WriteHostFile(UserFile(), row.make ? row.make() : row.text);
    for (const auto& [key, name, value] : row.reads)
        EXPECT_EQ(Describe(key, name), value) << key << "/" << name;

    ASSERT_EQ(SetText("A", "new", "value"), ERROR_SUCCESS);
    for (const auto& [key, name, value] : row.reads)
        EXPECT_EQ(Describe(key, name), value) << key << "/" << name << " after a change";
    EXPECT_EQ(Describe("A", "new"), "sz:value");

    const std::string written = ReadHostFile(UserFile());
    EXPECT_EQ(written.find('\0'), std::string::npos);
    EXPECT_EQ(written.find('\r'), std::string::npos);
    EXPECT_LE(written.size(), kLimit);
    EXPECT_EQ(platform::registry::SerialiseHive(platform::registry::ParseHive(written)), written);
    ASSERT_EQ(SetText("A", "new", "value"), ERROR_SUCCESS);
    EXPECT_EQ(ReadHostFile(UserFile()), written);
}

INSTANTIATE_TEST_SUITE_P(Rows, HostileRegistryFile, ::testing::ValuesIn(kRows),
                         RowName<::testing::TestParamInfo<Row>>);

class UnreadableRegistryFile : public ::testing::TestWithParam<UnreadableRow> {};

TEST_P(UnreadableRegistryFile, ReadsAsEmptyAndIsReplacedOnlyWhenNothingIsLost) {
    const std::string observed = ReadWriteRead(
        GetParam().kind, UserFile(), "[A]\n\"x\"=\"1\"\n", [] { return Describe("A", "x"); },
        [] { return SetText("A", "x", "1") == ERROR_SUCCESS; });
    EXPECT_EQ(observed,
              GetParam().replaced ? "<no key> written sz:1" : "<no key> refused <no key>");
}

INSTANTIATE_TEST_SUITE_P(Rows, UnreadableRegistryFile, ::testing::ValuesIn(kUnreadableRows),
                         RowName<::testing::TestParamInfo<UnreadableRow>>);

TEST(RegistryKeyNames, AKeyNameWithALineBreakIsRefused) {
    EXPECT_EQ(SetText("A\n[B]", "x", "1"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(SetText("A\\\\B\\", "x", "1"), ERROR_SUCCESS); // doubled and final backslashes
    EXPECT_EQ(Describe("A\\B", "x"), "sz:1");
    EXPECT_EQ(Describe("A\\", "x"), "<none>"); // "A" itself, which holds no x
}

TEST(RegistryLock, AChangeWaitsForAnotherProcessThatReplacesTheFileAndKeepsItsValues) {
    ASSERT_EQ(SetText("A", "mine", "1"), ERROR_SUCCESS);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Another program that holds the root's lock while it replaces the file with its own.
        const int lock = ::open((UserFile() + ".lock").c_str(), O_RDWR | O_CLOEXEC);
        ::flock(lock, LOCK_EX);
        (void)!::write(ready[1], "x", 1);
        ::usleep(200 * 1000);
        const auto text = platform::ReadWholeFile(UserFile());
        platform::WriteFileAtomically(UserFile(), *text + "\"theirs\"=\"2\"\n");
        ::_exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    EXPECT_EQ(SetText("A", "later", "3"), ERROR_SUCCESS);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_EQ(Describe("A", "mine"), "sz:1");
    EXPECT_EQ(Describe("A", "theirs"), "sz:2");
    EXPECT_EQ(Describe("A", "later"), "sz:3");
}
