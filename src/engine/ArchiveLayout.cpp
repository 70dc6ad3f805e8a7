// Where an archive's parts lie.
#include "engine/ArchiveLayout.h"
#include "engine/LittleEndian.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::uint32_t kEndRecord = 0x06054B50;
constexpr std::uint32_t kZip64Locator = 0x07064B50;
constexpr std::uint32_t kZip64EndRecord = 0x06064B50;
constexpr std::uint32_t kCentralHeader = 0x02014B50;
constexpr std::size_t kEndRecordSize = 22;
constexpr std::size_t kMaxCommentSize = 65535;
constexpr std::size_t kCentralHeaderSize = 46;
// How many bytes after the end record's comment the search for the end record still reaches, and
// how many candidate end records it reads the directory of before it gives up (each read may be
// large, so a file full of false signatures cannot make it slow).
constexpr std::size_t kMaxTrailingBytes = 1 << 16;
constexpr int kMaxCandidates = 16;
constexpr std::uint64_t kLocalHeaderSize = 30;
constexpr std::uint64_t kToleratedOverlap = 2;

bool ReadWhole(int fd, std::uint64_t offset, unsigned char* out, std::size_t size) {
    return ReadAt(fd, offset, out, size) == size;
}

// The 64-bit values of a central header's Zip64 extra field (found at extraAt in the directory),
// for the fields that are 0xFFFFFFFF; notes where the local header offset then comes from.
void ApplyZip64(const unsigned char* extra, std::size_t length, std::size_t extraAt,
                LayoutEntry& entry) {
    for (std::size_t pos = 0; pos + 4 <= length;) {
        const std::uint16_t tag = Le16(extra + pos);
        const std::uint16_t size = Le16(extra + pos + 2);
        std::size_t at = pos + 4;
        const std::size_t end = std::min(length, at + size);
        if (tag == 0x0001) {
            for (std::uint64_t* field :
                 {&entry.uncompressedSize, &entry.compressedSize, &entry.localHeaderOffset}) {
                if (*field != 0xFFFFFFFF)
                    continue;
                if (at + 8 > end)
                    break;
                *field = Le64(extra + at);
                entry.zip64 = true;
                if (field == &entry.localHeaderOffset) {
                    entry.offsetFieldAt = extraAt + at;
                    entry.offsetIn64 = true;
                }
                at += 8;
            }
            return;
        }
        pos = end;
    }
}

} // namespace

std::string_view StoredName(const ArchiveLayout& layout, const LayoutEntry& entry) {
    return {reinterpret_cast<const char*>(&layout.directory[entry.headerAt + kCentralHeaderSize]),
            entry.nameLength};
}

