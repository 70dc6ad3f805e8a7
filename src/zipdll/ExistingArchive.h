// An archive that is to be changed, as it is: its entries, where each one's local part (header,
// data, descriptor) lies, which the new archive copies byte for byte when the entry stays, what
// lies before the first entry and the archive's comment, which stay too.
#pragma once

#include "engine/ArchiveLayout.h"
#include "engine/EngineReport.h"
#include "zipdll/Replacement.h"

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

class ExistingArchive {
public:
    ExistingArchive() = default;
    ~ExistingArchive();
    ExistingArchive(const ExistingArchive&) = delete;
    ExistingArchive& operator=(const ExistingArchive&) = delete;

    // Reads the archive at host; a missing or empty file is a new archive when mayBeNew. False
    // after a message (with name) when it cannot be changed: not an archive, a self-extracting
    // one (whose stub would be lost), or one whose entries overlap.
    bool Open(const std::string& host, const std::string& name, bool mayBeNew,
              EngineReport& report);
    // Closes the archive, aside from the engine's thread: once it has been replaced, closing its
    // last descriptor frees its blocks, which for a large archive takes a while.
    void Close(EngineReport& report);

    int Fd() const { return fd_; }
    // The archive as read, to be replaced only while it is still so; nothing for a new one.
    const std::optional<ArchiveIdentity>& Identity() const { return identity_; }
    std::size_t Count() const { return layout_ ? layout_->entries.size() : 0; }
    const ArchiveLayout& Layout() const { return *layout_; }
    const LayoutEntry& Entry(std::size_t i) const { return layout_->entries[i]; }
    // Where entry i's local part (header, data, descriptor) ends: at the next entry in the file,
    // or at the central directory.
    std::uint64_t LocalEnd(std::size_t i) const { return localEnds_[i]; }
    // Where the first entry starts: what lies before it stays.
    std::uint64_t FirstEntry() const { return firstEntry_; }
    const std::string& Comment() const { return comment_; }
    // The entry's time, as the local time its DOS time names.
    std::time_t Modified(std::size_t i) const;

private:
    int fd_ = -1;
    std::optional<ArchiveLayout> layout_;
    std::optional<ArchiveIdentity> identity_;
    std::vector<std::uint64_t> localEnds_;
    std::uint64_t firstEntry_ = 0;
    std::string comment_;
};
