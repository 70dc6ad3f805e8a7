// The archive an add or a delete changes: its name as given, for messages, and the host path of
// the file to change (where a link to it leads, so that the link survives).
#pragma once

#include "engine/EngineReport.h"
#include "engine/ZIPDLL.h"

#include <optional>
#include <string>

struct ArchivePath {
    std::string name;
    std::string host;
    std::string folder; // a Windows path in the changed file's folder, for messages

    // Nothing, after a message, when the name has no host path or names a read-only archive
    // (which, as on Windows, is not replaced even where the file system would allow it). Removes
    // the temporary files killed runs left beside it.
    static std::optional<ArchivePath> Of(const ZipCommand& command, EngineReport& report);
    // "Cannot write archive <name>: <why>".
    std::string CannotWrite(int error) const;
};
