// MoveFileA between two file systems, as the download hand-off moves a browser's download from
// the temp folder into a download folder on another disk: a copy that appears whole, then the
// source goes; a full or read-only target disk leaves the source where it was and nothing
// behind. The other disk is a tmpfs of the test's own as drive F:.
#include "platform/Files.h"

#include "ScratchDisk.h"
#include "TestMachine.h"

#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace testing_support;
using namespace win;

namespace {

const std::string kDownload(200000, 'd');

// The time and mode of a host file.
std::pair<std::int64_t, mode_t> TimeAndMode(const std::string& host) {
    struct stat st {};
    ::stat(host.c_str(), &st);
    return {st.st_mtim.tv_sec, st.st_mode};
}

} // namespace

TEST(MoveAcrossDisks, AFileMovesWholeBothWays) {
    ScratchDisk disk('F', 1 << 20);
    SKIP_WITHOUT_SCRATCH_DISK(disk);
    WriteHostFile(HostTemp() + "/tool.zip", kDownload);
    ::chmod((HostTemp() + "/tool.zip").c_str(), 0640);
    const struct timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
    ::utimensat(AT_FDCWD, (HostTemp() + "/tool.zip").c_str(), old, 0);
    const auto before = TimeAndMode(HostTemp() + "/tool.zip");

    ASSERT_TRUE(MoveFileA("C:\\WINDOWS\\Temp\\tool.zip", "F:\\tool.zip"));
    EXPECT_FALSE(HostExists(HostTemp() + "/tool.zip"));
    EXPECT_EQ(ReadHostFile(disk.Host() + "/tool.zip"), kDownload);
    EXPECT_EQ(TimeAndMode(disk.Host() + "/tool.zip"), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(disk.Host()), {}), 1);

    ASSERT_TRUE(MoveFileA("F:\\tool.zip", "C:\\tool.zip"));
    EXPECT_FALSE(HostExists(disk.Host() + "/tool.zip"));
    EXPECT_EQ(ReadHostFile(DriveC() + "/tool.zip"), kDownload);
}

TEST(MoveAcrossDisks, ATargetThatCannotTakeItLeavesTheSourceAndNothingBehind) {
    ScratchDisk disk('F', 1 << 20);
    SKIP_WITHOUT_SCRATCH_DISK(disk);
    struct Row {
        const char* what;
        std::function<void()> prepare;
        std::function<void()> undo;
        std::vector<std::string> left; // on the disk afterwards
    };
    const Row rows[] = {
        {"a file of that name",
         [&] { WriteHostFile(disk.Host() + "/tool.zip", "theirs"); },
         [&] { std::filesystem::remove(disk.Host() + "/tool.zip"); },
         {"tool.zip"}},
        {"the disk is full",
         [&] { disk.FillLeaving(64 << 10); },
         [&] { disk.Unfill(); },
         {".filler"}},
        {"the disk is read-only",
         [&] { disk.SetReadOnly(true); },
         [&] { disk.SetReadOnly(false); },
         {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        WriteHostFile(HostTemp() + "/tool.zip", kDownload);
        row.prepare();
        EXPECT_FALSE(MoveFileA("C:\\WINDOWS\\Temp\\tool.zip", "F:\\tool.zip"));
        EXPECT_EQ(ReadHostFile(HostTemp() + "/tool.zip"), kDownload);
        std::vector<std::string> left;
        for (const auto& entry : std::filesystem::directory_iterator(disk.Host()))
            left.push_back(entry.path().filename().string());
        EXPECT_EQ(left, row.left);
        row.undo();
    }
}
