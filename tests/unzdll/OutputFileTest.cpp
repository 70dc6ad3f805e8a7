// An entry's file is seen under its name only when complete, whichever way it is written; a name
// taken while the entry was written is replaced only when asked; nothing is left of a file that
// was never named.
#include "unzdll/OutputFile.h"

#include "TestMachine.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using testing_support::MachineRoot;

namespace {

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

struct Folder {
    Folder() : path(MachineRoot() + "/out"), fd((fs::create_directories(path), Open())) {}
    ~Folder() { ::close(fd); }
    int Open() const { return ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }
    std::string path;
    int fd;
};

void Write(int fd, const std::string& bytes) {
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

} // namespace

TEST(OutputFile, NothingShowsUnderTheNameBeforeItIsNamedAndNothingStaysUnnamed) {
    for (const bool unnamedFiles : {true, false}) {
        SCOPED_TRACE(unnamedFiles ? "unnamed file" : "temporary name");
        const Folder folder;
        {
            OutputFile output(folder.fd);
            bool allowed = unnamedFiles;
            const int fd = output.Open(false, allowed);
            ASSERT_GE(fd, 0);
            Write(fd, "half");
            EXPECT_EQ(fs::exists(folder.path + "/entry.txt"), false);
            // An unnamed file shows under no name at all.
            EXPECT_EQ(Names(folder.path).empty(), unnamedFiles);
        }
        EXPECT_EQ(Names(folder.path), std::vector<std::string>{}) << "left when never named";
        {
            OutputFile output(folder.fd);
            bool allowed = unnamedFiles;
            Write(output.Open(false, allowed), "whole");
            ASSERT_EQ(output.Name("entry.txt", false), 0);
        }
        EXPECT_EQ(Names(folder.path), std::vector<std::string>{"entry.txt"});
        EXPECT_EQ(Read(folder.path + "/entry.txt"), "whole");
        fs::remove_all(folder.path);
    }
}

TEST(OutputFile, ANameTakenMeanwhileIsReplacedOnlyWhenAsked) {
    const Folder folder;
    OutputFile output(folder.fd);
    bool allowed = true;
    Write(output.Open(false, allowed), "entry");
    std::ofstream(folder.path + "/entry.txt") << "user's";
    EXPECT_EQ(output.Name("entry.txt", false), EEXIST);
    EXPECT_EQ(Read(folder.path + "/entry.txt"), "user's");
    ASSERT_EQ(output.Name("entry.txt", true), 0);
    EXPECT_EQ(Read(folder.path + "/entry.txt"), "entry");
    EXPECT_EQ(Names(folder.path), std::vector<std::string>{"entry.txt"}) << "a temporary name left";
}

TEST(OutputFile, AFileTakingATakenNameReplacesItWhole) {
    const Folder folder;
    std::ofstream(folder.path + "/entry.txt") << "old";
    {
        OutputFile output(folder.fd);
        bool allowed = true;
        Write(output.Open(true, allowed), "new, longer");
        EXPECT_EQ(Read(folder.path + "/entry.txt"), "old");
    }
    EXPECT_EQ(Read(folder.path + "/entry.txt"), "old") << "replaced though never named";
    EXPECT_EQ(Names(folder.path), std::vector<std::string>{"entry.txt"});
    OutputFile output(folder.fd);
    bool allowed = true;
    Write(output.Open(true, allowed), "new, longer");
    ASSERT_EQ(output.Name("entry.txt", true), 0);
    EXPECT_EQ(Read(folder.path + "/entry.txt"), "new, longer");
    EXPECT_EQ(Names(folder.path), std::vector<std::string>{"entry.txt"});
}
