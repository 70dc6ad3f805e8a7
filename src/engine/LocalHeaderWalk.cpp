// The walk of an archive's local file headers. It reads only the headers: extra fields and data
// are stepped over by their lengths, which are read as unsigned 32-bit values (a Zip64 entry's
// from its extra field), and every bound is checked without overflow, so the walk only moves
// forward and always ends.
#include "engine/LocalHeaderWalk.h"

#include "engine/BufferedReader.h"
#include "engine/CentralIndex.h"
#include "engine/ExtraField.h"
#include "engine/LittleEndian.h"
#include "engine/StreamedEntry.h"
#include "engine/ZipFormat.h"

#include <optional>
#include <vector>

namespace {

constexpr int kMaxScanCandidates = 60000;
constexpr std::uint64_t kExeSearchStart = 14000;
constexpr std::uint16_t kSizesAfterData = 1 << 3; // general flag: sizes and CRC follow the data

// The sizes of a header whose 32-bit fields hold 0xFFFFFFFF, from its Zip64 extra field; a field
// without its 64-bit value there keeps the 32-bit one.
void ApplyLocalZip64(std::string_view extra, WalkedHeader& header) {
    if (header.compressedSize != kInZip64 && header.uncompressedSize != kInZip64)
        return;
    const auto block = FindExtraBlock(extra, 0x0001);
    if (!block)
        return;
    std::size_t at = 0;
    for (std::uint64_t* field : {&header.uncompressedSize, &header.compressedSize}) {
        if (*field != kInZip64)
            continue;
        if (at + 8 > block->size())
            return;
        *field = Le64(reinterpret_cast<const unsigned char*>(block->data() + at));
        at += 8;
    }
}

// True when extraLength bytes of extra field and then dataLength bytes of data, from position on,
// end at least 22 bytes (an end record without comment) before the end of the file. Computed
// without overflow: the lengths come from the file and may be anything up to 2^64 - 1.
bool FitsBeforeEndRecord(std::uint64_t position, std::uint64_t extraLength,
                         std::uint64_t dataLength, std::uint64_t fileSize) {
    if (fileSize < kEndRecordSize || position > fileSize - kEndRecordSize)
        return false;
    const std::uint64_t room = fileSize - kEndRecordSize - position;
    return extraLength <= room && dataLength <= room - extraLength;
}

} // namespace

WalkResult WalkLocalHeaders(int fd, bool fromExeStart,
                            const std::function<void(const WalkedHeader&)>& accept) {
    BufferedReader in(fd);
    CentralIndex directory(fd);
    StreamedEntries streamed(fd, directory);
    WalkResult result;
    enum class State { Scanning, Walking, LocalHeader } state = State::Scanning;
    int scanned = 0;
    bool accepted = false;
    std::vector<char> nameField;
    std::vector<char> extraField;
    if (fromExeStart)
        in.Seek(kExeSearchStart);

    // A header or name cut short, or data running past the end: before the first entry the
    // search for a header goes on, after it the archive is broken.
    const auto reject = [&](WalkEnd end, std::uint64_t resumeAt) {
        if (accepted)
            return std::optional(end);
        in.Seek(resumeAt);
        state = State::Scanning;
        return std::optional<WalkEnd>();
    };
    const auto ended = [&](WalkEnd end) {
        result.end = end;
        return result;
    };

    for (;;) {
        if (state == State::Scanning) {
            unsigned char byte = 0;
            if (in.Read(&byte, 1) != 1 || ++scanned > kMaxScanCandidates)
                return ended(WalkEnd::NoEntries);
            if (byte != 'P')
                continue;
            bool found = true;
            for (const unsigned char expected : {'K', '\x03', '\x04'}) {
                if (in.Read(&byte, 1) != 1)
                    return ended(WalkEnd::NoEntries);
                if (byte != expected) {
                    found = false; // the mismatching byte is not tried as a new "P"
                    break;
                }
            }
            if (found) {
                result.firstHeaderOffset = in.Position() - 4;
                state = State::LocalHeader;
            }
            continue;
        }

        if (state == State::Walking) {
            unsigned char signature[4];
            if (in.Read(signature, 4) != 4)
                return ended(WalkEnd::ErrorReading);
            const std::uint32_t value = Le32(signature);
            if (value == kLocalHeaderSignature)
                state = State::LocalHeader;
            else if (value == kCentralHeaderSignature || value == kEndRecordSignature)
                return ended(WalkEnd::Complete);
            else if (const auto next = directory.NextHeaderAfter(in.Position() - 4))
                in.Seek(*next); // bytes no record points into are stepped over
            continue;           // otherwise on by 4 bytes
        }

        WalkedHeader header;
        header.offset = in.Position() - 4;
        unsigned char fixed[26];
        if (in.Read(fixed, sizeof fixed) != sizeof fixed) {
            if (const auto end = reject(WalkEnd::HeaderCutShort, in.Position()))
                return ended(*end);
            continue;
        }
        header.fixed = fixed;
        const std::uint16_t nameLength = Le16(fixed + 22);
        const std::uint64_t extraLength = Le16(fixed + 24);
        nameField.resize(nameLength);
        if (in.Read(nameField.data(), nameLength) != nameLength) {
            if (const auto end = reject(WalkEnd::HeaderCutShort, in.Position()))
                return ended(*end);
            continue;
        }
        header.nameField = std::string_view(nameField.data(), nameLength);
        header.crc32 = Le32(fixed + 10);
        header.compressedSize = Le32(fixed + 14);
        header.uncompressedSize = Le32(fixed + 18);
        const std::uint64_t afterName = in.Position();
        // The extra field is read (it may hold Zip64 sizes and a Unicode name); a field cut short
        // by the end of the file shows as data running past the end below.
        extraField.resize(extraLength);
        extraField.resize(in.Read(extraField.data(), extraLength));
        header.extraField = std::string_view(extraField.data(), extraField.size());
        std::uint64_t descriptorLength = 0;
        std::uint64_t dataLength = 0;
        if (Le16(fixed + 2) & kSizesAfterData) {
            // Sizes after the data: without a directory record or a descriptor to tell where the
            // data ends, it runs on to the end of the file as far as the walk can tell.
            const auto sizes = streamed.Find(header.offset, nameLength, afterName + extraLength);
            if (!sizes) {
                if (const auto end = reject(WalkEnd::DataPastEnd, afterName))
                    return ended(*end);
                continue;
            }
            header.streamed = true;
            header.crc32 = sizes->crc32;
            header.compressedSize = sizes->compressedSize;
            header.uncompressedSize = sizes->uncompressedSize;
            dataLength = sizes->compressedSize;
            descriptorLength = sizes->descriptorLength;
        } else {
            ApplyLocalZip64(header.extraField, header);
            // The data is stepped over by the header's own length, Zip64's when it has one.
            dataLength = header.compressedSize;
        }
        if (!FitsBeforeEndRecord(afterName, extraLength, dataLength, in.Size())) {
            if (const auto end = reject(WalkEnd::DataPastEnd, afterName))
                return ended(*end);
            continue;
        }
        if (extraField.size() != extraLength)
            return ended(WalkEnd::ExtraFieldFailed);
        const std::uint64_t dataStart = in.Position();
        if (in.Skip(dataLength) != dataStart + dataLength)
            return ended(WalkEnd::DataFailed);
        in.Skip(descriptorLength);
        if (header.uncompressedSize == 0 && nameLength > 0 && nameField.back() != '/') {
            const CentralFacts* record = directory.At(header.offset);
            header.folderByAttributes = record && record->folder;
        }
        accepted = true;
        accept(header);
        state = State::Walking;
    }
}
