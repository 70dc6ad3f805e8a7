// New temporary files, locked while their writer lives, and the removal of those left behind.
#include "platform/TempFile.h"

#include <cerrno>
#include <cstdint>
#include <dirent.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>

namespace platform {
namespace {

constexpr char kPrefix[] = ".pakrune-";
constexpr char kSuffix[] = ".part";
constexpr std::size_t kDigits = 16;
constexpr std::size_t kPrefixLength = sizeof kPrefix - 1;
constexpr std::size_t kSuffixLength = sizeof kSuffix - 1;

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

// A lock on the whole of the file open as fd, without waiting; false when another open file
// holds a conflicting one or the file system has none.
bool LockWhole(int fd, short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

// The folder open as folder, opened again: flock belongs to an open file, and a lock of the
// caller's own descriptor would be converted rather than refused.
class FolderLock {
public:
    FolderLock(int folder, int operation)
        : fd_(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        held_ = fd_ >= 0 && ::flock(fd_, operation) == 0;
    }
    ~FolderLock() {
        if (fd_ >= 0)
            ::close(fd_); // drops the lock
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    bool Held() const { return held_; }

private:
    int fd_;
    bool held_ = false;
};

// A new name of the form that IsTemporaryFileName knows; false when no random number is to be
// had.
bool RandomTemporaryName(std::string& name) {
    std::uint64_t random = 0;
    if (::getrandom(&random, sizeof random, 0) != static_cast<ssize_t>(sizeof random))
        return false;
    name = kPrefix;
    for (std::size_t digit = 0; digit < kDigits; ++digit, random >>= 4)
        name += "0123456789abcdef"[random & 15];
    name += kSuffix;
    return true;
}

// Makes a temporary file of a new random name in the folder through make, which returns whether
// it made the file with that name; under a shared lock on the folder, so that no cleaner runs in
// the moment before the file is locked. Without a lock on the folder (a file system without
// them) the file is still made: only the cleaning of stale files depends on locks, and it does
// nothing there.
template <typename Make> bool MakeTemporary(int folder, std::string& name, Make make) {
    const FolderLock creating(folder, LOCK_SH);
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (!RandomTemporaryName(name))
            return false;
        if (make(name))
            return true;
        if (errno != EEXIST)
            return false;
    }
    errno = EEXIST;
    return false;
}

bool LinkUnnamed(int fd, int folder, const std::string& name) {
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    return ::linkat(AT_FDCWD, path.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

} // namespace

int CreateTemporaryFile(int folder, std::string& name, mode_t mode) {
    int fd = -1;
    MakeTemporary(folder, name, [&](const std::string& candidate) {
        fd = ::openat(folder, candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                      mode);
        if (fd >= 0)
            LockWhole(fd, F_WRLCK);
        return fd >= 0;
    });
    return fd;
}

int CreateUnnamedFile(int folder, mode_t mode) {
    return ::openat(folder, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
}

bool UnnamedFilesCanBeNamed() {
    return ::access("/proc/self/fd", X_OK) == 0;
}

bool NameUnnamedFile(int fd, int folder, const std::string& name) {
    return LinkUnnamed(fd, folder, name);
}

bool NameUnnamedFileTemporarily(int fd, int folder, std::string& name) {
    // Locked before it has the name, as a new temporary file is.
    LockWhole(fd, F_WRLCK);
    return MakeTemporary(folder, name, [&](const std::string& candidate) {
        return LinkUnnamed(fd, folder, candidate);
    });
}

bool IsTemporaryFileName(const std::string& name) {
    if (name.size() != kPrefixLength + kDigits + kSuffixLength ||
        name.compare(0, kPrefixLength, kPrefix) != 0 ||
        name.compare(kPrefixLength + kDigits, kSuffixLength, kSuffix) != 0)
        return false;
    for (std::size_t i = kPrefixLength; i < kPrefixLength + kDigits; ++i)
        if (!IsHexDigit(name[i]))
            return false;
    return true;
}

int RemoveStaleTemporaryFiles(int folder) {
    // Another process creating a file here right now: its file may not be locked yet, so this
    // time nothing is cleaned.
    const FolderLock cleaning(folder, LOCK_EX | LOCK_NB);
    if (!cleaning.Held())
        return 0;
    const int listing = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = listing >= 0 ? ::fdopendir(listing) : nullptr;
    if (!dir) {
        if (listing >= 0)
            ::close(listing);
        return 0;
    }
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (!IsTemporaryFileName(name))
            continue;
        const int fd =
            ::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st {};
        // A lock granted means that no writer holds the file any more.
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && LockWhole(fd, F_RDLCK) &&
            ::unlinkat(folder, name.c_str(), 0) == 0)
            ++removed;
        ::close(fd);
    }
    ::closedir(dir);
    return removed;
}

} // namespace platform
