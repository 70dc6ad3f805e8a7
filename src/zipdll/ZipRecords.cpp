// The records a changed archive is made of.
#include "zipdll/ZipRecords.h"

#include "engine/AesCipher.h"
#include "engine/CompressionMethods.h"
#include "engine/LittleEndian.h"
#include "engine/ZipFormat.h"

#include <algorithm>

namespace {

constexpr std::uint16_t kZip64Tag = 0x0001;
constexpr std::uint16_t kFull16 = 0xFFFF;
// Made by: Unix (its attributes are in the high half of the external attributes), 6.3.
constexpr std::uint16_t kMadeBy = 3 << 8 | 63;
constexpr std::uint16_t kNeeded = 20;
constexpr std::uint16_t kNeededZip64 = 45;
constexpr std::uint16_t kNeededAes = 51;
constexpr std::size_t kZip64LocalExtraSize = 20;
constexpr std::size_t kAesExtraSize = 4 + aes::kExtraDataSize;
// The Unix attributes of what an add stores, as other tools give them: the extracting user's
// umask decides.
constexpr std::uint32_t kFileAttributes = 0100666u << 16;
constexpr std::uint32_t kFolderAttributes = 040777u << 16;

void PutBytes(Bytes& out, std::string_view bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}

// A 32-bit field that holds value, or says that the Zip64 field does.
std::uint32_t Field32(std::uint64_t value) {
    return value >= kInZip64 ? kInZip64 : static_cast<std::uint32_t>(value);
}

// A value of a central record and whether its 32-bit field is full, so that it is in the Zip64
// extra field.
struct Value64 {
    std::uint64_t value;
    bool in64;
};

Value64 Of(std::uint64_t value) {
    return {value, value >= kInZip64};
}

// The Zip64 extra field holding the values that go there, in their fixed order; nothing when none
// does.
Bytes Zip64Extra(std::initializer_list<Value64> values) {
    Bytes extra;
    for (const Value64& value : values)
        if (value.in64)
            PutLe64(extra, value.value);
    if (extra.empty())
        return extra;
    Bytes field;
    PutLe16(field, kZip64Tag);
    PutLe16(field, extra.size());
    field.insert(field.end(), extra.begin(), extra.end());
    return field;
}

// The version a reader needs, of what the entry uses the most.
std::uint16_t Needed(const NewEntry& entry, bool zip64) {
    return entry.aes ? kNeededAes : zip64 ? kNeededZip64 : kNeeded;
}

std::uint16_t RecordedMethod(const NewEntry& entry) {
    return entry.aes ? std::uint16_t{kMethodAes} : entry.method;
}

// An AES entry's extra field: the AE-2 kind, AES-256, and the method of the data inside.
void PutAesExtra(Bytes& out, const NewEntry& entry) {
    if (!entry.aes)
        return;
    PutLe16(out, aes::kExtraTag);
    PutLe16(out, aes::kExtraDataSize);
    PutLe16(out, aes::kVersionAe2);
    PutBytes(out, "AE");
    out.push_back(aes::kStrength256);
    PutLe16(out, entry.method);
}

} // namespace

void AppendLocalHeader(Bytes& out, const NewEntry& entry) {
    PutLe32(out, kLocalHeaderSignature);
    PutLe16(out, Needed(entry, entry.zip64Local));
    PutLe16(out, entry.flags);
    PutLe16(out, RecordedMethod(entry));
    PutLe32(out, entry.dosTime);
    const Bytes sizes = LocalSizes(entry);
    out.insert(out.end(), sizes.begin(), sizes.begin() + kLocalSizesLength);
    PutLe16(out, entry.name.size());
    PutLe16(out, (entry.zip64Local ? kZip64LocalExtraSize : 0) + (entry.aes ? kAesExtraSize : 0));
    PutBytes(out, entry.name);
    // The Zip64 field first, where the sizes are patched once known (LocalSizes).
    if (entry.zip64Local) {
        PutLe16(out, kZip64Tag);
        PutLe16(out, kZip64LocalExtraSize - 4);
        out.insert(out.end(), sizes.begin() + kLocalSizesLength, sizes.end());
    }
    PutAesExtra(out, entry);
}

Bytes LocalSizes(const NewEntry& entry) {
    Bytes sizes;
    PutLe32(sizes, entry.aes ? 0 : entry.crc32);
    if (entry.zip64Local) {
        PutLe32(sizes, kInZip64);
        PutLe32(sizes, kInZip64);
        PutLe64(sizes, entry.size);
        PutLe64(sizes, entry.compressedSize);
    } else {
        PutLe32(sizes, entry.compressedSize);
        PutLe32(sizes, entry.size);
    }
    return sizes;
}

