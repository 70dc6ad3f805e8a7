// Sizes of entries written with a data descriptor.
#include "engine/StreamedEntry.h"

#include "engine/ArchiveLayout.h"
#include "engine/LittleEndian.h"
#include "engine/ZipFormat.h"

#include <array>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// What may follow an entry: the next local header, the central directory, an end record (plain or
// Zip64) or the archive extra data record.
constexpr std::array<std::uint32_t, 5> kFollowers = {kLocalHeaderSignature, kCentralHeaderSignature,
                                                     kEndRecordSignature, kZip64EndRecordSignature,
                                                     kExtraDataSignature};
// The longest descriptor (signature, CRC, two 8-byte sizes) and the signature after it.
constexpr std::size_t kLongestDescriptor = 24 + 4;
constexpr std::size_t kScanBlock = 1 << 16;
// A search for descriptors may read the file about twice over (each entry's data once, plus the
// re-reads of a search that starts again after a rejected header); then it gives up, so a crafted
// file of many headers without descriptors cannot make listing take quadratic time.
constexpr std::uint64_t kScanAllowanceBase = 1 << 20;

bool IsFollower(std::uint32_t value) {
    for (const std::uint32_t follower : kFollowers)
        if (value == follower)
            return true;
    return false;
}

// The data descriptor at p, for data of `compressed` bytes, when one of its four forms (with or
// without signature, 4- or 8-byte sizes) records that size and a header signature follows it.
std::optional<StreamedSizes> MatchDescriptor(const unsigned char* p, std::size_t available,
                                             std::uint64_t compressed) {
    struct Form {
        bool signature;
        std::size_t sizeWidth;
    };
    for (const Form form : {Form{true, 4}, Form{false, 4}, Form{true, 8}, Form{false, 8}}) {
        const std::size_t crcAt = form.signature ? 4 : 0;
        const std::size_t length = crcAt + 4 + 2 * form.sizeWidth;
        if (available < length + 4 || (form.signature && Le32(p) != kDescriptorSignature))
            continue;
        const unsigned char* sizes = p + crcAt + 4;
        const std::uint64_t packed = form.sizeWidth == 8 ? Le64(sizes) : Le32(sizes);
        const std::uint64_t unpacked =
            form.sizeWidth == 8 ? Le64(sizes + 8) : Le32(sizes + form.sizeWidth);
        if (packed == compressed && IsFollower(Le32(p + length)))
            return StreamedSizes{Le32(p + crcAt), packed, unpacked, length};
    }
    return std::nullopt;
}

} // namespace

StreamedEntries::StreamedEntries(int fd, CentralIndex& directory) : fd_(fd), directory_(directory) {
    struct stat st {};
    if (::fstat(fd, &st) == 0)
        fileSize_ = static_cast<std::uint64_t>(st.st_size);
    scanAllowance_ = 2 * fileSize_ + kScanAllowanceBase;
}

std::optional<StreamedSizes> StreamedEntries::Find(std::uint64_t headerOffset,
                                                   std::uint32_t nameLength,
                                                   std::uint64_t dataStart) {
    if (auto sizes = FromCentralDirectory(headerOffset, nameLength, dataStart))
        return sizes;
    return FromDescriptorScan(dataStart);
}

std::optional<StreamedSizes> StreamedEntries::FromCentralDirectory(std::uint64_t headerOffset,
                                                                   std::uint32_t nameLength,
                                                                   std::uint64_t dataStart) {
    const CentralFacts* entry = directory_.At(headerOffset);
    if (!entry || entry->nameLength != nameLength)
        return std::nullopt;
    StreamedSizes sizes{entry->crc32, entry->compressedSize, entry->uncompressedSize, 0};

    // The descriptor after the data, when it is there in one of its forms, is stepped over too.
    if (entry->compressedSize <= fileSize_ && dataStart <= fileSize_ - entry->compressedSize) {
        unsigned char tail[kLongestDescriptor];
        const std::size_t got =
            ReadAt(fd_, dataStart + entry->compressedSize, tail, kLongestDescriptor);
        if (const auto descriptor = MatchDescriptor(tail, got, entry->compressedSize))
            sizes.descriptorLength = descriptor->descriptorLength;
    }
    return sizes;
}

std::optional<StreamedSizes> StreamedEntries::FromDescriptorScan(std::uint64_t dataStart) {
    // Every position from the data's start on is a candidate end of the data; the first one
    // followed by a descriptor that records exactly that many bytes wins.
    std::vector<unsigned char> window; // the file's bytes from windowStart on
    std::uint64_t windowStart = dataStart;
    for (bool atEnd = false; !atEnd;) {
        if (scanAllowance_ < kScanBlock)
            return std::nullopt;
        scanAllowance_ -= kScanBlock;
        const std::size_t kept = window.size();
        window.resize(kept + kScanBlock);
        const std::size_t got = ReadAt(fd_, windowStart + kept, window.data() + kept, kScanBlock);
        window.resize(kept + got);
        atEnd = got < kScanBlock;

        std::size_t at = 0;
        for (; at < window.size() && (atEnd || window.size() - at >= kLongestDescriptor); ++at)
            if (auto sizes =
                    MatchDescriptor(&window[at], window.size() - at, windowStart + at - dataStart))
                return sizes;
        window.erase(window.begin(), window.begin() + static_cast<std::ptrdiff_t>(at));
        windowStart += at;
    }
    return std::nullopt;
}
