// The archive file as libzip reads and rewrites it when files are added or entries deleted. It
// does what libzip's own file source does, in large pieces: libzip asks for a few kilobytes at a
// time, and a system call per few kilobytes made copying the entries that stay the slowest part of
// changing a large archive. The new archive is written to a temporary file beside the old one
// (Replacement), which takes the old one's permissions and replaces it only when libzip commits
// it; a failure or an abort removes the temporary file and leaves the archive as it was.
#pragma once

#include <functional>
#include <string>
#include <zip.h>

// A source for the archive at hostPath, which need not exist yet; nothing (with error set) when
// libzip cannot make one. keepAlive is asked between pieces while the new archive is flushed to
// the disk; false there fails the commit as cancelled.
zip_source_t* CreateArchiveFileSource(const std::string& hostPath, zip_error_t* error,
                                      std::function<bool()> keepAlive);