void AppendCentralRecord(Bytes& out, const NewEntry& entry) {
    const Bytes zip64 = Zip64Extra({Of(entry.size), Of(entry.compressedSize), Of(entry.offset)});
    PutLe32(out, kCentralHeaderSignature);
    PutLe16(out, kMadeBy);
    PutLe16(out, Needed(entry, !zip64.empty() || entry.zip64Local));
    PutLe16(out, entry.flags);
    PutLe16(out, RecordedMethod(entry));
    PutLe32(out, entry.dosTime);
    PutLe32(out, entry.aes ? 0 : entry.crc32);
    PutLe32(out, Field32(entry.compressedSize));
    PutLe32(out, Field32(entry.size));
    PutLe16(out, entry.name.size());
    PutLe16(out, zip64.size() + (entry.aes ? kAesExtraSize : 0));
    PutLe16(out, 0); // comment
    PutLe16(out, 0); // disk
    PutLe16(out, 0); // internal attributes
    PutLe32(out, entry.isFolder ? kFolderAttributes : kFileAttributes);
    PutLe32(out, Field32(entry.offset));
    PutBytes(out, entry.name);
    out.insert(out.end(), zip64.begin(), zip64.end());
    PutAesExtra(out, entry);
}

void AppendKeptCentralRecord(Bytes& out, const ArchiveLayout& layout, const LayoutEntry& entry,
                             std::uint64_t offset) {
    const unsigned char* record = &layout.directory[entry.headerAt];
    const std::size_t nameLength = Le16(record + 28), extraLength = Le16(record + 30),
                      commentLength = Le16(record + 32);
    const std::size_t at = out.size();
    if (entry.offsetIn64 || offset < kInZip64) {
        // The offset has its field already: the record as it was, with the new offset in it.
        out.insert(out.end(), record,
                   record + kCentralHeaderSize + nameLength + extraLength + commentLength);
        const std::size_t field = at + (entry.offsetFieldAt - entry.headerAt);
        if (entry.offsetIn64)
            SetLe64(&out[field], offset);
        else
            SetLe32(&out[field], offset);
        return;
    }
    // The offset outgrew its 32-bit field: the record gets a Zip64 field that holds it, beside
    // the sizes that were there already, and keeps its other extra fields.
    const unsigned char* extra = record + kCentralHeaderSize + nameLength;
    Bytes kept;
    for (std::size_t pos = 0; pos + 4 <= extraLength;) {
        const std::size_t end = std::min(extraLength, pos + 4 + Le16(extra + pos + 2));
        if (Le16(extra + pos) != kZip64Tag)
            kept.insert(kept.end(), extra + pos, extra + end);
        pos = end;
    }
    const Bytes zip64 = Zip64Extra({{entry.uncompressedSize, Le32(record + 24) == kInZip64},
                                    {entry.compressedSize, Le32(record + 20) == kInZip64},
                                    {offset, true}});
    out.insert(out.end(), record, record + kCentralHeaderSize + nameLength);
    SetLe16(&out[at + 6], std::max<std::uint16_t>(Le16(record + 6), kNeededZip64));
    SetLe16(&out[at + 30], zip64.size() + kept.size());
    SetLe32(&out[at + 42], kInZip64);
    out.insert(out.end(), zip64.begin(), zip64.end());
    out.insert(out.end(), kept.begin(), kept.end());
    out.insert(out.end(), extra + extraLength, extra + extraLength + commentLength);
}

void AppendEndRecords(Bytes& out, std::uint64_t entries, std::uint64_t offset, std::uint64_t size,
                      std::string_view comment) {
    if (entries >= kFull16 || offset >= kInZip64 || size >= kInZip64) {
        const std::uint64_t recordAt = offset + size;
        PutLe32(out, kZip64EndRecordSignature);
        PutLe64(out, 44); // the size of the rest of this record
        PutLe16(out, kMadeBy);
        PutLe16(out, kNeededZip64);
        PutLe32(out, 0); // this disk
        PutLe32(out, 0); // the directory's disk
        PutLe64(out, entries);
        PutLe64(out, entries);
        PutLe64(out, size);
        PutLe64(out, offset);
        PutLe32(out, kZip64LocatorSignature);
        PutLe32(out, 0); // the Zip64 end record's disk
        PutLe64(out, recordAt);
        PutLe32(out, 1); // disks
    }
    PutLe32(out, kEndRecordSignature);
    PutLe16(out, 0);
    PutLe16(out, 0);
    PutLe16(out, std::min<std::uint64_t>(entries, kFull16));
    PutLe16(out, std::min<std::uint64_t>(entries, kFull16));
    PutLe32(out, Field32(size));
    PutLe32(out, Field32(offset));
    PutLe16(out, comment.size());
    PutBytes(out, comment);
}
