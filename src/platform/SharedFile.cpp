// Opening files with sharing rules.
#include "platform/SharedFile.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace platform {
namespace {

int LockedOpen(const std::string& hostPath, int flags, short lockType) {
    const int fd = ::open(hostPath.c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0)
        return -1;
    struct flock lock {};
    lock.l_type = lockType;
    lock.l_whence = SEEK_SET; // the whole file, however it grows
    if (::fcntl(fd, F_OFD_SETLK, &lock) != 0) {
        ::close(fd);
        errno = EACCES;
        return -1;
    }
    return fd;
}

} // namespace

int OpenReadDenyWrite(const std::string& hostPath) {
    return LockedOpen(hostPath, O_RDONLY, F_RDLCK);
}

int OpenWriteDenyAll(const std::string& hostPath, bool create) {
    return LockedOpen(hostPath, O_RDWR | (create ? O_CREAT : 0), F_WRLCK);
}

} // namespace platform