std::size_t ReadAt(int fd, std::uint64_t offset, unsigned char* out, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, out + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

namespace {

// The layout that the end record at endOffset (its 22 bytes at end) describes, when its directory
// checks out: it lies inside the file, every record of it is a central header, and it holds as
// many records as the end record states.
std::optional<ArchiveLayout> LayoutFromEndRecord(int fd, std::uint64_t fileSize,
                                                 std::uint64_t endOffset,
                                                 const unsigned char* end) {
    std::uint64_t entryCount = Le16(end + 10);
    std::uint64_t directorySize = Le32(end + 12);
    std::uint64_t directoryOffset = Le32(end + 16);
    std::uint64_t directoryEnd = endOffset; // where the central directory ends in the file

    unsigned char locator[20];
    if (endOffset >= 20 + 56 && ReadWhole(fd, endOffset - 20, locator, 20) &&
        Le32(locator) == kZip64Locator) {
        unsigned char record[56];
        // The record sits right before the locator (its own offset in the locator counts from
        // the archive start, which is still unknown here).
        const std::uint64_t recordInFile = endOffset - 20 - 56;
        if (ReadWhole(fd, recordInFile, record, 56) && Le32(record) == kZip64EndRecord) {
            entryCount = Le64(record + 32);
            directorySize = Le64(record + 40);
            directoryOffset = Le64(record + 48);
            directoryEnd = recordInFile;
        }
    }
    if (directorySize > directoryEnd || directoryOffset > directoryEnd - directorySize ||
        entryCount > directorySize / kCentralHeaderSize)
        return std::nullopt;
    const std::uint64_t directoryInFile = directoryEnd - directorySize;
    // A directory with records starts with one: checked before the whole directory is read.
    unsigned char signature[4];
    if (entryCount > 0 &&
        (!ReadWhole(fd, directoryInFile, signature, 4) || Le32(signature) != kCentralHeader))
        return std::nullopt;

    ArchiveLayout layout;
    layout.archiveStart = directoryInFile - directoryOffset;
    layout.archiveSize = fileSize - layout.archiveStart;
    layout.entryCount = entryCount;
    layout.directoryAt = directoryInFile;
    layout.endRecordAt = endOffset;
    layout.trailingBytes = fileSize - endOffset - kEndRecordSize - Le16(end + 20);
    if (directoryEnd != endOffset)
        layout.zip64EndRecordAt = directoryEnd;

    std::vector<unsigned char> directory(static_cast<std::size_t>(directorySize));
    if (!ReadWhole(fd, directoryInFile, directory.data(), directory.size()))
        return std::nullopt;
    layout.entries.reserve(static_cast<std::size_t>(entryCount));
    for (std::size_t pos = 0; layout.entries.size() < entryCount;) {
        if (pos + kCentralHeaderSize > directory.size())
            return std::nullopt;
        const unsigned char* h = &directory[pos];
        if (Le32(h) != kCentralHeader)
            return std::nullopt;
        LayoutEntry entry{Le32(h + 42), Le32(h + 20), Le16(h + 28)};
        entry.uncompressedSize = Le32(h + 24);
        entry.crc32 = Le32(h + 16);
        entry.flags = Le16(h + 8);
        entry.method = Le16(h + 10);
        entry.headerAt = pos;
        entry.offsetFieldAt = pos + 42;
        const std::uint16_t extraLength = Le16(h + 30), commentLength = Le16(h + 32);
        const std::size_t extraAt = pos + kCentralHeaderSize + entry.nameLength;
        if (extraAt + extraLength > directory.size())
            return std::nullopt;
        ApplyZip64(h + kCentralHeaderSize + entry.nameLength, extraLength, extraAt, entry);
        layout.entries.push_back(entry);
        pos = extraAt + extraLength + commentLength;
    }
    layout.directory = std::move(directory);
    return layout;
}

} // namespace

std::optional<ArchiveLayout> ReadArchiveLayout(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || static_cast<std::size_t>(st.st_size) < kEndRecordSize)
        return std::nullopt;
    const auto fileSize = static_cast<std::uint64_t>(st.st_size);

    // The end record: the last signature, searching back from the end of the file, whose comment
    // lies inside the file and whose directory checks out. Bytes may follow the comment (a
    // signature block or padding appended to a download), as far as the search reaches.
    const std::size_t tail = static_cast<std::size_t>(
        std::min<std::uint64_t>(fileSize, kEndRecordSize + kMaxCommentSize + kMaxTrailingBytes));
    std::vector<unsigned char> buffer(tail);
    if (!ReadWhole(fd, fileSize - tail, buffer.data(), tail))
        return std::nullopt;
    int tried = 0;
    for (std::size_t i = tail - kEndRecordSize + 1; i-- > 0 && tried < kMaxCandidates;) {
        if (Le32(&buffer[i]) != kEndRecord || Le16(&buffer[i + 20]) > tail - kEndRecordSize - i)
            continue;
        ++tried;
        if (auto layout = LayoutFromEndRecord(fd, fileSize, fileSize - tail + i, &buffer[i]))
            return layout;
    }
    return std::nullopt;
}

bool EntriesOverlap(const std::vector<LayoutEntry>& entries) {
    // Each entry's start and the end of its data, in the order of the starts.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> spans;
    spans.reserve(entries.size());
    for (const LayoutEntry& entry : entries)
        spans.emplace_back(entry.localHeaderOffset, entry.localHeaderOffset + kLocalHeaderSize +
                                                        entry.nameLength + entry.compressedSize);
    std::sort(spans.begin(), spans.end());
    for (std::size_t i = 0; i + 1 < spans.size(); ++i) {
        const std::uint64_t next = spans[i + 1].first;
        if (next == spans[i].first || next + kToleratedOverlap < spans[i].second)
            return true;
    }
    return false;
}
