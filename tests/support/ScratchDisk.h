// A small disk of a test's own: a tmpfs of the size asked, mounted inside the test machine and
// linked as a drive letter, so that a full disk, a read-only disk and another file system are
// real ones. Mounting needs root; without it, or where the system refuses, Mounted() is false
// and the test skips, saying why (SKIP_WITHOUT_SCRATCH_DISK). The disk is unmounted when the
// object goes, however the test ends, and is seen only by the test process and its children.
#pragma once

#include <gtest/gtest.h>
#include <string>

namespace testing_support {

class ScratchDisk {
public:
    // A disk of the size given (in bytes, rounded up to pages) as drive letter.
    ScratchDisk(char letter, std::size_t size);
    ~ScratchDisk();
    ScratchDisk(const ScratchDisk&) = delete;
    ScratchDisk& operator=(const ScratchDisk&) = delete;

    bool Mounted() const { return mounted_; }
    const std::string& SkipReason() const { return skipReason_; }
    // The host folder of the disk's root, and the drive's root as a Windows path ("F:\").
    const std::string& Host() const { return host_; }
    std::string Root() const;

    // Fills the disk with a file of its own until no more than free bytes are left.
    void FillLeaving(std::size_t free);
    // Removes that file again.
    void Unfill();
    std::size_t FreeBytes() const;
    // Remounts the disk read-only or writable again: a read-only disk refuses writes even to
    // root, where permissions do not.
    void SetReadOnly(bool readOnly);

private:
    char letter_;
    std::string host_;
    std::string skipReason_;
    bool mounted_ = false;
};

#define SKIP_WITHOUT_SCRATCH_DISK(disk)                                                            \
    if (!(disk).Mounted())                                                                         \
    GTEST_SKIP() << (disk).SkipReason()

} // namespace testing_support
