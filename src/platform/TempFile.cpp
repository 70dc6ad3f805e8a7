// New temporary files.
#include "platform/TempFile.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <sys/random.h>

namespace platform {

int CreateTemporaryFile(int folder, std::string& name, mode_t mode) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::uint64_t random = 0;
        if (::getrandom(&random, sizeof random, 0) != static_cast<ssize_t>(sizeof random))
            return -1;
        name = ".pakrune-";
        for (int digit = 0; digit < 16; ++digit, random >>= 4)
            name += "0123456789abcdef"[random & 15];
        name += ".part";
        const int fd = ::openat(folder, name.c_str(),
                                O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

} // namespace platform
