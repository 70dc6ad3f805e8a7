// What an add does, decided before anything is written: for every file found its fate, left out
// (not newer under the update and freshen rules, or a folder entry that is there already), in the
// place of the entry of exactly its name, or a new entry after the others; and the files the
// deflate pool compresses, in the order they are written.
#pragma once

#include "engine/EngineReport.h"
#include "engine/ZIPDLL.h"
#include "zipdll/ExistingArchive.h"
#include "zipdll/FileList.h"

#include <cstdint>
#include <vector>

struct AddPlan {
    static constexpr std::uint32_t kStays = UINT32_MAX;
    std::vector<std::uint32_t> replacedBy; // per entry: the file that takes its place, or kStays
    std::vector<std::uint32_t> pooled;     // the files the pool compresses, in writing order
    std::size_t written = 0;               // files and folders to write
};

// Decides the fate of every file of files that is not left out yet.
AddPlan PlanAdd(FileList& files, const ExistingArchive& archive, const ZipCommand& command,
                int level, EngineReport& report);
