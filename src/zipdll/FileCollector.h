// Turns the specifications of an add into the files and folders to store, with their stored names.
// A specification is a file, or a folder path whose last component holds "*" or "?" (matched
// without regard to case, "*.*" matching every name); with recursion the same name pattern applies
// in every subfolder below, and a folder named without a wildcard stands for its whole tree. A
// name with wildcards that a file has exactly is that file alone ("*.*" excepted: it is always
// every name). Names are stored in the letter case they have on the disk, so two files whose
// names differ only in case are two entries. Links to folders met while walking are not followed.
#pragma once

#include "engine/EngineReport.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

struct FileToAdd {
    std::string hostPath;
    std::string storedName; // "/" separators; folders end in "/"
    bool folder = false;
    std::time_t modified = 0;
    std::uint64_t size = 0;
};

struct CollectOptions {
    bool recurse = false;
    bool noDirNames = false; // store the file name alone
    bool hiddenFiles = false;
    bool forceDos = false; // upper-case 8.3 names
};

std::vector<FileToAdd> CollectFiles(const std::vector<std::string>& specs,
                                    const CollectOptions& options, EngineReport& report);

// A name component in upper-case 8.3 form: "Long name.text" gives "LONG_NAM.TEX".
std::string DosNameComponent(const std::string& name);
