// Library loading by DLL name, and the error mode.
#include "platform/Library.h"

#include "TestMachine.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace win;
using namespace testing_support;

namespace {

std::string BuiltTestLibrary() {
    const std::string program = std::filesystem::read_symlink("/proc/self/exe").string();
    return program.substr(0, program.rfind('/')) + "/libtestdll.so";
}

int CallAnswer(HMODULE module) {
    const auto answer = reinterpret_cast<int (*)()>(GetProcAddress(module, "TestDllAnswer"));
    return answer ? answer() : -1;
}

} // namespace

TEST(Library, LoadsTheSharedObjectThatStandsForADll) {
    EXPECT_EQ(platform::SharedObjectName("ZIPDLL.DLL"), "libzipdll.so");
    EXPECT_EQ(platform::SharedObjectName("C:\\X\\UnzDll.dll"), "libunzdll.so");

    // Beside the program.
    HMODULE module = LoadLibraryA("TESTDLL.DLL");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(CallAnswer(module), 42);
    EXPECT_EQ(GetProcAddress(module, "NoSuchEntry"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    EXPECT_TRUE(FreeLibrary(module));

    // In the system folder, then the Windows folder.
    std::filesystem::copy_file(BuiltTestLibrary(), DriveC() + "/WINDOWS/SYSTEM/libsysonly.so");
    std::filesystem::copy_file(BuiltTestLibrary(), DriveC() + "/WINDOWS/libwinonly.so");
    for (const char* name : {"SYSONLY.DLL", "winonly.dll"}) {
        module = LoadLibraryA(name);
        ASSERT_NE(module, nullptr) << name;
        EXPECT_EQ(CallAnswer(module), 42);
        FreeLibrary(module);
    }

    EXPECT_EQ(LoadLibraryA("MISSING.DLL"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
}

TEST(Library, ErrorModeReturnsThePreviousMode) {
    const UINT before = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    EXPECT_EQ(SetErrorMode(0), 3u);
    EXPECT_EQ(GetErrorMode(), 0u);
    SetErrorMode(before);
}
