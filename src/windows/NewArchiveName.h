// The rules for naming a new archive, shared by the main window's New command and the wizard: the
// name chosen in the new-archive dialog becomes the archive's path or is refused with a message,
// and an existing file of that name is replaced only when the user agrees and it could be deleted.
#pragma once

#include <optional>
#include <string>

// The archive path for a chosen name: a name with no "." anywhere gets ".zip"; one whose
// extension is ".exe" is refused ("Error: you must create a .ZIP file, then convert to .EXE"),
// and so is any other name with a "." (also one in a folder name only) unless its extension is
// ".zip" ("Error: your new archive must end in .ZIP"). Nothing after showing the message.
std::optional<std::string> NewArchiveName(const std::string& chosen);

// Clears the way for a new archive at path. When a file is there, asks "Overwrite Existing
// File: " + path + "?" and deletes it on Yes. False when the user declines, or when the file
// cannot be deleted (after saying so), so that nothing is ever added to the old archive.
bool ClearWayForNewArchive(const std::string& path);
