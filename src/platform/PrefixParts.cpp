// The parts of a prefix: completing them, and checking that only the user can change them.
#include "platform/PrefixParts.h"

#include "platform/AtomicFile.h"
#include "platform/OwnedFiles.h"
#include "platform/ProgramFolder.h"
#include "platform/UserFolders.h"
#include "platform/Volumes.h"
#include "platform/WinPath.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr const char* kDrivesIni =
    "; Drive types: unknown, removable, fixed, remote, cdrom, ramdisk\n"
    "[Drives]\n"
    "c=fixed\n"
    "z=fixed\n";

constexpr const char* kMachineRegistry = "; HKEY_LOCAL_MACHINE\n"
                                         "[Software\\Microsoft\\Windows\\CurrentVersion\\Setup]\n"
                                         "\"WinDir\"=\"C:\\\\WINDOWS\"\n";

struct FileTemplate {
    const char* name;
    const char* contents;
};
constexpr FileTemplate kPrefixFiles[] = {
    {"drives.ini", kDrivesIni},
    {"HKEY_LOCAL_MACHINE.reg", kMachineRegistry},
    {"HKEY_CURRENT_USER.reg", "; HKEY_CURRENT_USER\n"},
    {"HKEY_CLASSES_ROOT.reg", "; HKEY_CLASSES_ROOT\n"},
};

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// Whether folder holds an entry of this name in any letter case, as the program's paths find it.
bool HasEntry(const std::string& folder, const std::string& name) {
    DIR* d = ::opendir(folder.c_str());
    bool found = false;
    while (const dirent* e = d ? ::readdir(d) : nullptr)
        found = found || win::SameText(e->d_name, name);
    if (d)
        ::closedir(d);
    return found;
}

bool MakeFolder(const std::string& path, mode_t mode) {
    return ::mkdir(path.c_str(), mode) == 0 || errno == EEXIST;
}

std::string RealPath(const std::string& path) {
    char buffer[PATH_MAX];
    return ::realpath(path.c_str(), buffer) ? std::string(buffer) : std::string();
}

// The host folder of drive C: (where dosdevices/c: leads), or empty when it leads nowhere.
std::string DriveCFolder(const std::string& dir) {
    return RealPath(dir + "/dosdevices/c:");
}

// Puts the self-extractor stub from the program's folder into the system folder, as an
// installer would: when the system folder has none, and again when the program's is newer, so
// an updated program's stub reaches prefixes made before.
bool InstallStub(const std::string& systemFolder) {
    const std::string program = ProgramHostPath();
    const std::string source = program.substr(0, program.rfind('/') + 1) + "ZIPSFX.BIN";
    const std::string target = systemFolder + "/ZIPSFX.BIN";
    struct stat from {
    }, to{};
    if (::stat(source.c_str(), &from) != 0)
        return true; // nothing to install
    if (::lstat(target.c_str(), &to) == 0 &&
        (!S_ISREG(to.st_mode) || to.st_mtim.tv_sec >= from.st_mtim.tv_sec))
        return true;
    // The copy keeps the stub's time, so the next newer stub is told apart from it.
    const auto stub = ReadWholeFile(source);
    const struct timespec times[2] = {from.st_atim, from.st_mtim};
    return stub && WriteFileAtomically(target, *stub) &&
           ::utimensat(AT_FDCWD, target.c_str(), times, 0) == 0;
}

// Folders set aside at an earlier start that are the user's own and empty are removed; what
// is in one, or one of another user's, stays for the user to look at.
void RemoveEmptySetAside(const std::string& windowsFolder) {
    DIR* d = ::opendir(windowsFolder.c_str());
    while (const dirent* e = d ? ::readdir(d) : nullptr) {
        const std::string path = windowsFolder + "/" + e->d_name;
        struct stat st {};
        if (std::string_view(e->d_name).starts_with("Temp.unsafe.") &&
            ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid())
            ::rmdir(path.c_str()); // fails, as meant, when the folder is not empty
    }
    if (d)
        ::closedir(d);
}

// A new, unused name from pattern (ending in XXXXXX) for a folder or a file.
std::string ReserveName(std::string pattern, bool folder) {
    if (folder)
        return ::mkdtemp(pattern.data()) ? pattern : std::string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return {};
    ::close(fd);
    return pattern;
}

} // namespace

