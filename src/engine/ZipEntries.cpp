// The entries of an archive, held compactly.
#include "engine/ZipEntries.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/mman.h>
#include <type_traits>
#include <utility>

static_assert(std::is_trivially_copyable_v<ZipDirEntry> &&
                  std::is_trivially_destructible_v<ZipDirEntry>,
              "records are copied into raw blocks and dropped without destruction");

ZipEntryList::~ZipEntryList() {
    Clear();
}

void* ZipEntryList::NewBlock(bool first) {
    void* block = first ? std::malloc(kBlockBytes) : std::aligned_alloc(kBlockBytes, kBlockBytes);
    if (!block)
        throw std::bad_alloc();
    if (!first)
        ::madvise(block, kBlockBytes, MADV_HUGEPAGE); // a hint: refused, small pages do
    return block;
}

void ZipEntryList::Append(const ZipDirEntry& entry, std::string_view name) {
    // Names are at most 256 bytes, far below a block, so every name fits one block whole.
    if (nameBlocks_.empty() || kBlockBytes - nameBlockUsed_ < name.size()) {
        nameBlocks_.push_back(static_cast<char*>(NewBlock(nameBlocks_.empty())));
        nameBlockUsed_ = 0;
    }
    if (size_ == recordBlocks_.size() * kRecordsPerBlock)
        recordBlocks_.push_back(static_cast<ZipDirEntry*>(NewBlock(recordBlocks_.empty())));
    char* kept = nameBlocks_.back() + nameBlockUsed_;
    if (!name.empty())
        std::memcpy(kept, name.data(), name.size());
    nameBlockUsed_ += name.size();
    ZipDirEntry* record = new (&recordBlocks_.back()[size_ % kRecordsPerBlock]) ZipDirEntry(entry);
    record->FileName = std::string_view(kept, name.size());
    ++size_;
}

void ZipEntryList::Clear() {
    for (ZipDirEntry* block : recordBlocks_)
        std::free(block);
    for (char* block : nameBlocks_)
        std::free(block);
    recordBlocks_.clear();
    nameBlocks_.clear();
    size_ = 0;
    nameBlockUsed_ = 0;
    ++generation_;
}

void ZipEntryList::TakeFrom(ZipEntryList& other) {
    Clear();
    recordBlocks_ = std::move(other.recordBlocks_);
    nameBlocks_ = std::move(other.nameBlocks_);
    size_ = std::exchange(other.size_, 0);
    nameBlockUsed_ = std::exchange(other.nameBlockUsed_, 0);
    other.recordBlocks_.clear();
    other.nameBlocks_.clear();
    ++other.generation_;
}
