// The archive inside the self-extractor's own file.
#include "zipsfx/SfxArchive.h"

#include "engine/ArchiveLayout.h"
#include "engine/EntryNames.h"
#include "engine/LittleEndian.h"
#include "engine/SfxCapability.h"
#include "engine/ZipFormat.h"
#include "unzdll/SafeName.h"

#include <unistd.h>

namespace {

constexpr std::uint16_t kEncrypted = 0x0001;
constexpr std::uint16_t kStreamed = 0x0008;
constexpr std::uint16_t kStored = 0;

// A name (UTF-8) fit to print: control characters, which could steer a terminal, become "_":
// C0 and DEL, and C1 (U+0080 to U+009F, the two bytes C2 80 to C2 9F), which terminals take as
// the escape sequences they stand for.
std::string Printable(const std::string& name) {
    std::string printable;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        const bool c1 = c == 0xC2 && i + 1 < name.size() &&
                        static_cast<unsigned char>(name[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(name[i + 1]) <= 0x9F;
        printable += c < 0x20 || c == 0x7F || c1 ? '_' : name[i];
        i += c1;
    }
    return printable;
}

// The end records keep to one disk: disk numbers 0, this disk's entries all entries.
bool OnOneDisk(int fd, const ArchiveLayout& layout) {
    unsigned char end[kEndRecordSize];
    if (::pread(fd, end, sizeof end, static_cast<off_t>(layout.endRecordAt)) !=
            static_cast<ssize_t>(sizeof end) ||
        Le16(end + 4) != 0 || Le16(end + 6) != 0 || Le16(end + 8) != Le16(end + 10))
        return false;
    if (!layout.zip64EndRecordAt)
        return true;
    unsigned char end64[kZip64EndRecordSize];
    return ::pread(fd, end64, sizeof end64, static_cast<off_t>(*layout.zip64EndRecordAt)) ==
               static_cast<ssize_t>(sizeof end64) &&
           Le32(end64 + 16) == 0 && Le32(end64 + 20) == 0 && Le64(end64 + 24) == Le64(end64 + 32);
}

// Each central header follows the one before without a gap, and the last ends the directory.
bool DirectoryIsExact(const ArchiveLayout& layout) {
    std::size_t expected = 0;
    for (const LayoutEntry& entry : layout.entries) {
        const unsigned char* h = &layout.directory[entry.headerAt];
        if (entry.headerAt != expected)
            return false;
        expected =
            entry.headerAt + kCentralHeaderSize + entry.nameLength + Le16(h + 30) + Le16(h + 32);
    }
    return layout.entries.size() == layout.entryCount && expected == layout.directory.size();
}

// One entry, or the reason it is refused.
std::optional<SfxEntry> CheckEntry(const ArchiveLayout& layout, const LayoutEntry& stored,
                                   std::string& error) {
    const std::string_view raw = StoredName(layout, stored);
    const std::string decoded = EntryNameOf(layout, stored);
    SfxEntry entry;
    entry.name = Printable(decoded);
    entry.method = stored.method;
    entry.crc = stored.crc32;
    entry.compressedSize = stored.compressedSize;
    entry.uncompressedSize = stored.uncompressedSize;
    entry.folder = !decoded.empty() && (decoded.back() == '/' || decoded.back() == '\\');
    const unsigned char* header = &layout.directory[stored.headerAt];
    entry.dosTime = Le16(header + 12);
    entry.dosDate = Le16(header + 14);
    entry.encrypted = (stored.flags & kEncrypted) != 0;
    // The byte that checks a password: the CRC's high byte, or the time's when the CRC came
    // after the data.
    entry.passwordCheck =
        static_cast<std::uint8_t>(stored.flags & kStreamed ? entry.dosTime >> 8 : entry.crc >> 24);
    const auto parts = raw.find('\0') == raw.npos ? SafeComponents(decoded) : std::nullopt;
    const std::uint64_t encryptionHeader = entry.encrypted ? kEncryptionHeaderSize : 0;
    // Where its data may lie: between the archive start and the directory.
    const std::uint64_t dataSpace = layout.directoryAt - layout.archiveStart;
    if (!parts)
        error = "unsafe name: " + entry.name;
    else if (const std::string lacking = SfxCannotExtract(stored); !lacking.empty())
        error = lacking + " is not supported: " + entry.name;
    else if ((entry.encrypted && entry.compressedSize < encryptionHeader) ||
             (stored.method == kStored &&
              entry.compressedSize - encryptionHeader != entry.uncompressedSize) ||
             (entry.folder && entry.uncompressedSize != 0))
        error = "sizes do not match: " + entry.name;
    else if (stored.localHeaderOffset > dataSpace ||
             kLocalHeaderSize + entry.compressedSize > dataSpace - stored.localHeaderOffset)
        error = "data outside the archive: " + entry.name;
    else {
        entry.parts = *parts;
        entry.localHeaderAt = layout.archiveStart + stored.localHeaderOffset;
        return entry;
    }
    return std::nullopt;
}

} // namespace

std::optional<SfxArchive> ReadSfxArchive(int fd, std::string& error) {
    const auto layout = ReadArchiveLayout(fd);
    if (!layout) {
        error = "no archive found";
        return std::nullopt;
    }
    if (!OnOneDisk(fd, *layout) || !DirectoryIsExact(*layout)) {
        error = "damaged central directory";
        return std::nullopt;
    }
    if (EntriesOverlap(layout->entries)) {
        error = "entries overlap";
        return std::nullopt;
    }
    SfxArchive archive;
    archive.directoryAt = layout->directoryAt;
    for (const LayoutEntry& stored : layout->entries) {
        auto entry = CheckEntry(*layout, stored, error);
        if (!entry)
            return std::nullopt;
        archive.entries.push_back(std::move(*entry));
    }
    return archive;
}
