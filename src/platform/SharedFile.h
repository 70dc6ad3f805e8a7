// Opening files with the sharing rules of the Windows file system that the program relies on:
// a file being written by one program cannot be opened by another that denies writers, and the
// other way round. Locks are open-file-description locks, so they hold between processes and
// between two opens in one process alike.
#pragma once

#include <string>

namespace platform {

// Opens a host file for reading while denying writers. -1 with errno EACCES when another open
// holds it for writing, or errno of the failed open.
int OpenReadDenyWrite(const std::string& hostPath);

// Opens (creating if asked) a host file for writing while denying everybody else. -1 with errno
// EACCES when another open holds it.
int OpenWriteDenyAll(const std::string& hostPath, bool create);

} // namespace platform
