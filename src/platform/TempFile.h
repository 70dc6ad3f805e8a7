// New temporary files for data that takes its real name only when complete: extracted entries,
// converted archives. Plain POSIX, so the self-extractor stub shares it as source.
#pragma once

#include <string>
#include <sys/types.h>

namespace platform {

// Creates a new file in the folder open as folder, readable and writable, with permissions mode
// less the umask, under a name that no entry or user file is likely to have
// (".pakrune-<random>.part"), and returns its descriptor with name set; -1 with errno set when
// none can be made. An existing file or link of that name is never opened.
int CreateTemporaryFile(int folder, std::string& name, mode_t mode);

} // namespace platform
