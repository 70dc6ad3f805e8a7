// Other local users, for the tests of what they can and cannot do: commands run as uid 4242
// (another user with a group of their own) or as uid 4343 (a user whose primary group is the
// test user's own group) through setpriv. Only root can run a command as another user;
// elsewhere those tests skip and say why (SKIP_WITHOUT_OTHER_USER).
#pragma once

#include <gtest/gtest.h>
#include <string>
#include <sys/types.h>
#include <vector>

namespace testing_support {

constexpr uid_t kOtherUser = 4242;
constexpr uid_t kGroupMate = 4343;

// Why commands cannot run as another user here; empty when they can.
std::string WhyNoOtherUser();

// Runs argv as the other user and returns its exit code. The test machine's root is first opened
// for passing through (mode 0711), so the other user reaches what the test opened to it.
int RunAsOtherUser(const std::vector<std::string>& argv);
// The same as the group mate, whose primary group is the test user's.
int RunAsGroupMate(const std::vector<std::string>& argv);

// The group mate's account, in the account list that the test process and its children see
// (a copy of /etc/passwd with one more line, mounted over it privately), for as long as the
// object lives. Without root there is no account, and Listed() is false.
class GroupMateAccount {
public:
    GroupMateAccount();
    ~GroupMateAccount();
    GroupMateAccount(const GroupMateAccount&) = delete;
    GroupMateAccount& operator=(const GroupMateAccount&) = delete;
    bool Listed() const { return listed_; }

private:
    bool listed_ = false;
};

#define SKIP_WITHOUT_OTHER_USER()                                                                  \
    if (const std::string why = testing_support::WhyNoOtherUser(); !why.empty())                   \
    GTEST_SKIP() << why

} // namespace testing_support
