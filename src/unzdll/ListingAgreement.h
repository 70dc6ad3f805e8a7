// The listing shows an archive as its local headers say (the walk from the front); extraction
// follows the central directory. An archive whose two views differ would write names the list
// never showed, or silently fewer files than it listed, so it is refused. This finds the first
// difference.
#pragma once

#include "engine/ArchiveLayout.h"

#include <optional>
#include <string>

// What first differs between the listing of the archive open as fd (searched from byte 14000
// when fromExeStart is set, as an .exe is listed) and its central directory: a record whose local
// header is missing or holds another name, a listed entry without a record, or a record the
// listing does not reach. Nothing when every record is listed under its own name.
std::optional<std::string> ListingDisagreement(int fd, const ArchiveLayout& layout,
                                               bool fromExeStart);
