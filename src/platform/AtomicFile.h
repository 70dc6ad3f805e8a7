// Crash-safe replacement of a small file: the new contents go to a temporary file in the same
// folder, which is flushed and then renamed over the old file, so a reader sees either the old or
// the new file, never a half-written one.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace platform {

// Replaces the host file at hostPath with contents. False when anything fails or the file is
// read-only; the old file is then untouched and no temporary file is left behind.
bool WriteFileAtomically(const std::string& hostPath, const std::string& contents);

// Writes all of data to fd, going on after short writes and interruptions; false on an error.
bool WriteFully(int fd, const void* data, std::size_t size);

// Appends what fd reads to data until the end of the file or until data holds limit bytes, going
// on after short reads and interruptions; false on an error.
bool ReadFully(int fd, std::string& data, std::size_t limit);

// The whole contents of a regular host file, or nothing when it cannot be read. Folders, pipes and
// devices are refused (errno EISDIR or EINVAL) without waiting for a writer.
std::optional<std::string> ReadWholeFile(const std::string& hostPath);

// The first limit bytes of a regular host file, cut back to the end of the last line they hold (a
// CR or LF) when the file is longer, so no line is read in part and reading stays bounded however
// large the file. Nothing when the file cannot be read; errno then tells a missing file (ENOENT,
// also a link to nothing) from one that exists but cannot be read.
std::optional<std::string> ReadTextFileHead(const std::string& hostPath, std::size_t limit);

// Called after the temporary file is complete and before it is renamed into place. Tests use it
// to stop a process at the most delicate moment; it is empty otherwise.
using BeforeCommitHook = void (*)();
void SetBeforeCommitHook(BeforeCommitHook hook);

} // namespace platform
