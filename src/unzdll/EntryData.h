// Reads the data of entries straight from the archive file, in large sequential reads: entries that
// are not encrypted, or encrypted with AES (decrypted here, AesDecryption). Small stored and
// deflated entries come out of a window of the file read a megabyte at a time, larger ones are
// read whole, and both are inflated in one call of libdeflate. Entries beyond the memory bound,
// entries of the other methods unpacked here (Deflate64, BZIP2, LZMA, XZ, Zstandard, PPMd) and
// AES entries stream through their decoder a megabyte at a time at any size (Unpacking). Every
// entry is checked against its declared size and its CRC or authentication code; nothing beyond the
// declared size is ever produced.
#pragma once

#include "engine/ArchiveLayout.h"
#include "unzdll/Unpacking.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <zip.h>

struct libdeflate_decompressor;

// The largest entry (packed or unpacked) decoded whole in memory.
constexpr std::uint64_t kWholeEntryLimit = 16 << 20;

class EntryData {
public:
    EntryData(int archiveFd, const ArchiveLayout& layout);
    ~EntryData();
    EntryData(const EntryData&) = delete;
    EntryData& operator=(const EntryData&) = delete;

    // Where the data of the entry at index (in central directory order), as StatOf describes it,
    // starts in the file, when it can be read here: not encrypted or encrypted with AES, of a
    // method unpacked here, and with a local header where the directory says.
    std::optional<std::uint64_t> DataStart(zip_uint64_t index, const zip_stat_t& stat);

    // The entry at index as libzip's stat would describe it (sizes, CRC, methods, time; an AES
    // entry by its real method and key length), from the central directory, so that libzip need
    // not open the archive for the entries read here. False when there is no such entry.
    bool StatOf(zip_uint64_t index, zip_stat_t& stat) const;

    // Unpacks the entry into sink (whose false stops it: Unpacked::Stopped), decrypting an AES
    // entry with the password.
    Unpacked Decode(std::uint64_t dataStart, const zip_stat_t& stat, const std::string& password,
                    const UnpackedOutput& sink);

private:
    // A buffer that keeps its memory for the next entry and is never cleared.
    struct Buffer {
        std::unique_ptr<unsigned char[]> bytes;
        std::size_t capacity = 0;
        unsigned char* Get(std::size_t size);
    };
    // size bytes of the file at offset, through the window when they fit in it; nothing when the
    // file ends before.
    const unsigned char* Range(std::uint64_t offset, std::size_t size);
    Unpacked Whole(std::uint64_t dataStart, const zip_stat_t& stat, const UnpackedOutput& sink);
    Unpacked Streamed(std::uint64_t dataStart, const zip_stat_t& stat, const std::string& password,
                      const UnpackedOutput& sink);

    int fd_;
    const ArchiveLayout& layout_;
    std::uint64_t fileSize_ = 0;
    Buffer window_;
    std::uint64_t windowStart_ = 0;
    std::size_t windowFill_ = 0;
    Buffer packed_;
    Buffer unpacked_;
    libdeflate_decompressor* decompressor_;
};
