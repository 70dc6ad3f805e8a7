// Reads the data of entries straight from the archive file.
#include "unzdll/EntryData.h"

#include "engine/CompressionMethods.h"
#include "engine/DosDateTime.h"
#include "engine/LittleEndian.h"
#include "engine/ZipFormat.h"
#include "unzdll/AesDecryption.h"

#include <algorithm>
#include <libdeflate.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kWindowSize = 1 << 20;
constexpr std::uint16_t kEncrypted = 0x0001;

bool IsAes(const zip_stat_t& stat) {
    return (stat.valid & ZIP_STAT_ENCRYPTION_METHOD) &&
           (stat.encryption_method == ZIP_EM_AES_128 || stat.encryption_method == ZIP_EM_AES_192 ||
            stat.encryption_method == ZIP_EM_AES_256);
}

bool Checked(const zip_stat_t& stat) {
    constexpr zip_uint64_t kNeeded =
        ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC | ZIP_STAT_COMP_METHOD;
    return (stat.valid & kNeeded) == kNeeded &&
           (!(stat.valid & ZIP_STAT_ENCRYPTION_METHOD) || stat.encryption_method == ZIP_EM_NONE ||
            IsAes(stat)) &&
           UnpackedHere(static_cast<std::uint16_t>(stat.comp_method));
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
                             : entry.method != kMethodAes ? ZIP_EM_TRAD_PKWARE
                                                          : ZIP_EM_UNKNOWN;
    // An AES entry: its real method and the key length from its AES field.
    if (const auto aes = stat.encryption_method == ZIP_EM_UNKNOWN
                             ? AesFieldOf(StoredExtra(layout_, entry))
                             : std::nullopt) {
        stat.comp_method = aes->method;
        stat.encryption_method = aes->strength == 1   ? ZIP_EM_AES_128
                                 : aes->strength == 2 ? ZIP_EM_AES_192
                                                      : ZIP_EM_AES_256;
    }
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
    if (!fixed || Le32(fixed) != kLocalHeaderSignature)
        return std::nullopt;
    const std::uint64_t dataStart = header + kLocalHeaderSize + Le16(fixed + 26) + Le16(fixed + 28);
    if (dataStart > fileSize_ || stat.comp_size > fileSize_ - dataStart)
        return std::nullopt;
    return dataStart;
}

Unpacked EntryData::Decode(std::uint64_t dataStart, const zip_stat_t& stat,
                           const std::string& password, const UnpackedOutput& sink) {
    const bool inflatedWhole =
        stat.comp_method == ZIP_CM_STORE || stat.comp_method == ZIP_CM_DEFLATE;
    if (!IsAes(stat) && inflatedWhole && stat.comp_size <= kWholeEntryLimit &&
        stat.size <= kWholeEntryLimit)
        return Whole(dataStart, stat, sink);
    return Streamed(dataStart, stat, password, sink);
}

Unpacked EntryData::Whole(std::uint64_t dataStart, const zip_stat_t& stat,
                          const UnpackedOutput& sink) {
    const auto packedSize = static_cast<std::size_t>(stat.comp_size);
    const auto size = static_cast<std::size_t>(stat.size);
    const unsigned char* packed = Range(dataStart, packedSize);
    if (!packed)
        return Unpacked::TooShort;
    const unsigned char* bytes = packed;
    if (stat.comp_method == ZIP_CM_STORE) {
        if (packedSize != size)
            return packedSize > size ? Unpacked::TooLong : Unpacked::TooShort;
    } else {
        unsigned char* out = unpacked_.Get(size);
        std::size_t produced = 0;
        const libdeflate_result result =
            libdeflate_deflate_decompress(decompressor_, packed, packedSize, out, size, &produced);
        if (result == LIBDEFLATE_INSUFFICIENT_SPACE)
            return Unpacked::TooLong;
        if (result != LIBDEFLATE_SUCCESS)
            return Unpacked::Damaged;
        if (produced != size)
            return Unpacked::TooShort;
        bytes = out;
    }
    if (libdeflate_crc32(0, bytes, size) != stat.crc)
        return Unpacked::BadCrc;
    return sink(bytes, size) ? Unpacked::Good : Unpacked::Stopped;
}

Unpacked EntryData::Streamed(std::uint64_t dataStart, const zip_stat_t& stat,
                             const std::string& password, const UnpackedOutput& sink) {
    // The packed data from the file, up to its declared size; a file that ends before makes the
    // data shorter.
    std::uint64_t read = 0;
    const PackedInput fromFile = [&](unsigned char* buffer, std::size_t capacity) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(capacity, stat.comp_size - read));
        const std::size_t got = ReadAt(fd_, dataStart + read, buffer, want);
        read += got;
        return static_cast<std::ptrdiff_t>(got);
    };
    PackedEntry entry;
    entry.method = static_cast<std::uint16_t>(stat.comp_method);
    entry.packedSize = stat.comp_size;
    entry.size = stat.size;
    entry.crc = stat.crc;
    if (!IsAes(stat))
        return Unpack(entry, fromFile, sink);

    const auto aes = AesFieldOf(StoredExtra(layout_, layout_.entries[stat.index]));
    AesInput decrypted(fromFile, stat.comp_size, aes->strength);
    switch (decrypted.Begin(password)) {
    case AesInput::Start::Ready:
        break;
    case AesInput::Start::WrongPassword:
        return Unpacked::WrongPassword;
    case AesInput::Start::Damaged:
        return Unpacked::Damaged;
    }
    entry.packedSize -= std::min(entry.packedSize, aes::Overhead(aes->strength));
    // AE-2 leaves the CRC 0: the authentication code stands for it.
    entry.checkCrc = aes->version != 2;
    const Unpacked outcome = Unpack(
        entry,
        [&](unsigned char* buffer, std::size_t capacity) {
            return decrypted.Read(buffer, capacity);
        },
        sink);
    return outcome == Unpacked::InputFailed && decrypted.Unauthentic() ? Unpacked::Unauthentic
                                                                       : outcome;
}
