// A library that tests preload into engine_worker to make the disk fail on cue where a real disk
// fails only by chance. PAKRUNE_FAULT names the fault; it touches only our temporary files (the
// new archive, a converted file), and every other call goes straight to the kernel:
//
//   flush-error  every flush (fsync) of a temporary file fails with EIO, as when the disk meets
//                a write error after the writes themselves returned;
//   short-write  the first write to a temporary file writes half its bytes and reports them all
//                written, so the file ends up shorter than everything handed to it.
//
// The calls go to the kernel through syscall(), never through the C library's own functions, so
// the shim works beside the sanitizers' interceptors too.
#include "platform/TempFile.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

enum class Fault { None, FlushError, ShortWrite };

Fault Wanted() {
    static const Fault wanted = [] {
        const char* name = std::getenv("PAKRUNE_FAULT");
        if (!name)
            return Fault::None;
        if (std::strcmp(name, "flush-error") == 0)
            return Fault::FlushError;
        if (std::strcmp(name, "short-write") == 0)
            return Fault::ShortWrite;
        std::abort(); // a misspelt fault would let a test pass without its fault
    }();
    return wanted;
}

bool IsTemporaryFile(int fd) {
    char path[4096];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t length = ::readlink(link.c_str(), path, sizeof path - 1);
    if (length <= 0)
        return false;
    const std::string target(path, static_cast<std::size_t>(length));
    return platform::IsTemporaryFileName(target.substr(target.rfind('/') + 1));
}

std::atomic<bool> shortened{false};

} // namespace

extern "C" int fsync(int fd) {
    if (Wanted() == Fault::FlushError && IsTemporaryFile(fd)) {
        errno = EIO;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_fsync, fd));
}

extern "C" ssize_t write(int fd, const void* data, size_t size) {
    if (Wanted() == Fault::ShortWrite && size > 1 && IsTemporaryFile(fd) &&
        !shortened.exchange(true)) {
        const long written = ::syscall(SYS_write, fd, data, size / 2);
        return written < 0 ? written : static_cast<ssize_t>(size);
    }
    return ::syscall(SYS_write, fd, data, size);
}
