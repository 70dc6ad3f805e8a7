// The new contents of an archive, put in place only when complete.
#include "zipdll/Replacement.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// While the file is written, its writing to the disk starts whenever this much more is there.
constexpr std::uint64_t kWritebackPiece = 2 << 20;

std::string FolderOf(const std::string& hostPath) {
    const std::size_t slash = hostPath.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : hostPath.substr(0, slash);
}

} // namespace

ArchiveIdentity ArchiveIdentity::Of(const struct stat& st) {
    return {st.st_dev, st.st_ino, st.st_size, st.st_mtim};
}

bool ArchiveIdentity::operator==(const ArchiveIdentity& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
}

Replacement::~Replacement() {
    Discard();
}

bool Replacement::Create(const std::string& hostPath,
                         const std::optional<ArchiveIdentity>& original) {
    Discard();
    path_ = hostPath;
    original_ = original;
    const std::string folderPath = FolderOf(hostPath);
    const int folder = ::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return false;
    std::string name;
    fd_ = platform::CreateTemporaryFile(folder, name, 0666);
    const int error = errno;
    ::close(folder);
    if (fd_ < 0) {
        errno = error;
        return false;
    }
    inUse_.Hold(fd_);
    writebackStarted_ = 0;
    temporary_ = folderPath + "/" + name;
    // The new archive keeps the permissions of the one it replaces.
    struct stat st {};
    if (::stat(hostPath.c_str(), &st) == 0)
        ::fchmod(fd_, st.st_mode & 07777);
    return true;
}

void Replacement::Written(std::uint64_t length) {
    if (length < writebackStarted_ + kWritebackPiece)
        return;
    // Only a start: errors surface at the flush, which waits for every piece.
    ::sync_file_range(fd_, static_cast<off_t>(writebackStarted_),
                      static_cast<off_t>(length - writebackStarted_), SYNC_FILE_RANGE_WRITE);
    writebackStarted_ = length;
}

bool Replacement::Commit(EngineReport& report) {
    const bool committed = report.Meanwhile([&] { return CommitHere(report); });
    if (committed) {
        temporary_.clear();
        inUse_.Release();
        return true;
    }
    const int error = errno;
    Discard();
    errno = error;
    return false;
}

bool Replacement::CommitHere(const EngineReport& report) {
    int error = ::fsync(fd_) == 0 ? 0 : errno;
    if (::close(fd_) != 0 && error == 0)
        error = errno;
    fd_ = -1;
    // An abort answered while the file went to the disk still leaves the archive as it was.
    if (error == 0 && report.Aborted())
        error = ECANCELED;
    // Another program that replaced or changed the archive meanwhile keeps what it wrote.
    struct stat now {};
    if (error == 0 && original_ &&
        (::stat(path_.c_str(), &now) != 0 || !(ArchiveIdentity::Of(now) == *original_)))
        error = ESTALE;
    if (error == 0 && ::rename(temporary_.c_str(), path_.c_str()) != 0)
        error = errno;
    errno = error;
    return error == 0;
}

void Replacement::Discard() {
    const int error = errno; // the failure's, which the caller reports
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
    temporary_.clear();
    inUse_.Release();
    errno = error;
}

std::string ArchiveRealPath(const std::string& hostPath) {
    char resolved[PATH_MAX];
    return ::realpath(hostPath.c_str(), resolved) ? std::string(resolved) : hostPath;
}

void RemoveStaleReplacements(const std::string& hostPath) {
    const std::string folderPath = FolderOf(hostPath);
    const int folder = ::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        platform::RemoveStaleTemporaryFiles(folder);
        ::close(folder);
    }
}
