// The parts of a prefix: the folders, links and files every prefix needs, made where they are
// missing, and the ones no other user may be able to change.
#pragma once

#include <string>
#include <vector>

namespace platform {

// Makes every part of the prefix in folder dir that is missing: drives C: and Z:, drive C: with
// its Windows, system and temporary folders, the stub, the drive types, the registry files, the
// link of C:\download to the user's download folder and drive H:, the user's home folder. What
// is there is never touched (an
// installed stub newer than the prefix's copy excepted). False when a part could not be made.
bool CompletePrefix(const std::string& dir);

// Why another user could change what the prefix in dir holds (the folder itself and the
// folders above it, dosdevices, drive C: and the folders above it, its Windows folders, the
// stub, the drive types, the registry files), as "<host path> <reason>"; empty when only the
// user can. Missing parts are passed over.
std::string WhyPrefixNotOwned(const std::string& dir);

// Makes C:\WINDOWS\Temp of the prefix in dir a folder of the user's own that nobody else can
// open (mode 0700). A link to a folder that others share (prefixes made earlier linked it to
// /tmp) is replaced by a new folder; a folder of another user, a folder others could open (what
// they put in it would stay theirs) or anything but a folder is set aside whole as
// Temp.unsafe.*, never deleted, and a new folder takes its place. Folders set aside before that
// are the user's own and empty are removed first. What was done, and where what was set aside
// went, is added to notices, for the user to be told once. False when no private folder could
// be had.
bool MakeTempFolderPrivate(const std::string& dir, std::vector<std::string>& notices);

} // namespace platform
