// Library loading and the process error mode. A DLL name stands for a host shared object:
// "ZIPDLL.DLL" is libzipdll.so (the lower-cased base name), looked for in the program's folder,
// then the system folder, then the Windows folder, then the host's library path.
#pragma once

#include "platform/WinTypes.h"

#include <string>

namespace win {

// Null on failure, with the last error ERROR_MOD_NOT_FOUND.
HMODULE LoadLibraryA(LPCSTR fileName);
// Null when the library has no such entry point (ERROR_PROC_NOT_FOUND).
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
BOOL FreeLibrary(HMODULE module);

// Stores the process error mode and returns the previous one.
UINT SetErrorMode(UINT mode);
UINT GetErrorMode();

} // namespace win

namespace platform {
// The host file name that stands for a DLL name: "ZIPDLL.DLL" gives "libzipdll.so".
std::string SharedObjectName(const std::string& dllName);
} // namespace platform
