// The desktop's handler of ZIP files: what makes a browser on a freedesktop desktop hand a
// downloaded archive to this program, as the ".zip" file class does on Windows. Registering
// writes a desktop entry of our own to $XDG_DATA_HOME/applications (hidden from the menus, it
// names the running program) and puts it first among the default applications for the ZIP types
// in $XDG_CONFIG_HOME/mimeapps.list; unregistering takes away exactly that. Every other line of
// mimeapps.list stays as it was, and the applications the user had chosen before follow ours, so
// they are the defaults again once ours is gone. The desktop's database of entries is refreshed
// with update-desktop-database where that tool exists.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The file name (desktop file ID) of our entry, and the media types it handles.
extern const char* const kZipHandlerId;
extern const std::vector<std::string> kZipHandlerTypes;

// $XDG_DATA_HOME/applications/<id>, and $XDG_CONFIG_HOME/mimeapps.list (each falling back to its
// place in $HOME when the variable is unset or not an absolute path); empty when HOME is not set
// either.
std::string ZipHandlerEntryPath();
std::string MimeAppsListPath();

// The entry's text for a program at a host path: Exec names it quoted, so any path works.
std::string ZipHandlerEntry(const std::string& hostProgram);

// Why the desktop's files cannot be changed, or empty when they can: without HOME or the XDG
// folders there is nowhere of the user's own to write, and a read-only mimeapps.list (or the file
// its link leads to) is the user's to keep.
std::string DesktopFilesRefusal();
// Why no desktop entry can be registered for the program at a host path, or empty when one can:
// besides the refusal above, desktops reject an entry whose Exec is not UTF-8 or holds a control
// character (it would become the default and open nothing).
std::string ZipHandlerRefusal(const std::string& hostProgram);

// Each returns the host path of the first file it could not write, or empty when all went well.
// mimeapps.list is edited where a link leads, keeping the link, and every byte of it that our
// entry does not concern stays as it was.
std::string RegisterZipHandler(const std::string& hostProgram);
std::string UnregisterZipHandler();

} // namespace platform
