// An archive that is to be changed, as it is.
#include "zipdll/ExistingArchive.h"

#include "engine/DosDateTime.h"
#include "engine/LittleEndian.h"
#include "engine/ZipFormat.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <numeric>
#include <sys/stat.h>
#include <unistd.h>

ExistingArchive::~ExistingArchive() {
    if (fd_ >= 0)
        ::close(fd_);
}

void ExistingArchive::Close(EngineReport& report) {
    if (fd_ >= 0)
        report.Meanwhile([this] { ::close(fd_); });
    fd_ = -1;
}

bool ExistingArchive::Open(const std::string& host, const std::string& name, bool mayBeNew,
                           EngineReport& report) {
    fd_ = ::open(host.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0 && errno == ENOENT && mayBeNew)
        return true;
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        report.Message(kMsgBadArchive, "Cannot open archive " + name);
        return false;
    }
    identity_ = ArchiveIdentity::Of(st);
    if (st.st_size == 0 && mayBeNew)
        return true;
    layout_ = ReadArchiveLayout(fd_);
    if (!layout_) {
        report.Message(kMsgBadArchive, "Cannot open archive " + name);
        return false;
    }
    if (layout_->archiveStart != 0) {
        report.Message(kMsgBadArchive, "Cannot change a self-extracting archive: " + name);
        return false;
    }
    const auto& entries = layout_->entries;
    const bool beforeDirectory =
        std::all_of(entries.begin(), entries.end(), [&](const LayoutEntry& entry) {
            return entry.localHeaderOffset < layout_->directoryAt;
        });
    if (!beforeDirectory) {
        report.Message(kMsgBadArchive, "Cannot open archive " + name);
        return false;
    }
    if (EntriesOverlap(entries)) {
        report.Message(kMsgBadArchive, "Entries overlap, archive refused: " + name);
        return false;
    }
    // Each entry's local part reaches up to the next one in the file, or to the directory.
    std::vector<std::uint32_t> byOffset(entries.size());
    std::iota(byOffset.begin(), byOffset.end(), 0);
    std::sort(byOffset.begin(), byOffset.end(), [&](std::uint32_t a, std::uint32_t b) {
        return entries[a].localHeaderOffset < entries[b].localHeaderOffset;
    });
    localEnds_.resize(entries.size());
    for (std::size_t k = 0; k < byOffset.size(); ++k)
        localEnds_[byOffset[k]] = k + 1 < byOffset.size()
                                      ? entries[byOffset[k + 1]].localHeaderOffset
                                      : layout_->directoryAt;
    firstEntry_ = entries.empty() ? 0 : entries[byOffset[0]].localHeaderOffset;
    // The archive's comment stays.
    unsigned char end[kEndRecordSize];
    if (ReadAt(fd_, layout_->endRecordAt, end, sizeof end) == sizeof end) {
        comment_.resize(Le16(end + 20));
        comment_.resize(ReadAt(fd_, layout_->endRecordAt + kEndRecordSize,
                               reinterpret_cast<unsigned char*>(comment_.data()), comment_.size()));
    }
    return true;
}

std::time_t ExistingArchive::Modified(std::size_t i) const {
    const unsigned char* record = &layout_->directory[Entry(i).headerAt];
    return LocalTimeOfDos(Le16(record + 14), Le16(record + 12));
}
