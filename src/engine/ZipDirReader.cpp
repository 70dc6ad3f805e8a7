// TZipMaster::ReadDirectory: lists an archive by walking its local file headers from the front
// (LocalHeaderWalk): the first header is searched for, so a self-extracting .exe lists like a .zip.
// The central directory is asked only where the local headers cannot tell (the sizes an entry's
// writer put after its data, an empty entry made a folder by its attributes, where the next entry
// starts after bytes that are no header); a name comes from the local header's Unicode Path field
// when it has a valid one. The last part of a split archive is named as such, not listed. The
// reading after an add or a delete walks aside while the windows have their turn.
#include "engine/ArchiveLayout.h"
#include "engine/EntryNames.h"
#include "engine/LittleEndian.h"
#include "engine/LocalHeaderWalk.h"
#include "engine/WorkAside.h"
#include "engine/ZipMstr.h"

#include "platform/Files.h"
#include "platform/PathMap.h"
#include "platform/SharedFile.h"
#include "platform/UserNotice.h"
#include "platform/WinPath.h"

#include <algorithm>
#include <exception>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kMaxNameBytes = 256;

const char* const kNoEntries = "No valid zip entries found";
const char* const kErrorReading = "Error reading Zip File";
const char* const kError2 = "Error 2 reading Zip file";
const char* const kError3 = "Error 3 reading Zip file";
const char* const kError4 = "Error 4 reading Zip file";
const char* const kError5 = "Error 5 reading Zip file";
const char* const kSplitPart =
    "This is the last part of a split archive; Pakrune needs the whole archive";

// The entry a walked header lists: the fixed fields as the header stores them, and its real sizes
// and CRC as the walk found them (the header's own, a Zip64 header's from its Zip64 extra field, a
// streaming writer's from its directory record or data descriptor).
ZipDirEntry EntryOf(const WalkedHeader& header) {
    auto size = [](std::uint64_t value) {
        return static_cast<std::int64_t>(
            std::min<std::uint64_t>(value, std::numeric_limits<std::int64_t>::max()));
    };
    const unsigned char* p = header.fixed;
    ZipDirEntry entry;
    entry.VersionNeeded = Le16(p);
    entry.GeneralFlags = Le16(p + 2);
    entry.CompressionMethod = Le16(p + 4);
    entry.FileDateTime = static_cast<std::int32_t>(Le32(p + 6));
    entry.Crc32 = header.crc32;
    entry.CompressedSize = size(header.compressedSize);
    entry.UncompressedSize = size(header.uncompressedSize);
    entry.FileNameLength = Le16(p + 22);
    entry.ExtraFieldLength = Le16(p + 24);
    return entry;
}

// The name a walked header lists: the UTF-8 name of a valid Unicode Path field, else the stored
// bytes; cut at a NUL and at kMaxNameBytes (a UTF-8 name at the start of a character), with a "/"
// when the directory marks the entry a folder by its attributes.
std::string ListedName(const WalkedHeader& header) {
    const auto unicode = UnicodePathName(header.nameField, header.extraField);
    std::string_view name = unicode.value_or(header.nameField);
    name = name.substr(0, std::min(name.find('\0'), kMaxNameBytes));
    if (unicode && name.size() < unicode->size())
        while (!name.empty() &&
               (static_cast<unsigned char>((*unicode)[name.size()]) & 0xC0) == 0x80)
            name.remove_suffix(1);
    std::string listed(name);
    if (header.folderByAttributes && listed.size() < kMaxNameBytes)
        listed += '/';
    return listed;
}

// What identifies a file's contents as read: the file, its size and its times.
template <typename Listed> Listed ListedOf(const struct stat& st) {
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::int64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
            static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec};
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
    ReadListing(false);
}

void TZipMaster::ReadListing(bool aside) {
    const std::uint64_t ticket = ++readsStarted_;
    // The walk fills a list of its own, which takes the place of the listing only at the end: a
    // walk aside leaves the listing the windows show as it is while they have their turn.
    const std::string path = zipFilename_;
    ZipEntryList entries;
    ListedFile listed;
    WalkResult walked;
    bool failed = false; // the walk itself failed (memory running out, say)
    enum class Found { NoArchive, CannotOpen, SplitPart, Walked };
    const auto read = [&] {
        if (path.empty() || !platform::FileExists(path))
            return Found::NoArchive;
        const auto host = platform::HostPathOf(path);
        const int fd = host ? platform::OpenReadDenyWrite(*host) : -1;
        if (fd < 0)
            return Found::CannotOpen;
        if (struct stat st{}; ::fstat(fd, &st) == 0)
            listed = ListedOf<ListedFile>(st);
        // The parts before it hold the entries' data; alone it would list as something else.
        if (IsSplitArchivePart(fd)) {
            ::close(fd);
            return Found::SplitPart;
        }
        const bool exe = win::UpperCase(win::ExtractFileExt(path)) == ".EXE";
        try {
            walked = WalkLocalHeaders(fd, exe, [&](const WalkedHeader& header) {
                if (!IsPadding(header))
                    entries.Append(EntryOf(header), ListedName(header));
            });
        } catch (const std::exception&) {
            failed = true;
        }
        ::close(fd);
        return Found::Walked;
    };
    const Found found = aside ? WorkAside::Run(read, platform::ProcessPendingEvents) : read();
    // A read that the windows started meanwhile (another archive opened, say) told the newer state.
    if (aside && readsStarted_ != ticket)
        return;
    entries_.TakeFrom(entries);
    listed_ = listed;
    firstHeaderOffset_ = static_cast<std::int32_t>(walked.firstHeaderOffset);
    if (found == Found::CannotOpen)
        throw EZipMaster("Cannot open file " + path);
    if (found == Found::Walked && !failed && walked.end == WalkEnd::NoEntries)
        platform::ShowMessage(kNoEntries);
    // However the walk ended: the listing updated, then an error travels on.
    if (OnDirUpdate)
        OnDirUpdate(this);
    if (found == Found::NoArchive)
        return;
    if (found == Found::SplitPart)
        throw EZipMaster(kSplitPart);
    if (failed)
        throw EZipMaster(kErrorReading);
    switch (walked.end) {
    case WalkEnd::Complete:
    case WalkEnd::NoEntries:
        return;
    case WalkEnd::ErrorReading:
        throw EZipMaster(kErrorReading);
    case WalkEnd::HeaderCutShort:
        throw EZipMaster(kError2);
    case WalkEnd::DataPastEnd:
        throw EZipMaster(kError3);
    case WalkEnd::ExtraFieldFailed:
        throw EZipMaster(kError4);
    case WalkEnd::DataFailed:
        throw EZipMaster(kError5);
    }
}
