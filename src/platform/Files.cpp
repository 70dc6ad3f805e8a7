// Files and folders in Windows form.
#include "platform/Files.h"
#include "platform/AtomicFile.h"

#include "platform/PathMap.h"
#include "platform/WinPath.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

using namespace win;

namespace platform {
namespace {

constexpr const char* kDosAttrib = "user.DOSATTRIB";
constexpr DWORD kStoredAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

DWORD StoredAttributes(const std::string& hostPath) {
    char value[32] = {};
    const ssize_t n = ::getxattr(hostPath.c_str(), kDosAttrib, value, sizeof value - 1);
    if (n <= 0)
        return 0;
    return static_cast<DWORD>(std::strtoul(value, nullptr, 0)) & kStoredAttributes;
}

BOOL Fail(int error) {
    SetLastError(ErrorFromErrno(error));
    return FALSE;
}

std::optional<std::string> Host(LPCSTR winPath) {
    if (!winPath || !*winPath) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return std::nullopt;
    }
    auto host = HostPathOf(winPath);
    if (!host)
        SetLastError(ERROR_PATH_NOT_FOUND);
    return host;
}

std::string FolderOf(const std::string& hostPath) {
    const auto slash = hostPath.rfind('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : hostPath.substr(0, slash));
}

// Copies a host file into a new temporary file beside target; returns its path, or nothing
// (with errno set) when the copy failed, in which case no temporary file remains.
std::optional<std::string> CopyBeside(const std::string& source, const std::string& target) {
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return std::nullopt;
    struct stat st {};
    ::fstat(in, &st);
    std::string temp =
        FolderOf(target) + "/." + target.substr(target.rfind('/') + 1) + ".XXXXXX.part";
    const int out = ::mkstemps(temp.data(), 5);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        errno = error;
        return std::nullopt;
    }
    std::vector<char> buffer(1 << 20);
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 ||
            (n > 0 && !platform::WriteFully(out, buffer.data(), static_cast<std::size_t>(n))))
            ok = false;
        if (n <= 0)
            break;
    }
    const int error = errno;
    ::fchmod(out, st.st_mode & 07777);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out, times);
    ok = ::fsync(out) == 0 && ok;
    ok = ::close(out) == 0 && ok;
    ::close(in);
    if (!ok) {
        ::unlink(temp.c_str());
        errno = error ? error : EIO;
        return std::nullopt;
    }
    return temp;
}

// Renames without replacing an existing target; where the file system cannot say so atomically,
// a hard link gives the same guarantee for files.
bool RenameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    if (::link(from.c_str(), to.c_str()) != 0)
        return false;
    ::unlink(from.c_str());
    return true;
}

} // namespace

DWORD ErrorFromErrno(int error) {
    switch (error) {
    case 0:
        return ERROR_SUCCESS;
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EEXIST:
    case ENOTEMPTY:
        return ERROR_ALREADY_EXISTS;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return ERROR_ACCESS_DENIED;
    default:
        return ERROR_INVALID_PARAMETER;
    }
}

