// An entry's file below a folder.
#include "app/ExtractedFile.h"

#include "platform/PathMap.h"
#include "platform/WinPath.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <sys/stat.h>

std::string ToBackslashes(std::string name) {
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}

namespace {

// The host path with every link resolved; empty when it does not exist.
std::string RealHostPath(const std::string& winPath) {
    const auto host = platform::HostPathOf(winPath);
    if (!host)
        return {};
    char resolved[PATH_MAX];
    return ::realpath(host->c_str(), resolved) ? std::string(resolved) : std::string();
}

} // namespace

ExtractedFile::ExtractedFile(const std::string& folder, const std::string& entryName)
    : folder_(folder), path_(folder + "\\" + ToBackslashes(entryName)), before_(Current()) {}

bool ExtractedFile::InsideFolder() const {
    const std::string folder = platform::FullWindowsPath(folder_);
    const std::string path = platform::FullWindowsPath(path_);
    if (path.size() <= folder.size() + 1 ||
        !win::SameText(std::string_view(path).substr(0, folder.size()), folder) ||
        path[folder.size()] != '\\')
        return false;
    // On the disk: a file that exists must resolve below the folder's own resolved path.
    const std::string realFolder = RealHostPath(folder_);
    const std::string realPath = RealHostPath(path_);
    return realPath.empty() || (!realFolder.empty() &&
                                realPath.compare(0, realFolder.size() + 1, realFolder + "/") == 0);
}

bool ExtractedFile::Written() const {
    const Stamp now = Current();
    return now.exists && (!before_.exists || now.device != before_.device ||
                          now.inode != before_.inode || now.changed != before_.changed);
}

ExtractedFile::Stamp ExtractedFile::Current() const {
    const auto host = platform::HostPathOf(path_);
    struct stat st {};
    if (!host || ::stat(host->c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    return {true, static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec};
}
