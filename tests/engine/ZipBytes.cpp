// Archives with exact bytes.
#include "ZipBytes.h"

#include <zlib.h>

namespace zipbytes {

std::string U16(std::uint16_t v) {
    return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}
std::string U32(std::uint32_t v) {
    return U16(static_cast<std::uint16_t>(v)) + U16(static_cast<std::uint16_t>(v >> 16));
}
std::string U64(std::uint64_t v) {
    return U32(static_cast<std::uint32_t>(v)) + U32(static_cast<std::uint32_t>(v >> 32));
}

std::uint32_t Crc(const std::string& data) {
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

std::string Deflated(const std::string& data) {
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, data.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

Entry DeflatedEntry(const std::string& name, const std::string& data) {
    return {.name = name,
            .data = Deflated(data),
            .method = 8,
            .uncompressedSize = static_cast<std::uint32_t>(data.size()),
            .crc = Crc(data)};
}

namespace {

std::uint32_t CrcOf(const Entry& e) {
    return e.crc.value_or(Crc(e.data));
}
std::uint32_t CompressedOf(const Entry& e) {
    return e.compressedSize.value_or(static_cast<std::uint32_t>(e.data.size()));
}
std::uint32_t UncompressedOf(const Entry& e) {
    return e.uncompressedSize.value_or(static_cast<std::uint32_t>(e.data.size()));
}

// The fields from the flags to the extra field's length; a streamed entry's local header has
// zeros where the CRC and sizes go.
std::string Common(const Entry& e, bool local) {
    const bool zeros = local && e.streamed;
    const std::string& extra = local ? e.extra : e.centralExtra.value_or(e.extra);
    return U16(e.streamed ? e.flags | 0x0008 : e.flags) + U16(e.method) + U32(e.dosDateTime) +
           U32(zeros ? 0 : CrcOf(e)) + U32(zeros ? 0 : CompressedOf(e)) +
           U32(zeros ? 0 : UncompressedOf(e)) + U16(static_cast<std::uint16_t>(e.name.size())) +
           U16(static_cast<std::uint16_t>(extra.size()));
}

std::string Descriptor(const Entry& e) {
    const std::string sizes = e.descriptorZip64 ? U64(CompressedOf(e)) + U64(UncompressedOf(e))
                                                : U32(CompressedOf(e)) + U32(UncompressedOf(e));
    return (e.descriptorSignature ? "PK\x07\x08" : "") + U32(CrcOf(e)) + sizes;
}

} // namespace

std::string LocalHeader(const Entry& e) {
    return "PK\x03\x04" + U16(20) + Common(e, true) + e.name + e.extra;
}

std::string LocalEntry(const Entry& e) {
    return LocalHeader(e) + e.data + (e.streamed ? Descriptor(e) : "");
}

std::string Archive(const std::vector<Entry>& entries, bool withDirectory) {
    std::string out;
    std::string directory;
    for (const auto& e : entries) {
        const auto offset = static_cast<std::uint32_t>(out.size());
        out += LocalEntry(e);
        directory += "PK\x01\x02" + U16(e.madeBy) + U16(20) + Common(e, false) + U16(0) + U16(0) +
                     U16(0) + U32(e.externalAttributes) + U32(offset) + e.name +
                     e.centralExtra.value_or(e.extra);
    }
    if (!withDirectory)
        return out;
    const auto directoryOffset = static_cast<std::uint32_t>(out.size());
    out += directory;
    out += "PK\x05\x06" + U16(0) + U16(0) + U16(static_cast<std::uint16_t>(entries.size())) +
           U16(static_cast<std::uint16_t>(entries.size())) +
           U32(static_cast<std::uint32_t>(directory.size())) + U32(directoryOffset) + U16(0);
    return out;
}

std::string Zip64Extra(std::uint64_t uncompressed, std::uint64_t compressed) {
    return U16(0x0001) + U16(16) + U64(uncompressed) + U64(compressed);
}

std::string UnicodePathExtra(const std::string& stored, const std::string& unicode) {
    const std::string body = "\x01" + U32(Crc(stored)) + unicode;
    return U16(0x7075) + U16(static_cast<std::uint16_t>(body.size())) + body;
}

} // namespace zipbytes
