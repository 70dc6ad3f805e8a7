// Where an archive's parts lie.
#include "engine/ArchiveLayout.h"
#include "engine/ExtraField.h"
#include "engine/LittleEndian.h"
#include "engine/ZipFormat.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kMaxCommentSize = 65535;
// How many bytes after the end record's comment the search for the end record still reaches, and
// how many candidate end records it reads the directory of before it gives up (each read may be
// large, so a file full of false signatures cannot make it slow).
constexpr std::size_t kMaxTrailingBytes = 1 << 16;
constexpr int kMaxCandidates = 16;
constexpr std::uint64_t kToleratedOverlap = 2;
// The piece of the directory a scan holds; larger than any record (46 bytes and three fields of
// up to 65535 bytes).
constexpr std::size_t kScanWindow = 1 << 20;

bool ReadWhole(int fd, std::uint64_t offset, unsigned char* out, std::size_t size) {
    return ReadAt(fd, offset, out, size) == size;
}

// The 64-bit values of a central header's Zip64 extra field (found at extraAt in the directory),
// for the fields that are 0xFFFFFFFF; notes where the local header offset then comes from.
void ApplyZip64(std::string_view extra, std::size_t extraAt, LayoutEntry& entry) {
    const auto block = FindExtraBlock(extra, 0x0001);
    if (!block)
        return;
    const auto* bytes = reinterpret_cast<const unsigned char*>(block->data());
    std::size_t at = 0;
    for (std::uint64_t* field :
         {&entry.uncompressedSize, &entry.compressedSize, &entry.localHeaderOffset}) {
        if (*field != 0xFFFFFFFF)
            continue;
        if (at + 8 > block->size())
            break;
        *field = Le64(bytes + at);
        entry.zip64 = true;
        if (field == &entry.localHeaderOffset) {
            entry.offsetFieldAt =
                extraAt + static_cast<std::size_t>(block->data() - extra.data()) + at;
            entry.offsetIn64 = true;
        }
        at += 8;
    }
}

// The central header at h, which starts at pos in the directory, with available bytes from h on
// (at least its fixed part, name and extra field), read into entry; the record's whole length
// with its comment.
std::size_t ParseCentralHeader(const unsigned char* h, std::size_t pos, LayoutEntry& entry) {
    entry = LayoutEntry{.localHeaderOffset = Le32(h + 42),
                        .compressedSize = Le32(h + 20),
                        .nameLength = Le16(h + 28)};
    entry.uncompressedSize = Le32(h + 24);
    entry.crc32 = Le32(h + 16);
    entry.madeBy = Le16(h + 4);
    entry.flags = Le16(h + 8);
    entry.method = Le16(h + 10);
    entry.externalAttributes = Le32(h + 38);
    entry.extraLength = Le16(h + 30);
    entry.headerAt = pos;
    entry.offsetFieldAt = pos + 42;
    const std::size_t extraAt = kCentralHeaderSize + entry.nameLength;
    ApplyZip64({reinterpret_cast<const char*>(h + extraAt), entry.extraLength}, pos + extraAt,
               entry);
    return extraAt + entry.extraLength + Le16(h + 32);
}

// Where the central directory that an end record describes lies, found before it is read.
struct DirectoryPlace {
    std::uint64_t entryCount = 0;
    std::uint64_t directorySize = 0;
    std::uint64_t directoryInFile = 0;
    std::uint64_t archiveStart = 0;
    std::uint64_t zip64EndRecordAt = 0; // 0 without one
};