bool CompletePrefix(const std::string& dir) {
    bool complete = MakeFolder(dir + "/dosdevices", 0755);
    for (const auto& [drive, target] :
         {std::pair{"/dosdevices/c:", "../drive_c"}, std::pair{"/dosdevices/z:", "/"}})
        if (!Exists(dir + drive))
            complete = ::symlink(target, (dir + drive).c_str()) == 0 && complete;
    // Drive C: is made only where it is the prefix's own; a drive the user linked elsewhere is
    // theirs.
    if (!Exists(dir + "/drive_c") && DriveCFolder(dir).empty())
        complete = MakeFolder(dir + "/drive_c", 0755) && complete;
    const std::string c = DriveCFolder(dir);
    if (c.empty())
        return false;
    complete = MakeFolder(c + "/WINDOWS", 0755) && MakeFolder(c + "/WINDOWS/SYSTEM", 0755) &&
               InstallStub(c + "/WINDOWS/SYSTEM") &&
               LinkProgramFolder(c + "/Program Files/Pakrune") && complete;
    for (const auto& file : kPrefixFiles)
        if (!Exists(dir + "/" + file.name))
            complete = WriteFileAtomically(dir + "/" + file.name, file.contents) && complete;
    // The designed download folder C:\download leads to the user's own, where a Linux user looks
    // for downloads, unless drive C: has a download folder of its own.
    if (const std::string downloads = UserDownloadFolder();
        !downloads.empty() && !HasEntry(c, "download"))
        complete = ::symlink(downloads.c_str(), (c + "/download").c_str()) == 0 && complete;
    // The user's home folder is drive H:, one step away in every folder tree, unless the prefix
    // has a drive H: already (the user's own stays).
    if (const std::string home = UserHomeFolder(); !home.empty() && !Exists(dir + "/dosdevices/h:"))
        complete = ::symlink(home.c_str(), (dir + "/dosdevices/h:").c_str()) == 0 && complete;
    return complete;
}

std::string WhyPrefixNotOwned(const std::string& dir) {
    const std::string real = RealPath(dir);
    if (const std::string why = WhyFoldersAboveUnsafe(real); !why.empty())
        return real + " " + why;
    const std::string c = DriveCFolder(dir);
    std::vector<std::string> parts = {real, dir + "/dosdevices"};
    if (!c.empty())
        for (const char* inC : {"", "/WINDOWS", "/WINDOWS/SYSTEM", "/WINDOWS/ZIPSFX.BIN",
                                "/WINDOWS/SYSTEM/ZIPSFX.BIN"})
            parts.push_back(c + inC);
    for (const auto& file : kPrefixFiles)
        parts.push_back(dir + "/" + file.name);
    for (const auto& part : parts) {
        const std::string why = WhyNotOwned(part);
        if (!why.empty() && Exists(part))
            return part + " " + why;
    }
    // Drive C: may be a folder elsewhere that the user linked: the folders above it count too.
    if (const std::string why = c.empty() ? "" : WhyFoldersAboveUnsafe(c); !why.empty())
        return c + " " + why;
    return {};
}

bool MakeTempFolderPrivate(const std::string& dir, std::vector<std::string>& notices) {
    const std::string c = DriveCFolder(dir);
    if (c.empty())
        return false;
    const std::string temp = c + "/WINDOWS/Temp";
    RemoveEmptySetAside(c + "/WINDOWS");
    struct stat st {};
    if (::lstat(temp.c_str(), &st) != 0)
        return errno == ENOENT && ::mkdir(temp.c_str(), 0700) == 0;
    if (S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0)
        return true;
    if (S_ISLNK(st.st_mode)) {
        // A link is kept only when it leads to a folder as private as the one it stands for.
        const std::string target = RealPath(temp);
        struct stat to {};
        if (!target.empty() && ::stat(target.c_str(), &to) == 0 && S_ISDIR(to.st_mode) &&
            to.st_uid == ::geteuid() && (to.st_mode & 077) == 0 &&
            WhyFoldersAboveUnsafe(target).empty())
            return true;
        if (::unlink(temp.c_str()) != 0 || ::mkdir(temp.c_str(), 0700) != 0)
            return false;
        notices.push_back("Pakrune's temporary folder C:\\WINDOWS\\Temp was " +
                          (target.empty() ? std::string("a link to nothing")
                                          : "the folder " + target + ", which other users share") +
                          ". Pakrune now keeps its temporary files in a folder of your own, " +
                          temp + ".");
        return true;
    }
    // Another user's folder, a folder others could open (and so could have put folders of their
    // own into, or hold open still), or not a folder at all: set aside whole, never deleted.
    const std::string aside = ReserveName(temp + ".unsafe.XXXXXX", S_ISDIR(st.st_mode));
    if (aside.empty())
        return false;
    if (::rename(temp.c_str(), aside.c_str()) != 0) {
        ::remove(aside.c_str());
        return false;
    }
    if (::mkdir(temp.c_str(), 0700) != 0)
        return false;
    const char* why = !S_ISDIR(st.st_mode)       ? "was not a folder"
                      : st.st_uid != ::geteuid() ? "belonged to another user"
                                                 : "could be opened by other users";
    notices.push_back("Pakrune's temporary folder " + temp + " " + why + ". It was moved to " +
                      aside + ", and Pakrune now uses a new folder of your own.");
    return true;
}

} // namespace platform
