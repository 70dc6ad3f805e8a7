// The registry: three roots, each kept in the prefix as a human-readable text file
// (HKEY_LOCAL_MACHINE.reg and so on). Every change re-reads the file, edits it and replaces it
// atomically under a lock, so another process sees it at once and a crash never leaves half a
// file. Key and value names are found without regard to letter case.
#pragma once

#include "platform/WinTypes.h"

namespace win {

inline const HKEY HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(std::uintptr_t{0x80000000});
inline const HKEY HKEY_CURRENT_USER = reinterpret_cast<HKEY>(std::uintptr_t{0x80000001});
inline const HKEY HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(std::uintptr_t{0x80000002});

constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2; // text with %NAME% references to environment variables
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Key names hold no line break (ERROR_INVALID_PARAMETER); backslashes at their ends and doubled
// ones are passed over. A root's file that exists but cannot be read reads as empty and is never
// replaced (ERROR_ACCESS_DENIED).

// Opens subKey below key, creating it and every missing key above it.
LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, HKEY* result, DWORD* disposition);
// Opens an existing key; ERROR_FILE_NOT_FOUND when it does not exist.
LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, HKEY* result);
LONG RegCloseKey(HKEY key);

// A null or empty name is the key's default value. REG_SZ data include their terminating NUL.
// ERROR_ACCESS_DENIED when the change cannot be stored.
LONG RegSetValueExA(HKEY key, LPCSTR name, DWORD type, const BYTE* data, DWORD size);
// With data null only the type and size are reported; ERROR_MORE_DATA when size is too small.
LONG RegQueryValueExA(HKEY key, LPCSTR name, DWORD* type, BYTE* data, DWORD* size);
LONG RegDeleteValueA(HKEY key, LPCSTR name);

} // namespace win
