// The rules for naming a new archive.
#include "windows/NewArchiveName.h"

#include "platform/Files.h"
#include "platform/WinPath.h"
#include "platform/ui/Dialogs.h"

namespace {

constexpr const char* kExeRefused = "Error: you must create a .ZIP file, then convert to .EXE";
constexpr const char* kZipRequired = "Error: your new archive must end in .ZIP";

} // namespace

std::optional<std::string> NewArchiveName(const std::string& chosen) {
    const std::string extension = win::UpperCase(win::ExtractFileExt(chosen));
    if (extension == ".EXE") {
        platform::ui::ShowMessage(kExeRefused);
        return std::nullopt;
    }
    if (chosen.find('.') == std::string::npos)
        return chosen + ".zip";
    if (extension != ".ZIP") {
        platform::ui::ShowMessage(kZipRequired);
        return std::nullopt;
    }
    return chosen;
}

bool ClearWayForNewArchive(const std::string& path) {
    if (!platform::FileExists(path))
        return true;
    if (!platform::ui::Confirm(QString::fromStdString("Overwrite Existing File: " + path + "?")))
        return false;
    if (win::DeleteFileA(path.c_str()))
        return true;
    // Going on would add the files to the old archive instead of making a new one.
    platform::ui::ShowMessage(QString::fromStdString(
        "The file " + path + " could not be deleted. Choose another name for the new archive."));
    return false;
}
