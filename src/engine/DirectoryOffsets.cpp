// The offsets in a self-extracting file's central directory and end records.
#include "engine/DirectoryOffsets.h"

#include "engine/ArchiveLayout.h"
#include "engine/LittleEndian.h"
#include "engine/ZipFormat.h"

#include <unistd.h>

namespace {

constexpr std::uint64_t kDirectoryOffsetInEndRecord = 16;
constexpr std::uint64_t kDirectoryOffsetInZip64Record = 48;
constexpr std::uint64_t kRecordOffsetInZip64Locator = 8;

} // namespace

std::optional<std::vector<OffsetCorrection>> OffsetCorrections(int fd, std::uint64_t cut) {
    std::vector<OffsetCorrection> corrections;
    const auto layout = ReadArchiveLayout(fd);
    // Offsets that count from the archive start make the directory appear to start at byte 0
    // only when nothing precedes the archive; then there is nothing to correct.
    if (cut == 0 || !layout || layout->archiveStart != 0)
        return corrections;
    bool inside = true;
    auto correct = [&](std::uint64_t at, unsigned width, std::uint64_t stored) {
        if (stored < cut)
            inside = false;
        else
            corrections.push_back({at, width, stored - cut});
    };
    for (const LayoutEntry& entry : layout->entries)
        correct(layout->directoryAt + entry.offsetFieldAt, entry.offsetIn64 ? 8 : 4,
                entry.localHeaderOffset);
    unsigned char end[kDirectoryOffsetInEndRecord + 4];
    if (::pread(fd, end, sizeof end, static_cast<off_t>(layout->endRecordAt)) !=
        static_cast<ssize_t>(sizeof end))
        return std::nullopt;
    if (Le32(end + kDirectoryOffsetInEndRecord) != kInZip64)
        correct(layout->endRecordAt + kDirectoryOffsetInEndRecord, 4,
                Le32(end + kDirectoryOffsetInEndRecord));
    if (layout->zip64EndRecordAt) {
        // The directory's offset (where it lies, since the offsets count from byte 0) and, in the
        // locator, the Zip64 end record's own offset.
        correct(*layout->zip64EndRecordAt + kDirectoryOffsetInZip64Record, 8, layout->directoryAt);
        correct(layout->endRecordAt - kZip64LocatorSize + kRecordOffsetInZip64Locator, 8,
                *layout->zip64EndRecordAt);
    }
    if (!inside)
        return std::nullopt;
    return corrections;
}

bool ApplyCorrections(int copy, const std::vector<OffsetCorrection>& corrections,
                      std::uint64_t cut) {
    for (const OffsetCorrection& correction : corrections) {
        unsigned char bytes[8];
        for (unsigned i = 0; i < correction.width; ++i)
            bytes[i] = static_cast<unsigned char>(correction.value >> (8 * i));
        if (::pwrite(copy, bytes, correction.width, static_cast<off_t>(correction.at - cut)) !=
            static_cast<ssize_t>(correction.width))
            return false;
    }
    return true;
}
