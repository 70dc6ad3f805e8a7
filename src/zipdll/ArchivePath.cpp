// The archive an add or a delete changes.
#include "zipdll/ArchivePath.h"

#include "engine/WriteFailure.h"
#include "platform/PathMap.h"
#include "zipdll/Replacement.h"

#include <sys/stat.h>

std::optional<ArchivePath> ArchivePath::Of(const ZipCommand& command, EngineReport& report) {
    ArchivePath path;
    path.name = command.ArchiveName ? command.ArchiveName : "";
    const auto host = platform::HostPathOf(path.name);
    if (!host) {
        report.Message(kMsgBadArchive, "Cannot open archive " + path.name);
        return std::nullopt;
    }
    path.host = ArchiveRealPath(*host);
    path.folder = platform::WindowsPathOf(path.host);
    RemoveStaleReplacements(path.host);
    struct stat st {};
    if (::stat(path.host.c_str(), &st) == 0 && S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR)) {
        report.Message(kMsgWriteFailed,
                       "Cannot write archive " + path.name + ": the archive is read-only");
        return std::nullopt;
    }
    return path;
}

std::string ArchivePath::CannotWrite(int error) const {
    return ::CannotWrite("archive " + name, folder, error);
}
