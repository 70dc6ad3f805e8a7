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

std::optional<ArchiveLayout> ReadArchiveLayout(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || static_cast<std::size_t>(st.st_size) < kEndRecordSize)
        return std::nullopt;
    const auto fileSize = static_cast<std::uint64_t>(st.st_size);

    // The end record: the last signature whose comment length reaches the end of the file.
    const std::size_t tail = static_cast<std::size_t>(
        std::min<std::uint64_t>(fileSize, kEndRecordSize + kMaxCommentSize));
    std::vector<unsigned char> buffer(tail);
    if (!ReadWhole(fd, fileSize - tail, buffer.data(), tail))
        return std::nullopt;
    std::optional<std::size_t> end;
    for (std::size_t i = tail - kEndRecordSize + 1; i-- > 0;) {
        if (Le32(&buffer[i]) == kEndRecord && i + kEndRecordSize + Le16(&buffer[i + 20]) == tail) {
            end = i;
            break;
        }
    }
    if (!end)
        return std::nullopt;
    const std::uint64_t endOffset = fileSize - tail + *end;
    std::uint64_t entryCount = Le16(&buffer[*end + 10]);
    std::uint64_t directorySize = Le32(&buffer[*end + 12]);
    std::uint64_t directoryOffset = Le32(&buffer[*end + 16]);
    std::uint64_t directoryEnd = endOffset; // where the central directory ends in the file

    unsigned char locator[20];
    if (endOffset >= 20 && ReadWhole(fd, endOffset - 20, locator, 20) &&
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
    if (directorySize > directoryEnd || directoryOffset > directoryEnd - directorySize)
        return std::nullopt;

    ArchiveLayout layout;
    const std::uint64_t directoryInFile = directoryEnd - directorySize;
    layout.archiveStart = directoryInFile - directoryOffset;
    layout.archiveSize = fileSize - layout.archiveStart;
    layout.entryCount = entryCount;
    layout.directoryAt = directoryInFile;
    layout.endRecordAt = endOffset;
    if (directoryEnd != endOffset)
        layout.zip64EndRecordAt = directoryEnd;

    std::vector<unsigned char> directory(static_cast<std::size_t>(directorySize));
    if (!ReadWhole(fd, directoryInFile, directory.data(), directory.size()))
        return std::nullopt;
    for (std::size_t pos = 0; pos + 46 <= directory.size() && layout.entries.size() < entryCount;) {
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
        const std::size_t extraAt = pos + 46 + entry.nameLength;
        if (extraAt + extraLength > directory.size())
            return std::nullopt;
        ApplyZip64(h + 46 + entry.nameLength, extraLength, extraAt, entry);
        layout.entries.push_back(entry);
        pos = extraAt + extraLength + commentLength;
    }
    layout.directory = std::move(directory);
    return layout;
}

bool EntriesOverlap(std::vector<LayoutEntry> entries) {
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return a.localHeaderOffset < b.localHeaderOffset;
    });
    for (std::size_t i = 0; i + 1 < entries.size(); ++i) {
        const auto& entry = entries[i];
        const std::uint64_t dataEnd =
            entry.localHeaderOffset + kLocalHeaderSize + entry.nameLength + entry.compressedSize;
        const std::uint64_t next = entries[i + 1].localHeaderOffset;
        if (next == entry.localHeaderOffset || next + kToleratedOverlap < dataEnd)
            return true;
    }
    return false;
}
