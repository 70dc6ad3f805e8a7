// The prefix: where it is, its creation, the checks at every start and the host locations
// inside it.
#include "platform/Prefix.h"

#include "platform/OwnedFiles.h"
#include "platform/PrefixParts.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ftw.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace platform {
namespace {

std::mutex lock;
std::string ensured;              // the prefix asked for (PAKRUNE_PREFIX or ~/.pakrune), checked
std::string resolved;             // the folder it led to when checked, the only one used since
std::string refusal;              // why the prefix asked for last could not be used
std::vector<std::string> notices; // what was repaired and not yet told

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

// Makes a new prefix in a sibling folder and renames it into place, so other processes see no
// prefix or a complete one. If one of them won the race, its prefix stands and ours goes.
void CreatePrefix(const std::string& dir) {
    if (!MakeParents(dir))
        return;
    std::string temp = dir + ".part.XXXXXX";
    if (!::mkdtemp(temp.data()))
        return;
    if (!CompletePrefix(temp) || ::rename(temp.c_str(), dir.c_str()) != 0)
        RemoveHostTree(temp);
}

std::string Refused(const std::string& dir, const std::string& why) {
    return "Pakrune does not use the folder " + dir + ": " + why +
           ". It keeps its settings, registry and temporary files there, so no other user may "
           "be able to change it. Correct its owner and permissions, or set PAKRUNE_PREFIX to a "
           "folder of your own, and start Pakrune again.";
}

// The prefix as asked for: $PAKRUNE_PREFIX, else ~/.pakrune.
std::string AskedPrefix() {
    if (const char* p = std::getenv("PAKRUNE_PREFIX"); p && *p)
        return p;
    // Without a home there is no folder of the user's own to fall back on.
    const char* home = std::getenv("HOME");
    return home && home[0] == '/' ? std::string(home) + "/.pakrune" : std::string();
}

std::string RealPath(const std::string& path) {
    char buffer[PATH_MAX];
    return ::realpath(path.c_str(), buffer) ? std::string(buffer) : std::string();
}

} // namespace

std::string PrefixDir() {
    const std::string asked = AskedPrefix();
    std::lock_guard guard(lock);
    return !asked.empty() && asked == ensured ? resolved : asked;
}

bool EnsurePrefix() {
    const std::string asked = AskedPrefix();
    std::lock_guard guard(lock);
    if (!asked.empty() && asked == ensured)
        return true;
    ensured.clear();
    resolved.clear();
    if (asked.empty()) {
        refusal = "Pakrune keeps its settings, registry and temporary files in a folder of your "
                  "own, but HOME is not set. Set HOME, or PAKRUNE_PREFIX to a folder of your "
                  "own, and start Pakrune again.";
        return false;
    }
    // A link on the way that another user could point elsewhere would hand them the prefix: it
    // is refused before anything is made through it, and again once the prefix exists.
    if (const std::string why = WhyLinksOnPathUnsafe(asked); !why.empty()) {
        refusal = Refused(asked, why);
        return false;
    }
    struct stat st {};
    if (::stat(asked.c_str(), &st) != 0)
        CreatePrefix(asked);
    if (::stat(asked.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        refusal = "Pakrune cannot make the folder " + asked +
                  " for its settings, registry and temporary files. Set PAKRUNE_PREFIX to a "
                  "folder of your own and start Pakrune again.";
        return false;
    }
    // From here on only the folder the path leads to now is used, never the path again: links
    // on the way that change later change nothing.
    const std::string dir = RealPath(asked);
    if (const std::string why = WhyLinksOnPathUnsafe(asked); !why.empty() || dir.empty()) {
        refusal = Refused(asked, why.empty() ? "it cannot be read" : why);
        return false;
    }
    // Nothing is written into a prefix that another user could have laid out.
    if (const std::string why = WhyPrefixNotOwned(dir); !why.empty()) {
        refusal = Refused(asked, why);
        return false;
    }
    CompletePrefix(dir);
    if (!MakeTempFolderPrivate(dir, notices)) {
        refusal = Refused(dir, "no private temporary folder can be made in its drive C:");
        return false;
    }
    refusal.clear();
    ensured = asked;
    resolved = dir;
    return true;
}

std::string PrefixRefusal() {
    std::lock_guard guard(lock);
    return refusal;
}

std::vector<std::string> TakePrefixNotices() {
    std::lock_guard guard(lock);
    return std::exchange(notices, {});
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
    const std::string dir = PrefixDir();
    return dir.empty() ? std::string() : dir + "/" + name;
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
