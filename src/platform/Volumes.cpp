// Drives, volumes and the system folders.
#include "platform/Volumes.h"

#include "platform/AtomicFile.h"
#include "platform/IniText.h"
#include "platform/PathMap.h"
#include "platform/Prefix.h"
#include "platform/ProgramFolder.h"
#include "platform/UserFolders.h"
#include "platform/WinPath.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

std::mutex programPathLock;
std::string programPathOverride;

char DriveLetterOf(win::LPCSTR rootPath) {
    std::string root = rootPath ? rootPath : CurrentWindowsDirectory();
    if (root.empty())
        return 0;
    const char c = win::UpperCase(root.substr(0, 1))[0];
    return c >= 'A' && c <= 'Z' && (root.size() == 1 || root[1] == ':') ? c : 0;
}

win::UINT DriveTypeFromIni(char letter) {
    const auto text = ReadWholeFile(PrefixFile("drives.ini"));
    const IniText ini(text ? *text : std::string());
    const auto value = ini.Get("Drives", std::string(1, letter));
    if (!value)
        return win::DRIVE_FIXED;
    static const char* const names[] = {"unknown", "noroot", "removable", "fixed",
                                        "remote",  "cdrom",  "ramdisk"};
    for (win::UINT code = 0; code < 7; ++code)
        if (win::SameText(*value, names[code]) || *value == std::to_string(code))
            return code;
    return win::DRIVE_UNKNOWN;
}

std::string FirstLine(const std::string& text) {
    const auto end = text.find_first_of("\r\n");
    return text.substr(0, end);
}

// The serial from .windows-serial ("1234ABCD" or "1234-ABCD"), or one derived from the host
// folder, stable for as long as that folder exists.
win::DWORD VolumeSerial(const std::string& root, const struct stat& st) {
    if (const auto text = ReadWholeFile(root + "/.windows-serial")) {
        std::string digits;
        for (char c : FirstLine(*text))
            if (std::isxdigit(static_cast<unsigned char>(c)))
                digits += c;
        if (!digits.empty())
            return static_cast<win::DWORD>(std::stoul(digits.substr(0, 8), nullptr, 16));
    }
    const std::uint64_t mix = (static_cast<std::uint64_t>(st.st_dev) * 0x9E3779B97F4A7C15ULL) ^
                              static_cast<std::uint64_t>(st.st_ino);
    return static_cast<win::DWORD>(mix ^ (mix >> 32));
}

// A drive's volume name: the first line of .windows-label at its root; without one, "Home" for
// the drive that is the user's home folder (drive H: of a new prefix), whose folder is the user's
// and gets no file of ours.
std::string VolumeName(const std::string& root) {
    if (const auto label = ReadWholeFile(root + "/.windows-label"))
        return FirstLine(*label);
    const std::string home = UserHomeFolder();
    char real[PATH_MAX], realHome[PATH_MAX];
    return !home.empty() && ::realpath(root.c_str(), real) && ::realpath(home.c_str(), realHome) &&
                   std::string(real) == realHome
               ? "Home"
               : "";
}

win::UINT CopyOut(const std::string& text, win::LPSTR buffer, win::UINT size) {
    if (!buffer || size <= text.size())
        return static_cast<win::UINT>(text.size() + 1);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<win::UINT>(text.size());
}

void CopyTruncated(const std::string& text, win::LPSTR buffer, win::DWORD size) {
    if (!buffer || size == 0)
        return;
    const std::size_t n = std::min<std::size_t>(text.size(), size - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

// The program's path as the program sees it: an installed program lies in the user's
// C:\Program Files\Pakrune, whose links are checked once for every installed folder and prefix.
std::string ProgramWindowsPath() {
    const std::string installed = InstalledProgramFolder();
    if (installed.empty())
        return WindowsPathOf(ProgramHostPath());
    static std::mutex lock;
    static std::string linked;
    const auto folder = HostPathOf(kUserProgramFolder);
    if (folder) {
        std::lock_guard guard(lock);
        if (linked != installed + "|" + *folder && LinkProgramFolder(*folder))
            linked = installed + "|" + *folder;
    }
    const std::string program = ProgramHostPath();
    return std::string(kUserProgramFolder) + "\\" + program.substr(program.rfind('/') + 1);
}

} // namespace

void OverrideProgramPath(const std::string& hostPath) {
    std::lock_guard guard(programPathLock);
    programPathOverride = hostPath;
}

std::string ProgramHostPath() {
    {
        std::lock_guard guard(programPathLock);
        if (!programPathOverride.empty())
            return programPathOverride;
    }
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

} // namespace platform

namespace win {

DWORD GetLogicalDrives() {
    DWORD mask = 0;
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        if (platform::DriveDefined(letter))
            mask |= 1u << (letter - 'A');
    return mask;
}

UINT GetDriveTypeA(LPCSTR rootPath) {
    const char letter = platform::DriveLetterOf(rootPath);
    if (!letter || !platform::DriveDefined(letter))
        return DRIVE_NO_ROOT_DIR;
    return platform::DriveTypeFromIni(letter);
}

BOOL GetVolumeInformationA(LPCSTR rootPath, LPSTR volumeName, DWORD volumeNameSize,
                           DWORD* serialNumber, DWORD* maxComponentLength, DWORD* fileSystemFlags,
                           LPSTR fileSystemName, DWORD fileSystemNameSize) {
    const char letter = platform::DriveLetterOf(rootPath);
    struct stat st {};
    const std::string root = letter ? platform::DriveLink(letter) : std::string();
    if (!letter || !platform::DriveDefined(letter) || ::stat(root.c_str(), &st) != 0 ||
        !S_ISDIR(st.st_mode)) {
        SetLastError(letter && platform::DriveDefined(letter) ? ERROR_NOT_READY
                                                              : ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    platform::CopyTruncated(platform::VolumeName(root), volumeName, volumeNameSize);
    if (serialNumber)
        *serialNumber = platform::VolumeSerial(root, st);
    if (maxComponentLength)
        *maxComponentLength = 255;
    if (fileSystemFlags)
        *fileSystemFlags = 0x3; // case is preserved, searches ignore it
    platform::CopyTruncated("NTFS", fileSystemName, fileSystemNameSize);
    return TRUE;
}

UINT GetWindowsDirectoryA(LPSTR buffer, UINT size) {
    return platform::CopyOut("C:\\WINDOWS", buffer, size);
}

UINT GetSystemDirectoryA(LPSTR buffer, UINT size) {
    return platform::CopyOut("C:\\WINDOWS\\SYSTEM", buffer, size);
}

DWORD GetModuleFileNameA(void*, LPSTR buffer, DWORD size) {
    const std::string path = platform::ProgramWindowsPath();
    platform::CopyTruncated(path, buffer, size);
    return buffer && size ? std::min<DWORD>(static_cast<DWORD>(path.size()), size - 1) : 0;
}

} // namespace win
