// Paths the user picks to add.
#include "windows/PickedPaths.h"

#include "platform/PathMap.h"
#include "platform/WinPath.h"

bool SamePickedPath(std::string_view a, std::string_view b) {
    if (a == b)
        return true;
    if (!win::SameText(a, b))
        return false;
    // Letters that differ only in case: one file unless each names a file of its own.
    const auto hostA = platform::HostPathOf(a);
    const auto hostB = platform::HostPathOf(b);
    return !hostA || !hostB || *hostA == *hostB;
}
