// PPMd through libarchive: its ZIP reader decodes PPMd entries, and nothing else maintained does.
// It is handed one entry as a streaming writer would put it in an archive: a local header made here
// (method 98, the sizes and CRC the engine knows, a one-letter name), then the packed data as the
// engine reads it, a block at a time.
#include "unzdll/LibraryDecoders.h"

#include "engine/CompressionMethods.h"
#include "engine/LittleEndian.h"
#include "engine/ZipFormat.h"

#include <archive.h>
#include <archive_entry.h>
#include <cerrno>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kOutputPiece = 1 << 18;

// A local header for an entry of the method, sizes and CRC, its sizes in a Zip64 extra field when
// they do not fit 32 bits.
std::string LocalHeader(std::uint64_t packedSize, std::uint64_t size, std::uint32_t crc) {
    const bool zip64 = packedSize >= kInZip64 || size >= kInZip64;
    std::string header;
    PutLe32(header, kLocalHeaderSignature);
    PutLe16(header, 63); // version needed
    PutLe16(header, 0);  // flags
    PutLe16(header, kMethodPpmd);
    PutLe32(header, 0); // time and date
    PutLe32(header, crc);
    PutLe32(header, zip64 ? kInZip64 : static_cast<std::uint32_t>(packedSize));
    PutLe32(header, zip64 ? kInZip64 : static_cast<std::uint32_t>(size));
    PutLe16(header, 1); // name length
    PutLe16(header, zip64 ? 20 : 0);
    header += 'x';
    if (zip64) {
        PutLe16(header, 0x0001);
        PutLe16(header, 16);
        PutLe64(header, size);
        PutLe64(header, packedSize);
    }
    return header;
}

// What libarchive reads: the header made here, then the packed data.
struct Source {
    PackedReader& in;
    std::string header;
    bool headerGiven = false;
    bool failed = false;
};

la_ssize_t ReadBlock(struct archive*, void* data, const void** block) {
    auto& source = *static_cast<Source*>(data);
    if (!source.headerGiven) {
        source.headerGiven = true;
        *block = source.header.data();
        return static_cast<la_ssize_t>(source.header.size());
    }
    if (!source.in.Fill()) {
        source.failed = true;
        return ARCHIVE_FATAL;
    }
    // The block stays valid until the next call, which takes the next one.
    const std::size_t size = source.in.Available();
    *block = source.in.Data();
    source.in.Take(size);
    return static_cast<la_ssize_t>(size);
}

} // namespace

StreamEnd DecodePpmd(PackedReader& in, const UnpackedOutput& out, std::uint64_t packedSize,
                     std::uint64_t size, std::uint32_t crc) {
    Source source{in, LocalHeader(packedSize, size, crc)};
    struct archive* reader = archive_read_new();
    if (!reader)
        return StreamEnd::NeedsMemory;
    archive_read_support_format_zip_streamable(reader);
    // The engine checks the CRC itself. libarchive's own check would fail every AES entry of the
    // kind whose CRC field is 0, and holds back the last block of data when it fails.
    archive_read_set_format_option(reader, "zip", "ignorecrc32", "1");
    struct archive_entry* entry = nullptr;
    StreamEnd end = StreamEnd::Damaged;
    if (archive_read_open(reader, &source, nullptr, ReadBlock, nullptr) == ARCHIVE_OK &&
        archive_read_next_header(reader, &entry) == ARCHIVE_OK) {
        std::vector<unsigned char> piece(kOutputPiece);
        for (;;) {
            const la_ssize_t made = archive_read_data(reader, piece.data(), piece.size());
            // A warning comes at the end of the data, when libarchive's own check of the size
            // fails; the engine checks it itself and names what failed.
            if (made == 0 || made == ARCHIVE_WARN) {
                end = StreamEnd::Ended;
                break;
            }
            if (made < 0) {
                if (archive_errno(reader) == ENOMEM) // the model's memory, up to 256 MiB
                    end = StreamEnd::NeedsMemory;
                break;
            }
            if (!out(piece.data(), static_cast<std::size_t>(made))) {
                end = StreamEnd::Stopped;
                break;
            }
        }
    }
    archive_read_free(reader);
    return source.failed ? StreamEnd::InputFailed : end;
}
