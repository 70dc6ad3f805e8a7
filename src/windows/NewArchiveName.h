// The name of a new archive, as the new-archive command and the wizard check it: a ".exe" is
// refused (an archive becomes a program only by conversion), a name with a "." anywhere must end
// in ".zip", and a name without any "." gets ".zip" appended. An existing file of that name is
// replaced only when the user agrees and it could be deleted.
#pragma once

#include <optional>
#include <string>

// The archive's path, or nothing after the refusal was shown to the user.
std::optional<std::string> NewArchiveName(const std::string& chosen);

// Clears the way for a new archive at path: when a file is there, asks "Overwrite Existing File: "
// + path + "?" and deletes it on Yes. False when the user declines or the file cannot be deleted
// (after saying so), so that nothing is ever added to the old archive.
bool ClearWayForNewArchive(const std::string& path);
