// A libzip data source that reads a host file and reports through the engine callback: the file's
// start when libzip opens it, every block as it is read. An abort answered by the caller fails the
// read, which makes libzip give up the whole new archive and leave the old one as it was.
#pragma once

#include "engine/EngineReport.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <zip.h>

zip_source_t* CreateProgressSource(zip_t* archive, const std::string& hostPath,
                                   const std::string& name, std::uint64_t size,
                                   std::time_t modified, EngineReport& report);
