// The entries of an archive as the directory reader found them, in file order, held compactly:
// the fixed fields of each entry in one record, records and names each side by side in blocks of
// 2 MiB. A listing of a million entries then costs about sixty bytes an entry besides the names,
// two allocations per 2 MiB instead of two per entry, and (where the system offers pages that
// large) one page fault per block instead of five hundred. A record's name never moves while the
// list holds it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string_view>
#include <vector>

// One archive entry as found in its local file header. The sizes count bytes: the header's
// unsigned 32-bit fields, or for a Zip64 entry (a field of 0xFFFFFFFF) the real sizes from its
// Zip64 extra field, so entries of 4 GiB and more list, sort and add up by their real sizes.
struct ZipDirEntry {
    std::uint16_t VersionNeeded = 0;
    std::uint16_t GeneralFlags = 0;
    std::uint16_t CompressionMethod = 0;
    std::uint16_t FileNameLength = 0;
    std::uint16_t ExtraFieldLength = 0;
    std::int32_t FileDateTime = 0; // DOS date-time: time in the low half, date in the high half
    std::uint32_t Crc32 = 0;
    std::int64_t CompressedSize = 0;
    std::int64_t UncompressedSize = 0;
    // The stored bytes, "/" separators, cut at a NUL, at most 256 bytes; kept by the entry list.
    std::string_view FileName;
};

class ZipEntryList {
public:
    static constexpr std::size_t kBlockBytes = 2 * 1024 * 1024;
    static constexpr std::size_t kRecordsPerBlock = kBlockBytes / sizeof(ZipDirEntry);

    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = ZipDirEntry;
        using difference_type = std::ptrdiff_t;
        using pointer = const ZipDirEntry*;
        using reference = const ZipDirEntry&;

        const_iterator() = default;
        const_iterator(const ZipEntryList* list, std::size_t index) : list_(list), index_(index) {}
        reference operator*() const { return (*list_)[index_]; }
        pointer operator->() const { return &(*list_)[index_]; }
        const_iterator& operator++() {
            ++index_;
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator before = *this;
            ++index_;
            return before;
        }
        bool operator==(const const_iterator& other) const { return index_ == other.index_; }

    private:
        const ZipEntryList* list_ = nullptr;
        std::size_t index_ = 0;
    };

    ZipEntryList() = default;
    ~ZipEntryList();
    ZipEntryList(const ZipEntryList&) = delete;
    ZipEntryList& operator=(const ZipEntryList&) = delete;

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const ZipDirEntry& operator[](std::size_t index) const {
        return recordBlocks_[index / kRecordsPerBlock][index % kRecordsPerBlock];
    }
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size_}; }

    // Appends the entry with a copy of name kept by the list (its FileName refers to the copy).
    void Append(const ZipDirEntry& entry, std::string_view name);
    // Forgets every entry.
    void Clear();
    // Forgets every entry and takes those of other in their place; other is left empty.
    void TakeFrom(ZipEntryList& other);
    // Changes whenever the list is emptied, so that whoever keeps facts about the entries can tell
    // that they are no longer the ones described.
    std::uint64_t Generation() const { return generation_; }

private:
    // A block of kBlockBytes; the first of a list is a plain allocation (a short list touches a
    // page or two of it), later ones ask for large pages.
    void* NewBlock(bool first);

    std::vector<ZipDirEntry*> recordBlocks_;
    std::vector<char*> nameBlocks_;
    std::size_t size_ = 0;
    std::size_t nameBlockUsed_ = 0; // bytes of the last name block in use
    std::uint64_t generation_ = 0;
};
