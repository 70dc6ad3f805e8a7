// The replacement of a changed archive is flushed in pieces with the caller asked between them,
// and an abort heard then leaves the archive as it was.
#include "zipdll/Replacement.h"

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
    // Writes 40 MB (three pieces of the flush) and commits, keepAlive answering false from its
    // call abortAt on (never when 0); the calls made.
    int WriteAndCommit(int abortAt, bool& committed) {
        Replacement replacement;
        EXPECT_TRUE(replacement.Create(archive, original));
        const std::string piece(1 << 20, 'n');
        for (int i = 0; i < 40; ++i)
            EXPECT_EQ(::write(replacement.Fd(), piece.data(), piece.size()),
                      static_cast<ssize_t>(piece.size()));
        int calls = 0;
        committed = replacement.Commit([&] { return ++calls != abortAt; });
        return calls;
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

TEST_F(Replacing, TheFlushAsksBetweenPiecesAndAnAbortThenKeepsTheOldArchive) {
    bool committed = true;
    EXPECT_EQ(WriteAndCommit(2, committed), 2);
    EXPECT_FALSE(committed);
    EXPECT_EQ(errno, ECANCELED);
    EXPECT_EQ(ReadHostFile(archive), "the old archive");
    EXPECT_EQ(Folder(), (std::vector<std::string>{"a.zip"})); // the temporary file is gone

    EXPECT_EQ(WriteAndCommit(0, committed), 3);
    EXPECT_TRUE(committed);
    EXPECT_EQ(fs::file_size(archive), 40u << 20);
    EXPECT_EQ(Folder(), (std::vector<std::string>{"a.zip"}));
}
