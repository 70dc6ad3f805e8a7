// Deleting entries by copying what stays byte for byte: the local parts of the entries that are
// kept (header, data, descriptor, up to the next entry) are copied inside the kernel, neighbours
// in one copy, and the central records of the kept entries follow with their offsets moved, then
// the end records with the new counts and the archive's comment. Deleting a few entries from a
// large archive then costs about as much as copying the file, and holds nothing per entry beyond
// the directory read.
#pragma once

#include "engine/EngineReport.h"
#include "zipdll/ExistingArchive.h"

#include <string>
#include <vector>

// Writes the archive without the entries marked in removed (by central directory order) to a
// temporary file beside it and renames that over it; false (errno set) when anything fails or the
// caller answers abort (ECANCELED), and then the archive is as it was. hostPath is the archive's
// real path; another program's change to it since it was read is not overwritten (ESTALE).
bool DeleteByCopying(const ExistingArchive& archive, const std::string& hostPath,
                     const std::vector<bool>& removed, EngineReport& report);
