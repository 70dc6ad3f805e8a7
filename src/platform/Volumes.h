// Drives, volumes and the system folders. A drive exists when the prefix's dosdevices/ has a
// link for its letter; its type comes from drives.ini (fixed by default); its volume name and
// serial number from the files .windows-label and .windows-serial at its root. A drive whose
// root folder is missing has no medium, so volume queries on it fail.
#pragma once

#include "platform/WinTypes.h"

#include <string>

namespace win {

// Bit 0 stands for A:, bit 25 for Z:.
DWORD GetLogicalDrives();
// DRIVE_UNKNOWN to DRIVE_RAMDISK for "X:\" (or "X:"); DRIVE_NO_ROOT_DIR for a letter without a
// drive; the current drive for a null root.
UINT GetDriveTypeA(LPCSTR rootPath);
// The volume name is cut to fit nameSize (with its terminating NUL). Fails with ERROR_NOT_READY
// when the drive has no medium.
BOOL GetVolumeInformationA(LPCSTR rootPath, LPSTR volumeName, DWORD volumeNameSize,
                           DWORD* serialNumber, DWORD* maxComponentLength, DWORD* fileSystemFlags,
                           LPSTR fileSystemName, DWORD fileSystemNameSize);

// "C:\WINDOWS" and "C:\WINDOWS\SYSTEM". Return the length copied, or the size needed when the
// buffer is too small.
UINT GetWindowsDirectoryA(LPSTR buffer, UINT size);
UINT GetSystemDirectoryA(LPSTR buffer, UINT size);
// The running program's own path in Windows form (module must be null).
DWORD GetModuleFileNameA(void* module, LPSTR buffer, DWORD size);

} // namespace win

namespace platform {

// Makes GetModuleFileNameA report another host path as the running program, so that tests can
// place the program's neighbours (its settings file, its libraries) in a folder of their own.
// An empty path restores the real one.
void OverrideProgramPath(const std::string& hostPath);

// The running program's host path.
std::string ProgramHostPath();

} // namespace platform
