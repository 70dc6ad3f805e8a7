// The name of a new archive.
#include "windows/NewArchiveName.h"

#include "platform/Files.h"
#include "platform/WinPath.h"
#include "platform/ui/Dialogs.h"

std::optional<std::string> NewArchiveName(const std::string& chosen) {
    const std::string extension = win::UpperCase(win::ExtractFileExt(chosen));
    if (extension == ".EXE") {
        platform::ui::ShowMessage("Error: you must create a .ZIP file, then convert to .EXE");
        return std::nullopt;
    }
    // A "." in a folder name counts too: such a path needs the extension of its own.
    if (chosen.find('.') == std::string::npos)
        return chosen + ".zip";
    if (extension != ".ZIP") {
        platform::ui::ShowMessage("Error: your new archive must end in .ZIP");
        return std::nullopt;
    }
    return chosen;
}

bool ClearWayForNewArchive(const std::string& path) {
    if (!platform::FileExists(path))
        return true;
    if (!platform::ui::Confirm(QString::fromStdString("Overwrite Existing File: " + path + "?")))
        return false;
    if (win::DeleteFileA(path.c_str()) || !platform::FileExists(path))
        return true;
    // Going on would add the files to the old archive instead of making a new one.
    platform::ui::ShowMessage(
        QString::fromStdString("Could not delete " + path + ". Nothing was changed."));
    return false;
}
