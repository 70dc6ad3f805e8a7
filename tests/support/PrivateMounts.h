// The test process's mounts made its own: what a test mounts (a scratch disk, an account list,
// the tests' own temporary folder) is seen only by the test process and its children, and goes
// with the process even when a crash skips the unmounting. Needs root.
#pragma once

#include <string>

namespace testing_support {

// True once the process has mounts of its own (the first call makes them so).
bool PrivateMounts();

// The folder the test machines are made in, chosen once, first thing in a test program: a folder
// no other user can write to, since a program the desktop is to start must lie in one (as the
// programs of the tests' machines do). As root, /tmp with a folder of the tests' own mounted
// over it for this process and its children (removed when the process ends); otherwise the
// user's runtime folder ($XDG_RUNTIME_DIR) where there is one, else /tmp as it is.
std::string TestsTemporaryFolder();

} // namespace testing_support
