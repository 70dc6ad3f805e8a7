// Deleting entries from an archive: the entries that stay are copied byte for byte into the new
// archive, which replaces the old one only when complete, so a failed or aborted delete leaves the
// archive as it was. Deleting every entry leaves an archive without entries.
#include "zipdll/ArchiveUpdate.h"

#include "engine/CommandSpecs.h"
#include "engine/EntryNames.h"
#include "engine/EntrySpecs.h"
#include "zipdll/ArchivePath.h"
#include "zipdll/CopyingDelete.h"
#include "zipdll/ExistingArchive.h"

#include <cerrno>

std::int32_t DeleteFromArchive(const ZipCommand& command, EngineReport& report) {
    const auto path = ArchivePath::Of(command, report);
    if (!path)
        return 0;
    ExistingArchive archive;
    const auto nameOf = [&](std::size_t i) {
        return EntryNameOf(archive.Layout(), archive.Entry(i));
    };
    // The archive read and the entries named found aside: a large directory takes a while.
    std::vector<bool> removed;
    const bool read = report.Meanwhile([&] {
        if (!archive.Open(path->host, path->name, false, report))
            return false;
        EntrySpecs patterns(
            SpecsOf(command),
            [&](const std::function<void(std::string_view)>& visit) {
                for (std::size_t i = 0; i < archive.Count(); ++i)
                    visit(nameOf(i));
            },
            EntrySpecs::WholeArchive::EntryOfThatName);
        removed.resize(archive.Count());
        for (std::size_t i = 0; i < archive.Count(); ++i)
            removed[i] = patterns.Matches(nameOf(i));
        return true;
    });
    if (!read)
        return 0;
    std::int32_t count = 0;
    for (std::size_t i = 0; i < archive.Count(); ++i) {
        if (!removed[i])
            continue;
        const std::string name = nameOf(i);
        if (!report.FileStart(name, 0))
            return 0;
        report.Verbose("Deleting: " + name);
        ++count;
    }
    if (count == 0) {
        report.Message(kMsgNotFound, "No entry matches, nothing deleted");
        return 0;
    }
    const bool deleted = DeleteByCopying(archive, path->host, removed, report);
    const int error = errno;
    archive.Close(report);
    if (deleted)
        return count;
    if (error == ECANCELED || report.Aborted())
        report.Message(kMsgAborted, "Aborted, archive unchanged: " + path->name);
    else
        report.Message(kMsgWriteFailed, path->CannotWrite(error));
    return 0;
}
