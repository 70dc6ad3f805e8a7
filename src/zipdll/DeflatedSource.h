// A libzip data source that hands libzip a file the deflate pool has compressed: its stat names
// the deflate method, the CRC and both sizes, so libzip writes the stream as it is instead of
// compressing the file again. It reports through the engine callback as the plain source does:
// the file's start when libzip opens it, and every 32768 bytes of the file as its stream is
// written. An abort answered by the caller fails the read, and libzip gives up the new archive.
#pragma once

#include "engine/EngineReport.h"
#include "zipdll/DeflatePool.h"

#include <ctime>
#include <string>
#include <zip.h>

zip_source_t* CreateDeflatedSource(zip_t* archive, DeflatePool& pool, std::size_t job,
                                   const std::string& name, std::time_t modified,
                                   EngineReport& report);
