// The private-profile functions: values of an INI file named by its Windows path, read and written
// one at a time. Sections and keys are found without regard to letter case; a write keeps every
// other line of the file and replaces the file atomically. Only the first MiB of a file is read; a
// damaged file is read as far as it is valid (IniText, TextLines) and a write leaves it whole.
#pragma once

#include "platform/WinTypes.h"

namespace win {

// Copies the value (or the default when the file, section or key is missing) into buffer, cut to
// size - 1 characters; returns the number of characters copied.
DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer,
                               DWORD size, LPCSTR fileName);
// The value as a decimal integer (leading digits, optional sign); the default when missing.
UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, int defaultValue, LPCSTR fileName);
// Sets one value (a null value deletes the key, a null key the whole section) and appends a missing
// section at the end. FALSE when the file cannot be written (read-only, no such folder), when it
// exists but cannot be read (a folder, a pipe, no permission), and for a section, key or value
// holding a line break (ERROR_INVALID_PARAMETER).
BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName);

} // namespace win
