// The archive file as libzip reads and rewrites it, in large pieces.
#include "zipdll/ArchiveFileSource.h"

#include "platform/AtomicFile.h"
#include "zipdll/Replacement.h"
#include "zipdll/SourceBase.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

constexpr std::size_t kPiece = 1 << 20;

struct ArchiveFile : SourceBase {
    std::string path;
    // Reading the archive as it is.
    int in = -1;
    std::uint64_t size = 0;
    std::uint64_t position = 0;
    std::vector<unsigned char> readBuffer;
    std::uint64_t readStart = 0;
    std::size_t readFill = 0;
    std::optional<ArchiveIdentity> opened; // the archive as read, if it exists
    // Writing its replacement (removed unless committed).
    Replacement out;
    std::vector<unsigned char> pending; // written by libzip, not yet by us, from pendingStart on
    std::uint64_t pendingStart = 0;
    std::uint64_t written = 0; // the length of the replacement so far
    std::function<bool()> keepAlive;

    ~ArchiveFile() override {
        if (in >= 0)
            ::close(in);
    }
};

zip_int64_t Stat(ArchiveFile& file, void* data) {
    struct stat st {};
    if ((file.in >= 0 ? ::fstat(file.in, &st) : ::stat(file.path.c_str(), &st)) != 0)
        return file.Fail(ZIP_ER_READ, errno); // libzip takes ENOENT for a new archive
    auto* out = static_cast<zip_stat_t*>(data);
    zip_stat_init(out);
    out->size = static_cast<zip_uint64_t>(st.st_size);
    out->mtime = st.st_mtime;
    out->valid = ZIP_STAT_SIZE | ZIP_STAT_MTIME;
    return sizeof(zip_stat_t);
}

