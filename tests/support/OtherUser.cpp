// A second local user for the tests.
#include "OtherUser.h"

#include "RunTool.h"
#include "TestMachine.h"

#include <sys/stat.h>
#include <unistd.h>

namespace testing_support {

std::string WhyNoOtherUser() {
    if (::geteuid() != 0)
        return "running a command as another user needs root (running as uid " +
               std::to_string(::geteuid()) + ")";
    if (::access("/usr/bin/setpriv", X_OK) != 0)
        return "setpriv (util-linux) is not installed";
    return {};
}

int RunAsOtherUser(const std::vector<std::string>& argv) {
    ::chmod(MachineRoot().c_str(), 0711);
    const std::string id = std::to_string(kOtherUser);
    std::vector<std::string> command = {"/usr/bin/setpriv", "--reuid=" + id, "--regid=" + id,
                                        "--clear-groups", "--"};
    command.insert(command.end(), argv.begin(), argv.end());
    return RunTool(command).exitCode;
}

} // namespace testing_support
