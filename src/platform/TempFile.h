// New temporary files for data that takes its real name only when complete: archives being
// rewritten, extracted entries, converted archives; and files without any name (O_TMPFILE) that
// are linked under their name when complete. Plain POSIX and Linux, so the self-extractor stub
// shares it as source.
//
// A run that is killed or crashes leaves its temporary file behind, and the next operation in
// that folder removes it. To tell such a file from one that another process is still writing,
// the writer holds a lock on its file for as long as it lives: an open-file-description lock,
// which the kernel drops when the process ends however it ends. Process numbers would not do
// (they are reused, and mean nothing across containers or machines sharing a folder), nor would
// ages (a writer that waits is not a dead one). Files are created under a shared lock on their
// folder and cleaned under an exclusive one, so a cleaner never sees a new file in the moment
// before its writer has locked it; where a file system offers no locks, nothing is cleaned.
#pragma once

#include <fcntl.h>
#include <string>
#include <sys/types.h>
#include <unistd.h>

namespace platform {

// Creates a new file in the folder open as folder, readable and writable, with permissions mode
// less the umask, under a name that no entry or user file is likely to have
// (".pakrune-<16 hex digits>.part"), locked as in use, and returns its descriptor with name set;
// -1 with errno set when none can be made. An existing file or link of that name is never
// opened. The lock lasts while any descriptor of this open file is open (see TemporaryFileLock).
int CreateTemporaryFile(int folder, std::string& name, mode_t mode);

// Creates a new file in the folder open as folder, readable and writable, with permissions mode
// less the umask, that has no name until NameUnnamedFile gives it one (O_TMPFILE): nothing of it
// is seen under a name before it is complete, and a run that dies leaves nothing behind. -1 with
// errno set when none can be made (EOPNOTSUPP or EISDIR where the file system has no such files).
int CreateUnnamedFile(int folder, mode_t mode);

// Whether files that CreateUnnamedFile makes can be named: not where /proc is missing (some
// sandboxes).
bool UnnamedFilesCanBeNamed();

// Gives the file that CreateUnnamedFile made, open as fd, the name in the folder open as folder,
// through /proc/self/fd; false with errno set (EEXIST when the name is taken, which it keeps).
bool NameUnnamedFile(int fd, int folder, const std::string& name);

// Gives that file instead a name that CreateTemporaryFile would give, locked as in use, to be
// renamed over a file that has the name it should take; false with errno set.
bool NameUnnamedFileTemporarily(int fd, int folder, std::string& name);

// Whether name is one that CreateTemporaryFile gives.
bool IsTemporaryFileName(const std::string& name);

// Removes the temporary files in the folder open as folder whose writers are gone; the number
// removed. Links, folders and files being written are left alone.
int RemoveStaleTemporaryFiles(int folder);

// Keeps a temporary file marked as in use after its own descriptor is closed (which is where a
// write error may show), until the file has been renamed into place or removed.
class TemporaryFileLock {
public:
    TemporaryFileLock() = default;
    explicit TemporaryFileLock(int fd) : fd_(fd >= 0 ? ::fcntl(fd, F_DUPFD_CLOEXEC, 0) : -1) {}
    ~TemporaryFileLock() { Release(); }
    TemporaryFileLock(const TemporaryFileLock&) = delete;
    TemporaryFileLock& operator=(const TemporaryFileLock&) = delete;
    void Hold(int fd) {
        Release();
        fd_ = fd >= 0 ? ::fcntl(fd, F_DUPFD_CLOEXEC, 0) : -1;
    }
    void Release() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
};

} // namespace platform
