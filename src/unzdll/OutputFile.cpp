// Where an entry's data is written until it takes the entry's name.
#include "unzdll/OutputFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr mode_t kMode = 0666; // less the umask, as any new file

} // namespace

OutputFile::~OutputFile() {
    Close();
    if (!named_ && !temporary_.empty())
        ::unlinkat(folder_, temporary_.c_str(), 0);
}

int OutputFile::Open(bool nameTaken, bool& unnamedFiles) {
    if (!nameTaken && unnamedFiles) {
        fd_ = platform::CreateUnnamedFile(folder_, kMode);
        if (fd_ >= 0 || (errno != EOPNOTSUPP && errno != EISDIR))
            return fd_;
        unnamedFiles = false;
    }
    fd_ = platform::CreateTemporaryFile(folder_, temporary_, kMode);
    inUse_.Hold(fd_);
    return fd_;
}

int OutputFile::Close() {
    const int fd = fd_;
    fd_ = -1;
    return fd >= 0 && ::close(fd) != 0 ? errno : 0;
}

int OutputFile::Name(const std::string& name, bool replace) {
    if (temporary_.empty() && !replace) {
        if (!platform::NameUnnamedFile(fd_, folder_, name))
            return errno;
        named_ = true;
        // A write error that shows only at the close takes the name away again.
        if (const int error = Close()) {
            ::unlinkat(folder_, name.c_str(), 0);
            return error;
        }
        return 0;
    }
    if (temporary_.empty()) {
        if (!platform::NameUnnamedFileTemporarily(fd_, folder_, temporary_)) {
            const int error = errno;
            temporary_.clear();
            return error;
        }
        inUse_.Hold(fd_);
    }
    if (const int error = Close())
        return error;
    if (::renameat(folder_, temporary_.c_str(), folder_, name.c_str()) != 0)
        return errno;
    named_ = true;
    return 0;
}
