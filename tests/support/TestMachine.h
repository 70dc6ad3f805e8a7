// A fresh machine for every test: a temporary folder holding the prefix, the home folder and the
// host's shared temporary folder ($TMPDIR, where a browser leaves downloads), removed when the
// test ends. Nothing touches the real user's home or prefix.
#pragma once

#include <gtest/gtest.h>
#include <string>

namespace testing_support {

// Installs the per-test machine as a gtest listener. Call once from main.
void InstallTestMachine();

// The host folder of the current test's machine.
std::string MachineRoot();

// Host path of C: (the prefix's drive_c), of the program's private temporary folder
// (C:\WINDOWS\Temp) and of the shared temporary folder of the test's host ($TMPDIR).
std::string DriveC();
std::string HostTemp();
std::string SharedTemp();

// Writes a host file, creating its folders.
void WriteHostFile(const std::string& hostPath, const std::string& contents);
std::string ReadHostFile(const std::string& hostPath);
bool HostExists(const std::string& hostPath);

} // namespace testing_support
