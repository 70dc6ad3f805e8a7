// TZipMaster::ReadDirectory: lists an archive by walking its local file headers from the front.
// It searches for the first header (so a self-extracting .exe lists like a .zip), then skips each
// entry's extra field and data by their stored lengths until the central directory or the end
// record. Only an entry written by a streaming writer, whose local header leaves its sizes zero,
// takes them from the central directory or from the data descriptor after its data.
#include "engine/BufferedReader.h"
#include "engine/LittleEndian.h"
#include "engine/StreamedEntry.h"
#include "engine/ZipMstr.h"

#include "platform/Files.h"
#include "platform/PathMap.h"
#include "platform/SharedFile.h"
#include "platform/UserNotice.h"
#include "platform/WinPath.h"

#include <algorithm>
#include <exception>
#include <limits>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::uint32_t kLocalHeader = 0x04034B50;
constexpr std::uint32_t kCentralHeader = 0x02014B50;
constexpr std::uint32_t kEndOfCentralDirectory = 0x06054B50;
constexpr int kMaxScanCandidates = 60000;
constexpr std::uint64_t kExeSearchStart = 14000;
constexpr std::uint64_t kEndRecordSize = 22;
constexpr std::size_t kMaxNameBytes = 256;
constexpr std::uint16_t kSizesAfterData = 1 << 3; // general flag: sizes and CRC follow the data

const char* const kNoEntries = "No valid zip entries found";
const char* const kErrorReading = "Error reading Zip File";
const char* const kError2 = "Error 2 reading Zip file";
const char* const kError3 = "Error 3 reading Zip file";
const char* const kError4 = "Error 4 reading Zip file";
const char* const kError5 = "Error 5 reading Zip file";

// The 26 bytes after a local header's signature, in the order and widths of the file.
void ParseFixedFields(const unsigned char* p, ZipDirEntry& entry) {
    entry.VersionNeeded = Le16(p);
    entry.GeneralFlags = Le16(p + 2);
    entry.CompressionMethod = Le16(p + 4);
    entry.FileDateTime = static_cast<std::int32_t>(Le32(p + 6));
    entry.Crc32 = Le32(p + 10);
    entry.CompressedSize = Le32(p + 14);
    entry.UncompressedSize = Le32(p + 18);
    entry.FileNameLength = Le16(p + 22);
    entry.ExtraFieldLength = Le16(p + 24);
}

// Reads the whole name field into field; the name is at most 256 bytes of it, cut at the first
// NUL. Nothing when the field is cut short.
std::optional<std::string_view> ReadName(BufferedReader& in, std::uint16_t length,
                                         std::vector<char>& field) {
    field.resize(length);
    if (in.Read(field.data(), length) != length)
        return std::nullopt;
    const std::string_view name(field.data(), length);
    return name.substr(0, std::min(name.find('\0'), kMaxNameBytes));
}

