// The program's folder as the program sees it. A program run from a folder of its own (a build
// folder, say) sees that folder. An installed program lies in a shared folder that the user
// cannot write to, marked by the file "pakrune.installed"; each user sees it as
// C:\Program Files\Pakrune in the prefix, a folder of links to the installed files, so that the
// settings file beside the program is the user's own and writable while the program, its engine
// libraries, the stub, the help and the readme are the installed ones. The links are made with
// the prefix and refreshed whenever the installed files are found elsewhere.
#pragma once

#include <string>

namespace platform {

// The marker of an installed program's folder, and the folder's Windows path for the user.
extern const char* const kInstalledMarker;
extern const char* const kUserProgramFolder;

// The host folder of the running program when it is an installed one, or empty.
std::string InstalledProgramFolder();

// Links every installed file into hostFolder (made when missing), replacing links that point
// elsewhere and removing links whose target is gone; the user's own files there are left alone.
// True when the program is not installed or every link is in place.
bool LinkProgramFolder(const std::string& hostFolder);

} // namespace platform
