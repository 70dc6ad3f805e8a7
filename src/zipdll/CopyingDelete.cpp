// Deleting entries by copying what stays byte for byte.
#include "zipdll/CopyingDelete.h"

#include "engine/LittleEndian.h"
#include "platform/AtomicFile.h"
#include "zipdll/Replacement.h"

#include <algorithm>
#include <cerrno>
#include <numeric>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kCentralHeaderSize = 46;
constexpr std::size_t kEndRecordSize = 22;

void Put16(unsigned char* p, std::uint64_t value) {
    p[0] = static_cast<unsigned char>(value);
    p[1] = static_cast<unsigned char>(value >> 8);
}

void Put32(unsigned char* p, std::uint64_t value) {
    Put16(p, value);
    Put16(p + 2, value >> 16);
}

// A copy goes in pieces of this size, so the caller's windows stay responsive, an abort is heard
// between them, and the disk starts writing each piece while the next one is copied.
constexpr std::uint64_t kCopyPiece = 2 << 20;

// The new archive as it grows: its file and how long it is so far.
struct Output {
    Replacement& file;
    std::uint64_t length = 0;

    void Grew(std::uint64_t by) {
        length += by;
        file.Written(length);
    }
};

// length bytes of in from offset to the end of out, inside the kernel where it can. False when
// the copy fails or keepAlive answers false (errno ECANCELED).
bool CopyRange(int in, std::uint64_t offset, Output& out, std::uint64_t length,
               const std::function<bool()>& keepAlive) {
    auto from = static_cast<loff_t>(offset);
    while (length > 0) {
        if (!keepAlive()) {
            errno = ECANCELED;
            return false;
        }
        const ssize_t n = ::copy_file_range(in, &from, out.file.Fd(), nullptr,
                                            std::min<std::uint64_t>(length, kCopyPiece), 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        length -= static_cast<std::uint64_t>(n);
        out.Grew(static_cast<std::uint64_t>(n));
    }
    // Where the kernel cannot (another file system, an old kernel), through a buffer.
    std::vector<unsigned char> buffer(length > 0 ? 1 << 20 : 0);
    while (length > 0) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(length, buffer.size()));
        if (ReadAt(in, static_cast<std::uint64_t>(from), buffer.data(), want) != want) {
            errno = EIO; // the archive ended early or cannot be read
            return false;
        }
        if (!platform::WriteFully(out.file.Fd(), buffer.data(), want))
            return false;
        from += static_cast<loff_t>(want);
        length -= want;
        out.Grew(want);
    }
    return true;
}

// The length of the central record at pos, or 0 when it runs past the directory.
std::size_t RecordLength(const std::vector<unsigned char>& directory, std::size_t pos) {
    if (pos + kCentralHeaderSize > directory.size())
        return 0;
    const unsigned char* h = &directory[pos];
    const std::size_t length = kCentralHeaderSize + Le16(h + 28) + Le16(h + 30) + Le16(h + 32);
    return pos + length <= directory.size() ? length : 0;
}

} // namespace

bool CanDeleteByCopying(const ArchiveLayout& layout) {
    if (layout.archiveStart != 0 || layout.zip64EndRecordAt || layout.trailingBytes != 0 ||
        layout.entries.size() != layout.entryCount || EntriesOverlap(layout.entries))
        return false;
    return std::all_of(layout.entries.begin(), layout.entries.end(), [&](const LayoutEntry& e) {
        return !e.zip64 && !e.offsetIn64 && e.localHeaderOffset < layout.directoryAt &&
               RecordLength(layout.directory, e.headerAt) > 0;
    });
}

bool DeleteByCopying(int archiveFd, const std::string& hostPath, const ArchiveLayout& layout,
                     const std::vector<bool>& removed, const std::function<bool()>& keepAlive) {
    const auto& entries = layout.entries;
    // Each entry's local part reaches up to the next one in the file, or to the directory.
    std::vector<std::size_t> byOffset(entries.size());
    std::iota(byOffset.begin(), byOffset.end(), 0);
    std::sort(byOffset.begin(), byOffset.end(), [&](std::size_t a, std::size_t b) {
        return entries[a].localHeaderOffset < entries[b].localHeaderOffset;
    });
    struct stat original {};
    Replacement replacement;
    if (::fstat(archiveFd, &original) != 0 ||
        !replacement.Create(hostPath, ArchiveIdentity::Of(original)))
        return false;
    Output out{replacement};
    bool ok = true;
    std::vector<std::uint64_t> newOffset(entries.size());
    // What lies before the first entry stays; kept entries that follow each other in the file go
    // in one copy.
    std::uint64_t runStart = 0;
    std::uint64_t runEnd = entries.empty() ? 0 : entries[byOffset[0]].localHeaderOffset;
    std::uint64_t written = runEnd;
    for (std::size_t k = 0; k < byOffset.size() && ok; ++k) {
        const std::size_t i = byOffset[k];
        const std::uint64_t start = entries[i].localHeaderOffset;
        const std::uint64_t end = k + 1 < byOffset.size()
                                      ? entries[byOffset[k + 1]].localHeaderOffset
                                      : layout.directoryAt;
        if (removed[i])
            continue;
        if (start != runEnd) {
            ok = CopyRange(archiveFd, runStart, out, runEnd - runStart, keepAlive);
            runStart = start;
        }
        runEnd = end;
        newOffset[i] = written;
        written += end - start;
    }
    ok = ok && CopyRange(archiveFd, runStart, out, runEnd - runStart, keepAlive);
    // The kept central records, in their order, with their new offsets; then the end record.
    std::vector<unsigned char> tail;
    std::uint64_t kept = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (removed[i])
            continue;
        const std::size_t at = tail.size();
        const auto record =
            layout.directory.begin() + static_cast<std::ptrdiff_t>(entries[i].headerAt);
        tail.insert(tail.end(), record,
                    record + static_cast<std::ptrdiff_t>(
                                 RecordLength(layout.directory, entries[i].headerAt)));
        Put32(&tail[at + (entries[i].offsetFieldAt - entries[i].headerAt)], newOffset[i]);
        ++kept;
    }
    const std::uint64_t directorySize = tail.size();
    std::vector<unsigned char> end(kEndRecordSize);
    if (ok && ReadAt(archiveFd, layout.endRecordAt, end.data(), end.size()) != end.size()) {
        errno = EIO;
        ok = false;
    }
    if (ok) {
        const std::size_t commentLength = Le16(&end[20]);
        end.resize(kEndRecordSize + commentLength);
        ok = ReadAt(archiveFd, layout.endRecordAt + kEndRecordSize, end.data() + kEndRecordSize,
                    commentLength) == commentLength;
        if (!ok)
            errno = EIO;
        Put16(&end[8], kept);
        Put16(&end[10], kept);
        Put32(&end[12], directorySize);
        Put32(&end[16], written);
        tail.insert(tail.end(), end.begin(), end.end());
    }
    return ok && platform::WriteFully(replacement.Fd(), tail.data(), tail.size()) &&
           replacement.Commit(keepAlive);
}
