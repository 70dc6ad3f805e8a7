// Where an archive's parts lie, read from its end record and central directory: the offset at
// which the archive data starts (the stub's size in a self-extracting file whose directory
// offsets count from the archive start) and each entry's local header offset and sizes. The
// engines use it to open self-extracting files and to refuse entries whose data overlap.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct LayoutEntry {
    std::uint64_t localHeaderOffset; // from the archive start
    std::uint64_t compressedSize;
    std::uint32_t nameLength;
    std::uint64_t uncompressedSize = 0;
    std::uint32_t crc32 = 0;
};

struct ArchiveLayout {
    std::uint64_t archiveStart = 0; // in the file
    std::uint64_t archiveSize = 0;  // from archiveStart to the end of the file
    std::vector<LayoutEntry> entries;
};

// Reads up to size bytes of the file at offset, going on after short reads and interruptions;
// returns how many arrived (fewer only at the end of the file or on an error).
std::size_t ReadAt(int fd, std::uint64_t offset, unsigned char* out, std::size_t size);

// Nothing when the file has no readable end record or central directory.
std::optional<ArchiveLayout> ReadArchiveLayout(int fd);

// True when the data of one entry reaches into the local header of another (more than the two
// bytes some signed archives overlap by), or two entries share one header. Sorts by offset.
bool EntriesOverlap(std::vector<LayoutEntry> entries);
