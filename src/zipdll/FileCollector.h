// Turns the specifications of an add into the files and folders to store, with their stored names.
// A specification is a file, or a folder path whose last component holds "*" or "?" (matched
// without regard to case, "*.*" matching every name); with recursion the same name pattern applies
// in every subfolder below, and a folder named without a wildcard stands for its whole tree. A
// name with wildcards that a file has exactly is that file alone ("*.*" excepted: it is always
// every name). Names are stored in the letter case they have on the disk, so two files whose
// names differ only in case are two entries; of two files stored under one name the first one
// found is taken. Links to folders met while walking are not followed. The walk ends early when
// the caller answers abort.
#pragma once

#include "engine/EngineReport.h"
#include "zipdll/FileList.h"

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

struct CollectOptions {
    bool recurse = false;
    bool noDirNames = false; // store the file name alone
    bool hiddenFiles = false;
    bool forceDos = false; // upper-case 8.3 names
    // A file never added (the archive itself), by device and inode.
    std::optional<std::pair<dev_t, ino_t>> excluded;
};

// Appends what the specifications name to files, made with options.forceDos as its dosNames.
void CollectFiles(const std::vector<std::string>& specs, const CollectOptions& options,
                  EngineReport& report, FileList& files);
