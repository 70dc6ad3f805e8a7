// Files and folders in Windows form: attributes, the current folder, creating folders, moving,
// copying and deleting files.
#pragma once

#include "platform/WinTypes.h"

#include <string>
#include <string_view>

namespace win {

// Attributes of a file or folder: directory from the host's file type, read-only when the owner
// may not write, hidden for names that start with "."; hidden, system and archive can also be
// set, and are kept in the extended attribute user.DOSATTRIB as text such as "0x22".
DWORD GetFileAttributesA(LPCSTR path);
BOOL SetFileAttributesA(LPCSTR path, DWORD attributes);

DWORD GetCurrentDirectoryA(DWORD bufferSize, LPSTR buffer);
BOOL SetCurrentDirectoryA(LPCSTR path);

// Creates one folder level; its parent must exist.
BOOL CreateDirectoryA(LPCSTR path, void* securityAttributes);
BOOL RemoveDirectoryA(LPCSTR path);

// Moves or renames a file or folder; fails when the target exists, and never replaces it, even
// against another process creating the target at the same moment.
BOOL MoveFileA(LPCSTR existing, LPCSTR target);
// Copies a file, replacing the target unless failIfExists; the target appears whole or not at all.
BOOL CopyFileA(LPCSTR existing, LPCSTR target, BOOL failIfExists);
BOOL DeleteFileA(LPCSTR path);

} // namespace win

namespace platform {

// The attributes of a host file, as GetFileAttributesA reports them.
win::DWORD AttributesOfHostFile(const std::string& hostPath);
// The Windows error code for an errno value.
win::DWORD ErrorFromErrno(int error);

bool FileExists(std::string_view winPath); // a file, not a folder
// Both paths name one existing file (after letter case and links are resolved).
bool SameFile(std::string_view a, std::string_view b);
bool DirectoryExists(std::string_view winPath); // a folder

} // namespace platform
