// The archive inside the self-extractor's own file, read from its end record and central
// directory and checked strictly before anything is written: offsets that count from the archive
// start or from the start of the file both work, whatever precedes the archive.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct SfxEntry {
    std::string name;               // as the engines name it (EntryNameOf), fit to print
    std::vector<std::string> parts; // its folders and file name, made safe to write
    bool folder = false;            // a folder entry: its name ends in "/"
    std::uint16_t method = 0;       // 0 stored, 8 deflated
    std::uint32_t crc = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t uncompressedSize = 0;
    std::uint64_t localHeaderAt = 0; // in the file
    std::uint16_t dosTime = 0;       // its modification time, local time as DOS keeps it
    std::uint16_t dosDate = 0;
    bool encrypted = false;         // with the traditional method, behind a 12-byte header
    std::uint8_t passwordCheck = 0; // what the header's last byte decrypts to
};

// The header before the data of an entry encrypted with the traditional method.
constexpr std::uint64_t kEncryptionHeaderSize = 12;

struct SfxArchive {
    std::vector<SfxEntry> entries;
    std::uint64_t directoryAt = 0; // in the file; no entry's data reaches past it
};

// The archive at the end of the file behind fd. Nothing, and the reason in error, when it has
// no readable directory, spans disks, holds an entry the stub cannot extract (SfxCannotExtract),
// an unsafe name, an offset outside its data or entries whose data overlap.
std::optional<SfxArchive> ReadSfxArchive(int fd, std::string& error);
