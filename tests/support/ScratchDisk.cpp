// A small disk of a test's own.
#include "ScratchDisk.h"

#include "PrivateMounts.h"
#include "TestMachine.h"

#include "platform/Prefix.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

namespace testing_support {
namespace {

const char* const kFiller = "/.filler";

} // namespace

ScratchDisk::ScratchDisk(char letter, std::size_t size)
    : letter_(letter), host_(MachineRoot() + "/disk-" + std::string(1, letter)) {
    if (::geteuid() != 0) {
        skipReason_ = "a disk of the test's own needs root to be mounted (this is uid " +
                      std::to_string(::geteuid()) + ")";
        return;
    }
    PrivateMounts();
    std::filesystem::create_directories(host_);
    const std::string options = "size=" + std::to_string(size) + ",mode=0777";
    if (::mount("pakrune-test", host_.c_str(), "tmpfs", 0, options.c_str()) != 0) {
        skipReason_ = "mounting a tmpfs for the test failed: " + std::string(std::strerror(errno));
        return;
    }
    mounted_ = true;
    if (::symlink(host_.c_str(), platform::DriveLink(letter).c_str()) != 0)
        ADD_FAILURE() << "cannot link drive " << letter << ": " << std::strerror(errno);
}

ScratchDisk::~ScratchDisk() {
    if (!mounted_)
        return;
    // A process whose current folder is on the disk keeps it busy: an extraction into it leaves
    // the test there.
    if (std::filesystem::current_path().string().rfind(host_, 0) == 0)
        std::filesystem::current_path(MachineRoot());
    if (::umount2(host_.c_str(), 0) != 0 && ::umount2(host_.c_str(), MNT_DETACH) != 0)
        ADD_FAILURE() << "cannot unmount " << host_ << ": " << std::strerror(errno);
    ::unlink(platform::DriveLink(letter_).c_str());
}

std::string ScratchDisk::Root() const {
    return std::string(1, letter_) + ":\\";
}

void ScratchDisk::FillLeaving(std::size_t free) {
    const std::string filler = host_ + kFiller;
    const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << std::strerror(errno);
    const std::vector<char> block(4096, 'f');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    // Full now: give back what is to stay free, in whole pages as the disk counts.
    const off_t end = ::lseek(fd, 0, SEEK_END);
    const auto giveBack = static_cast<off_t>((free + 4095) / 4096 * 4096);
    ASSERT_EQ(::ftruncate(fd, end > giveBack ? end - giveBack : 0), 0);
    ::close(fd);
    ASSERT_LE(FreeBytes(), free + 4096);
}

void ScratchDisk::Unfill() {
    ::unlink((host_ + kFiller).c_str());
}

std::size_t ScratchDisk::FreeBytes() const {
    struct statvfs st {};
    ::statvfs(host_.c_str(), &st);
    return static_cast<std::size_t>(st.f_bavail) * st.f_frsize;
}

void ScratchDisk::SetReadOnly(bool readOnly) {
    ASSERT_EQ(::mount("pakrune-test", host_.c_str(), "tmpfs",
                      MS_REMOUNT | (readOnly ? MS_RDONLY : 0), nullptr),
              0)
        << std::strerror(errno);
}

} // namespace testing_support
