// The decompression engine library (stands for UNZDLL.DLL): extracts or tests the entries of an
// archive that the command's specifications name, below the current folder.
#include "engine/UNZDLL.h"
#include "engine/CommandSpecs.h"

#include "engine/ArchiveLayout.h"
#include "engine/EngineReport.h"
#include "platform/PathMap.h"
#include "platform/SharedFile.h"
#include "platform/WinPath.h"
#include "unzdll/EntryExtractor.h"
#include "unzdll/ListingAgreement.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

std::int32_t Run(UnzCommand& command) {
    EngineReport report(command.CallbackProc, command.OwnerWindow, command.Caller, false,
                        command.VerboseFlag != 0 || command.TraceFlag != 0);
    const std::string archiveName = command.ArchiveName ? command.ArchiveName : "";
    const auto host = platform::HostPathOf(archiveName);
    const int fd = host ? platform::OpenReadDenyWrite(*host) : -1;
    if (fd < 0) {
        report.Message(kMsgBadArchive, "Cannot open archive " + archiveName);
        report.BatchEnd();
        return 0;
    }
    std::int32_t count = 0;
    const bool exe = win::UpperCase(win::ExtractFileExt(archiveName)) == ".EXE";
    // The directory read and checked aside: for a large archive that takes a while.
    std::optional<ArchiveLayout> layout;
    std::optional<std::string> difference;
    bool overlap = false;
    report.Meanwhile([&] {
        layout = ReadArchiveLayout(fd);
        overlap = layout && EntriesOverlap(layout->entries);
        if (layout && !overlap)
            difference = ListingDisagreement(fd, *layout, exe);
    });
    bool sound = false;
    if (IsSplitArchivePart(fd))
        report.Message(kMsgBadArchive, archiveName + " is the last part of a split archive; "
                                                     "Pakrune needs the whole archive");
    else if (!layout)
        report.Message(kMsgBadArchive, "No central directory found in " + archiveName);
    else if (overlap)
        report.Message(kMsgBadArchive, "Entries overlap, archive refused: " + archiveName);
    else if (difference)
        report.Message(kMsgBadArchive, "The listing and the directory disagree (" + *difference +
                                           "), archive refused: " + archiveName);
    else
        sound = true;
    if (sound) {
        const int base = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ExtractOptions options;
        options.test = command.TestFlag != 0;
        options.update = command.UpdateFlag != 0;
        options.freshen = command.FreshenFlag != 0;
        options.dirNames = command.DirNamesFlag != 0;
        options.overwrite = command.OverwriteFlag != 0;
        options.password = command.PasswordText ? command.PasswordText : "";
        options.folder = platform::CurrentWindowsDirectory();
        if (base >= 0) {
            EntryExtractor extractor(fd, *layout, base, options, report);
            count = extractor.Run(SpecsOf(command));
        } else {
            report.Message(kMsgWriteFailed, "Cannot open the folder to extract into");
        }
    }
    ::close(fd);
    report.BatchEnd();
    return count;
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) std::int32_t UnzDllExec(UnzCommand* command) {
    // Nothing may cross the C boundary: whatever escapes is a failed call.
    try {
        return command ? Run(*command) : 0;
    } catch (...) {
        return 0;
    }
}

__attribute__((visibility("default"))) std::int32_t GetUnzDllVersion() {
    return 400;
}

} // extern "C"
