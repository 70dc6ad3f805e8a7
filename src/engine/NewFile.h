// A file written under a temporary name beside its target and renamed over the target only when
// it is complete, so a failed or cut-short write never replaces the target nor leaves a file of
// its name behind.
#pragma once

#include "platform/TempFile.h"

#include <string>
#include <sys/types.h>

class NewFile {
public:
    NewFile() = default;
    ~NewFile(); // closes and removes the temporary file unless it was committed
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    // Makes the temporary file for the Windows path winTarget, open for reading and writing,
    // with permissions mode less the umask, after removing the temporary files that earlier
    // runs left in its folder. False (errno set) when the target cannot be created: no drive
    // for it, a folder or a read-only file of its name, or no new file in its folder.
    bool Create(const std::string& winTarget, mode_t mode);
    int Fd() const { return fd_; }
    // Flushes the data to the disk and closes the file; false when either fails.
    bool Close();
    // Renames the closed file over the target.
    bool Commit();

private:
    int folder_ = -1; // the target's folder
    int fd_ = -1;
    std::string name_; // the target's name in its folder
    std::string temporary_;
    platform::TemporaryFileLock inUse_; // the temporary file, until renamed or removed
    bool committed_ = false;
};
