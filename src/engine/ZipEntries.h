// The entries of an archive as the directory reader found them, in file order, held compactly:
// the fixed fields of each entry in one record, the names side by side in large blocks of text.
// A listing of a million entries then costs about fifty bytes an entry besides the names, and
// one allocation per block instead of two per entry. A record's name never moves while the list
// holds it.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string_view>
#include <vector>

// One archive entry as found in its local file header. The sizes are the header's 32-bit fields
// as signed values; readers that need the unsigned size convert (UnsignedSize).
struct ZipDirEntry {
    std::uint16_t VersionNeeded = 0;
    std::uint16_t GeneralFlags = 0;
    std::uint16_t CompressionMethod = 0;
    std::int32_t FileDateTime = 0; // DOS date-time: time in the low half, date in the high half
    std::uint32_t Crc32 = 0;
    std::int32_t CompressedSize = 0;
    std::int32_t UncompressedSize = 0;
    std::uint16_t FileNameLength = 0;
    std::uint16_t ExtraFieldLength = 0;
    // The stored bytes, "/" separators, cut at a NUL, at most 256 bytes; kept by the entry list.
    std::string_view FileName;
};

// A size field as the number of bytes it counts.
inline std::uint64_t UnsignedSize(std::int32_t field) {
    return static_cast<std::uint32_t>(field);
}

class ZipEntryList {
public:
    using const_iterator = std::deque<ZipDirEntry>::const_iterator;

    std::size_t size() const { return records_.size(); }
    bool empty() const { return records_.empty(); }
    const ZipDirEntry& operator[](std::size_t index) const { return records_[index]; }
    const_iterator begin() const { return records_.begin(); }
    const_iterator end() const { return records_.end(); }

    // Appends the entry with a copy of name kept by the list (its FileName refers to the copy).
    void Append(const ZipDirEntry& entry, std::string_view name);
    // Forgets every entry, the last first.
    void Clear();
    // Changes whenever the list is emptied, so that whoever keeps facts about the entries can tell
    // that they are no longer the ones described.
    std::uint64_t Generation() const { return generation_; }

private:
    std::deque<ZipDirEntry> records_;
    std::vector<std::unique_ptr<char[]>> nameBlocks_;
    std::size_t blockUsed_ = 0; // bytes of the last block in use
    std::uint64_t generation_ = 0;
};
