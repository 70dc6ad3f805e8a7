// A second local user, for the tests of what another user on the machine can and cannot do:
// commands run as uid 4242 through setpriv. Only root can run a command as another user;
// elsewhere those tests skip and say why (SKIP_WITHOUT_OTHER_USER).
#pragma once

#include <gtest/gtest.h>
#include <string>
#include <sys/types.h>
#include <vector>

namespace testing_support {

constexpr uid_t kOtherUser = 4242;

// Why commands cannot run as the other user here; empty when they can.
std::string WhyNoOtherUser();

// Runs argv as the other user and returns its exit code. The test machine's root is first opened
// for passing through (mode 0711), so the other user reaches what the test opened to it.
int RunAsOtherUser(const std::vector<std::string>& argv);

#define SKIP_WITHOUT_OTHER_USER()                                                                  \
    if (const std::string why = testing_support::WhyNoOtherUser(); !why.empty())                   \
    GTEST_SKIP() << why

} // namespace testing_support
