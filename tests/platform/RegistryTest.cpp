// The registry: values of each type, other processes, crashes and refused writes.
#include "platform/Registry.h"
#include "platform/AtomicFile.h"
#include "platform/Prefix.h"

#include "TestMachine.h"

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace win;
using namespace testing_support;

namespace {

const char* const kKey = "Software\\Netscape\\Netscape Navigator\\Viewers";

LONG SetString(HKEY root, const char* key, const char* name, const std::string& value) {
    HKEY k = nullptr;
    LONG rc = RegCreateKeyExA(root, key, &k, nullptr);
    if (rc != ERROR_SUCCESS)
        return rc;
    rc = RegSetValueExA(k, name, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>(value.size() + 1));
    RegCloseKey(k);
    return rc;
}

std::string GetString(HKEY root, const char* key, const char* name) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(root, key, &k) != ERROR_SUCCESS)
        return "<no key>";
    char buffer[256] = {};
    DWORD size = sizeof buffer, type = 0;
    const LONG rc = RegQueryValueExA(k, name, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(k);
    return rc == ERROR_SUCCESS && type == REG_SZ ? std::string(buffer) : "<none>";
}

// Runs body in a child process and returns its exit status.
template <typename Body> int InChild(Body body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        body();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST(Registry, ValuesOfEachTypeAndTheDefaultValue) {
    EXPECT_EQ(GetString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Setup",
                        "WinDir"),
              "C:\\WINDOWS"); // seeded when the prefix is made

    HKEY k = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "Pakrune\\shell\\open\\command", &k, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    const std::string command = "C:\\Program Files\\pakrune \"%1\"";
    ASSERT_EQ(RegSetValueExA(k, nullptr, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                             static_cast<DWORD>(command.size() + 1)),
              ERROR_SUCCESS);
    RegCloseKey(k);
    EXPECT_EQ(GetString(HKEY_CLASSES_ROOT, "PAKRUNE\\Shell\\Open\\Command", ""), command);
    EXPECT_EQ(GetString(HKEY_CLASSES_ROOT, "Pakrune\\shell", ""), "<none>"); // parents exist, empty

    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "Pakrune", &k, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    const BYTE flags[] = {0, 0, 1, 0};
    ASSERT_EQ(RegSetValueExA(k, "EditFlags", REG_BINARY, flags, 4), ERROR_SUCCESS);
    const DWORD number = 0x0000000A;
    ASSERT_EQ(RegSetValueExA(k, "Count", REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4),
              ERROR_SUCCESS);
    BYTE read[8] = {};
    DWORD size = 2, type = 0;
    EXPECT_EQ(RegQueryValueExA(k, "editflags", &type, read, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 4u);
    size = sizeof read;
    ASSERT_EQ(RegQueryValueExA(k, "EditFlags", &type, read, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(std::memcmp(read, flags, 4), 0);
    size = sizeof read;
    ASSERT_EQ(RegQueryValueExA(k, "Count", &type, read, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(read[0], 0x0A);
    EXPECT_EQ(RegDeleteValueA(k, "EditFlags"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(k, "EditFlags"), ERROR_FILE_NOT_FOUND);
    RegCloseKey(k);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Nothing", &k), ERROR_FILE_NOT_FOUND);

    // The file stays readable by a person.
    const std::string text = ReadHostFile(platform::PrefixFile("HKEY_CLASSES_ROOT.reg"));
    EXPECT_NE(text.find("[Pakrune\\shell\\open\\command]"), std::string::npos);
    EXPECT_NE(text.find("@=\"C:\\\\Program Files\\\\pakrune \\\"%1\\\"\""), std::string::npos);
}

TEST(Registry, AnotherProcessSeesEveryChangeAtOnce) {
    ASSERT_EQ(SetString(HKEY_CURRENT_USER, kKey, "application/x-pakrune", "C:\\pakrune"),
              ERROR_SUCCESS);
    EXPECT_EQ(InChild([] {
                  if (GetString(HKEY_CURRENT_USER, kKey, "application/x-pakrune") != "C:\\pakrune")
                      ::_exit(1);
                  if (SetString(HKEY_CURRENT_USER, kKey, "from child", "yes") != ERROR_SUCCESS)
                      ::_exit(2);
              }),
              0);
    EXPECT_EQ(GetString(HKEY_CURRENT_USER, kKey, "from child"), "yes");
    EXPECT_EQ(GetString(HKEY_CURRENT_USER, kKey, "application/x-pakrune"), "C:\\pakrune");
}

TEST(Registry, ACrashBetweenWriteAndRenameLeavesTheOldValues) {
    ASSERT_EQ(SetString(HKEY_CURRENT_USER, kKey, "v", "old"), ERROR_SUCCESS);
    EXPECT_EQ(InChild([] {
                  platform::SetBeforeCommitHook([] { ::_exit(7); });
                  SetString(HKEY_CURRENT_USER, kKey, "v", "new");
              }),
              7);
    EXPECT_EQ(GetString(HKEY_CURRENT_USER, kKey, "v"), "old");
    EXPECT_EQ(SetString(HKEY_CURRENT_USER, kKey, "v", "newer"), ERROR_SUCCESS);
    EXPECT_EQ(GetString(HKEY_CURRENT_USER, kKey, "v"), "newer");
}

TEST(Registry, AWriteThatCannotBeStoredFails) {
    // Make the root's file impossible to replace.
    const std::string file = platform::PrefixFile("HKEY_CLASSES_ROOT.reg");
    std::filesystem::remove(file);
    std::filesystem::create_directories(file + "/blocked");
    EXPECT_EQ(SetString(HKEY_CLASSES_ROOT, ".zip", "Content Type", "application/x-pakrune"),
              ERROR_ACCESS_DENIED);
}