// A Zip64 entry's header holds 0xFFFFFFFF for a size beyond 32 bits; its Zip64 extra field holds
// the real sizes in the order uncompressed, compressed, each only when its header field is
// 0xFFFFFFFF. Takes them into the entry, reading the extra field and leaving the position where it
// was; a field the extra field does not hold keeps the header's value.
void ApplyZip64Sizes(BufferedReader& in, ZipDirEntry& entry) {
    constexpr std::int64_t kInZip64 = 0xFFFFFFFF;
    if ((entry.CompressedSize != kInZip64 && entry.UncompressedSize != kInZip64) ||
        entry.ExtraFieldLength == 0)
        return;
    const std::uint64_t start = in.Position();
    std::vector<unsigned char> extra(entry.ExtraFieldLength);
    const std::size_t got = in.Read(extra.data(), extra.size());
    in.Seek(start);
    for (std::size_t pos = 0; pos + 4 <= got;) {
        const std::uint16_t tag = Le16(&extra[pos]);
        const std::uint16_t size = Le16(&extra[pos + 2]);
        const std::size_t body = pos + 4;
        if (tag != 0x0001) {
            pos = body + size;
            continue;
        }
        std::size_t at = body;
        for (std::int64_t* field : {&entry.UncompressedSize, &entry.CompressedSize}) {
            if (*field != kInZip64)
                continue;
            if (at + 8 > body + size || at + 8 > got)
                break;
            // Sizes beyond 2^63 are no file's: such a value keeps the header's.
            if (const std::uint64_t value = Le64(&extra[at]);
                value <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
                *field = static_cast<std::int64_t>(value);
            at += 8;
        }
        return;
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

// A streaming writer's entry shows the real sizes and CRC.
void ApplyStreamedSizes(const StreamedSizes& sizes, ZipDirEntry& entry) {
    auto size = [](std::uint64_t value) {
        return static_cast<std::int64_t>(
            std::min<std::uint64_t>(value, std::numeric_limits<std::int64_t>::max()));
    };
    entry.Crc32 = sizes.crc32;
    entry.CompressedSize = size(sizes.compressedSize);
    entry.UncompressedSize = size(sizes.uncompressedSize);
}

} // namespace

namespace {

// What identifies a file's contents as read: the file, its size and its time.
template <typename Listed> Listed ListedOf(const struct stat& st) {
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::int64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

} // namespace

bool TZipMaster::StillAsListed() const {
    const auto host = platform::HostPathOf(zipFilename_);
    struct stat st {};
    return host && ::stat(host->c_str(), &st) == 0 && ListedOf<ListedFile>(st) == listed_;
}

bool TZipMaster::ReadAgain() {
    try {
        ReadDirectory();
        return true;
    } catch (const EZipMaster& error) {
        platform::ShowMessage(error.what());
        return false;
    }
}

void TZipMaster::ReadDirectory() {
    ClearEntries();
    listed_ = ListedFile{};
    if (zipFilename_.empty() || !platform::FileExists(zipFilename_)) {
        if (OnDirUpdate)
            OnDirUpdate(this);
        return;
    }
    const auto host = platform::HostPathOf(zipFilename_);
    const int fd = host ? platform::OpenReadDenyWrite(*host) : -1;
    if (fd < 0)
        throw EZipMaster("Cannot open file " + zipFilename_);
    if (struct stat st{}; ::fstat(fd, &st) == 0)
        listed_ = ListedOf<ListedFile>(st);
    std::exception_ptr error;
    try {
        WalkLocalHeaders(fd, zipFilename_);
    } catch (const EZipMaster&) {
        error = std::current_exception();
    } catch (const std::exception&) {
        // Only the component's own error leaves the reader (memory running out, say).
        error = std::make_exception_ptr(EZipMaster(kErrorReading));
    }
    // However the walk ended: the file is closed, the listing updated, then an error travels on.
    ::close(fd);
    if (OnDirUpdate)
        OnDirUpdate(this);
    if (error)
        std::rethrow_exception(error);
}

void TZipMaster::WalkLocalHeaders(int fd, const std::string& path) {
    BufferedReader in(fd);
    StreamedEntries streamed(fd);
    firstHeaderOffset_ = 0;
    enum class State { Scanning, Walking, LocalHeader } state = State::Scanning;
    int scanned = 0;
    std::vector<char> nameField; // the name field of the header being read
    if (win::UpperCase(win::ExtractFileExt(path)) == ".EXE")
        in.Seek(kExeSearchStart);

    // A header or name cut short, or data running past the end: before the first entry the
    // search for a header goes on, after it the archive is broken.
    auto rejectHeader = [&](const char* error, std::uint64_t resumeAt) {
        if (!entries_.empty())
            throw EZipMaster(error);
        in.Seek(resumeAt);
        state = State::Scanning;
    };

    for (;;) {
        if (state == State::Scanning) {
            unsigned char byte = 0;
            if (in.Read(&byte, 1) != 1 || ++scanned > kMaxScanCandidates) {
                platform::ShowMessage(kNoEntries);
                return;
            }
            if (byte != 'P')
                continue;
            bool found = true;
            for (const unsigned char expected : {'K', '\x03', '\x04'}) {
                if (in.Read(&byte, 1) != 1) {
                    platform::ShowMessage(kNoEntries);
                    return;
                }
                if (byte != expected) {
                    found = false; // the mismatching byte is not tried as a new "P"
                    break;
                }
            }
            if (found) {
                firstHeaderOffset_ = static_cast<std::int32_t>(in.Position() - 4);
                state = State::LocalHeader;
            }
            continue;
        }

        if (state == State::Walking) {
            unsigned char signature[4];
            if (in.Read(signature, 4) != 4)
                throw EZipMaster(kErrorReading);
            const std::uint32_t value = Le32(signature);
            if (value == kLocalHeader)
                state = State::LocalHeader;
            else if (value == kCentralHeader || value == kEndOfCentralDirectory)
                return;
            continue; // anything else: on by 4 bytes
        }

        const std::uint64_t headerOffset = in.Position() - 4;
        ZipDirEntry entry;
        unsigned char fixed[26];
        if (in.Read(fixed, sizeof fixed) != sizeof fixed) {
            rejectHeader(kError2, in.Position());
            continue;
        }
        ParseFixedFields(fixed, entry);
        const auto name = ReadName(in, entry.FileNameLength, nameField);
        if (!name) {
            rejectHeader(kError2, in.Position());
            continue;
        }
        const std::uint64_t afterName = in.Position();
        const std::uint64_t extraLength = entry.ExtraFieldLength;
        std::uint64_t dataLength = 0;
        std::uint64_t descriptorLength = 0;
        if (entry.GeneralFlags & kSizesAfterData) {
            // Sizes after the data: without a directory record or a descriptor to tell where the
            // data ends, it runs on to the end of the file as far as the walk can tell.
            const auto sizes =
                streamed.Find(headerOffset, entry.FileNameLength, afterName + extraLength);
            if (!sizes) {
                rejectHeader(kError3, afterName);
                continue;
            }
            ApplyStreamedSizes(*sizes, entry);
            dataLength = sizes->compressedSize;
            descriptorLength = sizes->descriptorLength;
        } else {
            ApplyZip64Sizes(in, entry);
            dataLength = static_cast<std::uint64_t>(entry.CompressedSize);
        }
        if (!FitsBeforeEndRecord(afterName, extraLength, dataLength, in.Size())) {
            rejectHeader(kError3, afterName);
            continue;
        }
        if (extraLength > 0 && in.Skip(extraLength) != afterName + extraLength)
            throw EZipMaster(kError4);
        const std::uint64_t dataStart = in.Position();
        if (in.Skip(dataLength) != dataStart + dataLength)
            throw EZipMaster(kError5);
        in.Skip(descriptorLength);
        entries_.Append(entry, *name);
        state = State::Walking;
    }
}
