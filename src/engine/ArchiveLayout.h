// Where an archive's parts lie, read from its end record and central directory: the offset at
// which the archive data starts (the stub's size in a self-extracting file whose directory
// offsets count from the archive start) and each entry's local header offset and sizes. The
// engines use it to open self-extracting files and to refuse entries whose data overlap; the
// conversion back to a plain archive uses it to find the offsets it must correct, and the
// self-extractor stub reads its entries from it. The walk of the local headers reads the
// directory in one pass of bounded memory instead (ScanCentralDirectory).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the central directory says of one entry, held for every entry: the members ordered so that
// none needs padding (64 bytes).
struct LayoutEntry {
    std::uint64_t localHeaderOffset = 0; // from the archive start
    std::uint64_t compressedSize = 0;
    std::uint32_t nameLength = 0;
    std::uint32_t crc32 = 0;
    std::uint64_t uncompressedSize = 0;
    std::size_t headerAt = 0;             // the central header, from the directory start
    std::size_t offsetFieldAt = 0;        // the field that holds localHeaderOffset, likewise
    std::uint32_t externalAttributes = 0; // that system's attributes of the file
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint16_t madeBy = 0;      // version made by: the system in the high byte
    std::uint16_t extraLength = 0; // of the extra field after the name
    bool offsetIn64 = false;       // that field is 8 bytes of the Zip64 extra field
    bool zip64 = false;            // some value came from the Zip64 extra field
};
static_assert(sizeof(LayoutEntry) <= 64);

struct ArchiveLayout {
    std::uint64_t archiveStart = 0; // in the file
    std::uint64_t archiveSize = 0;  // from archiveStart to the end of the file
    std::vector<LayoutEntry> entries;
    std::uint64_t entryCount = 0;  // as the end record states it
    std::uint64_t directoryAt = 0; // the central directory, in the file
    std::vector<unsigned char> directory;
    std::uint64_t endRecordAt = 0;                 // in the file
    std::uint64_t trailingBytes = 0;               // after the end record and its comment
    std::optional<std::uint64_t> zip64EndRecordAt; // in the file; its locator lies right before
                                                   // the end record
};

// The name bytes of an entry's central header, as stored.
std::string_view StoredName(const ArchiveLayout& layout, const LayoutEntry& entry);

// Reads up to size bytes of the file at offset, going on after short reads and interruptions;
// returns how many arrived (fewer only at the end of the file or on an error).
std::size_t ReadAt(int fd, std::uint64_t offset, unsigned char* out, std::size_t size);

// The archive whose end record is the last one in the file (searching back over bytes that may
// follow it) whose central directory checks out. Nothing when there is none.
std::optional<ArchiveLayout> ReadArchiveLayout(int fd);

// The extra field of an entry's central header, as stored.
std::string_view StoredExtra(const ArchiveLayout& layout, const LayoutEntry& entry);

// True when the entry's record makes it a folder by its attributes although its name does not end
// in "/": made on a system whose attributes carry the directory bit (MS-DOS, OS/2, Windows NTFS
// under either of its numbers, VFAT) with that bit set, or on Unix with a folder's mode; and it
// holds no data.
bool FolderByAttributes(const LayoutEntry& entry);

// True when the file ends in the end record of the last part of an archive split over several
// files (the end records name a disk other than the first), which cannot be read alone. Reads
// only the end records and the directory's first signature.
bool IsSplitArchivePart(int fd);

// Hands each record of the central directory that ReadArchiveLayout would find (the same but in
// files with false end records whose directory breaks only after its first signature) to visit,
// in directory order, with the archive's start in the file, reading the directory a piece at a
// time. The directory's offset in the file; nothing when there is no such directory or a record is
// broken (visit may have seen records before).
std::optional<std::uint64_t> ScanCentralDirectory(
    int fd, const std::function<void(const LayoutEntry& entry, std::uint64_t archiveStart)>& visit);

// True when the data of one entry reaches into the local header of another (more than the two
// bytes some signed archives overlap by), or two entries share one header. Sorts by offset.
bool EntriesOverlap(const std::vector<LayoutEntry>& entries);
