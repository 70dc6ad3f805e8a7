// A fresh machine for every test.
#include "TestMachine.h"

#include "PrivateMounts.h"

#include "platform/Prefix.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <unistd.h>

namespace testing_support {
namespace {

std::string root;
std::string startFolder;

// Copies every archive the test made into the fuzz targets' seed corpus, named by its contents.
// Archives of several megabytes (made to pass a memory bound) are left out: a fuzzer does best
// with small seeds, and replaying large ones would only slow every run.
void SaveArchives(const std::string& corpus) {
    constexpr std::uintmax_t kLargestSeed = 2 << 20;
    namespace fs = std::filesystem;
    fs::create_directories(corpus);
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        const std::string ext = it->path().extension().string();
        if (!it->is_regular_file() || (ext != ".zip" && ext != ".exe") ||
            it->file_size() > kLargestSeed)
            continue;
        const std::string bytes = ReadHostFile(it->path().string());
        const std::string name = std::to_string(std::hash<std::string>{}(bytes)) + ext;
        if (!fs::exists(corpus + "/" + name))
            WriteHostFile(corpus + "/" + name, bytes);
    }
}

class MachineListener : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        std::string pattern = TestsTemporaryFolder() + "/pakrune-test.XXXXXX";
        if (!::mkdtemp(pattern.data()))
            std::abort();
        root = pattern;
        std::filesystem::create_directories(root + "/home/Downloads"); // as a desktop makes it
        std::filesystem::create_directories(root + "/tmp");
        ::setenv("PAKRUNE_PREFIX", (root + "/prefix").c_str(), 1);
        ::setenv("HOME", (root + "/home").c_str(), 1);
        ::setenv("TMPDIR", (root + "/tmp").c_str(), 1);
        // The desktop's own files (associations, desktop entries) in the test's home as well.
        ::setenv("XDG_DATA_HOME", (root + "/home/.local/share").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (root + "/home/.config").c_str(), 1);
        if (!platform::EnsurePrefix())
            std::abort();
        if (::chdir(DriveC().c_str()) != 0)
            std::abort();
    }
    void OnTestEnd(const ::testing::TestInfo&) override {
        if (::chdir(startFolder.c_str()) != 0)
            std::abort();
        if (const char* corpus = std::getenv("PAKRUNE_ARCHIVE_CORPUS"))
            SaveArchives(corpus);
        platform::RemoveHostTree(root);
        ::unsetenv("TMPDIR");
    }
};

} // namespace

void InstallTestMachine() {
    TestsTemporaryFolder();
    startFolder = std::filesystem::current_path().string();
    // The listener owns nothing of the real machine; the real home is never read.
    ::testing::UnitTest::GetInstance()->listeners().Append(new MachineListener);
}

std::string MachineRoot() {
    return root;
}
std::string DriveC() {
    return root + "/prefix/drive_c";
}
std::string HostTemp() {
    return DriveC() + "/WINDOWS/Temp";
}
std::string SharedTemp() {
    return root + "/tmp";
}

void WriteHostFile(const std::string& hostPath, const std::string& contents) {
    std::filesystem::create_directories(std::filesystem::path(hostPath).parent_path());
    std::ofstream(hostPath, std::ios::binary) << contents;
}

std::string ReadHostFile(const std::string& hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

bool HostExists(const std::string& hostPath) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(hostPath, error));
}

} // namespace testing_support
