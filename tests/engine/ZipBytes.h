// Archives with exact bytes, made by the tests themselves: local headers, data, a minimal central
// directory and end record, so each edge case of the reader can be laid out byte by byte.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zipbytes {

struct Entry {
    std::string name{};
    std::string data{}; // stored as is (method 0)
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint32_t dosDateTime = 0x5A8C6000;          // 2025-04-12 12:00:00
    std::optional<std::uint32_t> compressedSize{};   // default: data.size()
    std::optional<std::uint32_t> uncompressedSize{}; // default: data.size()
    std::string extra{};
    std::optional<std::uint32_t> crc{}; // default: the data's CRC
    // The central header's version made by (the system in its high byte; 20: MS-DOS) and
    // external attributes.
    std::uint16_t madeBy = 20;
    std::uint32_t externalAttributes = 0;
    std::optional<std::string> centralExtra{}; // the central header's extra field; default: extra
    // Written as a streaming writer does: flag bit 3, CRC and sizes zero in the local header and
    // given after the data in a data descriptor (with or without its signature, 4- or 8-byte
    // sizes); the central directory has the real values.
    bool streamed = false;
    bool descriptorSignature = true;
    bool descriptorZip64 = false;
};

std::string U16(std::uint16_t v);
std::string U32(std::uint32_t v);
std::string U64(std::uint64_t v);
std::uint32_t Crc(const std::string& data);
// Raw deflate data, as an entry of method 8 holds it.
std::string Deflated(const std::string& data);
// An entry of method 8 holding data deflated.
Entry DeflatedEntry(const std::string& name, const std::string& data);

std::string LocalHeader(const Entry& entry);
// The local header, the data and, for a streamed entry, its data descriptor.
std::string LocalEntry(const Entry& entry);
// Local headers with their data, then one central header per entry and the end record.
std::string Archive(const std::vector<Entry>& entries, bool withDirectory = true);
// The Zip64 extra field holding the real sizes.
std::string Zip64Extra(std::uint64_t uncompressed, std::uint64_t compressed);
// The Unicode Path extra field that gives an entry stored as stored the UTF-8 name unicode:
// version 1, the stored name's CRC, the name.
std::string UnicodePathExtra(const std::string& stored, const std::string& unicode);

} // namespace zipbytes
