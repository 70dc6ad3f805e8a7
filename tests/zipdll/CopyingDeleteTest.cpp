// Deleting by copying, aborted at every point where it asks whether to go on: each abort leaves
// the archive as it was and no temporary file, and the run that is not aborted deletes.
#include "zipdll/CopyingDelete.h"

#include "TestMachine.h"
#include "ZipBytes.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace testing_support;
namespace fs = std::filesystem;

TEST(CopyingDelete, AnAbortAtAnyPointLeavesTheArchiveAsItWas) {
    fs::create_directories(MachineRoot() + "/work");
    const std::string path = MachineRoot() + "/work/a.zip";
    // Two large entries that stay, so that both the copy and the flush go in several pieces.
    const std::string before = zipbytes::Archive({{"small.txt", "goes"},
                                                  {"large1.bin", std::string(9 << 20, '1')},
                                                  {"large2.bin", std::string(9 << 20, '2')}});
    WriteHostFile(path, before);
    const std::vector<bool> removed{true, false, false};
    bool deleted = false;
    int abortAt = 1;
    for (; abortAt < 20 && !deleted; ++abortAt) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        const auto layout = ReadArchiveLayout(fd);
        ASSERT_TRUE(layout && CanDeleteByCopying(*layout));
        int asked = 0;
        deleted = DeleteByCopying(fd, path, *layout, removed, [&] { return ++asked != abortAt; });
        ::close(fd);
        if (!deleted) {
            EXPECT_EQ(errno, ECANCELED) << "abort at " << abortAt;
            ASSERT_EQ(ReadHostFile(path), before) << "abort at " << abortAt;
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(MachineRoot() + "/work"), {}), 1)
            << "abort at " << abortAt;
    }
    ASSERT_TRUE(deleted);
    EXPECT_GE(abortAt, 5); // the copy and the flush asked in several pieces each
    EXPECT_EQ(ReadHostFile(path), zipbytes::Archive({{"large1.bin", std::string(9 << 20, '1')},
                                                     {"large2.bin", std::string(9 << 20, '2')}}));
}
