// Reads the data of stored and deflated entries straight from the archive file.
#include "unzdll/EntryData.h"

#include "engine/DosDateTime.h"
#include "engine/LittleEndian.h"
#include "unzdll/Inflater.h"

#include <algorithm>
#include <libdeflate.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kWindowSize = 1 << 20;
constexpr std::size_t kStreamChunk = 1 << 20;
constexpr std::uint32_t kLocalHeader = 0x04034B50;
constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::uint16_t kEncrypted = 0x0001;
constexpr std::uint16_t kAesMethod = 99;

bool Checked(const zip_stat_t& stat) {
    constexpr zip_uint64_t kNeeded =
        ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC | ZIP_STAT_COMP_METHOD;
    return (stat.valid & kNeeded) == kNeeded &&
           (!(stat.valid & ZIP_STAT_ENCRYPTION_METHOD) || stat.encryption_method == ZIP_EM_NONE) &&
           (stat.comp_method == ZIP_CM_STORE || stat.comp_method == ZIP_CM_DEFLATE);
}

} // namespace

unsigned char* EntryData::Buffer::Get(std::size_t size) {
    if (size > capacity) {
        bytes.reset(); // the old memory goes before the new arrives
        bytes.reset(new unsigned char[size]);
        capacity = size;
    }
    return bytes.get();
}

EntryData::EntryData(int archiveFd, const ArchiveLayout& layout)
    : fd_(archiveFd), layout_(layout), decompressor_(libdeflate_alloc_decompressor()) {
    struct stat st {};
    if (::fstat(fd_, &st) == 0)
        fileSize_ = static_cast<std::uint64_t>(st.st_size);
}

EntryData::~EntryData() {
    libdeflate_free_decompressor(decompressor_);
}

const unsigned char* EntryData::Range(std::uint64_t offset, std::size_t size) {
    if (offset > fileSize_ || size > fileSize_ - offset)
        return nullptr;
    if (size > kWindowSize) {
        unsigned char* out = packed_.Get(size);
        return ReadAt(fd_, offset, out, size) == size ? out : nullptr;
    }
    if (offset < windowStart_ || offset + size > windowStart_ + windowFill_) {
        // The archive is read front to back, so the window moves on to where the request starts.
        windowStart_ = offset;
        windowFill_ = ReadAt(fd_, offset, window_.Get(kWindowSize), kWindowSize);
        if (windowFill_ < size)
            return nullptr;
    }
    return window_.bytes.get() + (offset - windowStart_);
}

bool EntryData::StatOf(zip_uint64_t index, zip_stat_t& stat) const {
    if (index >= layout_.entries.size())
        return false;
    const LayoutEntry& entry = layout_.entries[index];
    const unsigned char* header = &layout_.directory[entry.headerAt];
    zip_stat_init(&stat);
    stat.valid = ZIP_STAT_INDEX | ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC |
                 ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD | ZIP_STAT_MTIME;
    stat.index = index;
    stat.size = entry.uncompressedSize;
    stat.comp_size = entry.compressedSize;
    stat.crc = entry.crc32;
    stat.comp_method = entry.method;
    stat.encryption_method = !(entry.flags & kEncrypted)  ? ZIP_EM_NONE
                             : entry.method == kAesMethod ? ZIP_EM_UNKNOWN
                                                          : ZIP_EM_TRAD_PKWARE;
    stat.mtime = LocalTimeOfDos(Le16(header + 14), Le16(header + 12));
    return true;
}

std::optional<std::uint64_t> EntryData::DataStart(zip_uint64_t index, const zip_stat_t& stat) {
    if (!decompressor_ || !Checked(stat) || index >= layout_.entries.size())
        return std::nullopt;
    const LayoutEntry& entry = layout_.entries[index];
    if (entry.localHeaderOffset > layout_.archiveSize)
        return std::nullopt;
    const std::uint64_t header = layout_.archiveStart + entry.localHeaderOffset;
    const unsigned char* fixed = Range(header, kLocalHeaderSize);
    if (!fixed || Le32(fixed) != kLocalHeader)
        return std::nullopt;
    const std::uint64_t dataStart = header + kLocalHeaderSize + Le16(fixed + 26) + Le16(fixed + 28);
    if (dataStart > fileSize_ || stat.comp_size > fileSize_ - dataStart)
        return std::nullopt;
    return dataStart;
}

EntryData::Outcome EntryData::Decode(std::uint64_t dataStart, const zip_stat_t& stat,
                                     const Sink& sink) {
    if (stat.comp_size <= kWholeEntryLimit && stat.size <= kWholeEntryLimit)
        return Whole(dataStart, stat, sink);
    return Streamed(dataStart, stat, sink);
}

EntryData::Outcome EntryData::Whole(std::uint64_t dataStart, const zip_stat_t& stat,
                                    const Sink& sink) {
    const auto packedSize = static_cast<std::size_t>(stat.comp_size);
    const auto size = static_cast<std::size_t>(stat.size);
    const unsigned char* packed = Range(dataStart, packedSize);
    if (!packed)
        return Outcome::TooShort;
    const unsigned char* bytes = packed;
    if (stat.comp_method == ZIP_CM_STORE) {
        if (packedSize != size)
            return packedSize > size ? Outcome::TooLong : Outcome::TooShort;
    } else {
        unsigned char* out = unpacked_.Get(size);
        std::size_t produced = 0;
        const libdeflate_result result =
            libdeflate_deflate_decompress(decompressor_, packed, packedSize, out, size, &produced);
        if (result == LIBDEFLATE_INSUFFICIENT_SPACE)
            return Outcome::TooLong;
        if (result != LIBDEFLATE_SUCCESS)
            return Outcome::Damaged;
        if (produced != size)
            return Outcome::TooShort;
        bytes = out;
    }
    if (libdeflate_crc32(0, bytes, size) != stat.crc)
        return Outcome::BadCrc;
    return sink(bytes, size) ? Outcome::Good : Outcome::Stopped;
}

EntryData::Outcome EntryData::Streamed(std::uint64_t dataStart, const zip_stat_t& stat,
                                       const Sink& sink) {
    std::optional<Inflater> inflater;
    if (stat.comp_method == ZIP_CM_DEFLATE)
        inflater.emplace(kStreamChunk);
    unsigned char* in = packed_.Get(kStreamChunk);
    std::uint64_t read = 0, produced = 0;
    std::uint32_t crc = 0;
    Outcome outcome = Outcome::Good;
    // Hands on n bytes of the entry, unless that takes it beyond its declared size.
    const auto deliver = [&](const unsigned char* bytes, std::size_t n) {
        if (n > stat.size - produced) {
            outcome = Outcome::TooLong;
            return false;
        }
        produced += n;
        crc = libdeflate_crc32(crc, bytes, n);
        if (!sink(bytes, n)) {
            outcome = Outcome::Stopped;
            return false;
        }
        return true;
    };
    while (read < stat.comp_size && !(inflater && inflater->Ended())) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(kStreamChunk, stat.comp_size - read));
        if (ReadAt(fd_, dataStart + read, in, want) != want)
            return Outcome::TooShort;
        read += want;
        if (!(inflater ? inflater->Feed(in, want, deliver) : deliver(in, want)))
            return outcome == Outcome::Good ? Outcome::Damaged : outcome;
    }
    if ((inflater && !inflater->Ended()) || produced != stat.size)
        return produced > stat.size ? Outcome::TooLong : Outcome::TooShort;
    return crc == stat.crc ? Outcome::Good : Outcome::BadCrc;
}
