// A file that takes its target's name only when complete.
#include "engine/NewFile.h"

#include "platform/Files.h"
#include "platform/PathMap.h"
#include "platform/TempFile.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

NewFile::~NewFile() {
    if (fd_ >= 0)
        ::close(fd_);
    if (!temporary_.empty() && !committed_)
        ::unlinkat(folder_, temporary_.c_str(), 0);
    if (folder_ >= 0)
        ::close(folder_);
}

bool NewFile::Create(const std::string& winTarget, mode_t mode) {
    const auto host = platform::HostPathOf(winTarget);
    if (!host)
        return false;
    // A folder or a read-only file of that name is not replaced, as creating the file over it
    // fails on Windows.
    const win::DWORD attributes = win::GetFileAttributesA(winTarget.c_str());
    if (attributes != win::INVALID_FILE_ATTRIBUTES &&
        (attributes & (win::FILE_ATTRIBUTE_DIRECTORY | win::FILE_ATTRIBUTE_READONLY))) {
        errno = attributes & win::FILE_ATTRIBUTE_DIRECTORY ? EISDIR : EACCES;
        return false;
    }
    const std::size_t slash = host->rfind('/');
    name_ = host->substr(slash + 1);
    folder_ = ::open(slash == 0 ? "/" : host->substr(0, slash).c_str(),
                     O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder_ < 0)
        return false;
    platform::RemoveStaleTemporaryFiles(folder_);
    fd_ = platform::CreateTemporaryFile(folder_, temporary_, mode);
    if (fd_ < 0) {
        temporary_.clear();
        return false;
    }
    inUse_.Hold(fd_);
    return true;
}

bool NewFile::Close() {
    const bool synced = ::fsync(fd_) == 0;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    return synced && closed;
}

bool NewFile::Commit() {
    committed_ = fd_ < 0 && !temporary_.empty() &&
                 ::renameat(folder_, temporary_.c_str(), folder_, name_.c_str()) == 0;
    if (committed_)
        inUse_.Release(); // the target now: nobody's temporary file, and readers may open it
    return committed_;
}
