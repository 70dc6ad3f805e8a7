// The prefix: the host folder that holds the emulated machine. It maps drive letters onto host
// folders (dosdevices/), holds drive C: itself (drive_c/ with WINDOWS, SYSTEM and Temp), the drive
// types (drives.ini) and the registry files. All platform state lives here, so several processes
// see one machine.
#pragma once

#include <string>
#include <vector>

namespace platform {

// $PAKRUNE_PREFIX, or ~/.pakrune by default; empty when neither that variable nor HOME is set
// (a shared folder such as /tmp is never a fallback). Once EnsurePrefix has accepted it, the
// folder it led to then, links resolved, whatever its links lead to since.
std::string PrefixDir();

// Once a run: refuses a prefix reached through a link that another user could point elsewhere;
// creates the prefix on first use, completely or not at all; resolves its path once; checks
// that only the user can change it; makes its missing parts without touching what is there;
// makes its temporary folder private. False when it cannot be used (PrefixRefusal says why).
bool EnsurePrefix();

// Why the prefix cannot be used, in words for the user; empty when it can.
std::string PrefixRefusal();
// What the checks repaired since the last call (the temporary folder made private), each to be
// told to the user once.
std::vector<std::string> TakePrefixNotices();

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
