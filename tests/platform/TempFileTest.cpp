// Temporary files and the removal of those that killed runs left: a file is removed only when no
// process holds it any more, and nothing but our own temporary files is ever touched.
#include "platform/TempFile.h"

#include "TestMachine.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

class TempFiles : public ::testing::Test {
protected:
    void SetUp() override {
        folderPath = MachineRoot() + "/work";
        fs::create_directories(folderPath);
        folder = ::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ASSERT_GE(folder, 0);
    }
    void TearDown() override { ::close(folder); }

    // A temporary file made by a child process, which then either ends at once (as a killed
    // run does, without cleaning up) or waits to be killed; its name.
    std::string MadeByChild(bool stayAlive, pid_t* child = nullptr) {
        int ready[2];
        EXPECT_EQ(::pipe(ready), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            std::string name;
            const int fd = platform::CreateTemporaryFile(folder, name, 0666);
            const bool wrote =
                fd >= 0 && ::write(fd, "part", 4) == 4 &&
                ::write(ready[1], name.data(), name.size()) == static_cast<ssize_t>(name.size());
            ::close(ready[1]);
            if (stayAlive)
                ::pause();
            ::_exit(wrote ? 0 : 1);
        }
        ::close(ready[1]);
        char buffer[64] = {};
        const ssize_t n = ::read(ready[0], buffer, sizeof buffer - 1);
        ::close(ready[0]);
        if (child)
            *child = pid;
        else
            ::waitpid(pid, nullptr, 0);
        return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
    }
    bool Exists(const std::string& name) const {
        return fs::exists(fs::symlink_status(folderPath + "/" + name));
    }

    std::string folderPath;
    int folder = -1;
};

} // namespace

TEST_F(TempFiles, AFileWhoseWriterIsGoneIsRemovedAndALiveOneIsKept) {
    const std::string dead = MadeByChild(false);
    pid_t child = 0;
    const std::string otherProcess = MadeByChild(true, &child);
    std::string open, lockedAfterClose;
    const int openFd = platform::CreateTemporaryFile(folder, open, 0666);
    const int closedFd = platform::CreateTemporaryFile(folder, lockedAfterClose, 0666);
    ASSERT_TRUE(platform::IsTemporaryFileName(dead)) << dead;
    ASSERT_GE(openFd, 0);
    platform::TemporaryFileLock inUse(closedFd);
    ::close(closedFd);

    EXPECT_EQ(platform::RemoveStaleTemporaryFiles(folder), 1);
    EXPECT_FALSE(Exists(dead));
    EXPECT_TRUE(Exists(otherProcess));
    EXPECT_TRUE(Exists(open));
    EXPECT_TRUE(Exists(lockedAfterClose));

    // Killed: its file is stale now. Released: so is ours.
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    inUse.Release();
    EXPECT_EQ(platform::RemoveStaleTemporaryFiles(folder), 2);
    EXPECT_FALSE(Exists(otherProcess));
    EXPECT_FALSE(Exists(lockedAfterClose));
    EXPECT_TRUE(Exists(open));
    ::close(openFd);
}

TEST_F(TempFiles, NothingButOurOwnTemporaryFilesIsRemoved) {
    const std::string name = ".pakrune-0123456789abcdef.part";
    fs::create_directory(folderPath + "/" + name); // a folder of that name
    const std::string outside = MachineRoot() + "/outside.part";
    WriteHostFile(outside, "keep");
    fs::create_symlink(outside, folderPath + "/.pakrune-fedcba9876543210.part"); // a link
    const char* const userFiles[] = {".pakrune-0123456789ABCDEF.part",
                                     ".pakrune-0123.part",
                                     ".pakrune-0123456789abcdef.part.bak",
                                     "x.part",
                                     "a.zip.123456.part",
                                     ".pakrune-0123456789abcdeg.part"};
    for (const char* file : userFiles)
        WriteHostFile(folderPath + "/" + file, "mine");
    EXPECT_EQ(platform::RemoveStaleTemporaryFiles(folder), 0);
    for (const char* file : userFiles)
        EXPECT_TRUE(Exists(file)) << file;
    EXPECT_TRUE(Exists(name));
    EXPECT_EQ(ReadHostFile(outside), "keep");
}

TEST_F(TempFiles, NothingIsRemovedWhileAnotherProcessCreatesAFile) {
    const std::string dead = MadeByChild(false);
    // A creator holds the folder shared for the moment between making its file and locking it.
    const int creating = ::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_EQ(::flock(creating, LOCK_SH), 0);
    EXPECT_EQ(platform::RemoveStaleTemporaryFiles(folder), 0);
    EXPECT_TRUE(Exists(dead));
    ::close(creating);
    EXPECT_EQ(platform::RemoveStaleTemporaryFiles(folder), 1);
}
