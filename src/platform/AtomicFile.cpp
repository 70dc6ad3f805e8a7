// Crash-safe replacement of a small file.
#include "platform/AtomicFile.h"

#include "platform/TextLines.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace platform {
namespace {

BeforeCommitHook beforeCommit = nullptr;

// Opens a regular file for reading. Without O_NONBLOCK a pipe would wait for a writer forever.
int OpenRegularFile(const std::string& hostPath) {
    const int fd = ::open(hostPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return -1;
    }
    return fd;
}

// Reads at most limit bytes of a regular file.
std::optional<std::string> ReadRegularFile(const std::string& hostPath, std::size_t limit) {
    const int fd = OpenRegularFile(hostPath);
    if (fd < 0)
        return std::nullopt;
    std::string data;
    const bool ok = ReadFully(fd, data, limit);
    const int error = errno;
    ::close(fd);
    errno = error;
    return ok ? std::optional(std::move(data)) : std::nullopt;
}

} // namespace

void SetBeforeCommitHook(BeforeCommitHook hook) {
    beforeCommit = hook;
}

bool WriteFully(int fd, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool WriteFileAtomically(const std::string& hostPath, const std::string& contents) {
    // A read-only file is not replaced, as on a system that checks the attribute even for an
    // administrator.
    struct stat old {};
    const bool exists = ::stat(hostPath.c_str(), &old) == 0;
    if (exists && !(old.st_mode & S_IWUSR)) {
        errno = EACCES;
        return false;
    }
    std::string temp = hostPath + ".XXXXXX.part";
    const int fd = ::mkstemps(temp.data(), 5);
    if (fd < 0)
        return false;
    // The new file keeps the permissions of the one it replaces.
    ::fchmod(fd, exists ? (old.st_mode & 07777) : 0644);
    bool ok = WriteFully(fd, contents.data(), contents.size()) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok && beforeCommit)
        beforeCommit();
    if (ok)
        ok = ::rename(temp.c_str(), hostPath.c_str()) == 0;
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}

bool ReadFully(int fd, std::string& data, std::size_t limit) {
    char buffer[65536];
    while (data.size() < limit) {
        const ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, limit - data.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        data.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
}

std::optional<std::string> ReadWholeFile(const std::string& hostPath) {
    return ReadRegularFile(hostPath, std::string().max_size());
}

std::optional<std::string> ReadTextFileHead(const std::string& hostPath, std::size_t limit) {
    // One byte more than the limit tells whether the file goes on.
    auto text = ReadRegularFile(hostPath, limit + 1);
    if (text)
        text->resize(LinesWithin(*text, limit).size());
    return text;
}

} // namespace platform
