// The records a changed archive is made of, as bytes: the local header and central record of a
// new entry, the central record of an entry that stays (moved to another offset), and the end
// records. Values that do not fit their 16- or 32-bit fields go into Zip64 fields and records, as
// readers expect them; an entry encrypted with AES gets its AES extra field after them.
#pragma once

#include "engine/ArchiveLayout.h"
#include "engine/ZipFormat.h"

#include <cstdint>
#include <string_view>
#include <vector>

using Bytes = std::vector<unsigned char>;

// A new entry as its headers describe it.
struct NewEntry {
    std::string_view name; // as stored
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint32_t dosTime = 0; // time in the low half, date in the high half
    std::uint32_t crc32 = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t size = 0;
    std::uint64_t offset = 0; // of the local header
    bool isFolder = false;
    bool zip64Local = false; // the local header carries Zip64 sizes (a file of 4 GiB or more)
    // Encrypted with AES-256 in the AE-2 kind: recorded as method 99 with method (0 or 8) in its
    // AES extra field, and a CRC of 0 whatever crc32 says.
    bool aes = false;
};

// General purpose bits.
constexpr std::uint16_t kFlagEncrypted = 1 << 0;
constexpr std::uint16_t kFlagUtf8 = 1 << 11;

// Where the CRC and sizes lie in a local header, and how many bytes they take.
constexpr std::size_t kLocalSizesAt = 14;
constexpr std::size_t kLocalSizesLength = 12;

void AppendLocalHeader(Bytes& out, const NewEntry& entry);
// The CRC and sizes of a local header written by AppendLocalHeader (its Zip64 ones as well), to
// be patched over it once they are known: kLocalSizesLength bytes at kLocalSizesAt, then, for a
// Zip64 header, 16 bytes right after the name.
Bytes LocalSizes(const NewEntry& entry);
void AppendCentralRecord(Bytes& out, const NewEntry& entry);
// The central record of an entry of layout that stays, its local header now at offset.
void AppendKeptCentralRecord(Bytes& out, const ArchiveLayout& layout, const LayoutEntry& entry,
                             std::uint64_t offset);
// The end of central directory record, after a Zip64 end record and its locator when the counts
// or offsets need them. offset: where the central directory, size bytes long, begins.
void AppendEndRecords(Bytes& out, std::uint64_t entries, std::uint64_t offset, std::uint64_t size,
                      std::string_view comment);
