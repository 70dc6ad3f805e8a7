// Adding files to an archive and deleting entries from it. The new archive is written beside the
// old one and renamed into place only when it is complete, so a failed or aborted call leaves the
// archive exactly as it was.
#pragma once

#include "engine/EngineReport.h"
#include "engine/ZIPDLL.h"

#include <cstdint>

std::int32_t AddToArchive(const ZipCommand& command, EngineReport& report);
std::int32_t DeleteFromArchive(const ZipCommand& command, EngineReport& report);