DWORD AttributesOfHostFile(const std::string& hostPath) {
    struct stat st {};
    if (::stat(hostPath.c_str(), &st) != 0 && ::lstat(hostPath.c_str(), &st) != 0)
        return INVALID_FILE_ATTRIBUTES;
    DWORD attributes = StoredAttributes(hostPath);
    if (S_ISDIR(st.st_mode))
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (!(st.st_mode & S_IWUSR))
        attributes |= FILE_ATTRIBUTE_READONLY;
    const std::string name = hostPath.substr(hostPath.rfind('/') + 1);
    if (name.size() > 1 && name[0] == '.' && name != "..")
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

bool SameFile(std::string_view a, std::string_view b) {
    const auto hostA = HostPathOf(a);
    const auto hostB = HostPathOf(b);
    struct stat stA {
    }, stB{};
    return hostA && hostB && ::stat(hostA->c_str(), &stA) == 0 &&
           ::stat(hostB->c_str(), &stB) == 0 && stA.st_dev == stB.st_dev &&
           stA.st_ino == stB.st_ino;
}

bool FileExists(std::string_view winPath) {
    const DWORD a = GetFileAttributesA(std::string(winPath).c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(std::string_view winPath) {
    const DWORD a = GetFileAttributesA(std::string(winPath).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace platform

namespace win {

using platform::Host;

DWORD GetFileAttributesA(LPCSTR path) {
    const auto host = Host(path);
    if (!host)
        return INVALID_FILE_ATTRIBUTES;
    const DWORD attributes = platform::AttributesOfHostFile(*host);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        SetLastError(ERROR_FILE_NOT_FOUND);
    return attributes;
}

BOOL SetFileAttributesA(LPCSTR path, DWORD attributes) {
    const auto host = Host(path);
    if (!host)
        return FALSE;
    struct stat st {};
    if (::stat(host->c_str(), &st) != 0)
        return platform::Fail(errno);
    const mode_t writable = S_IWUSR | S_IWGRP | S_IWOTH;
    const mode_t mode =
        (attributes & FILE_ATTRIBUTE_READONLY) ? (st.st_mode & ~writable) : (st.st_mode | S_IWUSR);
    if (::chmod(host->c_str(), mode & 07777) != 0)
        return platform::Fail(errno);
    const DWORD stored = attributes & platform::kStoredAttributes;
    if (stored == 0) {
        if (::removexattr(host->c_str(), platform::kDosAttrib) != 0 && errno != ENODATA)
            return platform::Fail(errno);
        return TRUE;
    }
    char value[16];
    std::snprintf(value, sizeof value, "0x%x", stored);
    if (::setxattr(host->c_str(), platform::kDosAttrib, value, std::strlen(value), 0) != 0)
        return platform::Fail(errno);
    return TRUE;
}

DWORD GetCurrentDirectoryA(DWORD bufferSize, LPSTR buffer) {
    const std::string current = platform::CurrentWindowsDirectory();
    if (!buffer || bufferSize <= current.size())
        return static_cast<DWORD>(current.size() + 1);
    std::memcpy(buffer, current.c_str(), current.size() + 1);
    return static_cast<DWORD>(current.size());
}

BOOL SetCurrentDirectoryA(LPCSTR path) {
    const auto host = Host(path);
    if (!host)
        return FALSE;
    return ::chdir(host->c_str()) == 0 ? TRUE : platform::Fail(errno);
}

BOOL CreateDirectoryA(LPCSTR path, void*) {
    const auto host = Host(path);
    if (!host)
        return FALSE;
    if (::mkdir(host->c_str(), 0777) == 0)
        return TRUE;
    // A link to a folder not made yet (C:\download leading to a Downloads folder the user has not
    // made): the folder is made where the link leads, one level, as for any other name.
    const int error = errno;
    char target[PATH_MAX];
    struct stat st {};
    const ssize_t length =
        error == EEXIST ? ::readlink(host->c_str(), target, sizeof target - 1) : -1;
    if (length > 0 && ::stat(host->c_str(), &st) != 0) {
        target[length] = '\0';
        const std::string folder = host->substr(0, host->rfind('/') + 1);
        const std::string linked = target[0] == '/' ? target : folder + target;
        if (::mkdir(linked.c_str(), 0777) == 0)
            return TRUE;
    }
    return platform::Fail(error == ENOENT ? ENOTDIR : error);
}

BOOL RemoveDirectoryA(LPCSTR path) {
    const auto host = Host(path);
    if (!host)
        return FALSE;
    return ::rmdir(host->c_str()) == 0 ? TRUE : platform::Fail(errno);
}

BOOL MoveFileA(LPCSTR existing, LPCSTR target) {
    const auto from = Host(existing);
    const auto to = Host(target);
    if (!from || !to)
        return FALSE;
    struct stat st {};
    if (::lstat(from->c_str(), &st) != 0)
        return platform::Fail(errno);
    if (platform::RenameNoReplace(*from, *to))
        return TRUE;
    if (errno != EXDEV || !S_ISREG(st.st_mode))
        return platform::Fail(errno);
    // Another file system: copy whole, put in place without replacing, then drop the source.
    const auto temp = platform::CopyBeside(*from, *to);
    if (!temp)
        return platform::Fail(errno);
    if (!platform::RenameNoReplace(*temp, *to)) {
        const int error = errno;
        ::unlink(temp->c_str());
        return platform::Fail(error);
    }
    ::unlink(from->c_str());
    return TRUE;
}

BOOL CopyFileA(LPCSTR existing, LPCSTR target, BOOL failIfExists) {
    const auto from = Host(existing);
    const auto to = Host(target);
    if (!from || !to)
        return FALSE;
    struct stat st {};
    if (::stat(from->c_str(), &st) != 0)
        return platform::Fail(errno);
    if (S_ISDIR(st.st_mode))
        return platform::Fail(EISDIR);
    if (failIfExists && ::lstat(to->c_str(), &st) == 0)
        return platform::Fail(EEXIST);
    const auto temp = platform::CopyBeside(*from, *to);
    if (!temp)
        return platform::Fail(errno);
    const bool placed = failIfExists ? platform::RenameNoReplace(*temp, *to)
                                     : ::rename(temp->c_str(), to->c_str()) == 0;
    if (!placed) {
        const int error = errno;
        ::unlink(temp->c_str());
        return platform::Fail(error);
    }
    return TRUE;
}

BOOL DeleteFileA(LPCSTR path) {
    const auto host = Host(path);
    if (!host)
        return FALSE;
    struct stat st {};
    if (::lstat(host->c_str(), &st) != 0)
        return platform::Fail(errno);
    if (S_ISDIR(st.st_mode) || (S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR)))
        return platform::Fail(EACCES);
    return ::unlink(host->c_str()) == 0 ? TRUE : platform::Fail(errno);
}

} // namespace win