zip_int64_t Open(ArchiveFile& file) {
    file.in = ::open(file.path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (file.in < 0 || ::fstat(file.in, &st) != 0)
        return file.Fail(ZIP_ER_OPEN, errno);
    file.size = static_cast<std::uint64_t>(st.st_size);
    if (!file.opened) // the archive whose directory libzip read
        file.opened = ArchiveIdentity::Of(st);
    file.position = 0;
    file.readFill = 0;
    return 0;
}

zip_int64_t Read(ArchiveFile& file, unsigned char* data, zip_uint64_t length) {
    std::size_t done = 0;
    while (done < length && file.position < file.size) {
        const bool buffered =
            file.position >= file.readStart && file.position < file.readStart + file.readFill;
        if (!buffered) {
            file.readBuffer.resize(kPiece);
            ssize_t n;
            do
                n = ::pread(file.in, file.readBuffer.data(), kPiece,
                            static_cast<off_t>(file.position));
            while (n < 0 && errno == EINTR);
            if (n < 0)
                return file.Fail(ZIP_ER_READ, errno);
            if (n == 0)
                break;
            file.readStart = file.position;
            file.readFill = static_cast<std::size_t>(n);
        }
        const auto at = static_cast<std::size_t>(file.position - file.readStart);
        const std::size_t n = std::min<std::size_t>(length - done, file.readFill - at);
        std::memcpy(data + done, file.readBuffer.data() + at, n);
        done += n;
        file.position += n;
    }
    return static_cast<zip_int64_t>(done);
}

bool Flush(ArchiveFile& file) {
    if (file.pending.empty())
        return true;
    if (::lseek(file.out.Fd(), static_cast<off_t>(file.pendingStart), SEEK_SET) < 0 ||
        !platform::WriteFully(file.out.Fd(), file.pending.data(), file.pending.size())) {
        zip_error_set(&file.error, ZIP_ER_WRITE, errno);
        return false;
    }
    file.pendingStart += file.pending.size();
    file.written = std::max(file.written, file.pendingStart);
    file.out.Written(file.written);
    file.pending.clear();
    return true;
}

zip_int64_t BeginWrite(ArchiveFile& file) {
    if (!file.out.Create(file.path, file.opened))
        return file.Fail(ZIP_ER_TMPOPEN, errno);
    file.pending.clear();
    file.pending.reserve(kPiece);
    file.pendingStart = file.written = 0;
    return 0;
}

zip_int64_t Write(ArchiveFile& file, const unsigned char* data, zip_uint64_t length) {
    if (file.pending.size() + length > kPiece && !Flush(file))
        return -1;
    if (length >= kPiece) {
        file.pending.assign(data, data + length);
        return Flush(file) ? static_cast<zip_int64_t>(length) : -1;
    }
    file.pending.insert(file.pending.end(), data, data + length);
    return static_cast<zip_int64_t>(length);
}

zip_int64_t CommitWrite(ArchiveFile& file) {
    if (!Flush(file)) {
        file.out.Discard();
        return -1;
    }
    if (!file.out.Commit(file.keepAlive))
        return file.Fail(errno == ESTALE      ? ZIP_ER_CHANGED
                         : errno == ECANCELED ? ZIP_ER_CANCELLED
                                              : ZIP_ER_WRITE,
                         errno);
    return 0;
}

zip_int64_t Callback(void* userData, void* data, zip_uint64_t length, zip_source_cmd_t command) {
    auto& file = *static_cast<ArchiveFile*>(userData);
    switch (command) {
    case ZIP_SOURCE_STAT:
        return Stat(file, data);
    case ZIP_SOURCE_OPEN:
        return Open(file);
    case ZIP_SOURCE_READ:
        return Read(file, static_cast<unsigned char*>(data), length);
    case ZIP_SOURCE_SEEK: {
        const zip_int64_t to =
            zip_source_seek_compute_offset(file.position, file.size, data, length, &file.error);
        if (to < 0)
            return -1;
        file.position = static_cast<std::uint64_t>(to);
        return 0;
    }
    case ZIP_SOURCE_TELL:
        return static_cast<zip_int64_t>(file.position);
    case ZIP_SOURCE_CLOSE:
        if (file.in >= 0)
            ::close(file.in);
        file.in = -1;
        return 0;
    case ZIP_SOURCE_BEGIN_WRITE:
        return BeginWrite(file);
    case ZIP_SOURCE_WRITE:
        return Write(file, static_cast<const unsigned char*>(data), length);
    case ZIP_SOURCE_SEEK_WRITE: {
        if (!Flush(file))
            return -1;
        const zip_int64_t to = zip_source_seek_compute_offset(file.pendingStart, file.written, data,
                                                              length, &file.error);
        if (to < 0)
            return -1;
        file.pendingStart = static_cast<std::uint64_t>(to);
        return 0;
    }
    case ZIP_SOURCE_TELL_WRITE:
        return static_cast<zip_int64_t>(file.pendingStart + file.pending.size());
    case ZIP_SOURCE_COMMIT_WRITE:
        return CommitWrite(file);
    case ZIP_SOURCE_ROLLBACK_WRITE:
        file.out.Discard();
        return 0;
    case ZIP_SOURCE_REMOVE:
        if (::unlink(file.path.c_str()) != 0 && errno != ENOENT)
            return file.Fail(ZIP_ER_REMOVE, errno);
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(
            ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR,
            ZIP_SOURCE_FREE, ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL, ZIP_SOURCE_BEGIN_WRITE,
            ZIP_SOURCE_WRITE, ZIP_SOURCE_COMMIT_WRITE, ZIP_SOURCE_ROLLBACK_WRITE,
            ZIP_SOURCE_SEEK_WRITE, ZIP_SOURCE_TELL_WRITE, ZIP_SOURCE_REMOVE, ZIP_SOURCE_SUPPORTS,
            -1);
    default:
        return CommonCommand(file, data, length, command);
    }
}

} // namespace

zip_source_t* CreateArchiveFileSource(const std::string& hostPath, zip_error_t* error,
                                      std::function<bool()> keepAlive) {
    auto* file = new ArchiveFile;
    file->path = hostPath;
    file->keepAlive = std::move(keepAlive);
    return Adopted(zip_source_function_create(Callback, file, error), file);
}
