// The new contents of an archive that is being changed: a temporary file in the archive's
// folder, which replaces the archive by a rename only once it is complete and on the disk, and
// only while the archive is still the file that was read. A failure, an abort or a killed
// process never leaves a half-written archive; what a killed process leaves is a temporary file
// that the next operation in that folder removes (platform/TempFile.h).
#pragma once

#include "engine/EngineReport.h"
#include "platform/TempFile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <sys/stat.h>

// What an archive was when it was read: a later commit finds out whether another program has
// replaced or changed it since.
struct ArchiveIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    struct timespec modified {};

    static ArchiveIdentity Of(const struct stat& st);
    bool operator==(const ArchiveIdentity& other) const;
};

class Replacement {
public:
    Replacement() = default;
    ~Replacement(); // removes the temporary file unless it was committed
    Replacement(const Replacement&) = delete;
    Replacement& operator=(const Replacement&) = delete;

    // Makes the temporary file for the archive at hostPath (its real path, not a link to it)
    // with the archive's permissions. original is the archive as read, or nothing for a new
    // archive. False with errno set.
    bool Create(const std::string& hostPath, const std::optional<ArchiveIdentity>& original);
    int Fd() const { return fd_; }
    // Tells that the file now holds length bytes. Every few megabytes this starts writing them to
    // the disk without waiting, so that the disk works while the rest is written and the flush at
    // the commit waits only for the last of it.
    void Written(std::uint64_t length);
    // Flushes and closes the file and renames it over the archive, aside from the engine's
    // thread, which keeps the caller's windows responsive meanwhile (flushing a large archive
    // takes a while). False with errno set when anything fails (ESTALE: another program changed
    // the archive since it was read; ECANCELED: the caller answered abort during the flush); the
    // temporary file is then gone and the archive as it was.
    bool Commit(EngineReport& report);
    // Closes and removes the temporary file.
    void Discard();

private:
    bool CommitHere(const EngineReport& report);

    std::string path_;
    std::string temporary_;
    std::optional<ArchiveIdentity> original_;
    int fd_ = -1;
    std::uint64_t writebackStarted_ = 0; // the length whose writing to the disk has started
    platform::TemporaryFileLock inUse_;
};

// The path to write a changed archive to: the file a link leads to, so that the link stays a
// link to the changed archive; the path itself when it is no link or leads nowhere.
std::string ArchiveRealPath(const std::string& hostPath);

// Removes the temporary files that killed runs left in the folder of the archive at hostPath.
void RemoveStaleReplacements(const std::string& hostPath);
