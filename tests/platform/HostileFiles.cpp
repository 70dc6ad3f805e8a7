// Files that a reader of text may meet, and checks run where permissions bind.
#include "HostileFiles.h"

#include "TestMachine.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <random>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {
namespace {

// Drops the effective capabilities that let root read and write any file.
void BindToFilePermissions() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (::syscall(SYS_capget, &header, data) != 0)
        return;
    for (const unsigned cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH})
        data[cap / 32].effective &= ~(1u << (cap % 32));
    ::syscall(SYS_capset, &header, data);
}

} // namespace

std::string Repeat(std::string_view piece, std::size_t size) {
    std::string text;
    while (text.size() < size)
        text += piece;
    text.resize(size);
    return text;
}

std::string Garbage(std::size_t size) {
    std::mt19937 bits(20240611);
    std::string bytes;
    while (bytes.size() < size)
        bytes += static_cast<char>(bits());
    return bytes;
}

namespace {

void MakeUnreadable(Unreadable kind, const std::string& hostPath, const std::string& contents) {
    std::filesystem::create_directories(std::filesystem::path(hostPath).parent_path());
    std::filesystem::remove(hostPath);
    switch (kind) {
    case Unreadable::Folder:
        std::filesystem::create_directories(hostPath + "/inside");
        break;
    case Unreadable::Pipe:
        ::mkfifo(hostPath.c_str(), 0644);
        break;
    case Unreadable::DanglingLink:
        std::filesystem::create_symlink(hostPath + ".gone", hostPath);
        break;
    case Unreadable::NoReadPermission:
        WriteHostFile(hostPath, contents);
        ::chmod(hostPath.c_str(), 0200);
        break;
    }
}

// Runs body in a child process bound by file permissions and returns what it returned
// ("<child failed>" when it did not end normally).
std::string InBoundChild(const std::function<std::string()>& body) {
    int pipe[2];
    if (::pipe(pipe) != 0)
        return "<no pipe>";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipe[0]);
        BindToFilePermissions();
        const std::string result = body();
        const bool written =
            ::write(pipe[1], result.data(), result.size()) == static_cast<ssize_t>(result.size());
        ::_exit(written ? 0 : 1);
    }
    ::close(pipe[1]);
    std::string result;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;)
        result.append(buffer, static_cast<std::size_t>(n));
    ::close(pipe[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? result : "<child failed>";
}

} // namespace

std::string ReadWriteRead(Unreadable kind, const std::string& hostPath, const std::string& contents,
                          const std::function<std::string()>& read,
                          const std::function<bool()>& write) {
    MakeUnreadable(kind, hostPath, contents);
    const std::string observed = InBoundChild([&] {
        const std::string before = read();
        const bool written = write();
        return before + (written ? " written " : " refused ") + read();
    });
    if (kind == Unreadable::NoReadPermission) {
        ::chmod(hostPath.c_str(), 0600);
        EXPECT_EQ(ReadHostFile(hostPath), contents);
    }
    if (kind == Unreadable::DanglingLink && observed.find("written") != std::string::npos) {
        EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(hostPath)));
    }
    return observed;
}

} // namespace testing_support
