// The program's folder as the program sees it: the installed files, linked into the user's
// C:\Program Files\Pakrune.
#include "platform/ProgramFolder.h"

#include "platform/Volumes.h"

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

const char* const kInstalledMarker = "pakrune.installed";
const char* const kUserProgramFolder = "C:\\Program Files\\Pakrune";

namespace fs = std::filesystem;

std::string InstalledProgramFolder() {
    const std::string program = ProgramHostPath();
    const std::string folder = program.substr(0, program.rfind('/'));
    struct stat st {};
    return !folder.empty() && ::stat((folder + "/" + kInstalledMarker).c_str(), &st) == 0
               ? folder
               : std::string();
}

namespace {

// Points link at target, replacing an older link in one rename so the name is never missing.
bool PlaceLink(const fs::path& target, const fs::path& link) {
    std::error_code error;
    if (fs::is_symlink(fs::symlink_status(link, error))) {
        if (fs::read_symlink(link, error) == target)
            return true;
    } else if (fs::exists(fs::symlink_status(link, error))) {
        return true; // a file of the user's own
    }
    const fs::path temp = link.string() + ".new";
    fs::remove(temp, error);
    return ::symlink(target.c_str(), temp.c_str()) == 0 &&
           ::rename(temp.c_str(), link.c_str()) == 0;
}

} // namespace

bool LinkProgramFolder(const std::string& hostFolder) {
    const std::string installed = InstalledProgramFolder();
    if (installed.empty())
        return true;
    std::error_code error;
    fs::create_directories(hostFolder, error);
    if (error)
        return false;
    bool linked = true;
    for (const auto& file : fs::directory_iterator(installed, error))
        if (file.path().filename() != kInstalledMarker && !file.is_directory())
            linked =
                PlaceLink(file.path(), fs::path(hostFolder) / file.path().filename()) && linked;
    // Links into a folder the program was once installed in, gone since.
    std::error_code ignored;
    for (const auto& file : fs::directory_iterator(hostFolder, ignored))
        if (file.is_symlink() && !fs::exists(file.path(), ignored))
            fs::remove(file.path(), ignored);
    return linked;
}

} // namespace platform
