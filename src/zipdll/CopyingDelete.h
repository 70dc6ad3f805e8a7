// Deleting entries by copying what stays byte for byte: the local entries that are kept (header,
// data, descriptor, up to the next entry) are copied inside the kernel, and the central records
// that are kept follow with their offsets moved down by what was left out, then the end record
// with the new counts. Deleting a few entries from a large archive then costs about as much as
// copying the file. Archives in Zip64 form, with a stub before them or with entries that overlap
// are left to libzip.
#pragma once

#include "engine/ArchiveLayout.h"

#include <functional>
#include <string>
#include <vector>

// Whether the archive is in the plain form that copying handles.
bool CanDeleteByCopying(const ArchiveLayout& layout);

// Writes the archive without the entries marked in removed (by central directory order) to a
// temporary file beside it and renames that over it; false (errno set) when anything fails or
// keepAlive, asked between pieces of the copy, answers false, and then the archive is as it was.
// hostPath is the archive's real path, archiveFd the archive as read (another program's change
// since then is not overwritten: ESTALE).
bool DeleteByCopying(int archiveFd, const std::string& hostPath, const ArchiveLayout& layout,
                     const std::vector<bool>& removed, const std::function<bool()>& keepAlive);