// The directory of the end record at endOffset (its 22 bytes at end), when it can be one: it lies
// inside the file, holds room for as many records as the end record states and starts with a
// central header.
std::optional<DirectoryPlace> LocateDirectory(int fd, std::uint64_t endOffset,
                                              const unsigned char* end) {
    DirectoryPlace place;
    place.entryCount = Le16(end + 10);
    place.directorySize = Le32(end + 12);
    std::uint64_t directoryOffset = Le32(end + 16);
    std::uint64_t directoryEnd = endOffset; // where the central directory ends in the file

    unsigned char locator[20];
    if (endOffset >= 20 + 56 && ReadWhole(fd, endOffset - 20, locator, 20) &&
        Le32(locator) == kZip64LocatorSignature) {
        unsigned char record[56];
        // The record sits right before the locator (its own offset in the locator counts from
        // the archive start, which is still unknown here).
        const std::uint64_t recordInFile = endOffset - 20 - 56;
        if (ReadWhole(fd, recordInFile, record, 56) && Le32(record) == kZip64EndRecordSignature) {
            place.entryCount = Le64(record + 32);
            place.directorySize = Le64(record + 40);
            directoryOffset = Le64(record + 48);
            directoryEnd = recordInFile;
            place.zip64EndRecordAt = recordInFile;
        }
    }
    if (place.directorySize > directoryEnd ||
        directoryOffset > directoryEnd - place.directorySize ||
        place.entryCount > place.directorySize / kCentralHeaderSize)
        return std::nullopt;
    place.directoryInFile = directoryEnd - place.directorySize;
    place.archiveStart = place.directoryInFile - directoryOffset;
    // A directory with records starts with one: checked before the whole directory is read.
    unsigned char signature[4];
    if (place.entryCount > 0 && (!ReadWhole(fd, place.directoryInFile, signature, 4) ||
                                 Le32(signature) != kCentralHeaderSignature))
        return std::nullopt;
    return place;
}

// Parses the place's records in order, handing each to visit. bytes(pos, size) gives size bytes
// of the directory from pos on, or null when the directory has fewer.
template <typename Bytes, typename Visit>
bool ParseDirectory(const DirectoryPlace& place, Bytes bytes, Visit visit) {
    LayoutEntry entry;
    std::uint64_t pos = 0;
    for (std::uint64_t count = 0; count < place.entryCount; ++count) {
        const unsigned char* h = bytes(pos, kCentralHeaderSize);
        if (!h || Le32(h) != kCentralHeaderSignature)
            return false;
        const std::size_t fixedAndVariable =
            kCentralHeaderSize + Le16(h + 28) + static_cast<std::size_t>(Le16(h + 30));
        if (!(h = bytes(pos, fixedAndVariable)))
            return false;
        const std::size_t length = ParseCentralHeader(h, static_cast<std::size_t>(pos), entry);
        visit(entry);
        pos += length;
    }
    return true;
}

// The end records from the end of the file backwards, each signature whose comment lies inside
// the file, searching back over the comment window and bytes that may follow it (a signature
// block or padding appended to a download); visit (the record's offset and its 22 bytes) returns
// true to end the search. At most kMaxCandidates are visited.
template <typename Visit> void SearchEndRecords(int fd, Visit visit) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || static_cast<std::size_t>(st.st_size) < kEndRecordSize)
        return;
    const auto fileSize = static_cast<std::uint64_t>(st.st_size);
    const std::size_t tail = static_cast<std::size_t>(
        std::min<std::uint64_t>(fileSize, kEndRecordSize + kMaxCommentSize + kMaxTrailingBytes));
    std::vector<unsigned char> buffer(tail);
    if (!ReadWhole(fd, fileSize - tail, buffer.data(), tail))
        return;
    int tried = 0;
    for (std::size_t i = tail - kEndRecordSize + 1; i-- > 0 && tried < kMaxCandidates;) {
        if (Le32(&buffer[i]) != kEndRecordSignature ||
            Le16(&buffer[i + 20]) > tail - kEndRecordSize - i)
            continue;
        ++tried;
        if (visit(fileSize - tail + i, &buffer[i]))
            return;
    }
}

