// The host's shared temporary folder, where a browser leaves a download it hands to a program:
// $TMPDIR when it is set, else /tmp. The program's own temporary folder, C:\WINDOWS\Temp, is a
// private folder in the prefix, so a download there is seen by the host path it has.
#pragma once

#include <string>

namespace platform {

// The host path of the shared temporary folder.
std::string SharedTempFolder();

// True when the Windows path lies inside the shared temporary folder (links resolved).
bool InSharedTempFolder(const std::string& winPath);

} // namespace platform
