// The walk of an archive's local file headers from the front, as the listing sees an archive: it
// searches for the first header (from byte 14000 in an .exe, over at most 60000 candidate bytes),
// then steps over each entry's extra field and data by their stored lengths until the central
// directory or the end record. Where it meets bytes that are no header between entries, it goes on
// at the next entry that the central directory records (without a readable directory, 4 bytes
// further). The directory reader lists what it finds; the decompression engine walks the same way
// to make sure that it extracts exactly the entries that were listed.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

// One local header that the walk accepted.
struct WalkedHeader {
    std::uint64_t offset = 0;             // of its signature, in the file
    const unsigned char* fixed = nullptr; // the 26 bytes after the signature
    std::string_view nameField;           // the whole stored name field
    std::string_view extraField;          // the local extra field
    // The entry's real sizes and CRC: the header's, or for a Zip64 header the values of its Zip64
    // extra field, or for a streamed entry (sizes after the data) those of its directory record
    // or data descriptor.
    std::uint64_t compressedSize = 0;
    std::uint64_t uncompressedSize = 0;
    std::uint32_t crc32 = 0;
    bool streamed = false; // the sizes and CRC came from the directory or a data descriptor
    // An empty entry whose name lacks the "/" that the central directory marks as a folder by its
    // attributes (FolderByAttributes): made on a system whose folders are no names with "/".
    bool folderByAttributes = false;
};

// A header with neither name nor data: alignment padding that some writers put before an entry
// (an Android package at its very start), not an entry.
inline bool IsPadding(const WalkedHeader& header) {
    return header.nameField.empty() && header.compressedSize == 0 && header.uncompressedSize == 0;
}

enum class WalkEnd {
    Complete,         // the central directory or the end record was reached
    NoEntries,        // no acceptable header among the bytes searched
    ErrorReading,     // a signature cut short after the first entry
    HeaderCutShort,   // a header or name cut short after the first entry
    DataPastEnd,      // an entry's extra field and data reach into the last 22 bytes
    ExtraFieldFailed, // stepping over the extra field failed
    DataFailed        // stepping over the data failed
};

struct WalkResult {
    WalkEnd end = WalkEnd::Complete;
    // The offset of the header signature the search found last (the first entry's after a
    // successful walk; the stub's size in a self-extracting file); 0 when it found none.
    std::uint64_t firstHeaderOffset = 0;
};

// Walks the archive open as fd, searching from byte 14000 when fromExeStart is set, and hands
// each accepted header to accept in file order.
WalkResult WalkLocalHeaders(int fd, bool fromExeStart,
                            const std::function<void(const WalkedHeader&)>& accept);
