// How Windows paths become host paths and back. Inside the program every path is a Windows path;
// the drive letters map onto host folders through the prefix's dosdevices/ links, and each path
// component is matched exactly first; only when no name has exactly its letters is it matched
// without regard to letter case, so of two names that differ only in case each names its own.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The absolute, normalised form of a Windows path: "/" becomes "\", "." and ".." are resolved
// without touching the disk, a relative path is taken from the current folder and a
// drive-relative one ("\Temp", "C:x") from the current drive. UNC paths keep their form.
std::string FullWindowsPath(std::string_view winPath);

// The host path that a Windows path names. A component that exists only in another letter case
// is found (the smallest such name when there are several); components that do not exist are
// kept as given, so files are created with the name given. Nothing when the drive is not mapped
// or the path is a UNC path.
std::optional<std::string> HostPathOf(std::string_view winPath);

// The full Windows path (FullWindowsPath) with every component that exists in the letter case it
// has on the disk, the one HostPathOf finds: "c:\download\TOOL.zip" may be
// "C:\Download\tool.zip". Components that do not exist stay as given.
std::string ExistingCasePath(std::string_view winPath);

// The Windows path that names a host path: the Windows folder whose host image is the longest
// prefix of it wins (drive roots and the prefix's own linked folders such as C:\WINDOWS\Temp).
// Empty when no drive covers the path.
std::string WindowsPathOf(std::string_view hostPath);

// The process's current folder in Windows form.
std::string CurrentWindowsDirectory();

} // namespace platform
