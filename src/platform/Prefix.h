// The prefix: the host folder that holds the emulated machine. It maps drive letters onto host
// folders (dosdevices/), holds drive C: itself (drive_c/ with WINDOWS, SYSTEM and Temp), the drive
// types (drives.ini) and the registry files. All platform state lives here, so several processes
// see one machine.
#pragma once

#include <string>

namespace platform {

// $PAKRUNE_PREFIX, or ~/.pakrune by default.
std::string PrefixDir();

// Creates the prefix on first use, completely or not at all; an existing prefix is never
// touched. False when it neither exists nor can be made.
bool EnsurePrefix();

// Host path of the drive letter's link in dosdevices/ (it may not exist).
std::string DriveLink(char letter);
// True when the letter has an entry in dosdevices/, whether or not its target exists.
bool DriveDefined(char letter);

// Host path of a file in the prefix, such as "drives.ini".
std::string PrefixFile(const std::string& name);

// Removes a host folder and everything in it. Links are removed, never followed (z: points at the
// host root).
void RemoveHostTree(const std::string& hostFolder);

} // namespace platform
