// The prefix: creation and the host locations inside it.
#include "platform/Prefix.h"

#include "platform/AtomicFile.h"
#include "platform/ProgramFolder.h"
#include "platform/Volumes.h"

#include <cerrno>
#include <cstdlib>
#include <ftw.h>
#include <mutex>
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

std::string HostTempDir() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

// Puts the self-extractor stub into the system folder, as an installer would, when the program's
// folder holds one.
bool InstallStub(const std::string& systemFolder) {
    const std::string program = ProgramHostPath();
    const auto stub = ReadWholeFile(program.substr(0, program.rfind('/') + 1) + "ZIPSFX.BIN");
    return !stub || WriteFileAtomically(systemFolder + "/ZIPSFX.BIN", *stub);
}

// Lays out a complete prefix in folder dir.
bool Populate(const std::string& dir) {
    const std::string c = dir + "/drive_c";
    return ::mkdir((dir + "/dosdevices").c_str(), 0755) == 0 && ::mkdir(c.c_str(), 0755) == 0 &&
           ::mkdir((c + "/WINDOWS").c_str(), 0755) == 0 &&
           ::mkdir((c + "/WINDOWS/SYSTEM").c_str(), 0755) == 0 &&
           InstallStub(c + "/WINDOWS/SYSTEM") && LinkProgramFolder(c + "/Program Files/Pakrune") &&
           ::symlink(HostTempDir().c_str(), (c + "/WINDOWS/Temp").c_str()) == 0 &&
           ::symlink("../drive_c", (dir + "/dosdevices/c:").c_str()) == 0 &&
           ::symlink("/", (dir + "/dosdevices/z:").c_str()) == 0 &&
           WriteFileAtomically(dir + "/drives.ini", kDrivesIni) &&
           WriteFileAtomically(dir + "/HKEY_LOCAL_MACHINE.reg", kMachineRegistry) &&
           WriteFileAtomically(dir + "/HKEY_CURRENT_USER.reg", "; HKEY_CURRENT_USER\n") &&
           WriteFileAtomically(dir + "/HKEY_CLASSES_ROOT.reg", "; HKEY_CLASSES_ROOT\n");
}

bool MakeParents(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0)
        return true;
    const std::string parent = path.substr(0, slash);
    struct stat st {};
    if (::stat(parent.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    return MakeParents(parent) && (::mkdir(parent.c_str(), 0755) == 0 || errno == EEXIST);
}

} // namespace

std::string PrefixDir() {
    if (const char* p = std::getenv("PAKRUNE_PREFIX"); p && *p)
        return p;
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/.pakrune";
}

bool EnsurePrefix() {
    static std::mutex lock;
    static std::string ensured;
    const std::string dir = PrefixDir();
    std::lock_guard guard(lock);
    if (dir == ensured)
        return true;
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0) {
        if (!MakeParents(dir))
            return false;
        std::string temp = dir + ".part.XXXXXX";
        if (!::mkdtemp(temp.data()))
            return false;
        const bool built = Populate(temp);
        // A rename is all or nothing: other processes see no prefix or a complete one. If one of
        // them won the race, its prefix stands and ours goes.
        if (!built || ::rename(temp.c_str(), dir.c_str()) != 0)
            RemoveHostTree(temp);
        if (::stat(dir.c_str(), &st) != 0)
            return false;
    }
    if (!S_ISDIR(st.st_mode))
        return false;
    ensured = dir;
    return true;
}

std::string DriveLink(char letter) {
    const char lower =
        static_cast<char>(letter >= 'A' && letter <= 'Z' ? letter - 'A' + 'a' : letter);
    return PrefixDir() + "/dosdevices/" + lower + ":";
}

bool DriveDefined(char letter) {
    struct stat st {};
    return EnsurePrefix() && ::lstat(DriveLink(letter).c_str(), &st) == 0;
}

std::string PrefixFile(const std::string& name) {
    return PrefixDir() + "/" + name;
}

void RemoveHostTree(const std::string& hostFolder) {
    ::nftw(
        hostFolder.c_str(),
        [](const char* path, const struct stat*, int type, struct FTW*) {
            return type == FTW_DP ? ::rmdir(path) : ::unlink(path);
        },
        16, FTW_DEPTH | FTW_PHYS);
}

} // namespace platform
