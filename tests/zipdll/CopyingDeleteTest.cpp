// Deleting by copying: an abort the caller answered leaves the archive as it was and no
// temporary file, and without one the entries are deleted.
#include "zipdll/CopyingDelete.h"

#include "ReportProbe.h"
#include "TestMachine.h"
#include "ZipBytes.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace testing_support;
namespace fs = std::filesystem;

TEST(CopyingDelete, AnAbortLeavesTheArchiveAsItWas) {
    fs::create_directories(MachineRoot() + "/work");
    const std::string path = MachineRoot() + "/work/a.zip";
    // Two large entries that stay, so that the copy goes in several pieces.
    const std::string before = zipbytes::Archive({{"small.txt", "goes"},
                                                  {"large1.bin", std::string(9 << 20, '1')},
                                                  {"large2.bin", std::string(9 << 20, '2')}});
    WriteHostFile(path, before);
    for (const bool abort : {true, false}) {
        ExistingArchive archive;
        ReportProbe probe;
        ASSERT_TRUE(archive.Open(path, "a.zip", false, probe.report));
        probe.abortAt = abort ? 1 : 0;
        probe.report.Message(kMsgProcessed, "before the copy");
        EXPECT_EQ(DeleteByCopying(archive, path, {true, false, false}, probe.report), !abort);
        EXPECT_EQ(std::distance(fs::directory_iterator(MachineRoot() + "/work"), {}), 1);
        if (abort) {
            EXPECT_EQ(errno, ECANCELED);
            EXPECT_EQ(ReadHostFile(path), before);
        }
    }
    EXPECT_EQ(ReadHostFile(path), zipbytes::Archive({{"large1.bin", std::string(9 << 20, '1')},
                                                     {"large2.bin", std::string(9 << 20, '2')}}));
}
