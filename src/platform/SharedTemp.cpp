// The host's shared temporary folder.
#include "platform/SharedTemp.h"

#include "platform/PathMap.h"

#include <climits>
#include <cstdlib>

namespace platform {

std::string SharedTempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp && tmp[0] == '/' ? tmp : "/tmp";
}

bool InSharedTempFolder(const std::string& winPath) {
    char folder[PATH_MAX], file[PATH_MAX];
    const auto host = HostPathOf(winPath);
    if (!host || !::realpath(SharedTempFolder().c_str(), folder) ||
        !::realpath(host->c_str(), file))
        return false;
    const std::string inside = std::string(folder) == "/" ? "/" : std::string(folder) + "/";
    return std::string(file).starts_with(inside);
}

} // namespace platform