// Fills layout as the end record at endOffset (its 22 bytes at end) describes it, when its
// directory checks out: it lies inside the file, every record of it is a central header, and it
// holds as many records as the end record states. False otherwise.
bool LayoutFromEndRecord(int fd, std::uint64_t endOffset, const unsigned char* end,
                         ArchiveLayout& layout) {
    const auto place = LocateDirectory(fd, endOffset, end);
    if (!place)
        return false;
    struct stat st {};
    ::fstat(fd, &st);
    layout.archiveStart = place->archiveStart;
    layout.archiveSize = static_cast<std::uint64_t>(st.st_size) - layout.archiveStart;
    layout.entryCount = place->entryCount;
    layout.directoryAt = place->directoryInFile;
    layout.endRecordAt = endOffset;
    layout.trailingBytes =
        static_cast<std::uint64_t>(st.st_size) - endOffset - kEndRecordSize - Le16(end + 20);
    if (place->zip64EndRecordAt != 0)
        layout.zip64EndRecordAt = place->zip64EndRecordAt;

    std::vector<unsigned char> directory(static_cast<std::size_t>(place->directorySize));
    if (!ReadWhole(fd, place->directoryInFile, directory.data(), directory.size()))
        return false;
    layout.entries.clear();
    layout.entries.reserve(static_cast<std::size_t>(place->entryCount));
    const auto whole = [&](std::uint64_t pos, std::size_t size) -> const unsigned char* {
        return pos <= directory.size() && size <= directory.size() - pos ? &directory[pos]
                                                                         : nullptr;
    };
    if (!ParseDirectory(*place, whole,
                        [&](const LayoutEntry& entry) { layout.entries.push_back(entry); }))
        return false;
    layout.directory = std::move(directory);
    return true;
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

std::string_view StoredExtra(const ArchiveLayout& layout, const LayoutEntry& entry) {
    return {reinterpret_cast<const char*>(
                &layout.directory[entry.headerAt + kCentralHeaderSize + entry.nameLength]),
            entry.extraLength};
}

bool FolderByAttributes(const LayoutEntry& entry) {
    constexpr std::uint32_t kDosDirectory = 0x10;
    constexpr std::uint32_t kUnixTypeMask = 0170000, kUnixDirectory = 0040000;
    if (entry.uncompressedSize != 0)
        return false;
    switch (entry.madeBy >> 8) {
    case 0:  // MS-DOS and OS/2 (FAT)
    case 6:  // OS/2 HPFS
    case 10: // Windows NTFS, as the format's note numbers it
    case 11: // Windows NTFS, as Info-ZIP and 7-Zip number it
    case 14: // VFAT
        return (entry.externalAttributes & kDosDirectory) != 0;
    case 3: // Unix: the mode in the high half
        return (entry.externalAttributes >> 16 & kUnixTypeMask) == kUnixDirectory;
    default:
        return false;
    }
}

std::optional<ArchiveLayout> ReadArchiveLayout(int fd) {
    // The end record: the last one whose directory checks out.
    ArchiveLayout layout;
    bool found = false;
    SearchEndRecords(fd, [&](std::uint64_t at, const unsigned char* end) {
        return found = LayoutFromEndRecord(fd, at, end, layout);
    });
    if (!found)
        return std::nullopt;
    return layout;
}

bool IsSplitArchivePart(int fd) {
    bool split = false;
    SearchEndRecords(fd, [&](std::uint64_t at, const unsigned char* end) {
        const auto place = LocateDirectory(fd, at, end);
        if (!place)
            return false;
        // Disk numbers of 0xFFFF stand for the Zip64 end record's; others name this disk and the
        // directory's, both the first one in an archive that is not split.
        const auto names = [](std::uint32_t disk) { return disk != 0 && disk != 0xFFFF; };
        split = names(Le16(end + 4)) || names(Le16(end + 6));
        unsigned char locator[20], record[56];
        if (place->zip64EndRecordAt != 0 && ReadWhole(fd, at - 20, locator, 20) &&
            ReadWhole(fd, place->zip64EndRecordAt, record, 56))
            split =
                split || Le32(locator + 16) > 1 || Le32(record + 16) != 0 || Le32(record + 20) != 0;
        return true;
    });
    return split;
}

std::optional<std::uint64_t> ScanCentralDirectory(
    int fd,
    const std::function<void(const LayoutEntry& entry, std::uint64_t archiveStart)>& visit) {
    std::optional<DirectoryPlace> place;
    SearchEndRecords(fd, [&](std::uint64_t at, const unsigned char* end) {
        return (place = LocateDirectory(fd, at, end)).has_value();
    });
    if (!place)
        return std::nullopt;
    // A window of the directory, moved on to each record that does not lie whole in it.
    std::vector<unsigned char> window(kScanWindow);
    std::uint64_t windowAt = 0;
    std::size_t fill = 0;
    const auto piece = [&](std::uint64_t pos, std::size_t size) -> const unsigned char* {
        if (pos < windowAt || pos - windowAt > fill || size > fill - (pos - windowAt)) {
            if (pos > place->directorySize || size > place->directorySize - pos)
                return nullptr;
            windowAt = pos;
            fill = ReadAt(fd, place->directoryInFile + pos, window.data(),
                          static_cast<std::size_t>(
                              std::min<std::uint64_t>(kScanWindow, place->directorySize - pos)));
            if (size > fill)
                return nullptr;
        }
        return &window[pos - windowAt];
    };
    if (!ParseDirectory(*place, piece,
                        [&](const LayoutEntry& entry) { visit(entry, place->archiveStart); }))
        return std::nullopt;
    return place->directoryInFile;
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
