// The user's own folders on the host, where a Linux user looks for them: the download folder the
// desktop names, and a folder of the user's for the folder trees to fall back on.
#pragma once

#include <string>

namespace platform {

// The host path of the user's download folder: XDG_DOWNLOAD_DIR of user-dirs.dirs (in
// $XDG_CONFIG_HOME, else ~/.config), else ~/Downloads; empty without HOME. It may not exist yet.
std::string UserDownloadFolder();

// The host path of the user's home folder (HOME), for drive H: of the prefix; empty without HOME,
// when it is no folder, or when it is the machine's root (drive Z: already).
std::string UserHomeFolder();

// A folder the user owns, as a Windows path, for a folder tree whose folder is missing: the home
// folder (drive H:, or its place on drive Z:) when it is the user's own, else the root of drive C:
// of the prefix. Never the machine's root.
std::string UserFallbackFolder();

} // namespace platform
