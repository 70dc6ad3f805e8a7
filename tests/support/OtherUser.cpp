// Other local users for the tests.
#include "OtherUser.h"

#include "PrivateMounts.h"
#include "RunTool.h"
#include "TestMachine.h"

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace testing_support {
namespace {

const char* const kAccounts = "/etc/passwd";

int RunAs(uid_t uid, gid_t gid, const std::vector<std::string>& argv) {
    ::chmod(MachineRoot().c_str(), 0711);
    std::vector<std::string> command = {"/usr/bin/setpriv", "--reuid=" + std::to_string(uid),
                                        "--regid=" + std::to_string(gid), "--clear-groups", "--"};
    command.insert(command.end(), argv.begin(), argv.end());
    return RunTool(command).exitCode;
}

} // namespace

std::string WhyNoOtherUser() {
    if (::geteuid() != 0)
        return "running a command as another user needs root (running as uid " +
               std::to_string(::geteuid()) + ")";
    if (::access("/usr/bin/setpriv", X_OK) != 0)
        return "setpriv (util-linux) is not installed";
    return {};
}

int RunAsOtherUser(const std::vector<std::string>& argv) {
    return RunAs(kOtherUser, kOtherUser, argv);
}

int RunAsGroupMate(const std::vector<std::string>& argv) {
    return RunAs(kGroupMate, ::getegid(), argv);
}

GroupMateAccount::GroupMateAccount() {
    if (!PrivateMounts())
        return;
    const std::string copy = MachineRoot() + "/passwd";
    WriteHostFile(copy, ReadHostFile(kAccounts) + "groupmate:x:" + std::to_string(kGroupMate) +
                            ":" + std::to_string(::getegid()) +
                            ":group mate:/nonexistent:/usr/sbin/nologin\n");
    ::chmod(copy.c_str(), 0644);
    listed_ = ::mount(copy.c_str(), kAccounts, nullptr, MS_BIND, nullptr) == 0;
}

GroupMateAccount::~GroupMateAccount() {
    if (listed_)
        ::umount2(kAccounts, MNT_DETACH);
}

} // namespace testing_support
