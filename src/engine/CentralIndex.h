// What the walk of the local headers asks of the central directory, where a local header cannot
// tell: the sizes of an entry whose writer put them after its data, whether an empty entry whose
// name lacks the "/" is a folder by its attributes, and where the next entry starts after bytes
// that are no header. The directory is read on the first question, once, a piece at a time; the
// index keeps 32 bytes a record, in blocks, so that it grows without copying itself.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>

struct CentralFacts {
    std::uint64_t headerAt = 0; // the local header it points at, in the file
    std::uint64_t compressedSize = 0;
    std::uint64_t uncompressedSize = 0;
    std::uint32_t crc32 = 0;
    std::uint16_t nameLength = 0;
    bool folder = false; // by its attributes (FolderByAttributes)
};

class CentralIndex {
public:
    explicit CentralIndex(int fd) : fd_(fd) {}

    // The first record that points at a local header at headerAt in the file; null when none does
    // or the archive has no readable directory.
    const CentralFacts* At(std::uint64_t headerAt);
    // Where the walk goes on after bytes at position that are no header: the first local header
    // after it that a record points at, or the central directory when that comes first; nothing
    // when the archive has no readable directory or both lie before.
    std::optional<std::uint64_t> NextHeaderAfter(std::uint64_t position);

private:
    void Load();

    int fd_;
    bool loaded_ = false;
    std::deque<CentralFacts> records_; // in the order of headerAt
    std::optional<std::uint64_t> directoryAt_;
};
