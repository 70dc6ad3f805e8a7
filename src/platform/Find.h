// Folder enumeration in the manner of find-first/find-next: a pattern "folder\mask" whose mask
// holds "*" and "?", matched without regard to letter case ("*.*" matches every name). A mask
// without wildcards names one entry, found as paths are: the entry of exactly that name, else one
// that differs from it only in letter case.
#pragma once

#include "platform/WinTypes.h"

#include <string_view>

namespace win {

// The first entry of the folder that matches; INVALID_HANDLE_VALUE with the last error set to
// ERROR_FILE_NOT_FOUND (nothing matches) or ERROR_PATH_NOT_FOUND (no such folder) otherwise.
// Entries come in name order; "." and ".." are reported in folders other than drive roots.
HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* data);
// The next matching entry; FALSE with ERROR_NO_MORE_FILES at the end.
BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data);
BOOL FindClose(HANDLE find);

} // namespace win

namespace platform {

// The find data of the one file or folder that a path names, its last component taken as a name
// even when it holds "*" or "?" (a file on this disk may be called so): the entry of exactly that
// name, else one that differs only in letter case. False when there is none.
bool FindNamed(std::string_view winPath, win::WIN32_FIND_DATAA* data);

} // namespace platform
