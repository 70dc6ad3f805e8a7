// Sizes and CRC of entries written by a streaming writer (bit 3 of the general flags): such a
// writer does not know them when it writes the local header, leaves them zero there, and writes
// them after the data in a data descriptor and again in the central directory. The directory
// reader asks here how long such an entry's data is, so that it can step over the data and the
// descriptor to the next header.
#pragma once

#include "engine/CentralIndex.h"

#include <cstdint>
#include <optional>

struct StreamedSizes {
    std::uint32_t crc32 = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t uncompressedSize = 0;
    // Bytes of the data descriptor after the data; 0 when none was recognised there.
    std::uint64_t descriptorLength = 0;
};

class StreamedEntries {
public:
    // Reads the file fd; asks directory for the records.
    StreamedEntries(int fd, CentralIndex& directory);

    // The sizes of the entry whose local header starts at headerOffset in the file, with a name of
    // nameLength bytes and data starting at dataStart: from the central directory record that
    // points at the header, or, without one, from the data descriptor that ends its data.
    std::optional<StreamedSizes> Find(std::uint64_t headerOffset, std::uint32_t nameLength,
                                      std::uint64_t dataStart);

private:
    std::optional<StreamedSizes> FromCentralDirectory(std::uint64_t headerOffset,
                                                      std::uint32_t nameLength,
                                                      std::uint64_t dataStart);
    std::optional<StreamedSizes> FromDescriptorScan(std::uint64_t dataStart);

    int fd_;
    CentralIndex& directory_;
    std::uint64_t fileSize_ = 0;
    std::uint64_t scanAllowance_ = 0; // bytes the descriptor searches may still read
};
