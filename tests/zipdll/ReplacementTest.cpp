// The replacement of a changed archive goes to the disk aside from the engine's thread, which
// keeps the caller alive meanwhile, and an abort answered by then leaves the archive as it was.
#include "zipdll/Replacement.h"

#include "ReportProbe.h"
#include "TestMachine.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

class Replacing : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(MachineRoot() + "/work");
        WriteHostFile(archive, "the old archive");
        struct stat st {};
        ASSERT_EQ(::stat(archive.c_str(), &st), 0);
        original = ArchiveIdentity::Of(st);
    }
    // Writes 40 MB and commits through the probe's report.
    bool WriteAndCommit(ReportProbe& probe) {
        Replacement replacement;
        EXPECT_TRUE(replacement.Create(archive, original));
        const std::string piece(1 << 20, 'n');
        for (int i = 0; i < 40; ++i)
            EXPECT_EQ(::write(replacement.Fd(), piece.data(), piece.size()),
                      static_cast<ssize_t>(piece.size()));
        return replacement.Commit(probe.report);
    }
    std::vector<std::string> Folder() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(MachineRoot() + "/work"))
            names.push_back(entry.path().filename().string());
        return names;
    }

    const std::string archive = MachineRoot() + "/work/a.zip";
    ArchiveIdentity original;
};

} // namespace

TEST_F(Replacing, AnAbortAnsweredBeforeTheRenameKeepsTheOldArchive) {
    ReportProbe aborted;
    aborted.abortAt = 1;
    aborted.report.Message(kMsgProcessed, "the caller aborts");
    EXPECT_FALSE(WriteAndCommit(aborted));
    EXPECT_EQ(errno, ECANCELED);
    EXPECT_EQ(ReadHostFile(archive), "the old archive");
    EXPECT_EQ(Folder(), (std::vector<std::string>{"a.zip"})); // the temporary file is gone

    ReportProbe going;
    EXPECT_TRUE(WriteAndCommit(going));
    EXPECT_EQ(fs::file_size(archive), 40u << 20);
    EXPECT_EQ(Folder(), (std::vector<std::string>{"a.zip"}));
    for (const auto& seen : going.seen) // whatever the flush took, the caller was kept here
        EXPECT_EQ(seen.thread, std::this_thread::get_id());
}
