// The test process's mounts made its own: what a test mounts (a scratch disk, an account list,
// a temporary folder of the tests' own) is seen only by the test process and its children, and
// goes with the process even when a crash skips the unmounting. Needs root.
#pragma once

namespace testing_support {

// True once the process has mounts of its own (the first call makes them so).
bool PrivateMounts();

} // namespace testing_support
